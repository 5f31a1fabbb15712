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
#include <QStandardPaths>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Effect rows by their position in the effect lists.
constexpr int kRotate = 1;
constexpr int kBrightnessContrast = 2;
constexpr int kMoreContrast = 3;
constexpr int kLessContrast = 4;
constexpr int kScale = 5;
constexpr int kSample = 6;

const QColor kLeft(50, 200, 90);
const QColor kRight(210, 60, 140);

bool near(QRgb pixel, const QColor& colour, int tolerance = 3) {
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

void choose(MainWindow& w, bool odd, int row, int effect, const QString& parameter) {
    (odd ? w.cbMagikNon : w.cbMagicPar)[row]->setListIndex(effect);
    (odd ? w.lblMagicNon : w.lblMagikPar)[row]->setText(parameter);
}

// PNG spreads of 800 × 500 in the scans folder, their halves of two colours, and the window set
// to cut them into PNG pages of 200 × 250 in 24-bit colour, effects on.
void makeBook(ToolFolderWindow& f, int scans, const QColor& left = kLeft,
              const QColor& right = kRight) {
    for (int i = 1; i <= scans; ++i) {
        QImage spread(800, 500, QImage::Format_RGB32);
        spread.fill(right);
        for (int y = 0; y < 500; ++y)
            for (int x = 0; x < 400; ++x)
                spread.setPixel(x, y, left.rgb());
        QVERIFY(spread.save(f.scans() + QStringLiteral("/libro%1.png").arg(i, 3, 10, QChar('0'))));
    }
    MainWindow& w = f.w();
    w.TipoOrigen->setListIndex(3);
    w.TipoGrande->setListIndex(3);
    w.ColorBw->setListIndex(5);
    w.MasMenosAnG->setValue(200);
    w.MasMenosAlG->setValue(250);
    w.AceptaConfig->click();
    for (int row = 0; row < w.LocalFiles->count(); ++row)
        w.LocalFiles->setRowSelected(row, true);
    w.CheckMagik->setChecked(true);
}

QImage page(const ToolFolderWindow& f, const QString& name) {
    return QImage(f.scans() + QStringLiteral("/jpeg_big/") + name);
}

QString writePage(const QString& path, const QColor& colour) {
    QImage image(200, 250, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Sets an environment variable for the rest of a scope.
class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const QByteArray& value)
        : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~EnvironmentChange() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

} // namespace

class PostEffectsTest : public QObject {
    Q_OBJECT
private slots:
    void rotationTurnsTheOddPagesOfABatch();
    void pagesKeepTheirOutputColourFormat();
    void effectsChangePixelsAsExpected_data();
    void effectsChangePixelsAsExpected();
    void failingParameterLeavesThePageAndIsReported();
    void missingConvertIsOneLinePerRun();
    void callWhileAnotherIsInProgressChangesNothing();
    void testButtonsShowSampleAndResult();
    void hangingConvertIsEndedAtTheTimeLimit();
    void anotherCopyOfTheProgramIsWaitedFor();
    void hostileParametersRunNothing_data();
    void hostileParametersRunNothing();
    void hostileFolderNames_data();
    void hostileFolderNames();
};

void PostEffectsTest::rotationTurnsTheOddPagesOfABatch() {
    ToolFolderWindow f;
    makeBook(f, 1);
    MainWindow& w = f.w();
    choose(w, true, 0, kRotate, QStringLiteral("90"));
    w.CortaLote->click();
    const QImage left = page(f, "libro001.png");
    const QImage right = page(f, "libro002.png");
    QCOMPARE(left.size(), QSize(250, 200));
    QCOMPARE(right.size(), QSize(200, 250));
    QVERIFY(near(left.pixel(125, 100), kLeft, 0));
    QVERIFY(near(right.pixel(100, 125), kRight, 0));
    QCOMPARE(linesOf(w.ListaProceso),
             (QStringList{"Leyendo imagen ...", "LIBRO001.PNG", "Separando imagen ...",
                          "Efectos Postproduccion ...", "Efectos Postproduccion ...",
                          "Grabando imagen ...", "libro001.png", "Grabando imagen ...",
                          "libro002.png", "** --------------- **"}));
    QVERIFY(!f.scriptLeftBehind());
}

// convert writes a grey page as a grey PNG; the page still goes out in the chosen colour format.
void PostEffectsTest::pagesKeepTheirOutputColourFormat() {
    ToolFolderWindow f;
    makeBook(f, 1, QColor(90, 90, 90), QColor(200, 200, 200));
    MainWindow& w = f.w();
    choose(w, true, 0, kRotate, QStringLiteral("180"));
    choose(w, false, 0, kRotate, QStringLiteral("180"));
    w.CortaLote->click();
    for (const char* name : {"libro001.png", "libro002.png"}) {
        const QImageReader written(f.scans() + QStringLiteral("/jpeg_big/") + name);
        QCOMPARE(written.imageFormat(), QImage::Format_RGB32);
    }
}

void PostEffectsTest::effectsChangePixelsAsExpected_data() {
    QTest::addColumn<bool>("odd");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("effect");
    QTest::addColumn<QString>("parameter");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("turn");        // where the page's dark left half went: 0, 90 or -90
    QTest::addColumn<int>("darkChange");  // -1 darker, 0 the same, 1 lighter
    QTest::addColumn<int>("lightChange"); // likewise for the light right half

    QTest::newRow("brighter, odd row 0")
        << true << 0 << kBrightnessContrast << "30x0" << QSize(200, 250) << 0 << 1 << 1;
    QTest::newRow("more contrast, even row 1")
        << false << 1 << kMoreContrast << "" << QSize(200, 250) << 0 << -1 << 1;
    QTest::newRow("less contrast, odd row 3")
        << true << 3 << kLessContrast << "" << QSize(200, 250) << 0 << 1 << -1;
    QTest::newRow("scaled, even row 2")
        << false << 2 << kScale << "50%" << QSize(100, 125) << 0 << 0 << 0;
    QTest::newRow("resampled, odd row 4")
        << true << 4 << kSample << "100x" << QSize(100, 125) << 0 << 0 << 0;
    QTest::newRow("turned clockwise by row 4 alone")
        << true << 4 << kRotate << "90" << QSize(250, 200) << 90 << 0 << 0;
    QTest::newRow("turned back by even row 4 alone")
        << false << 4 << kRotate << "-90" << QSize(250, 200) << -90 << 0 << 0;
}

void PostEffectsTest::effectsChangePixelsAsExpected() {
    QFETCH(bool, odd);
    QFETCH(int, row);
    QFETCH(int, effect);
    QFETCH(QString, parameter);
    QFETCH(int, turn);
    ToolFolderWindow f;
    MainWindow& w = f.w();
    w.CheckMagik->setChecked(true);
    choose(w, odd, row, effect, parameter);
    const int dark = 60;
    const int light = 190;
    QImage start(200, 250, QImage::Format_RGB32);
    start.fill(QColor(light, light, light));
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 100; ++x)
            start.setPixel(x, y, qRgb(dark, dark, dark));
    const QString file = f.path("page.png");
    QVERIFY(start.save(file));
    PostEffects& effects = w.postEffects();
    const bool changed = odd ? effects.EfectosImpar(file, QString(), w.ListaProceso)
                             : effects.EfectosPar(file, QString(), w.ListaProceso);
    QCOMPARE(linesOf(w.ListaProceso), QStringList());
    QVERIFY(changed);
    const QImage result(file);
    QTEST(result.size(), "size");
    const int width = result.width();
    const int height = result.height();
    QPoint darkAt(width / 4, height / 2);
    QPoint lightAt(3 * width / 4, height / 2);
    if (turn == 90) {
        darkAt = QPoint(width / 2, height / 4);
        lightAt = QPoint(width / 2, 3 * height / 4);
    } else if (turn == -90) {
        darkAt = QPoint(width / 2, 3 * height / 4);
        lightAt = QPoint(width / 2, height / 4);
    }
    const auto change = [&result](QPoint at, int before) {
        const int after = qGray(result.pixel(at));
        return after > before + 3 ? 1 : after < before - 3 ? -1 : 0;
    };
    QTEST(change(darkAt, dark), "darkChange");
    QTEST(change(lightAt, light), "lightChange");
    QVERIFY(!f.scriptLeftBehind());
}

