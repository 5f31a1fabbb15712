// Watermarks and page-number labels over the real window: pictures in, stamped pages out.
#include "WindowFixture.h"

#include "app/ComboBox.h"
#include "app/ControlState.h"
#include "app/ProgressList.h"
#include "app/UpDown.h"
#include "image/ImageBox.h"
#include "sources/FileList.h"
#include "sources/FolderList.h"
#include "watermark/PageNumberStamping.h"
#include "watermark/Watermark.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

namespace {

const QColor kPageColour(200, 180, 40);

void writePicture(const QString& path, const QImage& picture) {
    QDir().mkpath(QFileInfo(path).path());
    QVERIFY2(picture.save(path), qPrintable(path));
}

QImage plainPage(int width, int height, const QColor& colour = kPageColour) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(colour);
    return page;
}

// A page-number label as the numbering tab draws one: black "digits" (a 20 × 12 block) on a
// white 40 × 24 picture.
QImage digitsOnWhite() {
    QImage label(40, 24, QImage::Format_RGB32);
    label.fill(Qt::white);
    for (int y = 6; y < 18; ++y)
        for (int x = 10; x < 30; ++x)
            label.setPixel(x, y, qRgb(0, 0, 0));
    return label;
}

bool near(QRgb pixel, const QColor& colour, int tolerance = 0) {
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

QString describe(QRgb pixel) {
    return QStringLiteral("(%1, %2, %3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

QByteArray digest(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

QStringList lines(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// A window in a folder of its own whose work folder (TMP) is private too, so that no test sees
// another's work files.
class Desk {
public:
    Desk() : fixture({}, {}), previousTmp_(qgetenv("TMP")) {
        QDir().mkpath(work());
        qputenv("TMP", work().toLocal8Bit());
        MainWindow& w = window();
        w.ColorBw->setListIndex(5); // 24-bit colour: pixels compare exactly
        w.TipoGrande->setListIndex(3);
    }
    ~Desk() { qputenv("TMP", previousTmp_); }

    MainWindow& window() { return *fixture.window; }
    QString work() const { return fixture.path(QStringLiteral("work")); }
    QString scans() const { return fixture.scansFolder(); }
    QString big() const { return fixture.path(QStringLiteral("scans/jpeg_big")); }
    QString inBig(const QString& name) const { return big() + QLatin1Char('/') + name; }

    WindowFixture fixture;

private:
    QByteArray previousTmp_;
};

// Finished pages in the scans' jpeg_big, listed by the numbering tab's file list, and a label
// in the scans' "watermark" folder.
struct NumberingDesk : Desk {
    explicit NumberingDesk(const QStringList& pages = {QStringLiteral("libro001A.png")}) {
        for (const QString& name : pages)
            writePicture(inBig(name), plainPage(120, 160));
        writePicture(label(), digitsOnWhite());
        MainWindow& w = window();
        w.v.CarpetaActual = scans();
        w.FiletoRenum->setPattern(QStringLiteral("*.png;*.jpg;*.gif"));
        w.FiletoRenum->setPath(big());
        w.WMTransNum->setValue(100);
    }
    QString label() const { return fixture.path(QStringLiteral("scans/watermark/grafo.png")); }
    void stamp(const QString& page, bool batch = true, bool withLabel = true) {
        window().pageNumberStamping().EstampaNumeros(label(), page, batch, withLabel);
    }
    // A test stamp sets the position ranges for the page; then the label is placed.
    void placeLabel(const QString& page, int left, int top) {
        stamp(page, false);
        window().WMHPosNum->setValue(left);
        window().WMVPosNum->setValue(top);
        QCOMPARE(window().WMHPosNum->value(), left);
        QCOMPARE(window().WMVPosNum->value(), top);
    }
};

// Spreads of 800 × 500 whose left half has the colour kPageColour: with pages of 200 × 250 in
// 24-bit PNG, the whole left half becomes a page of that colour.
struct BookDesk : Desk {
    explicit BookDesk(int count = 2) {
        for (int i = 1; i <= count; ++i) {
            QImage spread = plainPage(800, 500, QColor(40, 60, 200));
            for (int y = 0; y < 500; ++y)
                for (int x = 0; x < 400; ++x)
                    spread.setPixel(x, y, kPageColour.rgb());
            writePicture(scans() + QStringLiteral("/libro%1.png").arg(i, 3, 10, QChar('0')),
                         spread);
        }
        MainWindow& w = window();
        w.TipoOrigen->setListIndex(3);
        w.MasMenosAnG->setValue(200);
        w.MasMenosAlG->setValue(250);
        w.AceptaConfig->click();
        w.WMTrans->setValue(100);
    }
    QString logos() const { return fixture.path(QStringLiteral("logos")); }
    // Ticks the watermark on and picks the picture on its tab, as the operator does.
    void chooseLogo(const QString& name, const QImage& logo) {
        writePicture(logos() + QLatin1Char('/') + name, logo);
        chooseFile(name);
    }
    void chooseFile(const QString& name) {
        MainWindow& w = window();
        w.WMActivo->setChecked(true);
        w.DirWM->setPath(logos());
        w.FormatoWM->setListIndex(1);
        w.FileWM->refresh();
        const QList<QListWidgetItem*> rows = w.FileWM->findItems(name, Qt::MatchExactly);
        QVERIFY2(rows.size() == 1, qPrintable(name));
        w.FileWM->clickRow(w.FileWM->row(rows[0]));
    }
    void cut(int scan) {
        window().LocalFiles->clickRow(scan);
        window().CortaUna->click();
    }
    void placeWatermark(int left, int top) {
        window().WMHpos->setValue(left);
        window().WMVpos->setValue(top);
    }
    QImage page(const QString& name) const { return QImage(inBig(name)); }
};

// A logo drawn in kLogoColour inside a 40 × 20 picture: a 20 × 10 block at (10, 5), on white or,
// with `alpha`, on a transparent background.
const QColor kLogoColour(220, 20, 20);
QImage blockLogo(bool alpha, QSize size = {40, 20}) {
    QImage logo(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    logo.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    for (int y = 5; y < 15 && y < size.height(); ++y)
        for (int x = 10; x < 30 && x < size.width(); ++x)
            logo.setPixel(x, y, kLogoColour.rgb());
    return logo;
}

} // namespace

class WatermarkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ImageBox::clearClipboardSlot(); }

    // The watermark tab and the crop runs' overlay.
    void choosingAndSwitchingNeedNoCutButPreparingDoes();
    void preparationScalesThePicture_data();
    void preparationScalesThePicture();
    void templateShowsTwoMarksWhenTheCutCarriedOne();
    void intensityIsTheComplementOfTransparency_data();
    void intensityIsTheComplementOfTransparency();
    void positionChangeTakesEffectOnTheNextPage();
    void transparentPartsLeaveThePageUntouched_data();
    void transparentPartsLeaveThePageUntouched();
    void watermarkLeftByAnEarlierRunIsMerged();
    void missingWatermarkIsReportedOncePerRun();
    void unusablePictureChangesNothing_data();
    void unusablePictureChangesNothing();

    // Page-number stamping.
    void stampedPageKeepsItsName_data();
    void stampedPageKeepsItsName();
    void pageWithoutLabelIsReencoded();
    void pageSizeIsTheLastPagesAfterABatch();
    void unreadablePageIsReportedAndTheBatchGoesOn();
    void labelPositionRangeStopsAtThePageEdge_data();
    void labelPositionRangeStopsAtThePageEdge();
    void labelNeverReplacesTheWatermark();
};

void WatermarkTest::choosingAndSwitchingNeedNoCutButPreparingDoes() {
    BookDesk desk;
    MainWindow& w = desk.window();
    const QList<QWidget*> settings = {w.FileWM, w.FormatoWM, w.WMTrans,
                                      w.WMSize, w.WMHpos,    w.WMVpos};
    for (QWidget* c : settings)
        QVERIFY2(!enabledFlag(c), qPrintable(c->objectName()));
    w.WMActivo->setChecked(true);
    for (QWidget* c : settings)
        QVERIFY2(enabledFlag(c), qPrintable(c->objectName()));
    QVERIFY(!enabledFlag(w.LeerWm)); // no file chosen yet

    // A folder with no type chosen lists the first type, GIF.
    writePicture(desk.logos() + QStringLiteral("/a.png"), blockLogo(false));
    WindowFixture::touch(desk.logos() + QStringLiteral("/b.gif"));
    w.DirWM->setPath(desk.logos());
    QCOMPARE(w.FormatoWM->listIndex(), 0);
    QCOMPARE(w.FileWM->pattern(), QStringLiteral("*.gif"));
    QCOMPARE(w.v.CarpetaMarca, desk.logos());
    w.FormatoWM->setListIndex(1);
    QCOMPARE(w.FileWM->count(), 1);
    w.FileWM->clickRow(0);
    QCOMPARE(w.v.FicheroMarca, QStringLiteral("a.png"));
    QVERIFY(enabledFlag(w.LeerWm));
    // The template is made from a cut page: before the first cut nothing is prepared.
    w.LeerWm->click();
    w.FileWM->doubleClickRow(0);
    QVERIFY(!QFileInfo::exists(Watermark::workFile()));
    QVERIFY(!w.ImgPlantilla->HasImage());
    QCOMPARE(w.SSTab1->currentIndex(), 1);
    w.WMActivo->setChecked(false);
    QVERIFY(!enabledFlag(w.LeerWm));
    QVERIFY(!enabledFlag(w.WMHpos));
}

void WatermarkTest::preparationScalesThePicture_data() {
    QTest::addColumn<QSize>("logo");
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("prepared");
    QTest::newRow("own size") << QSize(40, 20) << 100 << QSize(40, 20);
    QTest::newRow("half") << QSize(40, 20) << 50 << QSize(20, 10);
    QTest::newRow("half of odd sides, halves to even") << QSize(41, 21) << 50 << QSize(20, 10);
}

void WatermarkTest::preparationScalesThePicture() {
    QFETCH(QSize, logo);
    QFETCH(int, size);
    QFETCH(QSize, prepared);
    BookDesk desk;
    MainWindow& w = desk.window();
    QCOMPARE(w.WMHpos->maximum(), 10);
    QCOMPARE(w.WMVpos->maximum(), 10);
    desk.chooseLogo(QStringLiteral("sello.png"), blockLogo(false, logo));
    w.WMSize->setValue(size);
    desk.cut(0);
    w.FileWM->doubleClickRow(0);

    QCOMPARE(w.SSTab1->currentIndex(), 3);
    QCOMPARE(QImage(Watermark::workFile()).size(), prepared);
    QCOMPARE(w.WMHpos->maximum(), 200);
    QCOMPARE(w.WMVpos->maximum(), 250);
    QCOMPARE(QSize(w.ImgPlantilla->ImageWidth(), w.ImgPlantilla->ImageHeight()), QSize(200, 250));
    QCOMPARE(w.ImgPlantilla->size(), w.PaginaIzq->size());
    // The preview keeps its height and takes the picture's proportions.
    QCOMPARE(w.ImgWM->height(), 249);
    QVERIFY(qAbs(w.ImgWM->width() - 249.0 * prepared.width() / prepared.height()) <= 1);
    QVERIFY(w.ImgWM->HasImage());
}

void WatermarkTest::templateShowsTwoMarksWhenTheCutCarriedOne() {
    BookDesk desk;
    MainWindow& w = desk.window();
    desk.chooseLogo(QStringLiteral("sello.png"), blockLogo(false));
    desk.cut(0);
    w.LeerWm->click();
    desk.placeWatermark(100, 120);
    desk.cut(0); // this page carries the watermark at (100, 120)
    desk.placeWatermark(20, 200);
    w.LeerWm->click();

    const QImage& page = w.ImgPlantilla->image();
    QVERIFY(near(page.pixel(100 + 15, 120 + 8), kLogoColour));
    QVERIFY(near(page.pixel(20 + 15, 200 + 8), kLogoColour));
    QVERIFY(near(page.pixel(100 + 2, 120 + 2), kPageColour));
    QVERIFY(near(page.pixel(60, 60), kPageColour));
}

void WatermarkTest::intensityIsTheComplementOfTransparency_data() {
    QTest::addColumn<int>("intensity");
    QTest::addColumn<QColor>("stamped");
    QTest::newRow("0: nothing shows") << 0 << kPageColour;
    QTest::newRow("100: the picture covers the page") << 100 << kLogoColour;
    QTest::newRow("50: half and half") << 50 << QColor(210, 100, 30);
}

void WatermarkTest::intensityIsTheComplementOfTransparency() {
    QFETCH(int, intensity);
    QFETCH(QColor, stamped);
    BookDesk desk;
    MainWindow& w = desk.window();
    desk.chooseLogo(QStringLiteral("sello.png"), blockLogo(false));
    desk.cut(0);
    w.LeerWm->click();
    w.WMTrans->setValue(intensity);
    desk.placeWatermark(50, 60);
    desk.cut(1);
    const QImage page = desk.page(QStringLiteral("libro003.png"));
    QVERIFY2(near(page.pixel(50 + 15, 60 + 8), stamped, 1),
             qPrintable(describe(page.pixel(65, 68))));
    QVERIFY(near(page.pixel(50 + 2, 60 + 2), kPageColour));
}

void WatermarkTest::positionChangeTakesEffectOnTheNextPage() {
    BookDesk desk;
    MainWindow& w = desk.window();
    desk.chooseLogo(QStringLiteral("sello.png"), blockLogo(false));
    desk.cut(0);
    w.LeerWm->click();
    desk.placeWatermark(10, 10);
    desk.cut(0);
    desk.placeWatermark(150, 200);
    desk.cut(1);
    const QImage first = desk.page(QStringLiteral("libro001.png"));
    const QImage next = desk.page(QStringLiteral("libro003.png"));
    QVERIFY(near(first.pixel(10 + 15, 10 + 8), kLogoColour));
    QVERIFY(near(first.pixel(150 + 15, 200 + 8), kPageColour));
    QVERIFY(near(next.pixel(10 + 15, 10 + 8), kPageColour));
    QVERIFY(near(next.pixel(150 + 15, 200 + 8), kLogoColour));
}

void WatermarkTest::transparentPartsLeaveThePageUntouched_data() {
    QTest::addColumn<bool>("alpha");
    QTest::newRow("alpha channel") << true;
    QTest::newRow("white background: the colour of the top-left pixel") << false;
}

void WatermarkTest::transparentPartsLeaveThePageUntouched() {
    QFETCH(bool, alpha);
    BookDesk desk;
    MainWindow& w = desk.window();
    QImage logo = blockLogo(alpha);
    if (alpha)
        logo.setPixel(0, 0, qRgba(0, 0, 255, 128)); // a half-covering corner
    desk.chooseLogo(QStringLiteral("sello.png"), logo);
    desk.cut(0);
    w.LeerWm->click();
    desk.placeWatermark(30, 40);
    desk.cut(0);
    const QImage page = desk.page(QStringLiteral("libro001.png"));
    QVERIFY(near(page.pixel(30 + 15, 40 + 8), kLogoColour));
    for (QPoint outside : {QPoint(30 + 5, 40 + 2), QPoint(30 + 35, 40 + 17), QPoint(29, 40)})
        QVERIFY2(near(page.pixel(outside), kPageColour), qPrintable(describe(page.pixel(outside))));
    if (alpha)
        QVERIFY2(near(page.pixel(30, 40), QColor(100, 90, 148), 1),
                 qPrintable(describe(page.pixel(30, 40))));
}

void WatermarkTest::watermarkLeftByAnEarlierRunIsMerged() {
    BookDesk desk;
    MainWindow& w = desk.window();
    writePicture(Watermark::workFile(), blockLogo(true));
    w.WMActivo->setChecked(true);
    desk.placeWatermark(7, 3);
    desk.cut(0);
    QVERIFY(near(desk.page(QStringLiteral("libro001.png")).pixel(7 + 15, 3 + 8), kLogoColour));
    QVERIFY(near(desk.page(QStringLiteral("libro002.png")).pixel(7 + 15, 3 + 8), kLogoColour));
}

void WatermarkTest::missingWatermarkIsReportedOncePerRun() {
    BookDesk desk(3);
    MainWindow& w = desk.window();
    w.WMActivo->setChecked(true);
    const QString missing = QStringLiteral("No hay marca de agua preparada («%1»): las páginas de "
                                           "este proceso siguen sin ella")
                                .arg(QDir::toNativeSeparators(Watermark::workFile()));
    for (int run = 0; run < 2; ++run) {
        w.LocalFiles->clickRow(0);
        for (int row = 0; row < 3; ++row)
            w.LocalFiles->setRowSelected(row, true);
        w.CortaLote->click();
        const QStringList logged = lines(w.ListaProceso);
        QCOMPARE(logged.count(missing), 1);
        QCOMPARE(logged.count(QStringLiteral("Marca de Agua ...")), 6);
    }
    QCOMPARE(QDir(desk.big()).entryList(QDir::Files).size(), 6);
    QVERIFY(near(desk.page(QStringLiteral("libro005.png")).pixel(5, 5), kPageColour));
    // A single cut after the batch is a run of its own.
    desk.cut(0);
    QCOMPARE(lines(w.ListaProceso).count(missing), 2);
}

void WatermarkTest::unusablePictureChangesNothing_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("size");
    QTest::newRow("not a picture") << "roto.png" << QByteArray("not a picture") << 100;
    QTest::newRow("no size at 0 %") << "sello.png" << QByteArray() << 0;
    QTest::newRow("no pixel left at 40 %") << "punto.png" << QByteArray() << 40;
}

void WatermarkTest::unusablePictureChangesNothing() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(int, size);
    BookDesk desk;
    MainWindow& w = desk.window();
    desk.chooseLogo(QStringLiteral("sello.png"), blockLogo(false));
    desk.cut(0);
    w.LeerWm->click();
    desk.placeWatermark(150, 200);
    const QImage templatePage = w.ImgPlantilla->image();
    const QByteArray prepared = digest(Watermark::workFile());
    const QSize preview = w.ImgWM->size();

    if (file == QLatin1String("punto.png")) {
        desk.chooseLogo(file, blockLogo(false, {1, 1}));
    } else if (!bytes.isEmpty()) {
        QFile broken(desk.logos() + QLatin1Char('/') + file);
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(bytes);
        broken.close();
        desk.chooseFile(file);
    }
    w.WMSize->setValue(size);
    w.ListaProceso->clear();
    w.LeerWm->click();

    const QStringList logged = lines(w.ListaProceso);
    QCOMPARE(logged.size(), 1);
    QVERIFY2(logged[0].startsWith(QStringLiteral("No se ha preparado la marca de agua: ")),
             qPrintable(logged[0]));
    QVERIFY(logged[0].contains(file));
    QCOMPARE(w.ImgPlantilla->image(), templatePage);
    QCOMPARE(digest(Watermark::workFile()), prepared);
    QCOMPARE(w.ImgWM->size(), preview);
    QCOMPARE(w.WMHpos->value(), 150);
}

void WatermarkTest::stampedPageKeepsItsName_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("typeRow");
    QTest::addColumn<QString>("written");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("same type: replaced") << "libro001A.png" << 3 << "libro001A.png" << 0;
    QTest::newRow("other type: beside it") << "libro001A.png" << 0 << "libro001A.jpg" << 24;
    QTest::newRow("dots in the name") << "vol.2.p003.png" << 4 << "vol.2.p003.bmp" << 0;
}

