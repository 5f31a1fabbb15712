// Post-production effects and page-number labels: the batch file's text and what either form of
// command script refuses, and through the real window and the machine's ImageMagick the pages of
// crop runs, the effect tests, numbering batches, failures, and hostile parameters, font names and
// folder names.
#include "ListLines.h"
#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "postfx/CommandScript.h"
#include "postfx/CommandScriptRunner.h"
#include "postfx/PageLabels.h"
#include "postfx/PageNumbering.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QLockFile>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(CommandScript)

namespace {

// An environment variable changed for the rest of a scope.
class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)) {
        qputenv(name, value);
    }
    ~EnvironmentChange() { qputenv(name_, old_); }

private:
    const char* name_;
    QByteArray old_;
};

// A window whose program folder (named as a test needs, inside a folder of its own) holds the
// tool folder the build lays out (fonts, effect sample); ImageMagick is the machine's own. The
// window opens on a folder of scans, also named as the test needs.
struct ToolFolderWindow {
    explicit ToolFolderWindow(const QString& programName = "program",
                              const QString& scansName = "scans")
        : program(path(programName)), scans(path(scansName)) {
        QDir().mkpath(program + "/imgmagic");
        QDir().mkpath(scans);
        const QDir tools(QStringLiteral(PLIEGO_TOOL_DIR));
        for (const QString& name : tools.entryList(QDir::Files))
            QFile::copy(tools.filePath(name), program + "/imgmagic/" + name);
        QDir::setCurrent(scans);
        window = std::make_unique<MainWindow>(program);
    }
    // The user's data folder, where effect tests leave their result: inside the test's folder.
    QString userData() const {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + "/";
    }
    ~ToolFolderWindow() {
        window.reset();
        QDir::setCurrent(previous);
    }

    MainWindow& w() { return *window; }
    QString root() const { return folder.path(); }
    QString path(const QString& relative) const { return QDir(root()).filePath(relative); }
    bool scriptLeftBehind() const { return QFile::exists(program + "/imgmagick.sh"); }

    // Every file below the test's folder, by path relative to it.
    QSet<QString> files() const {
        QSet<QString> found;
        QDirIterator it(root(), QDir::Files | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.insert(QDir(root()).relativeFilePath(it.next()));
        return found;
    }

    QTemporaryDir folder; // first: the paths below are made from it
    const EnvironmentChange dataHome{"XDG_DATA_HOME", QFile::encodeName(path("data"))};
    const QString previous = QDir::currentPath();
    const QString program;
    const QString scans;
    std::unique_ptr<MainWindow> window;
};

constexpr auto kBatch = ScriptForm::WindowsBatch;
constexpr auto kSh = ScriptForm::PosixShell;

// The program folder and convert of each system: the tool folder's on Windows, the machine's
// elsewhere.
QString programFolder(ScriptForm form) {
    return form == kBatch ? "C:\\prog" : "/prog";
}
ConvertTool convertOf(ScriptForm form) {
    if (form == kBatch)
        return {"C:\\prog\\imgmagic\\convert.exe", {}, true};
    return {"/usr/bin/convert", {}, false};
}

CommandScript effectScriptFor(ScriptForm form, const QList<EffectStep>& steps,
                              const QString& file) {
    return effectScript(form, programFolder(form), convertOf(form), steps, file, file);
}

CommandScript labelScriptFor(ScriptForm form, const QString& text, const QString& file) {
    return labelScript(form, programFolder(form), convertOf(form), "DejaVuSans.ttf", "144", text,
                       file);
}

// Positions in the effect lists.
enum { kRotate = 1, kBrightnessContrast, kMoreContrast, kLessContrast, kScale };

void choose(MainWindow& w, bool odd, int row, int effect, const QString& parameter) {
    w.CheckMagik->setChecked(true);
    (odd ? w.cbMagikNon : w.cbMagicPar)[row]->setListIndex(effect);
    (odd ? w.lblMagicNon : w.lblMagikPar)[row]->setText(parameter);
}

// A picture whose left half is `left` and whose right half is `right`, saved as PNG.
QString writeHalves(const QString& path, QSize size, QRgb left, QRgb right) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(right);
    for (int y = 0; y < size.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)), size.width() / 2, left);
    image.save(path);
    return path;
}