void PostEffectsTest::failingParameterLeavesThePageAndIsReported() {
    ToolFolderWindow f;
    makeBook(f, 1);
    MainWindow& w = f.w();
    choose(w, true, 0, kRotate, QStringLiteral("abc"));
    choose(w, false, 0, kRotate, QStringLiteral("90"));
    w.CortaLote->click();
    QCOMPARE(page(f, "libro001.png").size(), QSize(200, 250));
    QVERIFY(near(page(f, "libro001.png").pixel(100, 125), kLeft, 0));
    QCOMPARE(page(f, "libro002.png").size(), QSize(250, 200));
    const QStringList log = linesOf(w.ListaProceso);
    const qsizetype effects = log.indexOf("Efectos Postproduccion ...");
    QVERIFY(effects > 0);
    QVERIFY2(log[effects + 1].startsWith("ImageMagick: ") && log[effects + 1].contains("abc"),
             qPrintable(log[effects + 1]));
    QCOMPARE(log[effects + 2], QStringLiteral("Efectos Postproduccion ..."));
    QCOMPARE(log.count("libro001.png"), 1); // the page is still written
    QVERIFY(!f.scriptLeftBehind());
}

void PostEffectsTest::missingConvertIsOneLinePerRun() {
    ToolFolderWindow f;
    makeBook(f, 2);
    MainWindow& w = f.w();
    choose(w, true, 0, kRotate, QStringLiteral("90"));
    choose(w, false, 0, kRotate, QStringLiteral("90"));
    QDir().mkpath(f.path("empty"));
    const EnvironmentChange noTools("PATH", QFile::encodeName(f.path("empty")));
    for (int run = 0; run < 2; ++run) {
        w.CortaLote->click();
        const QStringList log = linesOf(w.ListaProceso);
        QCOMPARE(log.count("Efectos Postproduccion ..."), 4);
        QCOMPARE(log.filter("No se encuentra ImageMagick").size(), 1);
        QCOMPARE(page(f, "libro003.png").size(), QSize(200, 250));
    }
}

