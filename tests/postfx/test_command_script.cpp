// The command script's text for both systems, byte for byte, and what it refuses to write.
#include "postfx/CommandScript.h"

#include <QTest>

Q_DECLARE_METATYPE(ScriptForm)

namespace {

const ConvertTool kWindowsOwnTool{QStringLiteral("C:\\prog\\imgmagic\\convert.exe"), {}, true};
const ConvertTool kPosixOwnTool{QStringLiteral("/prog/imgmagic/convert"), {}, true};
const ConvertTool kPosixPathTool{QStringLiteral("/usr/bin/convert"), {}, false};
const ConvertTool kPosixMagick{
    QStringLiteral("/usr/bin/magick"), {QStringLiteral("convert")}, false};

const QList<EffectStep> kWorkedExample = {{QStringLiteral("-rotate"), QStringLiteral("90")},
                                          {QStringLiteral("+contrast"), QString()}};

} // namespace

class CommandScriptTest : public QObject {
    Q_OBJECT
private slots:
    void effectScriptText_data();
    void effectScriptText();
    void labelScriptText_data();
    void labelScriptText();
    void refusals_data();
    void refusals();
};

void CommandScriptTest::effectScriptText_data() {
    QTest::addColumn<ScriptForm>("form");
    QTest::addColumn<QString>("app");
    QTest::addColumn<ConvertTool>("tool");
    QTest::addColumn<QList<EffectStep>>("steps");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("batch, rotate and less contrast")
        << ScriptForm::WindowsBatch << "C:\\prog" << kWindowsOwnTool << kWorkedExample
        << "C:\\tmp\\post_tmp.jpg"
        << QByteArray("@echo off\r\n"
                      "\"C:\\prog\\imgmagic\\convert\" -rotate \"90\" +contrast \"\" "
                      "\"C:\\tmp\\post_tmp.jpg\" \"C:\\tmp\\post_tmp.jpg\"\r\n"
                      "del \"C:\\prog\\imgmagick.bat\"\r\n");
    // The empty parameter of an option without value is left out: convert would take it for a
    // picture without a name and fail the command.
    QTest::newRow("sh, rotate and less contrast")
        << ScriptForm::PosixShell << "/prog" << kPosixOwnTool << kWorkedExample
        << "/tmp/post_tmp.jpg"
        << QByteArray("#!/bin/sh\n"
                      "'/prog/imgmagic/convert' '-rotate' '90' '+contrast' '/tmp/post_tmp.jpg' "
                      "'/tmp/post_tmp.jpg'\n"
                      "status=$?; rm -f -- '/prog/imgmagick.sh'; exit $status\n");
    QTest::newRow("batch, no effect") << ScriptForm::WindowsBatch << "C:\\" << kWindowsOwnTool
                                      << QList<EffectStep>{} << "D:\\p.png"
                                      << QByteArray("@echo off\r\n"
                                                    "\"C:\\imgmagic\\convert\" \"D:\\p.png\" "
                                                    "\"D:\\p.png\"\r\n"
                                                    "del \"C:\\imgmagick.bat\"\r\n");
    QTest::newRow("sh, no effect, convert on the PATH")
        << ScriptForm::PosixShell << "/prog/" << kPosixPathTool << QList<EffectStep>{}
        << "/tmp/p.png"
        << QByteArray("#!/bin/sh\n"
                      "'/usr/bin/convert' '/tmp/p.png' '/tmp/p.png'\n"
                      "status=$?; rm -f -- '/prog/imgmagick.sh'; exit $status\n");
    // Single quotes are closed, escaped and reopened; "%" in the written file's name is doubled
    // for convert (the batch file doubles it once more for itself).
    QTest::newRow("sh, quotes, blanks and percent in names, magick")
        << ScriptForm::PosixShell << "/o'brien dir" << kPosixMagick
        << QList<EffectStep>{{"-scale", "50% x'"}} << "/t 100%/it's.png"
        << QByteArray("#!/bin/sh\n"
                      "'/usr/bin/magick' 'convert' '-scale' '50% x'\\''' '/t 100%/it'\\''s.png' "
                      "'/t 100%%/it'\\''s.png'\n"
                      "status=$?; rm -f -- '/o'\\''brien dir/imgmagick.sh'; exit $status\n");
    QTest::newRow("batch, percent in names and parameters")
        << ScriptForm::WindowsBatch << "C:\\a%b" << kWindowsOwnTool
        << QList<EffectStep>{{"-scale", "50%"}} << "C:\\t%\\p.png"
        << QByteArray("@echo off\r\n"
                      "\"C:\\a%%b\\imgmagic\\convert\" -scale \"50%%\" \"C:\\t%%\\p.png\" "
                      "\"C:\\t%%%%\\p.png\"\r\n"
                      "del \"C:\\a%%b\\imgmagick.bat\"\r\n");
}