// Spreads of 800 × 500, cut into PNG pages of 200 × 250 in 24-bit colour.
void makeBook(ToolFolderWindow& f, int scans, QRgb left, QRgb right) {
    for (int i = 1; i <= scans; ++i)
        writeHalves(f.scans + QStringLiteral("/libro%1.png").arg(i, 3, 10, QChar('0')), {800, 500},
                    left, right);
    MainWindow& w = f.w();
    w.TipoOrigen->setListIndex(3);
    w.TipoGrande->setListIndex(3);
    w.ColorBw->setListIndex(5);
    w.MasMenosAnG->setValue(200);
    w.MasMenosAlG->setValue(250);
    w.AceptaConfig->click();
    for (int row = 0; row < w.LocalFiles->count(); ++row)
        w.LocalFiles->setRowSelected(row, true);
}

// Whether a running process has `text` in its command line.
bool processMentions(const QByteArray& text) {
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile commandLine("/proc/" + pid + "/cmdline");
        if (commandLine.open(QIODevice::ReadOnly) && commandLine.readAll().contains(text))
            return true;
    }
    return false;
}

QImage page(const ToolFolderWindow& f, const QString& name) {
    return QImage(f.scans + "/jpeg_big/" + name);
}

QList<int> selectedRows(const FileList* list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (list->isRowSelected(row))
            rows << row;
    }
    return rows;
}

// A window on a folder of white 300 × 400 PNG pages, written as PNG in 24-bit colour, the label
// stamped at full intensity and size at (20, 30); odd pages numbered with DejaVu Sans.
struct NumberedBook {
    explicit NumberedBook(const QStringList& pages, const QString& scansName = "scans")
        : f("program", scansName) {
        for (const QString& name : pages) {
            QImage page(300, 400, QImage::Format_RGB32);
            page.fill(Qt::white);
            page.save(f.scans + "/" + name);
        }
        MainWindow& w = f.w();
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(3);
        w.ColorBw->setListIndex(5);
        w.WMTransNum->setValue(100);
        w.WMHPosNum->setMaximum(300);
        w.WMVPosNum->setMaximum(400);
        w.WMHPosNum->setValue(20);
        w.WMVPosNum->setValue(30);
        w.ChkNumeroNon->setChecked(true);
        w.MagicNonFont->setText("DejaVuSans.ttf");
        w.MagikNonDato->setListIndex(0);
    }
    QString labels() const { return f.scans + "/watermark/"; }
    QStringList written() const { return QDir(f.scans + "/jpeg_big").entryList(QDir::Files); }
    ToolFolderWindow f;
};

// The label convert draws for `text`, straight from the command line.
QImage referenceLabel(const ToolFolderWindow& f, const QString& text) {
    const QString out = f.path("reference.png");
    QProcess::execute(QStandardPaths::findExecutable("convert"),
                      {"-background", "white", "+antialias", "-fill", "black", "-font",
                       f.program + "/imgmagic/DejaVuSans.ttf", "-pointsize", "144", "label:" + text,
                       out});
    return QImage(out);
}

} // namespace

class PostFxTest : public QObject {
    Q_OBJECT
private slots:
    // The batch file's text, byte for byte (the sh form runs for real below), and what either
    // form refuses to write.

