// Post-production effects through the real window and the machine's ImageMagick: pages of a crop
// run, the effect tests of the effects tab, failures, and hostile parameters and folder names.
#include "ToolFolderWindow.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/PictureBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "postfx/PostEffects.h"
#include "sources/FileList.h"

#include <QCheckBox>
#include <QImageReader>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Positions in the effect lists.
enum { kRotate = 1, kBrightnessContrast, kMoreContrast, kLessContrast, kScale, kSample };

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

} // namespace

class PostEffectsTest : public QObject {
    Q_OBJECT
private slots:
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
        QStringList log = linesOf(w.ListaProceso);
        QCOMPARE(log.count("Efectos Postproduccion ..."), 4);
        const QStringList failures = log.filter("ImageMagick: ");
        QVERIFY2(failures.size() == 2 && failures[0].contains("abc"), qPrintable(log.join('|')));
        QVERIFY(!f.scriptLeftBehind());

        const EnvironmentChange noTools("PATH", QFile::encodeName(f.path("empty")));
        for (int run = 0; run < 2; ++run) {
            w.CortaLote->click();
            log = linesOf(w.ListaProceso);
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
        QTest::newRow("scaled, even row 2")
            << false << 2 << int(kScale) << "50%" << QSize(100, 125) << 0 << 0 << 0;
        QTest::newRow("resampled, odd row 4")
            << true << 4 << int(kSample) << "100x" << QSize(100, 125) << 0 << 0 << 0;
        QTest::newRow("turned clockwise by odd row 4 alone")
            << true << 4 << int(kRotate) << "90" << QSize(250, 200) << 90 << 0 << 0;
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
        QCOMPARE(QImage(tools + "ImgMgk_T.jpg").size(), QSize(420, 300));

        w.MagikisCopy->setChecked(true);
        w.TestMgkPar->click();
        QCOMPARE(QImage(tools + "ImgMgk_ImgMgk_T.jpg").size(), QSize(150, 210));

        // A test that gives nothing says why, and never shows the result of an earlier test.
        w.lblMagikPar[0]->setText("abc");
        w.TestMgkPar->click();
        QVERIFY(!QFile::exists(tools + "ImgMgk_ImgMgk_T.jpg"));
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
            QCOMPARE(linesOf(w.ListaProceso), QStringList{"Otra copia del programa está usando " +
                                                          f.program + "/imgmagick.sh"});
        }
        QVERIFY(w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
        QCOMPARE(QImage(file).size(), QSize(250, 200));
        QVERIFY(!QFile::exists(f.program + "/imgmagick.sh.lock"));
    }

    void hostileParametersRunNothing_data() {
        QTest::addColumn<QString>("parameter"); // ROOT stands for the test's folder
        QTest::newRow("single quotes") << "90'; touch ROOT/pwned; '";
        QTest::newRow("double quotes") << "90\"; touch ROOT/pwned; \"";
        QTest::newRow("substitutions") << "$(touch ROOT/pwned)`touch ROOT/pwned`";
        QTest::newRow("operators")
            << "90; touch ROOT/pwned && touch ROOT/pwned | touch ROOT/pwned &";
        QTest::newRow("line break") << "90\ntouch ROOT/pwned";
        QTest::newRow("an option of convert") << "-write ROOT/pwned.png";
        QTest::newRow("another picture") << "ROOT/other.png";
        QTest::newRow("a list of files") << "@ROOT/list.txt";
        QTest::newRow("a coder") << "text:ROOT/list.txt";
    }

    // Each text is tried as the parameter of an effect with a value (convert reads it as the
    // angle) and of one without (where convert would read it as one more picture). The page may
    // be turned, but nothing runs and no other file is read into it or written.
    void hostileParametersRunNothing() {
        QFETCH(QString, parameter);
        ToolFolderWindow f;
        MainWindow& w = f.w();
        parameter.replace("ROOT", f.root());
        writeHalves(f.path("other.png"), {200, 250}, qRgb(255, 0, 0), qRgb(255, 0, 0));
        QFile list(f.path("list.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(QFile::encodeName(f.path("other.png")) + "\n");
        list.close();
        const QRgb colour = qRgb(50, 200, 90);
        const QString file = writeHalves(f.path("page.png"), {200, 250}, colour, colour);
        const QSet<QString> before = f.files();
        for (int effect : {kRotate, kLessContrast}) {
            choose(w, true, 0, effect, parameter);
            w.postEffects().EfectosImpar(file, QString(), w.ListaProceso);
            QCOMPARE(f.files(), before);
            const QImage result(file);
            QCOMPARE(result.pixel(result.width() / 2, result.height() / 2), colour);
        }
        QVERIFY(linesOf(w.ListaProceso).last().startsWith("El efecto +contrast no lleva valor"));
    }

    void hostileFolderNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("quotes and substitutions") << "a'b\"c $(touch pwned) `touch pwned`";
        QTest::newRow("operators") << "x; touch pwned & y | z && w";
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
        expected.insert(name + " program/imgmagic/ImgMgk_T.jpg");
        QCOMPARE(f.files(), expected);

        makeBook(f, 1, qRgb(0, 0, 255), qRgb(0, 255, 0));
        expected = f.files();
        w.CortaLote->click();
        QCOMPARE(page(f, "libro001.png").size(), QSize(250, 200));
        expected += {"scans/jpeg_big/libro001.png", "scans/jpeg_big/libro002.png"};
        QCOMPARE(f.files(), expected); // the work file does not stay behind either
    }
};

#include "test_post_effects.moc"

int runPostEffectsTests(int argc, char** argv) {
    PostEffectsTest test;
    return QTest::qExec(&test, argc, argv);
}
