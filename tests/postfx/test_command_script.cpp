// The command script's text for both systems, byte for byte, and what it refuses to write.
#include "postfx/CommandScript.h"

#include <QTest>

Q_DECLARE_METATYPE(ScriptForm)

namespace {

constexpr auto kBatch = ScriptForm::WindowsBatch;
constexpr auto kSh = ScriptForm::PosixShell;

QString appOf(ScriptForm form) {
    return form == kBatch ? "C:\\prog" : "/prog";
}

ConvertTool toolOf(ScriptForm form) {
    return form == kBatch ? ConvertTool{"C:\\prog\\imgmagic\\convert.exe", {}, true}
                          : ConvertTool{"/usr/bin/convert", {}, false};
}

} // namespace

class CommandScriptTest : public QObject {
    Q_OBJECT
private slots:
    void scriptText_data();
    void scriptText();
    void refusals_data();
    void refusals();
};

void CommandScriptTest::scriptText_data() {
    QTest::addColumn<ScriptForm>("form");
    QTest::addColumn<QList<EffectStep>>("steps"); // no steps: the test label instead
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("expected");

    // Rotation by 90 and "- Contraste" without parameter, on the page C:\tmp\post_tmp.jpg.
    const QList<EffectStep> example = {{"-rotate", "90"}, {"+contrast", ""}};
    QTest::newRow("batch, effects")
        << kBatch << example << "C:\\tmp\\post_tmp.jpg"
        << QByteArray("@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -rotate \"90\" +contrast \"\" "
                      "\"C:\\tmp\\post_tmp.jpg\" \"C:\\tmp\\post_tmp.jpg\"\r\n"
                      "del \"C:\\prog\\imgmagick.bat\"\r\n");
    // convert would read the two quotes after an option without value as a picture without a
    // name and fail the command, so the sh form leaves them out.
    QTest::newRow("sh, effects") << kSh << example << "/tmp/post_tmp.jpg"
                                 << QByteArray(
                                        "#!/bin/sh\n'/usr/bin/convert' '-rotate' '90' '+contrast' "
                                        "'/tmp/post_tmp.jpg' '/tmp/post_tmp.jpg'\n"
                                        "status=$?; rm -f -- '/prog/imgmagick.sh'; exit $status\n");
    QTest::newRow("batch, label")
        << kBatch << QList<EffectStep>{} << "C:\\libro\\watermark\\test.png"
        << QByteArray("@echo off\r\ncd \"C:\\prog\\imgmagic\"\r\n"
                      "convert -background white +antialias -fill black -font DejaVuSans.ttf "
                      "-pointsize 144 label:\" 146\" \"C:\\libro\\watermark\\test.png\"\r\n"
                      "cd \"C:\\prog\"\r\ndel \"C:\\prog\\imgmagick.bat\"\r\n");
    QTest::newRow("sh, label")
        << kSh << QList<EffectStep>{} << "/libro/watermark/test.png"
        << QByteArray("#!/bin/sh\ncd -- '/prog/imgmagic'\n'/usr/bin/convert' '-background' "
                      "'white' '+antialias' '-fill' 'black' '-font' 'DejaVuSans.ttf' "
                      "'-pointsize' '144' 'label: 146' '/libro/watermark/test.png'\n"
                      "status=$?; cd -- '/prog'\nrm -f -- '/prog/imgmagick.sh'; exit $status\n");
    // Single quotes are closed, escaped and reopened; convert reads "%d" in the name of a file it
    // writes as a frame number, so "%" is doubled there (and once more by a batch file).
    QTest::newRow("sh, quotes and percent")
        << kSh << QList<EffectStep>{{"-scale", "50% x'"}} << "/t 100%/it's.png"
        << QByteArray("#!/bin/sh\n'/usr/bin/convert' '-scale' '50% x'\\''' "
                      "'/t 100%/it'\\''s.png' '/t 100%%/it'\\''s.png'\n"
                      "status=$?; rm -f -- '/prog/imgmagick.sh'; exit $status\n");
    QTest::newRow("batch, percent")
        << kBatch << QList<EffectStep>{{"-scale", "50%"}} << "C:\\t%\\p.png"
        << QByteArray(
               "@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -scale \"50%%\" "
               "\"C:\\t%%\\p.png\" \"C:\\t%%%%\\p.png\"\r\ndel \"C:\\prog\\imgmagick.bat\"\r\n");
}

void CommandScriptTest::scriptText() {
    QFETCH(ScriptForm, form);
    QFETCH(QList<EffectStep>, steps);
    QFETCH(QString, file);
    const CommandScript script =
        steps.isEmpty()
            ? labelScript(form, appOf(form), toolOf(form), "DejaVuSans.ttf", "144", " 146", file)
            : effectScript(form, appOf(form), toolOf(form), steps, file, file);
    QCOMPARE(script.problem, QString());
    QTEST(script.text, "expected");
}

void CommandScriptTest::refusals_data() {
    QTest::addColumn<ScriptForm>("form");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("problem");

    QTest::newRow("text after an option without value") << kSh << "+contrast"
                                                        << "msl:/tmp/x.msl"
                                                        << "/p.png"
                                                        << "f.ttf"
                                                        << "1"
                                                        << "El efecto +contrast no lleva valor";
    QTest::newRow("double quote in a batch file") << kBatch << "-rotate"
                                                  << "9\" & calc & \""
                                                  << "C:\\p.png"
                                                  << "f.ttf"
                                                  << "1"
                                                  << "«9\" & calc & \"» contiene comillas dobles";
    QTest::newRow("line break in a batch file") << kBatch << "-rotate"
                                                << "9\r\ncalc"
                                                << "C:\\p.png"
                                                << "f.ttf"
                                                << "1"
                                                << "«9\r\ncalc» contiene un salto";
    QTest::newRow("relative file") << kSh << "-rotate"
                                   << "90"
                                   << "-p.png"
                                   << "f.ttf"
                                   << "1"
                                   << "La ruta «-p.png» no es absoluta";
    QTest::newRow("font in another folder") << kSh << "-rotate"
                                            << "90"
                                            << "/p.png"
                                            << "../x.ttf"
                                            << "1"
                                            << "La fuente «../x.ttf» debe ser";
    QTest::newRow("font list file") << kSh << "-rotate"
                                    << "90"
                                    << "/p.png"
                                    << "@f"
                                    << "1"
                                    << "La fuente «@f» debe ser";
    QTest::newRow("label read from a file") << kSh << "-rotate"
                                            << "90"
                                            << "/p.png"
                                            << "f.ttf"
                                            << "@/etc/passwd"
                                            << "El texto de etiqueta «@/etc";
}

// Each row breaks one rule: the effect or the label script refuses it and writes nothing.
void CommandScriptTest::refusals() {
    QFETCH(ScriptForm, form);
    QFETCH(QString, option);
    QFETCH(QString, parameter);
    QFETCH(QString, file);
    QFETCH(QString, font);
    QFETCH(QString, label);
    QFETCH(QString, problem);
    const CommandScript effects =
        effectScript(form, appOf(form), toolOf(form), {{option, parameter}}, file, file);
    const CommandScript labels =
        labelScript(form, appOf(form), toolOf(form), font, "144", label, file);
    const CommandScript& refused = effects.problem.isEmpty() ? labels : effects;
    QVERIFY2(refused.problem.startsWith(problem), qPrintable(refused.problem));
    QVERIFY(refused.text.isEmpty());
}

#include "test_command_script.moc"

int runCommandScriptTests(int argc, char** argv) {
    CommandScriptTest test;
    return QTest::qExec(&test, argc, argv);
}
