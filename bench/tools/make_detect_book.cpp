// Makes the page finder's ground-truth book: spreads of 4960 x 3508 pixels as a flatbed gives a
// book that moves between scans, each with the truth of where everything is.
//
//     bench_make_detect_book FOLDER FIRST LAST
//
// writes FOLDER/libroNNN.jpg (JPEG quality 90, colour at full resolution) and FOLDER/libroNNN.txt
// for NNN = FIRST..LAST. A spread is an open book of two 2200 x 3150 pages (printed as the
// benchmark's other books print them: real glyphs, headings, illustrations, page numbers; some
// pages are chapter openings of a few lines, full-page plates or blank), with a fold shadow,
// paper texture and lighting, turned by a known angle between -3.5 and 3.5 degrees, shifted by
// a known amount on a dark scanner bed, with sensor noise. Each spread depends only on its
// number.
//
// The truth file, one "key value..." per line:
//   angle A              the turn that straightens the scan, as Picture::Rotate takes it
//   canvas W H           the size of the canvas that turn makes
//   gutter_scan X        the x of the fold at the scan's mid height, in scan pixels
//   gutter_turned X      the x of the fold on the turned canvas
//   page SIDE KIND LINES PX PY PW PH CX CY CW CH
//                        per page (left, right): what it holds, its lines of body text, its paper
//                        and its printed block (the bounding box of its ink) on the turned canvas
#include "BookPages.h"
#include "image/TurnGeometry.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <QTransform>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kWidth = 4960;
constexpr int kHeight = 3508;
constexpr int kPageW = 2200;
constexpr int kPageH = 3150;
constexpr int kQuality = 90;

const char* kindName(PageKind kind) {
    switch (kind) {
    case PageKind::Text:
        return "text";
    case PageKind::Chapter:
        return "chapter";
    case PageKind::Picture:
        return "picture";
    case PageKind::Blank:
        return "blank";
    }
    return "?";
}

struct Spread {
    double angle = 0;
    QPointF shift;
    PageKind kinds[2] = {PageKind::Text, PageKind::Text};
};

// The first spreads are the cases worth naming: straight, both extreme turns, a chapter opening
// facing a blank page, a plate facing text, and a spread with no text at all.
Spread plan(int number, Random& random) {
    Spread s;
    s.angle = std::round((random.unit() * 7.0 - 3.5) * 1000.0) / 1000.0;
    auto kind = [&random]() {
        const double r = random.unit();
        return r < 0.72   ? PageKind::Text
               : r < 0.84 ? PageKind::Chapter
               : r < 0.93 ? PageKind::Picture
                          : PageKind::Blank;
    };
    s.kinds[0] = kind();
    s.kinds[1] = kind();
    switch (number) {
    case 1:
        s.angle = 0;
        break;
    case 2:
        s.angle = 3.5;
        break;
    case 3:
        s.angle = -3.5;
        break;
    case 4:
        s.kinds[0] = PageKind::Blank, s.kinds[1] = PageKind::Chapter;
        break;
    case 5:
        s.kinds[0] = PageKind::Picture, s.kinds[1] = PageKind::Text;
        break;
    case 6:
        s.kinds[0] = PageKind::Blank, s.kinds[1] = PageKind::Picture;
        break;
    default:
        break;
    }
    // Shift the book as far as the scan still holds all of it, up to 150 x 60 pixels.
    const double radians = std::abs(s.angle) * M_PI / 180.0;
    const double bw = 2 * kPageW * std::cos(radians) + kPageH * std::sin(radians);
    const double bh = 2 * kPageW * std::sin(radians) + kPageH * std::cos(radians);
    const double roomX = std::min(150.0, (kWidth - bw) / 2 - 12);
    const double roomY = std::min(60.0, (kHeight - bh) / 2 - 12);
    s.shift = QPointF(std::round((random.unit() * 2 - 1) * std::max(0.0, roomX)),
                      std::round((random.unit() * 2 - 1) * std::max(0.0, roomY)));
    return s;
}

