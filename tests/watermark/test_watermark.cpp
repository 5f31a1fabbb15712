// Watermarks and page-number labels over the real window: pictures in, stamped pages out.
#include "ListLines.h"
#include "WindowFixture.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ImageBox.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "postfx/PageNumberStamping.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "watermark/Watermark.h"

#include <QCheckBox>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

namespace {

const QColor kPageColour(200, 180, 40);
const QColor kLogoColour(220, 20, 20);

// Writes the picture, or for a null one a file that is no picture at all.
void writePicture(const QString& path, const QImage& picture) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    const bool written = picture.isNull()
                             ? file.open(QIODevice::WriteOnly) && file.write("not a picture") == 13
                             : picture.save(path);
    QVERIFY2(written, qPrintable(path));
}

QImage blockPicture(QSize size, const QRect& block, const QColor& ink, const QColor& background,
                    QImage::Format format = QImage::Format_RGB32) {
    QImage picture(size, format);
    picture.fill(background);
    QPainter(&picture).fillRect(block, ink);
    return picture;
}

QImage plainPage(int width, int height, const QColor& colour = kPageColour) {
    return blockPicture({width, height}, {}, colour, colour);
}

// A logo: a 20 × 10 block at (10, 5) of a 40 × 20 picture, on white or on a transparent
// background.
QImage blockLogo(bool alpha, QSize size = {40, 20}) {
    return blockPicture(size, {10, 5, 20, 10}, kLogoColour, alpha ? Qt::transparent : Qt::white,
                        alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

// The colour at `at`, or `expected` when it is within `tolerance` of it, so that QCOMPARE shows
// the colour found when it is not.
QColor colourAt(const QImage& image, QPoint at, const QColor& expected, int tolerance = 0) {
    const QColor found = image.pixelColor(at);
    const bool near = qAbs(found.red() - expected.red()) <= tolerance &&
                      qAbs(found.green() - expected.green()) <= tolerance &&
                      qAbs(found.blue() - expected.blue()) <= tolerance;
    return near ? expected : found;
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A window in a folder of its own whose work folder (TMP) is private too, so that no test sees
// another's work files. Pages go out as 24-bit PNG, so that pixels compare exactly.
struct Desk {
    Desk() : fixture({}, {}), previousTmp(qgetenv("TMP")) {
        QDir().mkpath(fixture.path("work"));
        qputenv("TMP", QFile::encodeName(fixture.path("work")));
        w.ColorBw->setListIndex(5);
        w.TipoGrande->setListIndex(3);
    }
    ~Desk() { qputenv("TMP", previousTmp); }
    QString big() const { return fixture.path("scans/jpeg_big"); }
    QString inBig(const QString& name) const { return big() + '/' + name; }

    WindowFixture fixture;
    QByteArray previousTmp;
    MainWindow& w = *fixture.window;
};

// Spreads of 800 × 500 whose left half has the page colour, cut into pages of 200 × 250: the
// whole left page has that colour.
struct BookDesk : Desk {
    explicit BookDesk(int scans = 2) {
        for (int i = 1; i <= scans; ++i)
            writePicture(fixture.scansFolder() +
                             QStringLiteral("/libro%1.png").arg(i, 3, 10, QChar('0')),
                         blockPicture({800, 500}, {0, 0, 400, 500}, kPageColour, {40, 60, 200}));
        w.TipoOrigen->setListIndex(3);
        w.MasMenosAnG->setValue(200);
        w.MasMenosAlG->setValue(250);
        w.AceptaConfig->click();
        w.WMTrans->setValue(100);
    }
    QString logos() const { return fixture.path("logos"); }
    // Ticks the watermark on and picks the picture on its tab, as the operator does.
    void chooseLogo(const QString& name, const QImage& logo) {
        writePicture(logos() + '/' + name, logo);
        w.WMActivo->setChecked(true);
        w.DirWM->setPath(logos());
        w.FormatoWM->setListIndex(1);
        w.FileWM->refresh();
        const QList<QListWidgetItem*> rows = w.FileWM->findItems(name, Qt::MatchExactly);
        QVERIFY2(rows.size() == 1, qPrintable(name));
        w.FileWM->clickRow(w.FileWM->row(rows[0]));
    }
    void prepare(const QImage& logo) {
        chooseLogo("sello.png", logo);
        cut(0);
        w.LeerWm->click();
    }
    void cut(int scan) {
        w.LocalFiles->clickRow(scan);
        w.CortaUna->click();
    }
    void place(int left, int top) {
        w.WMHpos->setValue(left);
        w.WMVpos->setValue(top);
    }
    QImage page(const QString& name) const { return QImage(inBig(name)); }
};

// Finished pages of 120 × 160 in the scans' jpeg_big, listed by the numbering tab, and a label
// in the scans' "watermark" folder: black "digits" (a 20 × 12 block) on a white 40 × 24 picture.
struct NumberingDesk : Desk {
    explicit NumberingDesk(const QStringList& pages) {
        for (const QString& name : pages)
            writePicture(inBig(name), plainPage(120, 160));
        writePicture(label(), blockPicture({40, 24}, {10, 6, 20, 12}, Qt::black, Qt::white));
        w.v.CarpetaActual = fixture.scansFolder();
        w.FiletoRenum->setPattern("*.png;*.jpg;*.gif");
        w.FiletoRenum->setPath(big());
        w.WMTransNum->setValue(100);
    }
    QString label() const { return fixture.path("scans/watermark/grafo.png"); }
    void stamp(const QString& page, bool batch = true, bool withLabel = true) {
        w.pageNumberStamping().EstampaNumeros(label(), page, batch, withLabel);
    }
    // A test stamp sets the position ranges for the page; then the label is placed.
    void placeLabel(const QString& page, int left, int top) {
        stamp(page, false);
        w.WMHPosNum->setValue(left);
        w.WMVPosNum->setValue(top);
        QCOMPARE(w.WMHPosNum->value(), left);
        QCOMPARE(w.WMVPosNum->value(), top);
    }
};

} // namespace

class WatermarkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ImageBox::clearClipboardSlot(); }

    // The watermark tab and the crop runs' overlay.

    // A picture of odd sides at half size: the halves go to even. (At its own size the picture
    // lands pixel for pixel in the overlay tests below.)
    void preparation() {
        const QSize logo(41, 21);
        const int size = 50;
        const QSize prepared(20, 10);
        BookDesk desk;
        MainWindow& w = desk.w;
        const QList<QWidget*> settings = {w.FileWM, w.FormatoWM, w.WMTrans,
                                          w.WMSize, w.WMHpos,    w.WMVpos};
        QCOMPARE(w.WMHpos->maximum(), 10);
        QCOMPARE(w.WMVpos->maximum(), 10);
        w.WMActivo->setChecked(true);
        for (QWidget* c : settings)
            QVERIFY2(enabledFlag(c), qPrintable(c->objectName()));
        QVERIFY(!enabledFlag(w.LeerWm)); // no file chosen yet
        // A folder chosen before a type lists the first type, GIF.
        QDir().mkpath(desk.logos());
        w.DirWM->setPath(desk.logos());
        QCOMPARE(w.FileWM->pattern(), "*.gif");
        desk.chooseLogo("sello.png", blockLogo(false, logo));
        QVERIFY(enabledFlag(w.LeerWm));
        w.WMSize->setValue(size);
        // The template is made from a cut page: before the first cut nothing is prepared.
        w.LeerWm->click();
        QVERIFY(!QFileInfo::exists(Watermark::workFile()) && !w.ImgPlantilla->HasImage());

        desk.cut(0);
        w.FileWM->doubleClickRow(0);
        QCOMPARE(w.SSTab1->currentIndex(), 3);
        QCOMPARE(QImage(Watermark::workFile()).size(), prepared);
        QCOMPARE(w.WMHpos->maximum(), 200);
        QCOMPARE(w.WMVpos->maximum(), 250);
        QCOMPARE(w.ImgPlantilla->image().size(), QSize(200, 250));
        QCOMPARE(w.ImgPlantilla->size(), w.PaginaIzq->size());
        // The preview stays inside the window.
        QVERIFY(w.ImgWM->HasImage());
        QVERIFY(w.ImgWM->geometry().right() < MainWindow::kClientWidth - 10);
        w.WMActivo->setChecked(false);
        for (QWidget* c : settings + QList<QWidget*>{w.LeerWm})
            QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    }

    void overlayReadsTheWindowAtEachPage_data() {
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<int>("intensity");
        QTest::addColumn<QColor>("stamped");
        QTest::newRow("white background: the top-left pixel's colour")
            << false << 100 << kLogoColour;
        QTest::newRow("alpha channel") << true << 100 << kLogoColour;
        QTest::newRow("intensity 0: nothing shows") << false << 0 << kPageColour;
        QTest::newRow("intensity 50: half and half") << false << 50 << QColor(210, 100, 30);
    }

    // Intensity and position are read at each page's merge, without a new preparation; what is
    // transparent in the picture leaves the page as it was. A new template starts from the last
    // cut page, which already carries a mark.
    void overlayReadsTheWindowAtEachPage() {
        QFETCH(bool, alpha);
        QFETCH(int, intensity);
        QFETCH(QColor, stamped);
        BookDesk desk;
        QImage logo = blockLogo(alpha);
        if (alpha)
            logo.setPixel(0, 0, qRgba(0, 0, 255, 128)); // a half-covering corner
        desk.prepare(logo);
        desk.w.WMTrans->setValue(intensity);
        desk.place(30, 40);
        desk.cut(0);
        desk.place(150, 200);
        desk.cut(1);
        const QImage first = desk.page("libro001.png");
        const QImage next = desk.page("libro003.png");
        QCOMPARE(colourAt(first, {45, 48}, stamped, 1), stamped);
        QCOMPARE(colourAt(next, {165, 208}, stamped, 1), stamped);
        QCOMPARE(colourAt(next, {45, 48}, kPageColour), kPageColour);
        for (QPoint clear : {QPoint(35, 42), QPoint(65, 57), QPoint(29, 40), QPoint(165, 208)})
            QCOMPARE(colourAt(first, clear, kPageColour), kPageColour);
        if (alpha)
            QCOMPARE(colourAt(first, {30, 40}, {100, 90, 148}, 1), QColor(100, 90, 148));

        desk.place(20, 100);
        desk.w.LeerWm->click();
        const QImage templatePage = desk.w.ImgPlantilla->image();
        QCOMPARE(colourAt(templatePage, {165, 208}, stamped, 1), stamped);
        QCOMPARE(colourAt(templatePage, {35, 108}, stamped, 1), stamped);
        QCOMPARE(colourAt(templatePage, {60, 60}, kPageColour), kPageColour);
    }

    // Without a prepared watermark a run says so once and goes on; one left by an earlier run
    // is merged.
    void cropRunsMergeTheWorkFileTheyFind() {
        BookDesk desk(3);
        MainWindow& w = desk.w;
        w.WMActivo->setChecked(true);
        const QString missing =
            QStringLiteral("No hay marca de agua preparada («%1»): las páginas de este proceso "
                           "siguen sin ella")
                .arg(QDir::toNativeSeparators(Watermark::workFile()));
        for (int run = 0; run < 2; ++run) {
            w.LocalFiles->clickRow(0);
            for (int row = 0; row < 3; ++row)
                w.LocalFiles->setRowSelected(row, true);
            w.CortaLote->click();
            const QStringList logged = lines(w.ListaProceso);
            QCOMPARE(logged.count(missing), 1);
            QCOMPARE(logged.count("Marca de Agua ..."), 6);
        }
        QCOMPARE(QDir(desk.big()).entryList(QDir::Files).size(), 6);
        QCOMPARE(colourAt(desk.page("libro005.png"), {5, 5}, kPageColour), kPageColour);
        // A single cut after the batch is a run of its own.
        desk.cut(0);
        QCOMPARE(lines(w.ListaProceso).count(missing), 2);

        writePicture(Watermark::workFile(), blockLogo(true));
        desk.place(7, 3);
        desk.cut(0);
        QCOMPARE(lines(w.ListaProceso).count(missing), 2);
        QCOMPARE(colourAt(desk.page("libro001.png"), {22, 11}, kLogoColour), kLogoColour);
        QCOMPARE(colourAt(desk.page("libro002.png"), {22, 11}, kLogoColour), kLogoColour);
    }

    void unusablePictureChangesNothing_data() {
        QTest::addColumn<QImage>("picture"); // none: a file that is no picture
        QTest::addColumn<int>("size");
        QTest::newRow("not a picture") << QImage() << 100;
        QTest::newRow("no size at 0 %") << blockLogo(false) << 0;
        QTest::newRow("no pixel left at 40 %") << blockLogo(false, {1, 1}) << 40;
    }

    void unusablePictureChangesNothing() {
        QFETCH(QImage, picture);
        QFETCH(int, size);
        BookDesk desk;
        MainWindow& w = desk.w;
        desk.prepare(blockLogo(false));
        desk.place(150, 200);
        const QImage templatePage = w.ImgPlantilla->image();
        const QByteArray prepared = contents(Watermark::workFile());
        const QSize preview = w.ImgWM->size();
        desk.chooseLogo("otro.png", picture);
        w.WMSize->setValue(size);
        w.ListaProceso->clear();
        w.LeerWm->click();

        const QStringList logged = lines(w.ListaProceso);
        QVERIFY2(logged.size() == 1 && logged[0].contains("otro.png") &&
                     logged[0].startsWith("No se ha preparado la marca de agua: "),
                 qPrintable(logged.join('|')));
        QCOMPARE(w.ImgPlantilla->image(), templatePage);
        QCOMPARE(contents(Watermark::workFile()), prepared);
        QCOMPARE(w.ImgWM->size(), preview);
        QCOMPARE(w.WMHpos->value(), 150);
    }

    // Page-number stamping.

    void stampedPageKeepsItsName_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("typeRow");
        QTest::addColumn<QString>("written");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("same type") << "libro001A.png" << 3 << "libro001A.png" << 0;
        QTest::newRow("other type") << "libro001A.png" << 0 << "libro001A.jpg" << 24;
        QTest::newRow("dots in the name") << "vol.2.p003.png" << 4 << "vol.2.p003.bmp" << 0;
    }

    void stampedPageKeepsItsName() {
        QFETCH(QString, page);
        QFETCH(int, typeRow);
        QFETCH(QString, written);
        QFETCH(int, tolerance);
        NumberingDesk desk({page});
        MainWindow& w = desk.w;
        w.TipoGrande->setListIndex(typeRow);
        // The label has a work file of its own: a numbering never replaces the watermark's.
        writePicture(Watermark::workFile(), plainPage(10, 10, Qt::red));
        const QByteArray watermark = contents(Watermark::workFile());
        const QByteArray source = contents(desk.inBig(page));
        desk.placeLabel(page, 30, 50);
        // The test stamp (with the label still at the top-left corner) only shows the page.
        QCOMPARE(w.ImgPlantillaNum->PixelColor(20, 12), 0);
        QCOMPARE(contents(desk.inBig(page)), source);
        QCOMPARE(QDir(desk.big()).entryList(QDir::Files), QStringList{page});
        desk.stamp(page);

        QCOMPARE(lines(w.lstNumeracion), QStringList());
        // Written into the jpeg_big of the folder the page was read from; the page read stays.
        const QImage stamped(desk.big() + "/jpeg_big/" + written);
        QCOMPARE(stamped.size(), QSize(120, 160));
        // The label's digits are on the page; its white background is not.
        QCOMPARE(colourAt(stamped, {50, 62}, Qt::black, tolerance), QColor(Qt::black));
        QCOMPARE(colourAt(stamped, {33, 53}, kPageColour, tolerance), kPageColour);
        QCOMPARE(colourAt(stamped, {5, 5}, kPageColour, tolerance), kPageColour);
        QCOMPARE(contents(desk.inBig(page)), source);
        QCOMPARE(contents(Watermark::workFile()), watermark);
    }

    // A page that does not load is reported and skipped; a page without a label is written in
    // the current output settings; the page size the window keeps is the last page's.
    void batchOfPages() {
        NumberingDesk desk({"p2.png"});
        MainWindow& w = desk.w;
        const auto numbered = [&desk](const QString& name) {
            return desk.big() + "/jpeg_big/" + name;
        };
        writePicture(desk.inBig("p1.png"), QImage());
        writePicture(desk.inBig("p3.png"), plainPage(90, 130));
        desk.placeLabel("p2.png", 30, 50);
        desk.stamp("p1.png");
        desk.stamp("p2.png");
        QVERIFY(w.ImgWMNum->HasImage());
        w.ColorBw->setListIndex(1); // 256 greys
        desk.stamp("p3.png", true, false);

        QStringList reported = lines(w.lstNumeracion);
        QVERIFY2(reported.size() == 1 && reported[0].startsWith("No se pudo leer la página p1.png"),
                 qPrintable(reported.join('|')));
        QCOMPARE(QFileInfo(desk.inBig("p1.png")).size(), 13);
        QCOMPARE(colourAt(QImage(numbered("p2.png")), {50, 62}, Qt::black), QColor(Qt::black));
        QVERIFY(!w.ImgWMNum->HasImage());
        const QImage plain(numbered("p3.png"));
        QCOMPARE(plain.size(), QSize(90, 130));
        QVERIFY2(plain.isGrayscale(), "the page keeps its old colour format");
        // 0.299 × 200 + 0.587 × 180 + 0.114 × 40: the page colour's luma.
        QCOMPARE(colourAt(plain, {50, 62}, {170, 170, 170}, 1), QColor(170, 170, 170));
        QCOMPARE(w.v.AnchoPagina, 90.0);
        QCOMPARE(w.v.AltoPagina, 130.0);
        QCOMPARE(w.v.ProporcionPagina, 90.0 / 130.0);

        // A label that cannot be read leaves its page as it was, and says so.
        QVERIFY(QFile::remove(desk.label()));
        const QByteArray before = contents(numbered("p2.png"));
        desk.stamp("p2.png");
        reported = lines(w.lstNumeracion);
        QVERIFY2(reported.size() == 2 && reported[1].startsWith("No se ha numerado p2.png"),
                 qPrintable(reported.join('|')));
        QCOMPARE(contents(numbered("p2.png")), before);
    }

    void labelPositionRangeStopsAtThePageEdge_data() {
        QTest::addColumn<QSize>("label");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("maxLeft");
        QTest::addColumn<int>("maxTop");
        QTest::newRow("small label") << QSize(40, 24) << 100 << 80 << 136;
        QTest::newRow("wider than the page") << QSize(300, 24) << 100 << 0 << 136;
        QTest::newRow("larger than the page") << QSize(300, 400) << 100 << 0 << 0;
    }

    void labelPositionRangeStopsAtThePageEdge() {
        QFETCH(QSize, label);
        QFETCH(int, size);
        NumberingDesk desk({"libro001A.png"});
        MainWindow& w = desk.w;
        writePicture(desk.label(), plainPage(label.width(), label.height(), Qt::black));
        w.WMSizeNum->setValue(size);
        desk.stamp("libro001A.png");
        QTEST(w.WMHPosNum->maximum(), "maxLeft");
        QTEST(w.WMVPosNum->maximum(), "maxTop");
        QCOMPARE(w.WMHPosNum->minimum(), 0);
        // However long the label, its preview stays inside the tab.
        const QRect frame = w.ImgWMNum->geometry();
        QVERIFY(frame.height() <= 249);
        QVERIFY(frame.right() < MainWindow::kClientWidth - 10);
    }
};

QTEST_MAIN(WatermarkTest)
#include "test_watermark.moc"
