// Watermarks and page-number labels over the real window: pictures in, stamped pages out.
#include "WindowFixture.h"

#include "app/ComboBox.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"
#include "sources/FileList.h"
#include "watermark/PageNumberStamping.h"

#include <QCryptographicHash>
#include <QSlider>
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

} // namespace

class WatermarkTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ImageBox::clearClipboardSlot(); }

    // Page-number stamping.
    void stampedPageKeepsItsName_data();
    void stampedPageKeepsItsName();
    void pageWithoutLabelIsReencoded();
    void testStampWritesNothing();
    void pageSizeIsTheLastPagesAfterABatch();
    void unreadablePageIsReportedAndTheBatchGoesOn();
    void labelPositionRangeStopsAtThePageEdge_data();
    void labelPositionRangeStopsAtThePageEdge();
    void labelNeverReplacesTheWatermark();
};

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

void WatermarkTest::testStampWritesNothing() {
    NumberingDesk desk;
    MainWindow& w = desk.window();
    const QByteArray source = digest(desk.inBig(QStringLiteral("libro001A.png")));
    desk.placeLabel(QStringLiteral("libro001A.png"), 30, 50);
    desk.stamp(QStringLiteral("libro001A.png"), false);

    QCOMPARE(digest(desk.inBig(QStringLiteral("libro001A.png"))), source);
    QCOMPARE(QDir(desk.big()).entryList(QDir::Files), QStringList{"libro001A.png"});
    QVERIFY(!QFileInfo::exists(desk.fixture.path(QStringLiteral("scans/jpeg_small"))));
    QCOMPARE(w.ImgPlantillaNum->ImageWidth(), 120);
    QCOMPARE(w.ImgPlantillaNum->PixelColor(50, 62), 0);
    QCOMPARE(w.ImgWMNum->ImageWidth(), 40);
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
