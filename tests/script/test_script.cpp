// The script language on the real window: parsing, each statement kind, the refusals, `when`.
#include "WindowFixture.h"

#include "app/ImageBox.h"
#include "app/ProgressList.h"
#include "script/ScriptParser.h"
#include "script/ScriptRunner.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {

struct Run {
    int status = -1;
    QStringList out;
    QStringList err;
    QList<int> aborts;
};

// Runs a script on the window through the event loop, as the program does.
Run runScript(MainWindow& w, const QString& text) {
    Run run;
    ScriptRunner runner(
        w, [&run](const QString& line) { run.out << line; },
        [&run](const QString& line) { run.err << line; });
    runner.setAbortHandler([&run](int status) { run.aborts << status; });
    if (!runner.load(text)) {
        run.status = runner.status();
        return run;
    }
    QEventLoop loop;
    QObject::connect(&runner, &ScriptRunner::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    runner.start();
    loop.exec();
    run.status = runner.isFinished() ? runner.status() : -1;
    return run;
}

// Events that reach a widget, as "type button buttons x y".
class EventLog : public QObject {
public:
    QStringList events;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove ||
            event->type() == QEvent::MouseButtonRelease ||
            event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            events << QStringLiteral("%1 %2 %3 %4 %5")
                          .arg(int(event->type()))
                          .arg(int(mouse->button()))
                          .arg(int(mouse->buttons()))
                          .arg(mouse->position().x())
                          .arg(mouse->position().y());
        }
        return false;
    }
};

} // namespace

class ScriptTest : public QObject {
    Q_OBJECT
private slots:
    void words_data();
    void words();
    void parseFaults_data();
    void parseFaults();
    void refusals_data();
    void refusals();
    void prints_data();
    void prints();
    void statementsRunTheWindowsHandlers();
    void listsRowsAndSelection();
    void whenRunsAtTheNextYieldOfARun();
    void failedQueuedStatementStopsEverything();
    void pointerDeliversMouseEvents();
    void saveWritesTheBoxImage();
};

void ScriptTest::words_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QString>("fault");
    const QStringList none;
    QTest::newRow("blanks") << "  set\tA   b " << QStringList{"set", "A", "b"} << QString();
    QTest::newRow("quoted") << R"(set A "b  c")" << QStringList{"set", "A", "b  c"} << QString();
    QTest::newRow("escapes") << R"(print "a \"q\" \\ d")" << QStringList{"print", R"(a "q" \ d)"}
                             << QString();
    QTest::newRow("other backslash kept")
        << R"(set Dirs "C:\scans\x" C:\y)" << QStringList{"set", "Dirs", R"(C:\scans\x)", R"(C:\y)"}
        << QString();
    QTest::newRow("empty word") << R"(set T "")" << QStringList{"set", "T", ""} << QString();
    QTest::newRow("unterminated") << R"(set T "abc)" << none << "unterminated";
    QTest::newRow("quote inside") << R"(set T ab"c")" << none << "only open a word";
    QTest::newRow("text after quote") << R"(set T "ab"c)" << none << "must end its word";
    QTest::newRow("open variable") << "set T ${HOME" << none << "missing '}'";
}

void ScriptTest::words() {
    QFETCH(QString, line);
    QFETCH(QStringList, words);
    QFETCH(QString, fault);
    QString error;
    const std::optional<QStringList> split = splitScriptWords(line, &error);
    if (fault.isEmpty()) {
        QVERIFY2(split, qPrintable(error));
        QCOMPARE(*split, words);
    } else {
        QVERIFY(!split);
        QVERIFY2(error.contains(fault), qPrintable(error));
    }
}

void ScriptTest::parseFaults_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fault");
    QTest::newRow("comments and blanks count") << "\n# note\n  #x\n\t\nfrob X\n"
                                               << 5 << "unknown statement 'frob'";
    QTest::newRow("crlf") << "print A\r\nset A\r\n" << 2 << "expected: set NAME VALUE";
    QTest::newRow("too many") << "click A 1 2" << 1 << "expected: click NAME [ROW]";
    QTest::newRow("pointer action") << "pointer Imagen drag 1 0 0" << 1 << "pointer action";
    QTest::newRow("no button down") << "pointer Imagen down 0 0 0" << 1 << "pointer button";
    QTest::newRow("coordinate") << "pointer Imagen move 1 a 0" << 1 << "must be a number";
    QTest::newRow("when list") << R"(when lstTree "x" 1 click A)" << 1 << "when watches";
    QTest::newRow("when count") << "when ListaProceso x 0 click A" << 1 << "count of 1 or more";
    QTest::newRow("when statement") << "when ListaProceso x 1 frob" << 1 << "unknown statement";
    QTest::newRow("select alone") << "select L all 1" << 1 << "stand alone";
    QTest::newRow("index") << "print A.List[x]" << 1 << "must be a row";
    QTest::newRow("no name") << "print .Value" << 1 << "missing name";
    QTest::newRow("verbs are lower case") << "Print A" << 1 << "unknown statement 'Print'";
}