    void scripts_data() {
        QTest::addColumn<CommandScript>("script");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("problem"); // the start of the reason it is refused

        // Rotation by 90 and "- Contraste" without parameter, on the page C:\tmp\post_tmp.jpg.
        const QList<EffectStep> example = {{"-rotate", "90"}, {"+contrast", ""}};
        QTest::newRow("batch, effects")
            << effectScriptFor(kBatch, example, "C:\\tmp\\post_tmp.jpg")
            << QByteArray("@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -rotate \"90\" +contrast "
                          "\"\" \"C:\\tmp\\post_tmp.jpg\" \"C:\\tmp\\post_tmp.jpg\"\r\n"
                          "del \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();
        QTest::newRow("batch, label")
            << labelScriptFor(kBatch, " 146", "C:\\libro\\watermark\\test.png")
            << QByteArray("@echo off\r\ncd \"C:\\prog\\imgmagic\"\r\n"
                          "convert -background white +antialias -fill black -font DejaVuSans.ttf "
                          "-pointsize 144 label:\" 146\" \"C:\\libro\\watermark\\test.png\"\r\n"
                          "cd \"C:\\prog\"\r\ndel \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();
        // A batch file expands "%" even inside quotes, and convert reads "%d" in the name of a
        // file it writes as a frame number: "%" is doubled once, and twice in that name.
        QTest::newRow("batch, percent")
            << effectScriptFor(kBatch, {{"-scale", "50%"}}, "C:\\t%\\p.png")
            << QByteArray("@echo off\r\n\"C:\\prog\\imgmagic\\convert\" -scale \"50%%\" "
                          "\"C:\\t%%\\p.png\" \"C:\\t%%%%\\p.png\"\r\n"
                          "del \"C:\\prog\\imgmagick.bat\"\r\n")
            << QString();

        // A batch file cannot quote a double quote or a line break.
        QTest::newRow("double quote in a batch file")
            << effectScriptFor(kBatch, {{"-rotate", "9\" & calc & \""}}, "C:\\p.png")
            << QByteArray() << "«9\" & calc & \"» contiene comillas dobles";
        QTest::newRow("line break in a batch file")
            << effectScriptFor(kBatch, {{"-rotate", "9\r\ncalc"}}, "C:\\p.png") << QByteArray()
            << "«9\r\ncalc» contiene un salto";
        // A relative name may start with something convert reads as an option.
        QTest::newRow("relative file") << effectScriptFor(kSh, {{"-rotate", "90"}}, "-p.png")
                                       << QByteArray() << "La ruta «-p.png» no es absoluta";
        // convert reads the label's text from the file named after an "@".
        QTest::newRow("label read from a file") << labelScriptFor(kSh, "@/etc/passwd", "/p.png")
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

    // Effects.

    // The odd pages are turned; the even pages' parameter is refused by convert, so they are
    // written as they were and the list says why. A grey page, which convert writes back as a
    // grey PNG, still goes out in the chosen 24-bit colour. Without convert, each run says so
    // once and its pages go out unchanged.
    void cropRuns() {
        ToolFolderWindow f;
        const QRgb grey = qRgb(90, 90, 90);
        const QRgb red = qRgb(210, 60, 140);
        makeBook(f, 2, grey, red);
        MainWindow& w = f.w();
        choose(w, true, 0, kRotate, "90");
        choose(w, false, 0, kRotate, "abc");
        w.CortaLote->click();
        QCOMPARE(page(f, "libro003.png").size(), QSize(250, 200));
        QCOMPARE(page(f, "libro003.png").pixel(125, 100), grey);
        QCOMPARE(QImageReader(f.scans + "/jpeg_big/libro003.png").imageFormat(),
                 QImage::Format_RGB32);
        QCOMPARE(page(f, "libro004.png").size(), QSize(200, 250));
        QCOMPARE(page(f, "libro004.png").pixel(100, 125), red);
        QStringList log = lines(w.ListaProceso);
        QCOMPARE(log.count("Efectos Postproduccion ..."), 4);
        const QStringList failures = log.filter("ImageMagick: ");
        QVERIFY2(failures.size() == 2 && failures[0].contains("abc"), qPrintable(log.join('|')));
        QVERIFY(!f.scriptLeftBehind());

        const EnvironmentChange noTools("PATH", QFile::encodeName(f.path("empty")));
        for (int run = 0; run < 2; ++run) {
            w.CortaLote->click();
            log = lines(w.ListaProceso);
            QCOMPARE(log.count("Efectos Postproduccion ..."), 4);
            QCOMPARE(log.filter("No se encuentra ImageMagick").size(), 1);
            QCOMPARE(page(f, "libro003.png").size(), QSize(200, 250));
        }
    }

    void effectsChangePixelsAsExpected_data() {
        QTest::addColumn<bool>("odd");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("effect");
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("turn");        // where the page's dark left half went: 0, 90 or -90
        QTest::addColumn<int>("darkChange");  // -1 darker, 0 the same, 1 lighter
        QTest::addColumn<int>("lightChange"); // likewise for the light right half

        QTest::newRow("brighter, odd row 0")
            << true << 0 << int(kBrightnessContrast) << "30x0" << QSize(200, 250) << 0 << 1 << 1;
        QTest::newRow("more contrast, even row 1")
            << false << 1 << int(kMoreContrast) << "" << QSize(200, 250) << 0 << -1 << 1;
        QTest::newRow("less contrast, odd row 3")
            << true << 3 << int(kLessContrast) << "" << QSize(200, 250) << 0 << 1 << -1;
        QTest::newRow("turned back by even row 4 alone")
            << false << 4 << int(kRotate) << "-90" << QSize(250, 200) << -90 << 0 << 0;
    }

    void effectsChangePixelsAsExpected() {
        QFETCH(bool, odd);
        QFETCH(int, row);
        QFETCH(int, effect);
        QFETCH(QString, parameter);
        QFETCH(int, turn);
        ToolFolderWindow f;
        MainWindow& w = f.w();
        choose(w, odd, row, effect, parameter);
        const int dark = 60;
        const int light = 190;
        const QString file = writeHalves(f.path("page.png"), {200, 250}, qRgb(dark, dark, dark),
                                         qRgb(light, light, light));
        PostEffects& effects = w.postEffects();
        QVERIFY(odd ? effects.EfectosImpar(file, QString(), w.ListaProceso)
                    : effects.EfectosPar(file, QString(), w.ListaProceso));
        QCOMPARE(w.ListaProceso->count(), 0);
        const QImage result(file);
        QTEST(result.size(), "size");
        const int wide = result.width();
        const int high = result.height();
        const QPoint darkAt = turn == 0    ? QPoint(wide / 4, high / 2)
                              : turn == 90 ? QPoint(wide / 2, high / 4)
                                           : QPoint(wide / 2, 3 * high / 4);
        const QPoint lightAt = QPoint(wide, high) - darkAt;
        const auto change = [&result](QPoint at, int before) {
            const int after = qGray(result.pixel(at));
            return after > before + 3 ? 1 : after < before - 3 ? -1 : 0;
        };
        QTEST(change(darkAt, dark), "darkChange");
        QTEST(change(lightAt, light), "lightChange");
    }

    void testButtonsShowSampleAndResult() {
        ToolFolderWindow f;
        MainWindow& w = f.w();
        const QString tools = f.program + "/imgmagic/";
        choose(w, true, 0, kRotate, "90");
        choose(w, false, 0, kScale, "50%");
        QVERIFY(!visibleFlag(w.ImageSource) && !visibleFlag(w.ImageTarget));
        w.TestMgkNon->click();
        QVERIFY(visibleFlag(w.ImageSource) && w.ImageSource->hasPicture());
        QVERIFY(visibleFlag(w.ImageTarget) && w.ImageTarget->hasPicture());
        QCOMPARE(QImage(tools + "ImgMgk_S.jpg").size(), QSize(300, 420));
        // The result is the user's: it never goes into the tool folder.
        QCOMPARE(QImage(f.userData() + "ImgMgk_T.jpg").size(), QSize(420, 300));
        QVERIFY(!QFile::exists(tools + "ImgMgk_T.jpg"));

        w.MagikisCopy->setChecked(true);
        w.TestMgkPar->click();
        QCOMPARE(QImage(f.userData() + "ImgMgk_ImgMgk_T.jpg").size(), QSize(150, 210));

        // A test that gives nothing says why, and never shows the result of an earlier test.
        w.lblMagikPar[0]->setText("abc");
        w.TestMgkPar->click();
        QVERIFY(!QFile::exists(f.userData() + "ImgMgk_ImgMgk_T.jpg"));
        QVERIFY(visibleFlag(w.ImageTarget) && !w.ImageTarget->hasPicture());
        QVERIFY2(w.ImageTarget->message().startsWith("La prueba no ha dado ninguna imagen") &&
                     w.ImageTarget->message().contains("abc"),
                 qPrintable(w.ImageTarget->message()));
        QFile::remove(tools + "ImgMgk_S.jpg");
        w.TestMgkNon->click();
        QVERIFY(w.ImageTarget->message().contains("No se encuentra la imagen de muestra"));
        QVERIFY(!f.scriptLeftBehind());
    }

    // No wait is endless: a convert that never ends (it waits for a pipe nobody writes into)
    // is ended with its script at the time limit; another copy of the program started from the
    // same folder shares the script's name, and its script is waited for as long, never replaced.
    void waitsAreBounded() {
        ToolFolderWindow f;
        MainWindow& w = f.w();
        const QByteArray pipe = QFile::encodeName(f.path("never.png"));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        const std::optional<ConvertTool> tool = CommandScriptRunner::findConvert(f.program);
        QVERIFY(tool);
        const CommandScript script =
            effectScript(ScriptForm::PosixShell, f.program, *tool, {{"-rotate", "90"}},
                         f.path("never.png"), f.path("out.png"));
        CommandScriptRunner& runner = w.postEffects().commandRunner();
        runner.setTimeLimitMs(1500);
        const QString problem =
            runner.run(f.program, script.text, CommandScriptRunner::Wait::ProcessingEvents);
        QVERIFY2(problem.startsWith("ImageMagick no terminó en 1.5 segundos"), qPrintable(problem));
        QVERIFY(!runner.isRunning() && !f.scriptLeftBehind() && !QFile::exists(f.path("out.png")));
        // convert went with its script (a killed process may take a moment to be gone on a
        // busy machine). Opening the pipe for writing would let it end by itself, so that only
        // comes at the end, to free a convert left behind.
        const auto release =
            qScopeGuard([&] { ::close(::open(pipe.constData(), O_WRONLY | O_NONBLOCK)); });
        QTRY_VERIFY_WITH_TIMEOUT(!processMentions(pipe), 5000);

        choose(w, true, 0, kRotate, "90");
        const QString file = writeHalves(f.path("page.png"), {200, 250}, 1, 1);
        runner.setTimeLimitMs(300);
        {
            QLockFile otherCopy(f.program + "/imgmagick.sh.lock");
            QVERIFY(otherCopy.lock());
            QVERIFY(!w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
            QCOMPARE(lines(w.ListaProceso), QStringList{"Otra copia del programa está usando " +
                                                        f.program + "/imgmagick.sh"});
        }
        QVERIFY(w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
        QCOMPARE(QImage(file).size(), QSize(250, 200));
        QVERIFY(!QFile::exists(f.program + "/imgmagick.sh.lock"));
    }

    void hostileFolderNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes and substitutions") << "a'b\"c $(touch pwned) `touch pwned`";
        QTest::newRow("line break") << "line\ntouch pwned";
        QTest::newRow("leading dash") << "-write pwned.png";
        QTest::newRow("list file and coder") << "@msl:pwned";
        QTest::newRow("frame number and patterns") << "%d %03d * ? [1]";
    }

    // The program folder (script, sample) and the temporary folder (the page's work file) named
    // to break out of quoting: the effects work on exactly the intended files and nothing else
    // appears.
    void hostileFolderNames() {
        QFETCH(QString, name);
        ToolFolderWindow f(name + " program");
        MainWindow& w = f.w();
        QVERIFY(QDir().mkpath(f.path(name + " tmp")));
        const EnvironmentChange temporary("TMP", QFile::encodeName(f.path(name + " tmp")));
        choose(w, true, 0, kRotate, "90");
        QSet<QString> expected = f.files();
        w.TestMgkNon->click();
        QVERIFY2(w.ImageTarget->hasPicture(), qPrintable(w.ImageTarget->message()));
        expected.insert(QDir(f.root()).relativeFilePath(f.userData() + "ImgMgk_T.jpg"));
        QCOMPARE(f.files(), expected);

        makeBook(f, 1, qRgb(0, 0, 255), qRgb(0, 255, 0));
        expected = f.files();
        w.CortaLote->click();
        QCOMPARE(page(f, "libro001.png").size(), QSize(250, 200));
        expected += {"scans/jpeg_big/libro001.png", "scans/jpeg_big/libro002.png",
                     "scans/jpeg_big/.pliego-cortadas"};
        QCOMPARE(f.files(), expected); // the work file does not stay behind either
    }

    // Page-number labels.

    void numberingModes_data() {
        QTest::addColumn<bool>("odd");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("labels"); // of 0001 … 0012 and cover, joined by "|"
        const auto row = [](bool odd, int mode, const char* labels) {
            QTest::addRow("%s %d", odd ? "odd" : "even", mode) << odd << mode << QString(labels);
        };
        row(true, 0, "   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|  12|");
        row(true, 1, "|   1|   2|   3|   4|   5|   6|   7|   8|   9|  10|  11|");
        row(true, 4, "||||   1|   2|   3|   4|   5|   6|   7|   8|");
        // Sheets: (2 + 1) / 2 = 1.5 goes to 2, (4 + 1) / 2 = 2.5 goes to 2 as well.
        row(true, 5, "   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|   6|");
        row(true, 6, "||   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|");
        row(true, 9, "||||||||   1|   2|   2|   2|");
        row(true, 10, "||||||||||||");
        row(true, -1, "||||||||||||");
        row(false, 5, "|   1|   2|   2|   2|   3|   4|   4|   4|   5|   6|   6|");
        row(false, 6, "|||   1|   2|   2|   2|   3|   4|   4|   4|   5|");
    }

    void numberingModes() {
        QFETCH(bool, odd);
        QFETCH(int, mode);
        ToolFolderWindow f;
        MainWindow& w = f.w();
        (odd ? w.ChkNumeroNon : w.ChkNumeroPar)->setChecked(true);
        (odd ? w.MagikNonDato : w.MagikParDato)->setListIndex(mode);
        QStringList labels;
        for (const char* name : {"0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                                 "0009", "0010", "0011", "0012", "cover"})
            labels << w.pageLabels().EtiquetaPagina(name);
        QTEST(labels.join("|"), "labels");
    }

    void pageNumbersFromNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("number");
        QTest::newRow("starting with digits") << "12abc3" << 12.0;
        QTest::newRow("leading blanks") << "  5x" << 5.0;
        QTest::newRow("a cut page") << "libro007" << 7.0;
        QTest::newRow("a page with a thumbnail") << "libro007A" << 7.0;
        QTest::newRow("the last run of digits") << "p12-3b" << 3.0;
    }

    void pageNumbersFromNames() {
        QFETCH(QString, name);
        QTEST(pageNumberOf(name), "number");
    }

    void labelTextIsFourCharacters() {
        QCOMPARE(labelText(12), "  12");
        QCOMPARE(labelText(12345), "2345");
    }

    void sidesSelectTheirPagesAndExcludeEachOther() {
        ToolFolderWindow f;
        for (const char* name : {"0001", "0002", "0003", "0004", "0005", "0006", "cover"}) {
            QFile file(f.scans + "/" + name + ".jpg");
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        MainWindow& w = f.w();
        w.Files->refresh();
        w.FiletoRenum->refresh();
        w.FiletoRenum->setRowSelected(1, true); // by hand; ticking reads the list anew
        w.ChkNumeroNon->setChecked(true);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{0, 2, 4}));
        QVERIFY(!enabledFlag(w.ChkNumeroPar) && !enabledFlag(w.MagicParFont));
        QVERIFY(enabledFlag(w.MagicNonFont) && enabledFlag(w.MagikNonDato));
        w.ChkNumeroNon->setChecked(false);
        QVERIFY(w.FiletoRenum->count() == 0 && !enabledFlag(w.FiletoRenum));
        QVERIFY(enabledFlag(w.ChkNumeroPar) && !enabledFlag(w.MagicNonFont));
        w.ChkNumeroPar->setChecked(true);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{1, 3, 5, 6})); // cover counts as 0
        QVERIFY(!enabledFlag(w.ChkNumeroNon) && enabledFlag(w.MagikParDato));

        // Another folder on the first tab: the ticked side lists its pages at once.
        const QString other = f.scans + "/otros";
        QVERIFY(QDir().mkpath(other));
        for (const char* name : {"0007.jpg", "0008.jpg", "0009.jpg", "0010.png"})
            QVERIFY(QFile(other + "/" + name).open(QIODevice::WriteOnly));
        QVERIFY(w.Dirs->setPath(other));
        QCOMPARE(w.FiletoRenum->path(), w.Dirs->path());
        QCOMPARE(w.FiletoRenum->count(), 3);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{1}));
        w.TipoOrigen->setListIndex(3); // and its type
        QCOMPARE(w.FiletoRenum->count(), 1);
        QCOMPARE(selectedRows(w.FiletoRenum), (QList<int>{0}));
    }