void CommandScriptTest::effectScriptText() {
    QFETCH(ScriptForm, form);
    QFETCH(QString, app);
    QFETCH(ConvertTool, tool);
    QFETCH(QList<EffectStep>, steps);
    QFETCH(QString, page);
    const CommandScript script = effectScript(form, app, tool, steps, page, page);
    QCOMPARE(script.problem, QString());
    QTEST(script.text, "expected");
}

void CommandScriptTest::labelScriptText_data() {
    QTest::addColumn<ScriptForm>("form");
    QTest::addColumn<QString>("app");
    QTest::addColumn<ConvertTool>("tool");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("batch, test label")
        << ScriptForm::WindowsBatch << "C:\\prog" << kWindowsOwnTool << "DejaVuSans.ttf"
        << "144"
        << "C:\\libro\\watermark\\test.png"
        << QByteArray("@echo off\r\n"
                      "cd \"C:\\prog\\imgmagic\"\r\n"
                      "convert -background white +antialias -fill black -font DejaVuSans.ttf "
                      "-pointsize 144 label:\" 146\" \"C:\\libro\\watermark\\test.png\"\r\n"
                      "cd \"C:\\prog\"\r\n"
                      "del \"C:\\prog\\imgmagick.bat\"\r\n");
    QTest::newRow("sh, test label")
        << ScriptForm::PosixShell << "/prog" << kPosixPathTool << "DejaVuSans.ttf"
        << "144"
        << "/libro/watermark/test.png"
        << QByteArray("#!/bin/sh\n"
                      "cd -- '/prog/imgmagic'\n"
                      "'/usr/bin/convert' '-background' 'white' '+antialias' '-fill' 'black' "
                      "'-font' 'DejaVuSans.ttf' '-pointsize' '144' 'label: 146' "
                      "'/libro/watermark/test.png'\n"
                      "status=$?; cd -- '/prog'\n"
                      "rm -f -- '/prog/imgmagick.sh'; exit $status\n");
    // Neither side ticked: no font and no size, as the batch format has them.
    QTest::newRow("batch, no font")
        << ScriptForm::WindowsBatch << "C:\\prog" << kWindowsOwnTool << ""
        << ""
        << "C:\\l\\watermark\\test.png"
        << QByteArray("@echo off\r\n"
                      "cd \"C:\\prog\\imgmagic\"\r\n"
                      "convert -background white +antialias -fill "
                      "black -font  -pointsize  label:\" 146\" "
                      "\"C:\\l\\watermark\\test.png\"\r\n"
                      "cd \"C:\\prog\"\r\n"
                      "del \"C:\\prog\\imgmagick.bat\"\r\n");
    // A font name the interpreter would split or act on is quoted.
    QTest::newRow("batch, font with a blank and an ampersand")
        << ScriptForm::WindowsBatch << "C:\\prog" << kWindowsOwnTool << "A & B.ttf"
        << "144"
        << "C:\\l\\watermark\\grafo.png"
        << QByteArray("@echo off\r\n"
                      "cd \"C:\\prog\\imgmagic\"\r\n"
                      "convert -background white +antialias -fill black -font \"A & B.ttf\" "
                      "-pointsize 144 label:\" 146\" \"C:\\l\\watermark\\grafo.png\"\r\n"
                      "cd \"C:\\prog\"\r\n"
                      "del \"C:\\prog\\imgmagick.bat\"\r\n");
}

void CommandScriptTest::labelScriptText() {
    QFETCH(ScriptForm, form);
    QFETCH(QString, app);
    QFETCH(ConvertTool, tool);
    QFETCH(QString, font);
    QFETCH(QString, size);
    QFETCH(QString, label);
    const CommandScript script = labelScript(form, app, tool, font, size, " 146", label);
    QCOMPARE(script.problem, QString());
    QTEST(script.text, "expected");
}

