// Makes the benchmark books: spreads of two printed pages as a flatbed scanner gives them, at
// 4960 x 3508 pixels (two A4 pages at 300 dpi), written as JPEG quality 90.
//
//     bench_make_book [--noisy] FOLDER FIRST LAST
//
// writes FOLDER/libroNNN.jpg for NNN = FIRST..LAST (three digits). Each spread depends only on
// its number, so a book of 100 spreads begins with the same 20 as a book of 20. What a spread
// holds: justified lines of real glyphs (DejaVu Serif), headings, running heads and page numbers,
// a coloured illustration on most pages, paper of slightly varying tone with a fibre texture,
// uneven lighting, the shadow of the fold, sensor noise, and the dark scanner lid beyond the
// book's left, right and bottom edges (the book lies against the top edge of the glass).
// With --noisy, the same printed pages come from a noisier scanner (see Look): paper grain and
// loose fibres, streaks of uneven sensor gain and stronger noise in every channel, as real
// scans have.
// Files are written under a temporary name and renamed, so an interrupted run leaves no
// half-written scan behind.
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "BookPages.h"

namespace {

constexpr int kWidth = 4960;
constexpr int kHeight = 3508;
constexpr int kQuality = 90;

// The noisy scanner's sensor noise (sigma, in levels), per unit of bytesSum4 / bytesSum2. With
// the grain, the fibres and full-resolution colour, this gives scans of about 3.4 MB.
constexpr float kLumaScale = 1.2f / 148.0f;
constexpr float kChromaScale = 0.8f / 105.0f;

// Which scanner the book comes from. The clean book's draws crisp pages with plain noise and is
// saved as Qt saves a JPEG (colour at half resolution, 4:2:0). The noisy book's is an ordinary
// flatbed: slightly soft optics, a fine paper grain with loose fibres, sensor elements whose
// gains differ a little (faint streaks along the scan direction), noise of its own in every
// channel, saved at quality 90 with colour at full resolution (4:4:4), as ImageMagick and
// libvips save at that quality. Structure that is not a plain pattern is what makes real scans
// large (about 3.4 MB here) and costly to decode, so both books are measured.
enum class Look { Clean, Noisy };

// The noisy scanner's extras, drawn from a random stream of their own so that both books
// share the same printed pages, lighting and lid.
struct Grain {
    static constexpr int kCell = 6;
    int gridW = kWidth / kCell + 2;
    std::vector<float> grid; // fine paper grain, value noise on a 6-pixel grid
    std::vector<float> gain; // per sensor element (column)
};

Grain makeGrain(int spread) {
    Random random(0x6A1A0000u + std::uint32_t(spread));
    Grain grain;
    const int gridH = kHeight / Grain::kCell + 2;
    grain.grid.resize(size_t(grain.gridW) * gridH);
    for (float& value : grain.grid)
        value = float(0.97 + 0.03 * random.unit());
    grain.gain.resize(kWidth);
    for (float& value : grain.gain)
        value = float(0.994 + 0.012 * random.unit());
    return grain;
}

// Loose fibres on the paper, under the ink: short, faint curved strokes a little darker or
// lighter than the paper.
void drawFibres(QPainter& painter, const QColor& paper, int spread) {
    Random random(0xF1B3E000u + std::uint32_t(spread));
    painter.save();
    painter.setBrush(Qt::NoBrush);
    for (int k = 0; k < 4000; ++k) {
        const double x = random.unit() * kWidth, y = random.unit() * kHeight;
        const double angle = random.unit() * 6.283185307179586;
        const double length = 6 + 34 * random.unit();
        const double dx = std::cos(angle) * length, dy = std::sin(angle) * length;
        QPainterPath path;
        path.moveTo(x, y);
        path.quadTo(x + dx / 2 + (random.unit() - 0.5) * length / 2,
                    y + dy / 2 + (random.unit() - 0.5) * length / 2, x + dx, y + dy);
        const double tone = random.chance(0.7) ? 0.88 + 0.07 * random.unit() : 1.03;
        painter.setPen(
            QPen(QColor(clamp255(int(paper.red() * tone)), clamp255(int(paper.green() * tone)),
                        clamp255(int(paper.blue() * tone)), random.between(60, 140)),
                 1.0 + random.unit()));
        painter.drawPath(path);
    }
    painter.restore();
}

// Bilinear value noise: the value at (x, y) of a grid of CELL-pixel cells, one row of it.
void valueNoiseRow(const std::vector<float>& grid, int gridW, int cell, int y, float* out) {
    const int gy = y / cell;
    const float fy = float(y % cell) / cell;
    const float* row0 = &grid[size_t(gy) * gridW];
    const float* row1 = row0 + gridW;
    for (int x = 0; x < kWidth; ++x) {
        const int gx = x / cell;
        const float fx = float(x % cell) / cell;
        const float top = row0[gx] + (row0[gx + 1] - row0[gx]) * fx;
        const float bottom = row1[gx] + (row1[gx + 1] - row1[gx]) * fx;
        out[x] = top + (bottom - top) * fy;
    }
}

// The scanner's optics: a slight blur, 1-2-1 across and down, in place.
void soften(QImage& image) {
    const int width = image.width(), height = image.height();
    // Sums across (x4) of three rows: the one above, this one and the one below. Row y + 1 is
    // summed before row y is overwritten, so every sum comes from the unblurred image.
    std::vector<std::uint16_t> ring(size_t(width) * 3 * 3);
    auto sumAcross = [&](int y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint16_t* out = &ring[size_t(y % 3) * width * 3];
        for (int x = 0; x < width; ++x) {
            const QRgb a = line[std::max(0, x - 1)], b = line[x],
                       c = line[std::min(width - 1, x + 1)];
            out[3 * x] = std::uint16_t(qRed(a) + 2 * qRed(b) + qRed(c));
            out[3 * x + 1] = std::uint16_t(qGreen(a) + 2 * qGreen(b) + qGreen(c));
            out[3 * x + 2] = std::uint16_t(qBlue(a) + 2 * qBlue(b) + qBlue(c));
        }
    };
    sumAcross(0);
    for (int y = 0; y < height; ++y) {
        if (y + 1 < height)
            sumAcross(y + 1);
        const std::uint16_t* above = &ring[size_t(std::max(0, y - 1) % 3) * width * 3];
        const std::uint16_t* here = &ring[size_t(y % 3) * width * 3];
        const std::uint16_t* below = &ring[size_t(std::min(height - 1, y + 1) % 3) * width * 3];
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            int value[3];
            for (int k = 0; k < 3; ++k)
                value[k] = (above[3 * x + k] + 2 * here[3 * x + k] + below[3 * x + k] + 8) / 16;
            line[x] = qRgb(value[0], value[1], value[2]);
        }
    }
}