void ScriptTest::parseFaults() {
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(QString, fault);
    const ParsedScript parsed = parseScript(text);
    QVERIFY(parsed.error);
    QCOMPARE(parsed.error->line, line);
    QVERIFY2(parsed.error->reason.contains(fault), qPrintable(parsed.error->reason));
}

void ScriptTest::refusals_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("firstRan"); // false: refused before anything ran
    const auto row = [](const char* name, const char* statement, const char* reason, bool ran) {
        QTest::newRow(name) << QString::fromUtf8(statement) << QString::fromUtf8(reason) << ran;
    };
    row("unknown control", "set NoSuchControl 1", "unknown control 'NoSuchControl'", false);
    row("case slip", "click hacermini", "did you mean HacerMini?", false);
    row("working value", "set ProcesoCancelado 1", "working value", false);
    row("unknown print", "print Nada", "unknown control or value 'Nada'", false);
    row("tab control", "set SSTab1 1", "use 'tab N'", false);
    row("disabled", "click cmdLoadTree", "cmdLoadTree is disabled", true);
    row("hidden", "click Cancelar", "Cancelar is hidden", true);
    row("disabled tab", "click cmdICorte", "on tab 4, which is disabled", true);
    row("tab disabled", "tab 5", "tab 5 is disabled", true);
    row("no such tab", "tab 9", "SSTab1 has no tab 9", true);
    row("slider range", "set UpDownQuality 101", "from 0 to 100", true);
    row("slider kind", "set UpDownQuality 5.5", "from 0 to 100", true);
    row("check box", "set NoReducir 2", "0 or 1", true);
    row("option button", "set Interactivo 1\nset optIzquierda 0", "only be set to 1", true);
    row("combo row", "set ColorBw 6", "ColorBw has no row 6", true);
    row("fixed choice", "set ColorBw \"Colores raros\"",
        "ColorBw takes only one of its rows, not 'Colores raros'", true);
    row("folder", "set Dirs /no/such/folder", "cannot open folder", true);
    row("file", "set Files z.jpg", "lists no file 'z.jpg'", true);
    row("label", "set Label7 x", "no value an operator can set", true);
    row("slider click", "click UpDownQuality", "cannot be clicked", true);
    row("up-down arrow", "click MasMenosAlG left", "'up' or 'down'", true);
    row("list needs row", "click Files", "name the row", true);
    row("row number", "click Files 7", "Files has no row 7", true);
    row("not a list", "dblclick AceptaConfig 0", "is not a list", true);
    row("single selection", "select Files all", "multiple selection", true);
    row("property", "print AltoGrande.Value", "has no property 'Value'", true);
    row("tab index", "print SSTab1.TabEnabled", "needs a tab number", true);
    row("list index", "print TipoOrigen.List[9]", "has no row 9", true);
    row("empty box", "save Imagen /tmp/none.png", "Imagen holds no image", true);
    row("outside box", "pointer Imagen down 1 9999 5", "is outside it", true);
    row("not a box", "pointer Label7 down 1 1 1", "not an image box", true);
}

// A refused statement: status 2, one report naming its line, nothing after it runs.
void ScriptTest::refusals() {
    QFETCH(QString, statement);
    QFETCH(QString, reason);
    QFETCH(bool, firstRan);
    const int line = 2 + int(statement.count('\n')); // the last line of `statement`
    WindowFixture f;
    MainWindow& w = *f.window;
    const Run run =
        runScript(w, "click HacerMini\n" + statement + "\nclick ChkSepara2Img\nprint HacerMini\n");
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err.size(), 1);
    QVERIFY2(run.err[0].startsWith(QStringLiteral("pliego: line %1: ").arg(line)) &&
                 run.err[0].contains(reason),
             qPrintable(run.err[0]));
    QCOMPARE(w.HacerMini->isChecked(), firstRan);
    QVERIFY(w.ChkSepara2Img->isChecked());
    QVERIFY(run.out.isEmpty());
}