void WatermarkTest::stampedPageKeepsItsName() {
    QFETCH(QString, page);
    QFETCH(int, typeRow);
    QFETCH(QString, written);
    QFETCH(int, tolerance);
    NumberingDesk desk({page});
    MainWindow& w = desk.window();
    w.TipoGrande->setListIndex(typeRow);
    const QByteArray source = digest(desk.inBig(page));
    desk.placeLabel(page, 30, 50);
    // The test stamp (with the label still at the top-left corner) only shows the page.
    QCOMPARE(w.ImgPlantillaNum->PixelColor(20, 12), 0);
    QCOMPARE(digest(desk.inBig(page)), source);
    QCOMPARE(QDir(desk.big()).entryList(QDir::Files), QStringList{page});
    desk.stamp(page);

    QCOMPARE(lines(w.lstNumeracion), QStringList());
    const QImage stamped(desk.inBig(written));
    QCOMPARE(stamped.size(), QSize(120, 160));
    // The label's digits are on the page; its white background is not.
    QVERIFY2(near(stamped.pixel(30 + 20, 50 + 12), Qt::black, tolerance),
             qPrintable(describe(stamped.pixel(50, 62))));
    QVERIFY2(near(stamped.pixel(30 + 3, 50 + 3), kPageColour, tolerance),
             qPrintable(describe(stamped.pixel(33, 53))));
    QVERIFY(near(stamped.pixel(5, 5), kPageColour, tolerance));
    if (written != page)
        QCOMPARE(digest(desk.inBig(page)), source);
}