// The noisy scanner's pass over the printed spread (see Look): the same lighting, fold and lid
// as the clean one, plus the grain, the sensor gains and the stronger noise.
void scanNoisy(QImage& image, int spread, int lidLeft, int lidRight, int lidBottom,
               const std::vector<float>& column, const std::vector<float>& fibreGrid,
               int fibreGridW, int fibreCell) {
    const Grain grain = makeGrain(spread);
    soften(image);
    const QRgb lid = qRgb(20, 20, 23);
    std::vector<float> fibre(kWidth), fine(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::uint32_t state =
            0x2545F491u ^ (std::uint32_t(spread) * 2654435761u) ^ (std::uint32_t(y) * 40503u + 1u);
        valueNoiseRow(fibreGrid, fibreGridW, fibreCell, y, fibre.data());
        valueNoiseRow(grain.grid, grain.gridW, Grain::kCell, y, fine.data());
        const bool belowBook = y >= kHeight - lidBottom;
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t r1 = xorshift(state);
            const std::uint32_t r2 = xorshift(state);
            const std::uint32_t r3 = xorshift(state);
            // Sensor noise, near Gaussian: shared by the three channels (luminance) and each
            // channel's own (colour).
            const float luma = float(bytesSum4(r1)) * kLumaScale;
            const float cr = float(bytesSum2(r2)) * kChromaScale;
            const float cg = float(bytesSum2(r2 >> 16)) * kChromaScale;
            const float cb = float(bytesSum2(r3)) * kChromaScale;
            QRgb pixel;
            float shade;
            if (belowBook || x < lidLeft || x >= kWidth - lidRight) {
                pixel = lid;
                shade = (1.0f + 0.25f * float(y) / kHeight) * grain.gain[x];
            } else {
                pixel = line[x];
                shade = column[x] * fibre[x] * fine[x] * grain.gain[x];
            }
            line[x] = qRgb(clamp255(int(std::lround(qRed(pixel) * shade + luma + cr))),
                           clamp255(int(std::lround(qGreen(pixel) * shade + luma + cg))),
                           clamp255(int(std::lround(qBlue(pixel) * shade + luma + cb))));
        }
    }
}

