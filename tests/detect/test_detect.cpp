#include "TurnedBook.h"
#include "detect/PageFinder.h"
#include "detect/ReducedGrey.h"
#include "image/AreaShrink.h"
#include "image/TurnGeometry.h"

#include <QPainter>
#include <QTest>
#include <QTransform>

#include <cmath>
#include <random>

using namespace turned_book;

namespace {

double edgeError(const QRectF& a, const QRectF& b) {
    return std::max({std::abs(a.left() - b.left()), std::abs(a.top() - b.top()),
                     std::abs(a.right() - b.right()), std::abs(a.bottom() - b.bottom())});
}

} // namespace

class DetectTest : public QObject {
    Q_OBJECT

private slots:
    void findsTurnFoldAndPages_data();
    void findsTurnFoldAndPages();
    void saysNotFoundRatherThanGuess_data();
    void saysNotFoundRatherThanGuess();
    void reducedGreyIsTheBlockMean_data();
    void reducedGreyIsTheBlockMean();
};

void DetectTest::findsTurnFoldAndPages_data() {
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QPointF>("shift");
    QTest::addColumn<int>("format");
    const int rgb = QImage::Format_RGB32;
    QTest::newRow("spread, turned clockwise, shifted")
        << 2 << int(Text) << int(Text) << 2.37 << QPointF(25, -6) << rgb;
    QTest::newRow("spread, turned the other way as far as a book lies")
        << 2 << int(Text) << int(Text) << -3.5 << QPointF(-30, 5) << rgb;
    QTest::newRow("straight spread") << 2 << int(Text) << int(Text) << 0.0 << QPointF() << rgb;
    QTest::newRow("chapter opening facing a blank page")
        << 2 << int(Blank) << int(Chapter) << -1.2 << QPointF(10, 4) << rgb;
    QTest::newRow("plate facing text") << 2 << int(Picture) << int(Text) << 0.8 << QPointF() << rgb;
    QTest::newRow("one page to a scan")
        << 1 << int(Text) << int(Text) << -2.1 << QPointF(40, 0) << rgb;
    QTest::newRow("16-bit grey scan")
        << 2 << int(Text) << int(Text) << 1.4 << QPointF() << int(QImage::Format_Grayscale16);
    QTest::newRow("palette scan") << 2 << int(Text) << int(Text) << -0.6 << QPointF()
                                  << int(QImage::Format_Indexed8);
}

void DetectTest::findsTurnFoldAndPages() {
    QFETCH(int, pages);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(double, angle);
    QFETCH(QPointF, shift);
    QFETCH(int, format);
    Book book;
    book.pages = pages;
    book.kinds[0] = Kind(left), book.kinds[1] = Kind(right);
    book.angle = angle, book.shift = shift;
    const Scan scan = makeScan(book, pages == 2 ? QSize(1240, 877) : QSize(700, 877));
    PageFinderOptions options;
    options.spread = pages == 2;
    QImage image = scan.image.convertToFormat(QImage::Format(format));
    if (format == QImage::Format_Indexed8) {
        // As a scanner saves 256 colours: a palette of the paper's hues, no dithering.
        QList<QRgb> beige;
        for (int v = 0; v < 256; ++v)
            beige << qRgb(v, v * 231 / 236, v * 214 / 236);
        image = scan.image.convertToFormat(QImage::Format_Indexed8, beige, Qt::ThresholdDither);
    }
    const PageFinding found = findPages(image, options);
    QVERIFY2(found.found, qPrintable(found.reason));
    QVERIFY2(std::abs(found.angle - angle) <= 0.05,
             qPrintable(QString::number(found.angle, 'f', 3)));
    QCOMPARE(found.turnedSize, TurnGeometry(scan.image.size(), found.angle).canvas());
    QCOMPARE(found.pages.size(), pages);
    if (pages == 2) {
        QVERIFY2(std::abs(found.gutter - scan.gutter) <= 0.005 * scan.image.width(),
                 qPrintable(QStringLiteral("%1 vs %2").arg(found.gutter).arg(scan.gutter)));
        QCOMPARE(found.pages[0].paper.right() + 1, found.gutterTurned);
    } else {
        QCOMPARE(found.gutter, -1);
    }
    for (int k = 0; k < pages; ++k) {
        const FoundPage& page = found.pages[k];
        QVERIFY2(edgeError(page.paper, scan.paper[k]) <= 4,
                 qPrintable(QStringLiteral("paper %1").arg(edgeError(page.paper, scan.paper[k]))));
        QCOMPARE(page.content.isNull(), scan.content[k].isNull());
        if (!page.content.isNull())
            QVERIFY2(
                edgeError(page.content, scan.content[k]) <= 4,
                qPrintable(
                    QStringLiteral("content %1").arg(edgeError(page.content, scan.content[k]))));
    }
}