void WatermarkTest::pageWithoutLabelIsReencoded() {
    NumberingDesk desk;
    MainWindow& w = desk.window();
    desk.stamp(QStringLiteral("libro001A.png"), false);
    QVERIFY(w.ImgWMNum->HasImage());
    w.ColorBw->setListIndex(1); // 256 greys
    desk.stamp(QStringLiteral("libro001A.png"), true, false);

    QVERIFY(!w.ImgWMNum->HasImage());
    const QImage written(desk.inBig(QStringLiteral("libro001A.png")));
    QVERIFY2(written.isGrayscale(), "the page keeps its old colour format");
    // 0.299 × 200 + 0.587 × 180 + 0.114 × 40: the page colour's luma.
    QVERIFY2(near(written.pixel(50, 62), QColor(170, 170, 170), 1),
             qPrintable(describe(written.pixel(50, 62))));
}

void WatermarkTest::pageSizeIsTheLastPagesAfterABatch() {
    NumberingDesk desk({QStringLiteral("p1.png")});
    writePicture(desk.inBig(QStringLiteral("p2.png")), plainPage(90, 130));
    MainWindow& w = desk.window();
    desk.stamp(QStringLiteral("p1.png"));
    desk.stamp(QStringLiteral("p2.png"));
    QCOMPARE(w.v.AnchoPagina, 90.0);
    QCOMPARE(w.v.AltoPagina, 130.0);
    QCOMPARE(w.v.ProporcionPagina, 90.0 / 130.0);
    QCOMPARE(QImage(desk.inBig(QStringLiteral("p2.png"))).size(), QSize(90, 130));
}