    // In a source folder named to break out of quoting, the test label and then each odd page's
    // label are drawn exactly where they should be; every stamped page holds, where the label
    // was placed, the picture convert draws for its number, and nothing else changes. An effect
    // test clicked while the test label is drawn (the window takes clicks meanwhile) must not
    // start a second command script.
    void labelsLandWhereTheyArePlacedEvenInAHostileFolder() {
        const QString folder = "a'b\"c $(touch pwned) `touch pwned`; & | %d * [1] -x\nz";
        NumberedBook book({"0001.png", "0002.png", "0003.png"}, folder);
        MainWindow& w = book.f.w();
        QSet<QString> expected = book.f.files();
        // Clicked from inside the label's wait, where the window takes events, and only there.
        bool clickedWhileBusy = false;
        QTimer whileBusy;
        QObject::connect(&whileBusy, &QTimer::timeout, [&] {
            if (!w.v.ProcesandoEfectos)
                return;
            whileBusy.stop();
            clickedWhileBusy = true;
            w.TestMgkNon->click();
        });
        whileBusy.start(0);
        w.cmdNumPrueba->click();
        whileBusy.stop();
        QVERIFY(clickedWhileBusy);
        QVERIFY(w.ImgPlantillaNum->HasImage());
        QVERIFY2(w.ImageTarget->message().contains("ocupado"),
                 qPrintable(w.ImageTarget->message()));
        QVERIFY(!w.v.ProcesandoEfectos);
        w.cmdNumProceso->click();
        QCOMPARE(lines(w.lstNumeracion),
                 QStringList{"2 páginas numeradas en " + book.f.scans + "/jpeg_big"});
        expected += {folder + "/watermark/test.png", folder + "/watermark/grafo.png",
                     folder + "/jpeg_big/0001.png", folder + "/jpeg_big/0003.png"};
        QCOMPARE(book.f.files(), expected);
        QVERIFY(!book.f.scriptLeftBehind());
        QCOMPARE(QImage(book.labels() + "test.png"), referenceLabel(book.f, " 146"));

        // convert draws labels black on white without antialiasing: the stamped page is the
        // white page with the reference label's pixels at (20, 30).
        QImage blank(300, 400, QImage::Format_RGB32);
        blank.fill(Qt::white);
        for (const char* number : {"1", "3"}) {
            QImage expected = blank;
            QPainter(&expected).drawImage(20, 30, referenceLabel(book.f, QString("   ") + number));
            QVERIFY(expected != blank);
            QCOMPARE(QImage(book.f.scans + "/jpeg_big/000" + number + ".png"), expected);
        }
    }