// Only one command script exists: a call made while another is in progress runs nothing, says
// so, and leaves the other call's mark alone.
void PostEffectsTest::callWhileAnotherIsInProgressChangesNothing() {
    ToolFolderWindow f;
    MainWindow& w = f.w();
    w.CheckMagik->setChecked(true);
    choose(w, true, 0, kRotate, QStringLiteral("90"));
    const QString file = writePage(f.path("page.png"), kLeft);
    const QByteArray before = contents(file);
    w.v.ProcesandoEfectos = true;
    QVERIFY(!w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
    QCOMPARE(contents(file), before);
    QCOMPARE(linesOf(w.ListaProceso).size(), 1);
    QVERIFY(linesOf(w.ListaProceso)[0].contains("ocupado"));
    QVERIFY(w.v.ProcesandoEfectos);
}

void PostEffectsTest::testButtonsShowSampleAndResult() {
    ToolFolderWindow f;
    MainWindow& w = f.w();
    const QString tools = f.program() + QStringLiteral("/imgmagic/");
    w.CheckMagik->setChecked(true);
    choose(w, true, 0, kRotate, QStringLiteral("90"));
    choose(w, false, 0, kScale, QStringLiteral("50%"));
    QVERIFY(!visibleFlag(w.ImageSource) && !visibleFlag(w.ImageTarget));

    w.TestMgkNon->click();
    QVERIFY(visibleFlag(w.ImageSource) && w.ImageSource->hasPicture());
    QVERIFY(visibleFlag(w.ImageTarget) && w.ImageTarget->hasPicture());
    QCOMPARE(QImage(tools + "ImgMgk_S.jpg").size(), QSize(300, 420));
    QCOMPARE(QImage(tools + "ImgMgk_T.jpg").size(), QSize(420, 300));

    w.MagikisCopy->setChecked(true);
    w.TestMgkPar->click();
    QCOMPARE(QImage(tools + "ImgMgk_ImgMgk_T.jpg").size(), QSize(150, 210));
    QVERIFY(w.ImageTarget->hasPicture());

    // A test that gives nothing says why, and never shows the result of an earlier test.
    w.lblMagikPar[0]->setText(QStringLiteral("abc"));
    w.TestMgkPar->click();
    QVERIFY(!QFileInfo::exists(tools + "ImgMgk_ImgMgk_T.jpg"));
    QVERIFY(visibleFlag(w.ImageTarget) && !w.ImageTarget->hasPicture());
    QVERIFY2(w.ImageTarget->message().startsWith("La prueba no ha dado ninguna imagen") &&
                 w.ImageTarget->message().contains("abc"),
             qPrintable(w.ImageTarget->message()));

    QFile::remove(tools + "ImgMgk_S.jpg");
    w.TestMgkNon->click();
    QVERIFY(w.ImageTarget->message().contains("No se encuentra la imagen de muestra"));
    QVERIFY(!f.scriptLeftBehind());
}

// A convert that never ends (here it waits for a pipe nobody writes into) is ended with its
// script at the time limit.
void PostEffectsTest::hangingConvertIsEndedAtTheTimeLimit() {
    ToolFolderWindow f;
    MainWindow& w = f.w();
    const QString pipe = f.path("never.png");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const std::optional<ConvertTool> tool = CommandScriptRunner::findConvert(f.program());
    QVERIFY(tool);
    const CommandScript script =
        effectScript(ScriptForm::PosixShell, f.program(), *tool,
                     {{QStringLiteral("-rotate"), QStringLiteral("90")}}, pipe, f.path("out.png"));
    CommandScriptRunner& runner = w.postEffects().commandRunner();
    runner.setTimeLimitMs(1500);
    const QString problem =
        runner.run(f.program(), script.text, CommandScriptRunner::Wait::ProcessingEvents);
    QVERIFY2(problem.startsWith("ImageMagick no terminó en 1.5 segundos"), qPrintable(problem));
    QVERIFY(!runner.isRunning());
    QVERIFY(!f.scriptLeftBehind());
    QVERIFY(!QFileInfo::exists(f.path("out.png")));
    // Nobody reads the pipe any more: convert went with its script.
    const int writer = ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
    const int error = errno;
    if (writer >= 0)
        ::close(writer);
    QCOMPARE(writer, -1);
    QCOMPARE(error, ENXIO);
}

// Two copies of the program started from one folder share the script's name: the second waits
// for the first (here, for as long as the time limit) instead of replacing its script.
void PostEffectsTest::anotherCopyOfTheProgramIsWaitedFor() {
    ToolFolderWindow f;
    MainWindow& w = f.w();
    w.CheckMagik->setChecked(true);
    choose(w, true, 0, kRotate, QStringLiteral("90"));
    const QString file = writePage(f.path("page.png"), kLeft);
    w.postEffects().commandRunner().setTimeLimitMs(300);
    {
        QLockFile otherCopy(f.program() + QStringLiteral("/imgmagick.sh.lock"));
        QVERIFY(otherCopy.lock());
        QVERIFY(!w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
        QCOMPARE(QImage(file).size(), QSize(200, 250));
        QCOMPARE(linesOf(w.ListaProceso), QStringList{"Otra copia del programa está usando " +
                                                      f.program() + "/imgmagick.sh"});
    }
    QVERIFY(w.postEffects().EfectosImpar(file, QString(), w.ListaProceso));
    QCOMPARE(QImage(file).size(), QSize(250, 200));
    QVERIFY(!QFileInfo::exists(f.program() + QStringLiteral("/imgmagick.sh.lock")));
}

void PostEffectsTest::hostileParametersRunNothing_data() {
    QTest::addColumn<QString>("parameter"); // ROOT stands for the test's folder
    QTest::newRow("single quotes") << "90'; touch ROOT/pwned; '";
    QTest::newRow("double quotes") << "90\"; touch ROOT/pwned; \"";
    QTest::newRow("command substitution") << "$(touch ROOT/pwned)";
    QTest::newRow("backquotes") << "`touch ROOT/pwned`";
    QTest::newRow("semicolon") << "90; touch ROOT/pwned";
    QTest::newRow("ampersands") << "90 && touch ROOT/pwned &";
    QTest::newRow("pipe") << "90 | touch ROOT/pwned";
    QTest::newRow("line break") << "90\ntouch ROOT/pwned";
    QTest::newRow("an option of convert") << "-write ROOT/pwned.png";
    QTest::newRow("another picture") << "ROOT/other.png";
    QTest::newRow("a list of files") << "@ROOT/list.txt";
    QTest::newRow("a coder") << "text:ROOT/list.txt";
}

// Each hostile text is tried as the parameter of an effect with a value (where convert reads it
// as the rotation) and of one without (where convert would read it as one more picture). The
// page may be turned, but nothing runs and no other file is read into it or written.
void PostEffectsTest::hostileParametersRunNothing() {
    QFETCH(QString, parameter);
    ToolFolderWindow f;
    MainWindow& w = f.w();
    parameter.replace("ROOT", f.root());
    writePage(f.path("other.png"), Qt::red);
    QFile list(f.path("list.txt"));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(QFile::encodeName(f.path("other.png")) + "\n");
    list.close();
    const QString file = writePage(f.path("page.png"), kLeft);
    const QSet<QString> before = f.files();
    w.CheckMagik->setChecked(true);
    for (int effect : {kRotate, kLessContrast}) {
        choose(w, true, 0, effect, parameter);
        w.postEffects().EfectosImpar(file, QString(), w.ListaProceso);
        QCOMPARE(f.files(), before);
        const QImage result(file);
        QVERIFY(near(result.pixel(result.width() / 2, result.height() / 2), kLeft, 0));
    }
    QVERIFY(!QFileInfo::exists(f.path("pwned")));
    QVERIFY(!QFileInfo::exists(QDir::current().filePath("pwned")));
    // The effect without value refuses what was typed.
    QVERIFY(linesOf(w.ListaProceso).last().startsWith("El efecto +contrast no lleva valor"));
}

void PostEffectsTest::hostileFolderNames_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("quotes and substitutions") << "a'b\"c $(touch pwned) `touch pwned`";
    QTest::newRow("operators") << "x; touch pwned & y | z && w";
    QTest::newRow("line break") << "line\ntouch pwned";
    QTest::newRow("leading dash") << "-write pwned.png";
    QTest::newRow("list file and coder") << "@msl:pwned";
    QTest::newRow("frame number and patterns") << "%d %03d * ? [1]";
}

// The program folder (which holds the script and the sample) and the temporary folder (which
// holds the page's work file) named to break out of quoting: the effects still work on exactly
// the intended files.
void PostEffectsTest::hostileFolderNames() {
    QFETCH(QString, name);
    ToolFolderWindow f(name + QStringLiteral(" program"));
    MainWindow& w = f.w();
    QVERIFY(QDir().mkpath(f.path(name + " tmp")));
    const EnvironmentChange temporary("TMP", QFile::encodeName(f.path(name + " tmp")));
    w.CheckMagik->setChecked(true);
    choose(w, true, 0, kRotate, QStringLiteral("90"));

    QSet<QString> expected = f.files();
    w.TestMgkNon->click();
    QVERIFY2(w.ImageTarget->hasPicture(), qPrintable(w.ImageTarget->message()));
    expected.insert(name + " program/imgmagic/ImgMgk_T.jpg");
    QCOMPARE(f.files(), expected);

    makeBook(f, 1);
    expected = f.files();
    w.CortaLote->click();
    QCOMPARE(page(f, "libro001.png").size(), QSize(250, 200));
    // The page's work file does not stay behind.
    expected += {"scans/jpeg_big/libro001.png", "scans/jpeg_big/libro002.png"};
    QCOMPARE(f.files(), expected);
    QVERIFY(!QFileInfo::exists(QDir::current().filePath("pwned")));
}

#include "test_post_effects.moc"

int runPostEffectsTests(int argc, char** argv) {
    PostEffectsTest test;
    return QTest::qExec(&test, argc, argv);
}