void WatermarkTest::unreadablePageIsReportedAndTheBatchGoesOn() {
    NumberingDesk desk({QStringLiteral("p2.png")});
    QFile broken(desk.inBig(QStringLiteral("p1.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    MainWindow& w = desk.window();
    desk.placeLabel(QStringLiteral("p2.png"), 30, 50);
    desk.stamp(QStringLiteral("p1.png"));
    desk.stamp(QStringLiteral("p2.png"));

    const QStringList reported = lines(w.lstNumeracion);
    QCOMPARE(reported.size(), 1);
    QVERIFY2(reported[0].startsWith(QStringLiteral("No se pudo leer la página p1.png")),
             qPrintable(reported[0]));
    QCOMPARE(QFileInfo(desk.inBig(QStringLiteral("p1.png"))).size(), 13);
    QVERIFY(near(QImage(desk.inBig(QStringLiteral("p2.png"))).pixel(50, 62), Qt::black));

    // A label that cannot be read leaves its page as it was, and says so.
    QVERIFY(QFile::remove(desk.label()));
    const QByteArray before = digest(desk.inBig(QStringLiteral("p2.png")));
    desk.stamp(QStringLiteral("p2.png"));
    QCOMPARE(lines(w.lstNumeracion).size(), 2);
    QVERIFY(lines(w.lstNumeracion)[1].startsWith(QStringLiteral("No se ha numerado p2.png")));
    QCOMPARE(digest(desk.inBig(QStringLiteral("p2.png"))), before);
}

void WatermarkTest::labelPositionRangeStopsAtThePageEdge_data() {
    QTest::addColumn<QSize>("label");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("maxLeft");
    QTest::addColumn<int>("maxTop");
    QTest::newRow("small label") << QSize(40, 24) << 100 << 80 << 136;
    QTest::newRow("halved, odd sides") << QSize(41, 25) << 50 << 100 << 148;
    QTest::newRow("wider than the page") << QSize(300, 24) << 100 << 0 << 136;
    QTest::newRow("larger than the page") << QSize(300, 400) << 100 << 0 << 0;
}

void WatermarkTest::labelPositionRangeStopsAtThePageEdge() {
    QFETCH(QSize, label);
    QFETCH(int, size);
    NumberingDesk desk;
    QImage picture(label, QImage::Format_RGB32);
    picture.fill(Qt::black);
    writePicture(desk.label(), picture);
    MainWindow& w = desk.window();
    w.WMSizeNum->setValue(size);
    desk.stamp(QStringLiteral("libro001A.png"));
    QTEST(w.WMHPosNum->maximum(), "maxLeft");
    QTEST(w.WMVPosNum->maximum(), "maxTop");
    QCOMPARE(w.WMHPosNum->minimum(), 0);
    // The label's preview has the label's proportions at the frame's height.
    const QSize scaled(w.WMGrandeNum->ImageWidth(), w.WMGrandeNum->ImageHeight());
    const double shown = double(w.ImgWMNum->width()) / w.ImgWMNum->height();
    QVERIFY2(qAbs(shown - double(scaled.width()) / scaled.height()) < 1.0 / w.ImgWMNum->height(),
             qPrintable(QString::number(shown)));
}

void WatermarkTest::labelNeverReplacesTheWatermark() {
    NumberingDesk desk;
    const QString watermark = desk.work() + QStringLiteral("/wm.png");
    writePicture(watermark, plainPage(10, 10, Qt::red));
    const QByteArray before = digest(watermark);
    desk.stamp(QStringLiteral("libro001A.png"));
    QCOMPARE(digest(watermark), before);
    QCOMPARE(QImage(PageNumberStamping::labelWorkFile()).size(), QSize(40, 24));
}

QTEST_MAIN(WatermarkTest)
#include "test_watermark.moc"