    // The numbering reads its pages from the folder its list shows, which need not be the first
    // tab's, and writes them into jpeg_big beside them; the label goes through a work file of
    // its own, whatever the temporary folder holds under the old fixed name.
    void numberedPagesGoBesideThePagesRead() {
        NumberedBook book({"0001.png"});
        MainWindow& w = book.f.w();
        const QString other = book.f.path("other");
        QDir().mkpath(other);
        QImage grey(300, 400, QImage::Format_RGB32);
        grey.fill(qRgb(120, 120, 120));
        QVERIFY(grey.save(other + "/0003.png"));
        QDir().mkpath(book.f.path("tmp/wm_num.png"));
        const EnvironmentChange temporary("TMP", QFile::encodeName(book.f.path("tmp")));
        w.FiletoRenum->setPath(other);
        w.FiletoRenum->refresh();
        QCOMPARE(w.FiletoRenum->count(), 1);
        w.FiletoRenum->setRowSelected(0, true);
        w.cmdNumProceso->click();
        QCOMPARE(lines(w.lstNumeracion),
                 QStringList{"1 páginas numeradas en " + other + "/jpeg_big"});
        QVERIFY(!QFile::exists(book.f.scans + "/jpeg_big"));
        const QImage numbered(other + "/jpeg_big/0003.png");
        QCOMPARE(numbered.size(), QSize(300, 400));
        QCOMPARE(numbered.pixel(299, 399), qRgb(120, 120, 120));
        QCOMPARE(QDir(book.f.path("tmp")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"wm_num.png"});
    }