void CommandScriptTest::refusals_data() {
    QTest::addColumn<ScriptForm>("form");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("font");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("problem");

    const auto sh = ScriptForm::PosixShell;
    const auto batch = ScriptForm::WindowsBatch;
    QTest::newRow("text after an option without value") << sh << "msl:/tmp/x.msl"
                                                        << "+contrast"
                                                        << "/p.png"
                                                        << "f.ttf"
                                                        << "1"
                                                        << "El efecto +contrast no lleva valor";
    QTest::newRow("an option after an option without value") << sh << "-write"
                                                             << "-contrast"
                                                             << "/p.png"
                                                             << "f.ttf"
                                                             << "1"
                                                             << "El efecto -contrast no lleva";
    QTest::newRow("double quote in a batch file") << batch << "90\" & calc & \""
                                                  << "-rotate"
                                                  << "C:\\p.png"
                                                  << "f.ttf"
                                                  << "1"
                                                  << "«90\" & calc & \"» contiene comillas dobles";
    QTest::newRow("line break in a batch file") << batch << "90\r\ncalc"
                                                << "-rotate"
                                                << "C:\\p.png"
                                                << "f.ttf"
                                                << "1"
                                                << "«90\r\ncalc» contiene un salto de línea";
    QTest::newRow("null character") << sh << QStringLiteral("9") + QChar(0) << "-rotate"
                                    << "/p.png"
                                    << "f.ttf"
                                    << "1"
                                    << "«9";
    QTest::newRow("relative page") << sh << "90"
                                   << "-rotate"
                                   << "-p.png"
                                   << "f.ttf"
                                   << "1"
                                   << "La ruta «-p.png» no es absoluta";
    QTest::newRow("relative page, batch") << batch << "90"
                                          << "-rotate"
                                          << "msl:p.png"
                                          << "f.ttf"
                                          << "1"
                                          << "La ruta «msl:p.png» no es absoluta";
    QTest::newRow("font in another folder") << sh << "90"
                                            << "-rotate"
                                            << "/p.png"
                                            << "../../etc/passwd"
                                            << "1"
                                            << "La fuente «../../etc/passwd» debe ser";
    QTest::newRow("font from a list file") << sh << "90"
                                           << "-rotate"
                                           << "/p.png"
                                           << "@fonts"
                                           << "1"
                                           << "La fuente «@fonts» debe ser";
    QTest::newRow("label text read from a file") << sh << "90"
                                                 << "-rotate"
                                                 << "/p.png"
                                                 << "f.ttf"
                                                 << "@/etc/passwd"
                                                 << "El texto de etiqueta «@/etc/passwd»";
    QTest::newRow("label text with escapes") << sh << "90"
                                             << "-rotate"
                                             << "/p.png"
                                             << "f.ttf"
                                             << "%[w]"
                                             << "El texto de etiqueta «%[w]»";
}

// Each row breaks exactly one rule: the effect script, the label script or both refuse it, and
// nothing is written.
void CommandScriptTest::refusals() {
    QFETCH(ScriptForm, form);
    QFETCH(QString, parameter);
    QFETCH(QString, option);
    QFETCH(QString, page);
    QFETCH(QString, font);
    QFETCH(QString, label);
    QFETCH(QString, problem);
    const QString app = form == ScriptForm::PosixShell ? "/prog" : "C:\\prog";
    const ConvertTool tool = form == ScriptForm::PosixShell ? kPosixPathTool : kWindowsOwnTool;
    const CommandScript effects = effectScript(form, app, tool, {{option, parameter}}, page, page);
    const CommandScript labels = labelScript(form, app, tool, font, "144", label, page);
    const CommandScript& refused = effects.problem.isEmpty() ? labels : effects;
    QVERIFY2(refused.problem.startsWith(problem), qPrintable(refused.problem));
    QVERIFY(refused.text.isEmpty());
}

#include "test_command_script.moc"

int runCommandScriptTests(int argc, char** argv) {
    CommandScriptTest test;
    return QTest::qExec(&test, argc, argv);
}
