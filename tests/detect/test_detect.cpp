#include "detect/PageFinder.h"
#include "image/TurnGeometry.h"

#include <QPainter>
#include <QTest>
#include <QTransform>

#include <cmath>
#include <random>

namespace {

enum Kind { Text, Chapter, Picture, Blank };

struct Book {
    int pages = 2;
    Kind kinds[2] = {Text, Text};
    double angle = 0; // the turn that straightens the scan
    QPointF shift;
};

struct Scan {
    QImage image;
    double gutter = -1; // on the scan at mid height
    QRectF paper[2];    // on the turned canvas
    QRectF content[2];  // on the turned canvas; null for a blank page
};

constexpr int kPageW = 540, kPageH = 770;

// Word-like bars on the lines of a text block (no fonts, so that no machine draws them
// differently); returns their bounding box.
QRect drawLines(QPainter& painter, const QRect& block, int lines, std::mt19937& random) {
    std::uniform_int_distribution<int> word(8, 40), ink(15, 45);
    QRect drawn;
    for (int k = 0; k < lines && 15 * k + 6 < block.height(); ++k) {
        const int y = block.top() + 15 * k;
        const int end = k % 9 == 8 ? block.center().x() : block.right();
        for (int x = block.left() + (k % 9 == 0 ? 20 : 0); x < end;) {
            const QRect bar(x, y, std::min(word(random), end - x), k % 3 ? 5 : 6);
            painter.fillRect(bar, QColor(ink(random), ink(random), ink(random)));
            drawn |= bar;
            x = bar.right() + 6;
        }
    }
    return drawn;
}

QRect drawPage(QPainter& painter, const QRect& page, Kind kind, bool left, std::mt19937& random) {
    const QRect block = page.adjusted(left ? 60 : 72, 60, left ? -72 : -60, -90);
    QRect drawn;
    if (kind == Text) {
        drawn = drawLines(painter, block, 1000, random);
    } else if (kind == Chapter) {
        const QRect heading(block.center().x() - 80, block.top() + 150, 160, 14);
        painter.fillRect(heading, QColor(120, 24, 20));
        drawn = heading | drawLines(painter, block.adjusted(0, 200, 0, 0), 4, random);
    } else if (kind == Picture) {
        QLinearGradient sky(block.topLeft(), block.bottomRight());
        sky.setColorAt(0, QColor(40, 90, 160));
        sky.setColorAt(1, QColor(200, 150, 60));
        painter.fillRect(block, sky);
        drawn = block;
    }
    if (kind != Blank) {
        const QRect folio(block.center().x() - 8, page.bottom() - 50, 16, 7);
        painter.fillRect(folio, QColor(30, 30, 30));
        drawn |= folio;
    }
    return drawn;
}

// An open book turned by −angle and shifted on a dark bed, with paper shading, the fold's shadow
// and noise, and where everything lands on the canvas that straightens it.
Scan makeScan(const Book& book, QSize size = QSize(1240, 877)) {
    std::mt19937 random(17);
    const int width = book.pages * kPageW;
    QImage paper(width, kPageH, QImage::Format_RGB32);
    paper.fill(QColor(236, 231, 214));
    QRect content[2];
    {
        QPainter painter(&paper);
        for (int k = 0; k < book.pages; ++k)
            content[k] = drawPage(painter, QRect(k * kPageW, 0, kPageW, kPageH), book.kinds[k],
                                  k == 0 && book.pages == 2, random);
    }
    if (book.pages == 2)
        for (int y = 0; y < kPageH; ++y) {
            auto* line = reinterpret_cast<QRgb*>(paper.scanLine(y));
            for (int x = 0; x < width; ++x) {
                const double d = (x - kPageW) / 35.0, shade = 1 - 0.36 * std::exp(-d * d);
                line[x] = qRgb(int(qRed(line[x]) * shade), int(qGreen(line[x]) * shade),
                               int(qBlue(line[x]) * shade));
            }
        }
    Scan scan;
    scan.image = QImage(size, QImage::Format_RGB32);
    scan.image.fill(QColor(22, 22, 26));
    QTransform place;
    place.translate(size.width() / 2.0 + book.shift.x(), size.height() / 2.0 + book.shift.y());
    place.rotate(-book.angle);
    place.translate(-width / 2.0, -kPageH / 2.0);
    {
        QPainter painter(&scan.image);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setTransform(place);
        painter.drawImage(0, 0, paper);
    }
    std::uniform_int_distribution<int> noise(-4, 4);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(scan.image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int n = noise(random);
            line[x] =
                qRgb(std::clamp(qRed(line[x]) + n, 0, 255), std::clamp(qGreen(line[x]) + n, 0, 255),
                     std::clamp(qBlue(line[x]) + n, 0, 255));
        }
    }
    const QPointF offset = TurnGeometry(size, book.angle).toTurned(place.map(QPointF(0, 0)));
    for (int k = 0; k < book.pages; ++k) {
        scan.paper[k] = QRectF(k * kPageW, 0, kPageW, kPageH).translated(offset);
        if (!content[k].isNull())
            scan.content[k] = QRectF(content[k]).translated(offset);
    }
    if (book.pages == 2) {
        const QPointF a = place.map(QPointF(kPageW, 0)), b = place.map(QPointF(kPageW, kPageH));
        scan.gutter = a.x() + (size.height() / 2.0 - a.y()) / (b.y() - a.y()) * (b.x() - a.x());
    }
    return scan;
}

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

QTEST_MAIN(DetectTest)
#include "test_detect.moc"