// The bounding box of what differs from the paper in `area` of `book`.
QRect inkBox(const QImage& book, const QRect& area, QRgb paper) {
    int left = area.right() + 1, right = area.left() - 1, top = area.bottom() + 1,
        bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(book.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = line[x];
            if (std::abs(qRed(p) - qRed(paper)) + std::abs(qGreen(p) - qGreen(paper)) +
                    std::abs(qBlue(p) - qBlue(paper)) >
                60) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
    }
    return right < left ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Paper texture, lighting that falls off towards the outer edges, the fold's shadow and the
// shadow of the edges of the stacked pages.
void shadeBook(QImage& book, Random& random) {
    const int w = book.width(), h = book.height();
    std::vector<float> column(w);
    for (int x = 0; x < w; ++x) {
        const double fromFold = std::abs(x - kPageW) / 140.0;
        const double fold = 1.0 - 0.36 * std::exp(-fromFold * fromFold);
        const double across = (x - w / 2.0) / (w / 2.0);
        const double light = 1.0 - 0.05 * across * across;
        const double edge = std::min(x, w - 1 - x);
        const double edgeShade = edge < 20 ? 0.85 + 0.15 * edge / 20.0 : 1.0;
        column[x] = float(fold * light * edgeShade);
    }
    constexpr int kCell = 24;
    const int gw = w / kCell + 2, gh = h / kCell + 2;
    std::vector<float> grid(size_t(gw) * gh);
    for (float& v : grid)
        v = float(0.975 + 0.05 * random.unit());
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(book.scanLine(y));
        const int gy = y / kCell;
        const float fy = float(y % kCell) / kCell;
        const double rowEdge = std::min(y, h - 1 - y);
        const float rowShade = rowEdge < 14 ? float(0.88 + 0.12 * rowEdge / 14.0) : 1.0f;
        for (int x = 0; x < w; ++x) {
            const int gx = x / kCell;
            const float fx = float(x % kCell) / kCell;
            const float* r0 = &grid[size_t(gy) * gw];
            const float* r1 = r0 + gw;
            const float top = r0[gx] + (r0[gx + 1] - r0[gx]) * fx;
            const float bottom = r1[gx] + (r1[gx + 1] - r1[gx]) * fx;
            const float shade = column[x] * rowShade * (top + (bottom - top) * fy);
            const QRgb p = line[x];
            line[x] = qRgb(clamp255(int(qRed(p) * shade)), clamp255(int(qGreen(p) * shade)),
                           clamp255(int(qBlue(p) * shade)));
        }
    }
}

void addSensorNoise(QImage& image, int number) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::uint32_t state =
            0x7F4A7C15u ^ (std::uint32_t(number) * 2654435761u) ^ (std::uint32_t(y) * 40503u + 1u);
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t r1 = xorshift(state), r2 = xorshift(state);
            const int luma = bytesSum4(r1) / 40; // sigma about 3.7 levels
            const int cr = int(r2 & 3) - 1, cg = int((r2 >> 2) & 3) - 1,
                      cb = int((r2 >> 4) & 3) - 1;
            const QRgb p = line[x];
            line[x] = qRgb(clamp255(qRed(p) + luma + cr), clamp255(qGreen(p) + luma + cg),
                           clamp255(qBlue(p) + luma + cb));
        }
    }
}