void ScriptTest::prints_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("option") << "print optIzquierda.Value"
                            << QStringList{"optIzquierda.Value = True"};
    QTest::newRow("control characters")
        << "print Cancelar.Caption" << QStringList{R"(Cancelar.Caption = \rCancelar Proceso)"};
    QTest::newRow("array element")
        << "print cbMagikNon(2).Enabled" << QStringList{"cbMagikNon(2).Enabled = False"};
    QTest::newRow("no position") << "print FormatoWM.ListIndex"
                                 << QStringList{"FormatoWM.ListIndex = -1"};
    QTest::newRow("one row") << "print ColorBw.List[5]"
                             << QStringList{"ColorBw.List[5] = Color Verdadero 24 bits (16 "
                                            "millones)"};
    QTest::newRow("number") << "print HimetricPorPixel" << QStringList{"HimetricPorPixel = 26.455"};
    QTest::newRow("15 digits") << "print ProporcionPagina"
                               << QStringList{"ProporcionPagina = 0.725469728601253"};
    QTest::newRow("single") << "print NumPaginas" << QStringList{"NumPaginas = 2"};
    QTest::newRow("text") << "print PaginaActiva" << QStringList{"PaginaActiva = i"};
    QTest::newRow("tab caption") << "print SSTab1.TabCaption[7]"
                                 << QStringList{"SSTab1.TabCaption[7] = Numeración Páginas"};
    QTest::newRow("image box") << "print Imagen" << QStringList{"Imagen = False"};
}

void ScriptTest::prints() {
    QFETCH(QString, statement);
    QFETCH(QStringList, lines);
    WindowFixture f;
    const Run run = runScript(*f.window, statement);
    QCOMPARE(run.err, QStringList());
    QCOMPARE(run.out, lines);
    QCOMPARE(run.status, 0);
}

void ScriptTest::statementsRunTheWindowsHandlers() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QImage scan(8, 6, QImage::Format_RGB32);
    scan.fill(Qt::white);
    const QString file = f.path("scan.png");
    QVERIFY(scan.save(file));
    QVERIFY(w.ImagenGrande->LoadFromFile(file));

    const Run run = runScript(w, R"(# the scanned size kept: the page size is not asked for
set NoReducir 1
print AltoGrande.Enabled
set NoReducir 0
set MasMenosAlG 1200
click MasMenosAlG up
print AltoGrande
set TipoGrande "Imágenes PNG"
print TipoGrande.ListIndex
set TipoGrande "otra cosa"
print TipoGrande.ListIndex
set AnchoGrande "  7 0 0 "
print AnchoGrande.Text
tab 3
print SSTab1.Tab
set Interactivo 1
set optDerecha 1
print optIzquierda
)");
    QCOMPARE(run.err, QStringList());
    QCOMPARE(run.out, (QStringList{"AltoGrande.Enabled = False", "AltoGrande = 1201",
                                   "TipoGrande.ListIndex = 3", "TipoGrande.ListIndex = -1",
                                   "AnchoGrande.Text =   7 0 0 ", "SSTab1.Tab = 3",
                                   "optIzquierda = False"}));
    QCOMPARE(run.status, 0);
    // The window was closed as a person closes it: its unload handler emptied the scan.
    QVERIFY(!w.ImagenGrande->HasImage());
}

void ScriptTest::listsRowsAndSelection() {
    WindowFixture f({}, {"a.jpg", "b.jpg", "c.jpg"});
    QVERIFY(QDir(f.scansFolder()).mkdir("sub"));
    MainWindow& w = *f.window;
    w.Dirs->refresh();
    const Run run = runScript(w, R"(set Files b.jpg
print Files
click Files 2
print Files.ListIndex
select LocalFiles all
print LocalFiles.Selected
select LocalFiles c.jpg 0
print LocalFiles.Selected
select LocalFiles none
print LocalFiles.Selected
dblclick Dirs sub
print Dirs.Path
)");
    QCOMPARE(run.err, QStringList());
    QCOMPARE(run.out,
             (QStringList{"Files = b.jpg", "Files.ListIndex = 2", "LocalFiles.Selected = 0 1 2",
                          "LocalFiles.Selected = 0 2", "LocalFiles.Selected = ",
                          "Dirs.Path = " +
                              QDir::toNativeSeparators(QDir(f.scansFolder()).filePath("sub"))}));
}

