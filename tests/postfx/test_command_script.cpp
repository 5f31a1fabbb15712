// The command script's text for both systems, byte for byte, and what it refuses to write.
#include "postfx/CommandScript.h"

#include <QTest>

Q_DECLARE_METATYPE(CommandScript)

namespace {

constexpr auto kBatch = ScriptForm::WindowsBatch;
constexpr auto kSh = ScriptForm::PosixShell;

CommandScript effects(ScriptForm form, const QList<EffectStep>& steps, const QString& file) {
    if (form == kBatch)
        return effectScript(form, "C:\\prog", {"C:\\prog\\imgmagic\\convert.exe", {}, true}, steps,
                            file, file);
    return effectScript(form, "/prog", {"/usr/bin/convert", {}, false}, steps, file, file);
}

CommandScript label(ScriptForm form, const QString& text, const QString& file) {
    if (form == kBatch)
        return labelScript(form, "C:\\prog", {"C:\\prog\\imgmagic\\convert.exe", {}, true},
                           "DejaVuSans.ttf", "144", text, file);
    return labelScript(form, "/prog", {"/usr/bin/convert", {}, false}, "DejaVuSans.ttf", "144",
                       text, file);
}

} // namespace

class CommandScriptTest : public QObject {
    Q_OBJECT
private slots:
    void scripts_data() {
        QTest::addColumn<CommandScript>("script");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem"); // the start of the reason it is refused

        // Rotation by 90 and "- Contraste" without parameter, on the page C:\tmp\post_tmp.jpg.
        const QList<EffectStep> example = {{"-rotate", "90"}, {"+contrast", ""}};
        QTest::newRow("batch, effects")
            << effects(kBatch, example, "C:\\tmp\\post_tmp.jpg")
            << QByteArray("@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -rotate \"90\" +contrast "
                          "\"\" \"C:\\tmp\\post_tmp.jpg\" \"C:\\tmp\\post_tmp.jpg\"\r\n"
                          "del \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();
        // convert would read the two quotes after an option without value as a picture without
        // a name and fail the command, so the sh form leaves them out.
        QTest::newRow("sh, effects")
            << effects(kSh, example, "/tmp/post_tmp.jpg")
            << QByteArray("#!/bin/sh\n'/usr/bin/convert' '-rotate' '90' '+contrast' "
                          "'/tmp/post_tmp.jpg' '/tmp/post_tmp.jpg'\n"
                          "status=$?; rm -f -- '/prog/imgmagick.sh'; exit $status\n")
            << QString();
        QTest::newRow("batch, label")
            << label(kBatch, " 146", "C:\\libro\\watermark\\test.png")
            << QByteArray("@echo off\r\ncd \"C:\\prog\\imgmagic\"\r\n"
                          "convert -background white +antialias -fill black -font DejaVuSans.ttf "
                          "-pointsize 144 label:\" 146\" \"C:\\libro\\watermark\\test.png\"\r\n"
                          "cd \"C:\\prog\"\r\ndel \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();
        QTest::newRow("sh, label")
            << label(kSh, " 146", "/libro/watermark/test.png")
            << QByteArray("#!/bin/sh\ncd -- '/prog/imgmagic'\n'/usr/bin/convert' '-background' "
                          "'white' '+antialias' '-fill' 'black' '-font' 'DejaVuSans.ttf' "
                          "'-pointsize' '144' 'label: 146' '/libro/watermark/test.png'\n"
                          "status=$?; cd -- '/prog'\nrm -f -- '/prog/imgmagick.sh'; exit $status\n")
            << QString();
        // A batch file expands "%" even inside quotes, and convert reads "%d" in the name of a
        // file it writes as a frame number: "%" is doubled once, and twice in that name.
        QTest::newRow("batch, percent")
            << effects(kBatch, {{"-scale", "50%"}}, "C:\\t%\\p.png")
            << QByteArray("@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -scale \"50%%\" "
                          "\"C:\\t%%\\p.png\" \"C:\\t%%%%\\p.png\"\r\n"
                          "del \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();

        // A batch file cannot quote a double quote or a line break.
        QTest::newRow("double quote in a batch file")
            << effects(kBatch, {{"-rotate", "9\" & calc & \""}}, "C:\\p.png") << QByteArray()
            << "«9\" & calc & \"» contiene comillas dobles";
        QTest::newRow("line break in a batch file")
            << effects(kBatch, {{"-rotate", "9\r\ncalc"}}, "C:\\p.png") << QByteArray()
            << "«9\r\ncalc» contiene un salto";
        // A relative name may start with something convert reads as an option.
        QTest::newRow("relative file") << effects(kSh, {{"-rotate", "90"}}, "-p.png")
                                       << QByteArray() << "La ruta «-p.png» no es absoluta";
        // convert reads the label's text from the file named after an "@".
        QTest::newRow("label read from a file") << label(kSh, "@/etc/passwd", "/p.png")
                                                << QByteArray() << "El texto de etiqueta «@/etc";
    }

    void scripts() {
        QFETCH(CommandScript, script);
        QFETCH(QString, problem);
        QVERIFY2(script.problem.startsWith(problem) &&
                     script.problem.isEmpty() == problem.isEmpty(),
                 qPrintable(script.problem));
        QTEST(script.text, "text");
    }
};

#include "test_command_script.moc"

int runCommandScriptTests(int argc, char** argv) {
    CommandScriptTest test;
    return QTest::qExec(&test, argc, argv);
}
