// The interactive crop tab over the real window, and the dark-margin trimming of its pages.
#include "CropTestPages.h"
#include "WindowFixture.h"

#include "app/ClickLabel.h"
#include "app/ComboBox.h"
#include "app/ImageBox.h"
#include "app/InteractiveCrop.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "crop/MarginTrim.h"
#include "sources/FileList.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

namespace {

// A window on the interactive tab over PNG spreads libro001.png …, pages of 200 × 250 in 24-bit
// colour: at full width each page rectangle takes exactly half a spread, and the right one is
// put on the right half.
struct InteractiveBook {
    // `firstScan`, when given, takes the place of the first spread.
    explicit InteractiveBook(int scans = 3, bool twoPages = true, const QImage& firstScan = {})
        : fixture({}, {}) {
        for (int i = 1; i <= scans; ++i) {
            const QString path =
                fixture.path(QStringLiteral("scans/libro%1.png").arg(i, 3, 10, QChar('0')));
            if (i == 1 && !firstScan.isNull())
                QVERIFY(firstScan.save(path));
            else
                writeSpread(path, i);
        }
        MainWindow& w = window();
        w.TipoOrigen->setListIndex(3);
        w.TipoGrande->setListIndex(3);
        w.TipoPeque->setListIndex(3);
        w.ColorBw->setListIndex(5);
        w.MasMenosAnG->setValue(200);
        w.MasMenosAlG->setValue(250);
        w.ChkSepara2Img->setChecked(twoPages);
        w.Interactivo->setChecked(true);
        w.AceptaConfig->click();
        w.v.MargenDch2 = 400;
        w.v.MargenDch2Manual = true;
    }
    MainWindow& window() { return *fixture.window; }
    QString scans() const { return fixture.scansFolder(); }
    QString big() const { return fixture.path("scans/jpeg_big"); }
    QImage page(const QString& name) const {
        return QImage(fixture.path("scans/jpeg_big/" + name));
    }
    void select(std::initializer_list<int> rows) {
        for (int row : rows)
            window().LocalFiles2->setRowSelected(row, true);
    }
    // The tree list as a folder-tree scan fills it.
    void queue(const QStringList& paths) {
        window().chkSubTree->setChecked(true);
        for (const QString& path : paths) {
            window().lstTree->addItem(path);
            window().lstTreeAuto->addItem(path);
        }
    }
    WindowFixture fixture;
};

// A page of `size` on `paper`, with dark bands of the given widths along its edges.
struct MarginedPage {
    QSize size;
    QColor paper;
    QColor margin;
    int left, top, right, bottom;
};

} // namespace
Q_DECLARE_METATYPE(MarginedPage)
namespace {

QImage drawPage(const MarginedPage& p) {
    QImage image(p.size, QImage::Format_RGB32);
    image.fill(p.margin);
    for (int y = p.top; y < p.size.height() - p.bottom; ++y)
        for (int x = p.left; x < p.size.width() - p.right; ++x)
            image.setPixel(x, y, p.paper.rgb());
    return image;
}

bool loadInto(Picture& box, const QImage& image, const QString& folder) {
    const QString file = folder + QStringLiteral("/page.png");
    return image.save(file) && box.LoadFromFile(file);
}

} // namespace

class InteractiveCropTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ImageBox::clearClipboardSlot(); }
    void contentRectangle_data();
    void contentRectangle();
    void cutButtonLoadsFirstThenCutsLeftAndRightPages();
    void pagesTakeTheNameOfTheScanOnScreenAfterAClickOnAnotherRow();
    void rightPageStartsPastTheMiddleAndStaysInsideTheScan();
    void alternatePagesOverOnePageScans();
    void testWritesNothingUntilContinue();
    void rotationIsAppliedOnceAndIgnoredByTheBatch();
    void stopDuringABatch_data();
    void stopDuringABatch();
    void batchStartedWhileStoppedProcessesNothing();
    void cutInTreeModeLoadsAnEntryThatIsNotOnScreen();
    void darkScannerMarginsAreTrimmedToTheContent();
    void distortionKeepsTheSelectionsSize();
    void emptySelectionIsRefused();
    void unreadableScanIsSkipped();
};