    // An effect whose result cannot be read back (here a convert that writes garbage) leaves
    // the page as it was cut, written with a line saying why, not an empty page.
    void effectResultThatCannotBeReadKeepsThePage() {
        ToolFolderWindow f;
        const QString convert = f.program + "/imgmagic/convert";
        QFile fake(convert);
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\nfor last; do :; done\necho garbage > \"$last\"\n");
        fake.close();
        QVERIFY(fake.setPermissions(fake.permissions() | QFile::ExeOwner));
        const QRgb grey = qRgb(90, 90, 90);
        makeBook(f, 1, grey, grey);
        MainWindow& w = f.w();
        choose(w, true, 0, kRotate, "90");
        w.CortaLote->click();
        QCOMPARE(page(f, "libro001.png").size(), QSize(200, 250));
        QCOMPARE(page(f, "libro001.png").pixel(100, 125), grey);
        QCOMPARE(page(f, "libro002.png").size(), QSize(200, 250));
        const QStringList log = lines(w.ListaProceso);
        QVERIFY2(log.filter("No se puede leer el fichero").size() == 2, qPrintable(log.join('|')));
    }

    // A label that cannot be drawn (no such font) is reported and its page left as it was,
    // never stamped with an earlier page's label; a page without a number is still written.
    // Without convert, each numbering run says so once and writes nothing.
    void labelThatCannotBeDrawnLeavesThePage() {
        NumberedBook book({"0001.png", "0002.png", "0003.png", "0004.png"});
        MainWindow& w = book.f.w();
        w.ChkNumeroNon->setChecked(false);
        w.ChkNumeroPar->setChecked(true);
        w.MagicParFont->setText("nofont.ttf");
        w.MagikParDato->setListIndex(6); // Solo Pares:Exc.Portada: 0002 gets no number, 0004 1
        QDir().mkpath(book.labels());
        QFile::copy(book.f.program + "/imgmagic/ImgMgk_S.jpg", book.labels() + "grafo.png");
        w.cmdNumProceso->click();
        const QStringList log = lines(w.lstNumeracion);
        const QString noneNumbered = "0 páginas numeradas en " + book.f.scans + "/jpeg_big";
        QVERIFY2(log.size() == 2 &&
                     log[0].startsWith("No se pudo dibujar la etiqueta \"   1\": ") &&
                     log[0].contains("nofont.ttf") && log[1] == noneNumbered,
                 qPrintable(log.join('|')));
        QVERIFY(!QFile::exists(book.labels() + "grafo.png"));
        QCOMPARE(book.written(), QStringList{"0002.png"});
        QCOMPARE(QImage(book.f.scans + "/jpeg_big/0002.png").pixel(150, 200), qRgb(255, 255, 255));

        w.MagikParDato->setListIndex(0); // every even page gets a number
        QVERIFY(QFile::remove(book.f.scans + "/jpeg_big/0002.png"));
        w.lstNumeracion->clear();
        const EnvironmentChange noTools("PATH", QFile::encodeName(book.f.path("empty")));
        w.cmdNumProceso->click();
        w.cmdNumProceso->click();
        QCOMPARE(lines(w.lstNumeracion),
                 (QStringList{CommandScriptRunner::missingConvertText(), noneNumbered,
                              CommandScriptRunner::missingConvertText(), noneNumbered}));
        QCOMPARE(book.written(), QStringList());
    }

    void hostileTextRunsNothing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("fontReason");
        const QString convert = "no existe la fuente"; // no such file in the tool folder
        const QString refused = "debe ser un fichero de la carpeta imgmagic";
        QTest::newRow("single quotes") << "90'; touch pwned; '" << convert;
        QTest::newRow("substitutions") << "$(touch pwned)`touch pwned`" << convert;
        QTest::newRow("line break") << "90\ntouch pwned" << convert;
        QTest::newRow("an option of convert") << "-write pwned.png" << convert;
        QTest::newRow("another picture") << "other.png" << convert;
        QTest::newRow("a list of files") << "@list.txt" << refused;
        QTest::newRow("a coder") << "text:list.txt" << convert;
        QTest::newRow("a file elsewhere") << "../../program/imgmagic/DejaVuSans.ttf" << refused;
        QTest::newRow("an absolute path") << "/etc/passwd" << refused;
    }

    // Each text is typed as the parameter of an effect with a value (convert reads it as the
    // angle), of one without (where convert would read it as one more picture), and as the
    // labels' font, which must be a file of the tool folder. Nothing runs, no other file is read
    // into the page, no file is written, and the refusals say why. The scripts run in the
    // program folder (effects) and in its tool folder (labels), both inside the watched folder.
    void hostileTextRunsNothing() {
        QFETCH(QString, text);
        QFETCH(QString, fontReason);
        NumberedBook book({"0001.png"});
        MainWindow& w = book.f.w();
        const QString program = book.f.program + "/";
        writeHalves(program + "other.png", {200, 250}, qRgb(255, 0, 0), qRgb(255, 0, 0));
        QFile list(program + "list.txt");
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("other.png\n") == 10);
        list.close();
        const QRgb colour = qRgb(50, 200, 90);
        const QString file = writeHalves(book.f.path("page.png"), {200, 250}, colour, colour);
        const QSet<QString> before = book.f.files();
        for (int effect : {kRotate, kLessContrast}) {
            choose(w, true, 0, effect, text);
            w.postEffects().EfectosImpar(file, QString(), w.ListaProceso);
            QCOMPARE(book.f.files(), before);
            const QImage result(file);
            QCOMPARE(result.pixel(result.width() / 2, result.height() / 2), colour);
        }
        QVERIFY(lines(w.ListaProceso).last().startsWith("El efecto +contrast no lleva valor"));

        w.MagicNonFont->setText(text);
        w.cmdNumProceso->click();
        QCOMPARE(book.f.files(), before);
        const QStringList log = lines(w.lstNumeracion);
        QVERIFY2(log.size() == 2 && log[0].contains(fontReason) &&
                     log[1].startsWith("0 páginas numeradas en "),
                 qPrintable(log.join('|')));
    }
};

QTEST_MAIN(PostFxTest)
#include "test_postfx.moc"