bool makeSpread(int number, const Fonts& fonts, const QString& folder) {
    Random random(0xDE7EC000u + std::uint32_t(number));
    const Spread spread = plan(number, random);
    const QColor paper(random.between(232, 246), random.between(226, 240),
                       random.between(208, 226));
    QImage book(2 * kPageW, kPageH, QImage::Format_RGB32);
    book.fill(paper);
    int lines[2] = {0, 0};
    {
        QPainter painter(&book);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        for (int side = 0; side < 2; ++side)
            lines[side] =
                drawPage(painter, QRect(side * kPageW, 0, kPageW, kPageH), 2 * number - 1 + side,
                         side == 0, fonts, random, spread.kinds[side]);
    }
    QRect ink[2];
    for (int side = 0; side < 2; ++side)
        ink[side] = inkBox(book, QRect(side * kPageW, 0, kPageW, kPageH), paper.rgb());
    shadeBook(book, random);

    // The book on the bed: turned by −angle about its centre, which lies at the scan's centre
    // plus the shift, so that a turn by +angle straightens it.
    QImage scan(kWidth, kHeight, QImage::Format_RGB32);
    scan.fill(qRgb(21, 21, 24));
    QTransform place;
    place.translate(kWidth / 2.0 + spread.shift.x(), kHeight / 2.0 + spread.shift.y());
    place.rotate(-spread.angle);
    place.translate(-book.width() / 2.0, -book.height() / 2.0);
    {
        QPainter painter(&scan);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(place);
        painter.drawImage(0, 0, book);
    }
    addSensorNoise(scan, number);

    const TurnGeometry turn(scan.size(), spread.angle);
    // A point of the book lands on the turned canvas shifted by this much.
    const QPointF offset = turn.toTurned(place.map(QPointF(0, 0)));
    auto onCanvas = [&offset](const QRect& r) {
        return r.isNull() ? QRectF()
                          : QRectF(r.x() + offset.x(), r.y() + offset.y(), r.width(), r.height());
    };
    // The fold at the scan's mid height: where the line x = kPageW of the book crosses it.
    const QPointF a = place.map(QPointF(kPageW, 0)), b = place.map(QPointF(kPageW, kPageH));
    const double t = (kHeight / 2.0 - a.y()) / (b.y() - a.y());
    const double gutterScan = a.x() + t * (b.x() - a.x());

    const QString base =
        QDir(folder).filePath(QStringLiteral("libro%1").arg(number, 3, 10, QLatin1Char('0')));
    QFile truth(base + QStringLiteral(".txt.part"));
    if (!truth.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    {
        QTextStream out(&truth);
        out.setRealNumberNotation(QTextStream::FixedNotation);
        out.setRealNumberPrecision(3);
        out << "angle " << spread.angle << "\n";
        out << "canvas " << turn.canvas().width() << " " << turn.canvas().height() << "\n";
        out << "gutter_scan " << gutterScan << "\n";
        out << "gutter_turned " << kPageW + offset.x() << "\n";
        for (int side = 0; side < 2; ++side) {
            const QRectF p = onCanvas(QRect(side * kPageW, 0, kPageW, kPageH));
            const QRectF c = onCanvas(ink[side]);
            out << "page " << (side ? "right " : "left ") << kindName(spread.kinds[side]) << " "
                << lines[side] << " " << p.x() << " " << p.y() << " " << p.width() << " "
                << p.height() << " " << c.x() << " " << c.y() << " " << c.width() << " "
                << c.height() << "\n";
        }
    }
    truth.close();
    QString error;
    const QString partial = base + QStringLiteral(".jpg.part");
    if (!writeJpeg444(scan, partial, kQuality, error)) {
        std::fprintf(stderr, "bench_make_detect_book: %s: %s\n", qPrintable(partial),
                     qPrintable(error));
        return false;
    }
    for (const char* ext : {".jpg", ".txt"}) {
        const QString path = base + QLatin1String(ext);
        QFile::remove(path);
        if (!QFile::rename(path + QStringLiteral(".part"), path))
            return false;
    }
    std::printf("%s.jpg\n", qPrintable(base));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_make_detect_book FOLDER FIRST LAST\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int first = std::atoi(argv[2]), last = std::atoi(argv[3]);
    if (first < 1 || last < first || last > 999) {
        std::fprintf(stderr, "bench_make_detect_book: need 1 <= FIRST <= LAST <= 999\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench_make_detect_book: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const Fonts fonts = loadFonts();
    for (int number = first; number <= last; ++number)
        if (!makeSpread(number, fonts, folder)) {
            std::fprintf(stderr, "bench_make_detect_book: cannot write spread %d\n", number);
            return 1;
        }
    return 0;
}