void InteractiveCropTest::contentRectangle_data() {
    QTest::addColumn<MarginedPage>("page");
    QTest::addColumn<int>("tolerance");
    QTest::addColumn<QRect>("expected");
    const QSize size(90, 120);
    const QColor paper(240, 235, 220), black(0, 0, 0), darkGrey(30, 30, 30);
    QTest::newRow("clean page kept whole")
        << MarginedPage{size, paper, paper, 0, 0, 0, 0} << 50 << QRect(0, 0, 90, 120);
    QTest::newRow("black margins trimmed")
        << MarginedPage{size, paper, black, 5, 7, 11, 13} << 50 << QRect(5, 7, 74, 100);
    QTest::newRow("tolerance 0 keeps a dark grey margin")
        << MarginedPage{size, paper, darkGrey, 5, 7, 11, 13} << 0 << QRect(0, 0, 90, 120);
    QTest::newRow("tolerance 0 takes pure black")
        << MarginedPage{size, paper, black, 5, 7, 11, 13} << 0 << QRect(5, 7, 74, 100);
    QTest::newRow("tolerance 255 keeps the page whole")
        << MarginedPage{size, paper, black, 5, 7, 11, 13} << 255 << QRect(0, 0, 90, 120);
    QTest::newRow("an all-dark page is kept whole")
        << MarginedPage{size, black, black, 0, 0, 0, 0} << 50 << QRect(0, 0, 90, 120);
}

void InteractiveCropTest::contentRectangle() {
    QFETCH(MarginedPage, page);
    QFETCH(int, tolerance);
    QFETCH(QRect, expected);
    QTemporaryDir folder;
    Picture box;
    QVERIFY(loadInto(box, drawPage(page), folder.path()));
    QCOMPARE(::contentRectangle(box, tolerance), expected);
    QVERIFY(trimDarkMargins(box, tolerance));
    QCOMPARE(QSize(box.ImageWidth(), box.ImageHeight()), expected.size());
}

// Probes whose lines miss a partial band leave it on the page: a band across half the top is
// crossed by only one of the two top probes, and the other finds paper at the first row.
void InteractiveCropTest::darkScannerMarginsAreTrimmedToTheContent() {
    QTemporaryDir folder;
    {
        Picture box;
        QImage image = drawPage({QSize(90, 120), QColor(240, 235, 220), Qt::black, 0, 0, 0, 0});
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 45; ++x)
                image.setPixel(x, y, qRgb(0, 0, 0));
        QVERIFY(loadInto(box, image, folder.path()));
        QCOMPARE(::contentRectangle(box, 50), QRect(0, 0, 90, 120));
    }

    // A one-page scan with a dark scanner lid around the paper, cut at full size: the written
    // page is the paper, to within two pixels on every side.
    InteractiveBook book(
        1, false,
        drawPage({QSize(400, 500), QColor(240, 235, 220), QColor(20, 20, 22), 24, 30, 40, 50}));
    MainWindow& w = book.window();
    book.select({0});
    w.cmdICLote->click();
    const QImage page = book.page("libro001.png");
    QVERIFY(!page.isNull());
    // The page is 200 × 250 from a 400 × 500 scan: half size.
    const QSize paper(qRound((400 - 24 - 40) / 2.0), qRound((500 - 30 - 50) / 2.0));
    QVERIFY2(qAbs(page.width() - paper.width()) <= 2, qPrintable(QString::number(page.width())));
    QVERIFY2(qAbs(page.height() - paper.height()) <= 2, qPrintable(QString::number(page.height())));

    // Grey output: the probes read the converted page.
    QDir(book.big()).removeRecursively();
    w.ColorBw->setListIndex(2);
    book.select({0});
    w.cmdICLote->click();
    QCOMPARE(book.page("libro001.png").size(), page.size());
}