// A stand-in for a batch: for each of three scans it yields to pending events and logs
// "Leyendo imagen ...", noting the state of HacerMini before and after each line.
static void connectBatch(MainWindow& w, QList<bool>& ticked) {
    QObject::connect(w.UpDownQuality, &QSlider::valueChanged, &w, [&w, &ticked] {
        for (int scan = 0; scan < 3; ++scan) {
            QCoreApplication::processEvents();
            ticked << w.HacerMini->isChecked();
            w.ListaProceso->appendLine(QStringLiteral("Leyendo imagen ..."));
            ticked << w.HacerMini->isChecked();
        }
    });
}

void ScriptTest::whenRunsAtTheNextYieldOfARun() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QList<bool> ticked;
    connectBatch(w, ticked);
    const Run run = runScript(w, R"(when ListaProceso "Leyendo imagen ..." 2 click HacerMini
set UpDownQuality 60
print HacerMini
)");
    QCOMPARE(run.err, QStringList());
    QCOMPARE(run.status, 0);
    // Not at the append itself: at the yield after it.
    QCOMPARE(ticked, (QList<bool>{false, false, false, false, true, true}));
    QCOMPARE(run.out,
             (QStringList{"ListaProceso: Leyendo imagen ...", "ListaProceso: Leyendo imagen ...",
                          "ListaProceso: Leyendo imagen ...", "HacerMini = 1"}));
}

void ScriptTest::failedQueuedStatementStopsEverything() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QList<bool> ticked;
    connectBatch(w, ticked);
    const Run run = runScript(w, R"(when ListaProceso "Leyendo imagen ..." 1 click cmdLoadTree
when ListaProceso "Leyendo imagen ..." 2 click HacerMini
set UpDownQuality 60
click NoReducir
)");
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err, QStringList{"pliego: line 1: cmdLoadTree is disabled"});
    // Inside the run the program is stopped at once; nothing queued or later runs.
    QCOMPARE(run.aborts, QList<int>{2});
    QVERIFY(!ticked.contains(true));
    QVERIFY(!w.NoReducir->isChecked());
}

void ScriptTest::pointerDeliversMouseEvents() {
    WindowFixture f;
    MainWindow& w = *f.window;
    EventLog log;
    w.Imagen->installEventFilter(&log);
    QSignalSpy downs(w.Imagen, &ImageBox::MouseDown);
    QSignalSpy doubles(w.Imagen, &ImageBox::DblClick);
    const Run run = runScript(w, R"(pointer Imagen down 1 10 20
pointer Imagen move 1 30.5 40
pointer Imagen up 1 30.5 40
pointer Imagen move 0 3 4
pointer Imagen dblclick 2 5 6
)");
    QCOMPARE(run.err, QStringList());
    // A move without a button reaches a box only when it tracks the pointer, as for a person.
    const QStringList expected = {"2 1 1 10 20", "5 0 1 30.5 40", "3 1 0 30.5 40", "2 2 2 5 6",
                                  "3 2 0 5 6",   "4 2 2 5 6",     "3 2 0 5 6"};
    QCOMPARE(log.events, expected);
    QVERIFY(downs.count() >= 1);
    QCOMPARE(downs.first().value(0).toInt(), 1);
    QCOMPARE(downs.first().value(2).toFloat(), 10.0f);
    QCOMPARE(downs.first().value(3).toFloat(), 20.0f);
    QCOMPARE(doubles.count(), 1);
}

void ScriptTest::saveWritesTheBoxImage() {
    WindowFixture f;
    MainWindow& w = *f.window;
    QImage scan(40, 30, QImage::Format_RGB32);
    scan.fill(Qt::darkGreen);
    QVERIFY(scan.save(f.path("in.png")));
    QVERIFY(w.Imagen->LoadFromFile(f.path("in.png")));
    const QString out = f.path("out.png");
    const Run run =
        runScript(w, "print Imagen.ImageWidth\nsave Imagen \"" + out +
                         "\"\nsave Imagen /no/such/folder/x.png\nprint Imagen.ImageHeight\n");
    QCOMPARE(run.out, QStringList{"Imagen.ImageWidth = 40"});
    QCOMPARE(run.status, 2);
    QCOMPARE(run.err.size(), 1);
    QVERIFY2(run.err[0].startsWith("pliego: line 3: cannot save '/no/such/folder/x.png'"),
             qPrintable(run.err[0]));
    QCOMPARE(QImage(out).size(), QSize(40, 30));
}

QTEST_MAIN(ScriptTest)
#include "test_script.moc"