void DetectTest::saysNotFoundRatherThanGuess_data() {
    QTest::addColumn<QImage>("scan");
    QTest::addColumn<QString>("reason"); // a word of the reason
    QImage white(1240, 877, QImage::Format_RGB32);
    white.fill(QColor(240, 238, 230));
    QImage black(1240, 877, QImage::Format_RGB32);
    black.fill(QColor(8, 8, 8));
    // A photograph: soft colour fields and a few dark shapes, no lines of text.
    QImage photo(1240, 877, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QRadialGradient sky(400, 300, 900);
        sky.setColorAt(0, QColor(250, 230, 180));
        sky.setColorAt(1, QColor(30, 60, 110));
        painter.fillRect(photo.rect(), sky);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(20, 40, 20));
        painter.drawEllipse(QPointF(800, 700), 500, 220);
        painter.drawEllipse(QPointF(200, 650), 160, 300);
    }
    Book plates;
    plates.kinds[0] = Blank, plates.kinds[1] = Picture, plates.angle = 1.5;
    Book page;
    page.pages = 1, page.angle = 2.0;
    QTest::newRow("blank paper") << white << QStringLiteral("blanco");
    QTest::newRow("black scan") << black << QStringLiteral("oscura");
    QTest::newRow("photograph") << photo << QStringLiteral("texto");
    QTest::newRow("blank page facing a plate") << makeScan(plates).image << QStringLiteral("texto");
    QTest::newRow("one page in a spread book")
        << makeScan(page).image << QStringLiteral("una página");
    QTest::newRow("smaller than 200 pixels")
        << makeScan(Book()).image.scaled(190, 134) << QStringLiteral("pequeña");
}

// Where the turn cannot be measured the scan is cut as if nothing had been looked for.
void DetectTest::saysNotFoundRatherThanGuess() {
    QFETCH(QImage, scan);
    QFETCH(QString, reason);
    const PageFinding found = findPages(scan);
    QVERIFY(!found.found);
    QVERIFY2(found.reason.contains(reason), qPrintable(found.reason));
    QCOMPARE(found.angle, 0.0);
    QVERIFY(found.pages.isEmpty());
    QCOMPARE(found.gutter, -1);
}

void DetectTest::reducedGreyIsTheBlockMean_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("factor");
    // Widths that leave columns over for the narrower paths after the widest one.
    QTest::newRow("factor 2") << QSize(1718, 30) << 2;
    QTest::newRow("factor 4") << QSize(3222, 45) << 4;
    QTest::newRow("factor 8") << QSize(6440, 70) << 8;
}

// Each grey pixel is the rounded mean luma, (r + 2g + b) / 4, of its block: of all its rows
// below a factor of 4, else of one row in four from the block's middle.
void DetectTest::reducedGreyIsTheBlockMean() {
    QFETCH(QSize, size);
    QFETCH(int, factor);
    QImage scan(size, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < scan.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(scan.scanLine(y));
        for (int x = 0; x < scan.width(); ++x)
            line[x] = random() | 0xff000000u;
    }
    // The narrower instructions give the same copy as the widest.
    setAreaShrinkSimd(AreaShrinkSimd::Sse2);
    const ReducedGrey narrower = reduceToGrey(scan);
    setAreaShrinkSimd(AreaShrinkSimd::Best);
    const ReducedGrey grey = reduceToGrey(scan);
    QVERIFY(narrower.pixels == grey.pixels);
    QCOMPARE(grey.factor, factor);
    QCOMPARE(grey.width, size.width() / factor);
    const int first = factor >= 4 ? factor / 2 : 0, rows = factor >= 4 ? factor / 4 : factor;
    for (int y = 0; y < grey.height; ++y)
        for (int x = 0; x < grey.width; ++x) {
            int sum = 0;
            for (int k = 0; k < rows; ++k)
                for (int i = 0; i < factor; ++i) {
                    const QRgb p = scan.pixel(x * factor + i, y * factor + first + k);
                    sum += qRed(p) + 2 * qGreen(p) + qBlue(p);
                }
            const int count = rows * factor * 4;
            QCOMPARE(int(grey.at(x, y)), (sum + count / 2) / count);
        }
}

QTEST_MAIN(DetectTest)
#include "test_detect.moc"