void InteractiveCropTest::cutButtonLoadsFirstThenCutsLeftAndRightPages() {
    InteractiveBook book(2);
    MainWindow& w = book.window();
    book.select({0, 1});
    w.cmdICorte->click();
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.png"));
    QVERIFY(!lines(w.lstActividad).contains("Recortando imagen ..."));
    QVERIFY(!QDir(book.big()).exists());

    w.optIzquierda->setChecked(true);
    w.lstActividad->clear();
    w.cmdICorte->click();
    QCOMPARE(filesIn(book.big()), (QStringList{"libro001.png", "libro002.png"}));
    QVERIFY(near(book.page("libro001.png").pixel(100, 100), leftColour(1)));
    QVERIFY(near(book.page("libro002.png").pixel(100, 100), rightColour(1)));
    QCOMPARE(book.page("libro001.png").size(), QSize(200, 250));
    // Only folders that receive a file are made.
    QCOMPARE(QDir(book.big()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    QVERIFY(!QDir(book.scans() + "/jpeg_small").exists());
    const QStringList log = lines(w.lstActividad);
    const QStringList cutBlock = {
        "Procesando Imagen ...", "Recortando imagen ...", "libro001.png", "Grabando imagen ...",
        "libro001.png",          "Recortando imagen ...", "libro002.png", "Grabando imagen ...",
        "libro002.png",          "** --------------- **"};
    QCOMPARE(log.mid(0, cutBlock.size()), cutBlock);
    // The next scan is on screen, its side taken from the option buttons again.
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro002.png"));
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("i"));
    QVERIFY(!w.LocalFiles2->isRowSelected(0));
    QVERIFY(w.LocalFiles2->isRowSelected(1));
}

// The operator double-clicks the first scan (it comes on screen), then Ctrl-clicks the second,
// as with the mouse: the click's handler makes the second the current file, but the scan cut is
// the one on screen and its pages take its name.
void InteractiveCropTest::pagesTakeTheNameOfTheScanOnScreenAfterAClickOnAnotherRow() {
    InteractiveBook book(2);
    MainWindow& w = book.window();
    w.show();
    FileList* list = w.LocalFiles2;
    const auto rowAt = [list](int row) { return list->visualItemRect(list->item(row)).center(); };
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowAt(0));
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.png"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowAt(1));
    QCOMPARE(w.v.FicheroActual, QStringLiteral("libro002.png"));
    QVERIFY(list->isRowSelected(0) && list->isRowSelected(1));

    w.cmdICorte->click();
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro002.png"));
    w.cmdICorte->click();
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro003.png", "libro004.png"}));
    QVERIFY(near(book.page("libro001.png").pixel(100, 100), leftColour(1)));
    QVERIFY(near(book.page("libro002.png").pixel(100, 100), rightColour(1)));
    QVERIFY(near(book.page("libro003.png").pixel(100, 100), leftColour(2)));
    QVERIFY(near(book.page("libro004.png").pixel(100, 100), rightColour(2)));
}

// Untouched, the right page's rectangle starts one pixel past the middle of the spread; moved
// or widened by hand, it never leaves the scan.
void InteractiveCropTest::rightPageStartsPastTheMiddleAndStaysInsideTheScan() {
    InteractiveBook book(1);
    MainWindow& w = book.window();
    w.v.MargenDch2Manual = false;
    book.select({0});
    w.cmdICorte->click(); // loads the 800-pixel-wide spread
    // One pixel past the middle would take a half-width page one pixel off the scan.
    QCOMPARE(w.v.AnchoSeleccion2d, 400.0);
    QCOMPARE(w.v.MargenDch2, 400.0);
    QVERIFY(!w.v.MargenDch2Manual);
    QCOMPARE(w.v.PaginaActiva, QStringLiteral("i"));
    w.cmdICorte->click();
    QVERIFY(near(book.page("libro001.png").pixel(100, 100), leftColour(1)));
    QVERIFY(near(book.page("libro002.png").pixel(100, 100), rightColour(1)));

    const auto inside = [&w] {
        return w.v.MargenIzq2 + w.v.AnchoSeleccion2i <= 800 &&
               w.v.MargenDch2 + w.v.AnchoSeleccion2d <= 800 && w.v.AnchoSeleccion2d > 0;
    };
    book.select({0});
    w.cmdICorte->click();
    w.optDerecha->setChecked(true);
    w.UpDownd2->setValue(w.UpDownd2->maximum() + 100);
    QVERIFY(inside());
    QCOMPARE(w.UpDownd2->value(), qRound(w.v.MargenDch2));
    w.SelectionWidth2d->setValue(w.SelectionWidth2d->maximum());
    w.UpDowni2->setValue(10000);
    QVERIFY2(inside(),
             qPrintable(QString("%1 + %2").arg(w.v.MargenDch2).arg(w.v.AnchoSeleccion2d)));
}

void InteractiveCropTest::alternatePagesOverOnePageScans() {
    InteractiveBook book(3, false);
    MainWindow& w = book.window();
    w.HacerMini->setChecked(true);
    w.chkAlternatepages->setChecked(true);
    w.optIzquierda->setChecked(true);
    book.select({0, 1, 2});
    w.cmdICLote->click();
    QCOMPARE(filesIn(book.big()), (QStringList{"libro001A.png", "libro002A.png", "libro003A.png"}));
    QVERIFY(near(book.page("libro001A.png").pixel(100, 100), leftColour(1)));
    QVERIFY(near(book.page("libro002A.png").pixel(100, 100), rightColour(2)));
    QVERIFY(near(book.page("libro003A.png").pixel(100, 100), leftColour(3)));
    QCOMPARE(filesIn(book.scans() + "/jpeg_small"),
             (QStringList{"libro001B.png", "libro002B.png", "libro003B.png"}));
    QCOMPARE(QImage(book.scans() + "/jpeg_small/libro002B.png").size(), QSize(370, 540));
    QVERIFY(lines(w.lstActividad).contains("Grabando Miniaturta ..."));
}