// What the scanner adds to the printed spread: paper fibre, lighting, the fold's shadow, the lid
// beyond the book's edges and sensor noise.
void scan(QImage& image, int spread, Random& random, Look look) {
    const int lidLeft = random.between(55, 75);
    const int lidRight = random.between(55, 75);
    const int lidBottom = random.between(100, 130);
    const int fold = kWidth / 2 + random.between(-6, 6);

    // Column shading: lighting falls off towards the outer edges, the fold darkens its
    // surroundings, the book's edge casts a narrow shadow.
    std::vector<float> column(kWidth);
    for (int x = 0; x < kWidth; ++x) {
        const double fromFold = std::abs(x - fold) / 150.0;
        const double foldShade = 1.0 - 0.38 * std::exp(-fromFold * fromFold);
        const double across = (x - kWidth / 2.0) / (kWidth / 2.0);
        const double light = 1.0 - 0.035 * across * across;
        const double edge = std::min(x - lidLeft, kWidth - lidRight - 1 - x);
        const double edgeShade = edge < 25 ? 0.82 + 0.18 * std::max(0.0, edge) / 25.0 : 1.0;
        column[x] = float(foldShade * light * edgeShade);
    }

    // Paper fibre: value noise on a 24-pixel grid, interpolated.
    constexpr int kCell = 24;
    const int gridW = kWidth / kCell + 2, gridH = kHeight / kCell + 2;
    std::vector<float> grid(size_t(gridW) * gridH);
    for (float& value : grid)
        value = float(0.975 + 0.05 * random.unit());

    const QRgb lid = qRgb(20, 20, 23);
    std::vector<float> fibre(kWidth);
    if (look == Look::Noisy) {
        scanNoisy(image, spread, lidLeft, lidRight, lidBottom, column, grid, gridW, kCell);
        return;
    }
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::uint32_t state =
            0x9E3779B9u ^ (std::uint32_t(spread) * 2654435761u) ^ (std::uint32_t(y) * 40503u + 1u);
        const int gy = y / kCell;
        const float fy = float(y % kCell) / kCell;
        for (int x = 0; x < kWidth; ++x) {
            const int gx = x / kCell;
            const float fx = float(x % kCell) / kCell;
            const float* row0 = &grid[size_t(gy) * gridW];
            const float* row1 = row0 + gridW;
            const float top = row0[gx] + (row0[gx + 1] - row0[gx]) * fx;
            const float bottom = row1[gx] + (row1[gx + 1] - row1[gx]) * fx;
            fibre[x] = top + (bottom - top) * fy;
        }
        const bool belowBook = y >= kHeight - lidBottom;
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t r1 = xorshift(state);
            const std::uint32_t r2 = xorshift(state);
            // Luminance noise: a sum of four bytes (near Gaussian, sigma about 3 levels).
            const int luma =
                (int((r1 & 0xFF) + ((r1 >> 8) & 0xFF) + ((r1 >> 16) & 0xFF) + (r1 >> 24)) - 510) /
                49;
            const int cr = int(r2 & 3) - 1, cg = int((r2 >> 2) & 3) - 1,
                      cb = int((r2 >> 4) & 3) - 1;
            QRgb pixel;
            float shade;
            if (belowBook || x < lidLeft || x >= kWidth - lidRight) {
                pixel = lid;
                shade = 1.0f + 0.25f * float(y) / kHeight;
            } else {
                pixel = line[x];
                shade = column[x] * fibre[x];
            }
            line[x] = qRgb(clamp255(int(qRed(pixel) * shade) + luma + cr),
                           clamp255(int(qGreen(pixel) * shade) + luma + cg),
                           clamp255(int(qBlue(pixel) * shade) + luma + cb));
        }
    }
}

QImage makeSpread(int spread, const Fonts& fonts, Look look) {
    Random random(0x5EED0000u + std::uint32_t(spread));
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const QColor paper(random.between(236, 246), random.between(230, 240),
                       random.between(214, 226));
    image.fill(paper);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (look == Look::Noisy)
            drawFibres(painter, paper, spread);
        const QRect left(0, 0, kWidth / 2, kHeight - 120);
        const QRect right(kWidth / 2, 0, kWidth / 2, kHeight - 120);
        drawPage(painter, left, 2 * spread - 1, true, fonts, random);
        drawPage(painter, right, 2 * spread, false, fonts, random);
    }
    scan(image, spread, random, look);
    return image;
}

// The clean book: as Qt writes a JPEG (4:2:0).
bool writeQtJpeg(const QImage& image, const QString& path, QString& error) {
    QImageWriter writer(path, "jpeg");
    writer.setQuality(kQuality);
    if (writer.write(image))
        return true;
    error = writer.errorString();
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    Look look = Look::Clean;
    if (argc == 5 && std::strcmp(argv[1], "--noisy") == 0) {
        look = Look::Noisy;
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_make_book [--noisy] FOLDER FIRST LAST\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int first = std::atoi(argv[2]);
    const int last = std::atoi(argv[3]);
    if (first < 1 || last < first || last > 999) {
        std::fprintf(stderr, "bench_make_book: FIRST and LAST must satisfy 1 <= FIRST <= LAST "
                             "<= 999\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench_make_book: cannot create %s\n", qPrintable(folder));
        return 1;
    }
    const Fonts fonts = loadFonts();
    for (int spread = first; spread <= last; ++spread) {
        const QString name = QStringLiteral("libro%1.jpg").arg(spread, 3, 10, QLatin1Char('0'));
        const QString path = QDir(folder).filePath(name);
        const QString partial = path + QStringLiteral(".part");
        const QImage image = makeSpread(spread, fonts, look);
        QString error;
        if (!(look == Look::Noisy ? writeJpeg444(image, partial, kQuality, error)
                                  : writeQtJpeg(image, partial, error))) {
            std::fprintf(stderr, "bench_make_book: cannot write %s: %s\n", qPrintable(partial),
                         qPrintable(error));
            QFile::remove(partial);
            return 1;
        }
        QFile::remove(path);
        if (!QFile::rename(partial, path)) {
            std::fprintf(stderr, "bench_make_book: cannot rename %s\n", qPrintable(partial));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
    }
    return 0;
}