void InteractiveCropTest::testWritesNothingUntilContinue() {
    InteractiveBook book(2);
    MainWindow& w = book.window();
    book.select({0});
    w.cmdICorte->click(); // loads the scan
    w.optDerecha->setChecked(true);
    w.cmdICPrueba->click();
    QVERIFY(!QDir(book.big()).exists());
    QVERIFY(!w.cmdICorte->isEnabled());
    QVERIFY(!w.cmdICLote->isEnabled());
    // Only the page of the side on screen.
    QVERIFY(near(w.ImgPreview->image().pixel(100, 100), rightColour(1)));
    QCOMPARE(w.lblFileNamed2->text(), QStringLiteral("libro002.png"));
    QVERIFY(w.lblFileNamei2->text().isEmpty());

    // "Continuar" brings the spread and its rectangle back.
    w.cmdICPrueba->click();
    QCOMPARE(w.cmdICPrueba->text(), QStringLiteral("Probar Ajustes"));
    QVERIFY(w.cmdICorte->isEnabled());
    QVERIFY(w.cmdICLote->isEnabled());
    QVERIFY(!w.ImgPreview->isVisibleTo(&w));
    QVERIFY(w.Imagen2->isVisibleTo(&w));
    QVERIFY(!w.v.ProcesoCancelado);

    // So does loading another scan while the test page is shown.
    w.cmdICPrueba->click();
    QVERIFY(w.ImgPreview->isVisibleTo(&w));
    w.LocalFiles2->doubleClickRow(1);
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro002.png"));
    QVERIFY(!w.ImgPreview->isVisibleTo(&w));
    QVERIFY(w.Imagen2->isVisibleTo(&w));
    QVERIFY(!QDir(book.big()).exists());
}

void InteractiveCropTest::rotationIsAppliedOnceAndIgnoredByTheBatch() {
    InteractiveBook book(1);
    MainWindow& w = book.window();
    book.select({0});
    w.cmdICorte->click();
    for (int step = 0; step < 3; ++step)
        w.UpDownAngle->setValue(1); // a quarter degree anticlockwise each
    QCOMPARE(w.v.AnguloGiro, -0.75f);
    w.cmdICorte->click();
    // The scan was turned once by the whole angle: its canvas grew by the turn.
    const double a = qDegreesToRadians(0.75);
    QCOMPARE(w.ImagenGrande->ImageWidth(), int(std::ceil(800 * std::cos(a) + 500 * std::sin(a))));
    QCOMPARE(w.v.AnguloGiro, 0.0f);
    QCOMPARE(filesIn(book.big()).size(), 2);

    QDir(book.big()).removeRecursively();
    for (int step = 0; step < 3; ++step)
        w.UpDownAngle->setValue(1);
    book.select({0});
    w.cmdICLote->click();
    QCOMPARE(w.v.AnguloGiro, -0.75f);
    QCOMPARE(w.ImagenGrande->ImageWidth(), 800);
    QCOMPARE(filesIn(book.big()).size(), 2);
}

void InteractiveCropTest::stopDuringABatch_data() {
    QTest::addColumn<bool>("tree");
    QTest::newRow("selected files") << false;
    QTest::newRow("folder tree") << true;
}

void InteractiveCropTest::stopDuringABatch() {
    QFETCH(bool, tree);
    InteractiveBook book(3);
    MainWindow& w = book.window();
    if (tree)
        book.queue({book.scans() + "/libro001.png", book.scans() + "/libro002.png",
                    book.scans() + "/libro003.png"});
    else
        book.select({0, 1, 2});
    int reads = 0;
    bool visibleDuringBatch = false;
    connect(w.lstActividad, &ProgressList::lineAppended, &w, [&](const QString& text) {
        if (text == QLatin1String("Leyendo imagen ...") && ++reads == 2) {
            visibleDuringBatch = w.Cancelar2->isVisibleTo(&w);
            postClick(w.Cancelar2);
        }
    });
    w.cmdICLote->click();
    // The scan in progress is finished, both its pages; the next is never read.
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro003.png", "libro004.png"}));
    QCOMPARE(reads, 2);
    QVERIFY(visibleDuringBatch);
    QVERIFY(lines(w.lstActividad).contains("PROCESO CANCELADO"));
    QVERIFY(!w.v.ProcesoCancelado);
    QVERIFY(!w.Cancelar2->isVisibleTo(&w));
    QVERIFY(w.cmdICorte->isEnabled());
    if (tree)
        QCOMPARE(w.lstTree->count(), 1);
    else
        QVERIFY(w.LocalFiles2->isRowSelected(2));
}

void InteractiveCropTest::batchStartedWhileStoppedProcessesNothing() {
    InteractiveBook book(2);
    MainWindow& w = book.window();
    book.select({0, 1});
    w.Cancelar2->click();
    w.cmdICLote->click();
    QVERIFY(!QDir(book.big()).exists());
    QVERIFY(!lines(w.lstActividad).contains("Leyendo imagen ..."));
    QVERIFY(!w.v.ProcesoCancelado);
}

// Two folders of a tree may hold scans of the same name: the first entry is cut only once it is
// the scan on screen.
void InteractiveCropTest::cutInTreeModeLoadsAnEntryThatIsNotOnScreen() {
    InteractiveBook book(1);
    MainWindow& w = book.window();
    const QString other = book.fixture.path("other");
    QDir().mkpath(other);
    writeSpread(other + "/libro001.png", 5);
    book.select({0});
    w.cmdICorte->click(); // scans/libro001.png on screen
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro001.png"));

    book.queue({other + "/libro001.png"});
    w.cmdICorte->click();
    QVERIFY(!QDir(book.big()).exists());
    QVERIFY(!QDir(other + "/jpeg_big").exists());
    QCOMPARE(w.lstTree->count(), 1);
    QVERIFY(near(w.ImagenGrande->image().pixel(10, 10), leftColour(5)));

    w.cmdICorte->click();
    QCOMPARE(filesIn(other + "/jpeg_big"), (QStringList{"libro001.png", "libro002.png"}));
    QVERIFY(near(QImage(other + "/jpeg_big/libro001.png").pixel(100, 100), leftColour(5)));
    QCOMPARE(w.lstTree->count(), 0);
    QCOMPARE(w.lstTreeAuto->count(), 0);
    QCOMPARE(w.v.CarpetaActual, book.scans()); // restored
}

void InteractiveCropTest::distortionKeepsTheSelectionsSize() {
    InteractiveBook book(1);
    MainWindow& w = book.window();
    w.PermiteDistorsion->setChecked(true);
    w.chkMargenNegro->setChecked(false);
    book.select({0});
    w.cmdICLote->click();
    QCOMPARE(book.page("libro001.png").size(), QSize(400, 500));
}

void InteractiveCropTest::emptySelectionIsRefused() {
    InteractiveBook book(2);
    MainWindow& w = book.window();
    book.select({0, 1});
    w.cmdICorte->click();
    w.SelectionSize2->setValue(0);
    QCOMPARE(w.v.LimiteInferior2, 0.0);
    w.cmdICLote->click();
    QVERIFY(!QDir(book.big()).exists());
    QVERIFY(lines(w.lstActividad).filter("La selección está vacía").size() >= 2);
    QVERIFY(!w.ImgPreview->HasImage()); // nothing stale left to show or write
}

void InteractiveCropTest::unreadableScanIsSkipped() {
    InteractiveBook book(3);
    MainWindow& w = book.window();
    QFile::resize(book.scans() + "/libro002.png", 10);
    book.select({0, 1, 2});
    w.cmdICLote->click();
    QCOMPARE(filesIn(book.big()),
             (QStringList{"libro001.png", "libro002.png", "libro005.png", "libro006.png"}));
    // Nothing of the first scan was written under the second's name.
    QVERIFY(near(book.page("libro005.png").pixel(100, 100), leftColour(3)));
    QVERIFY(lines(w.lstActividad).contains("No se pudo leer la imagen libro002.png: se omite"));

    // The cut button does not stay stuck on a scan that cannot be read.
    w.ImagenGrande->ClearImage();
    w.v.FicheroCargado.clear();
    book.select({1, 2});
    w.cmdICorte->click();
    QVERIFY(!w.LocalFiles2->isRowSelected(1));
    w.cmdICorte->click();
    QCOMPARE(w.v.FicheroCargado, QStringLiteral("libro003.png"));
}

QTEST_MAIN(InteractiveCropTest)
#include "test_interactive_crop.moc"
