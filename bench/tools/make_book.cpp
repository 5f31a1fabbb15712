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

#include <jpeglib.h>

namespace {

constexpr int kWidth = 4960;
constexpr int kHeight = 3508;
constexpr int kQuality = 90;

// Only the engine's raw output is used (its sequence is fixed by the C++ standard); the
// standard distributions are not, so that the book is the same with every standard library.
class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    std::uint32_t next() { return static_cast<std::uint32_t>(engine_()); }
    int between(int low, int high) { // both ends included
        return low + static_cast<int>(next() % static_cast<std::uint32_t>(high - low + 1));
    }
    double unit() { return next() / 4294967296.0; }
    bool chance(double p) { return unit() < p; }

private:
    std::mt19937 engine_;
};

const QStringList& words() {
    static const QStringList list =
        QStringLiteral(
            "la de que el en los se del las por un con no una su para es al lo como más pero sus "
            "le ya o este sí porque esta entre cuando muy sin sobre también me hasta hay donde "
            "quien desde todo nos durante todos uno les ni contra otros ese eso ante ellos esto "
            "antes algunos qué unos otro otras otra él tanto esa estos mucho quienes nada muchos "
            "cual poco ella estar estas algunas algo nosotros libro página tiempo casa mundo vida "
            "hombre ciudad camino noche palabra historia agua tierra puerta ventana calle río "
            "montaña recuerdo silencio mañana invierno verano campo pueblo iglesia mercado carta "
            "viaje señor señora hermano madre padre capítulo memoria sombra luz fuego piedra árbol "
            "jardín mesa papel tinta pluma escribir leer decir hacer volver llegar pensar mirar "
            "encontrar siempre nunca entonces después todavía apenas quizá lejos cerca dentro")
            .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return list;
}

QString word(Random& random) {
    const QStringList& list = words();
    return list[random.between(0, int(list.size()) - 1)];
}

QString sentence(Random& random, int count) {
    QStringList parts;
    for (int k = 0; k < count; ++k)
        parts << word(random);
    QString text = parts.join(QLatin1Char(' '));
    text[0] = text[0].toUpper();
    return text;
}

struct Fonts {
    QString serif = QStringLiteral("DejaVu Serif");
    QString serifBold = QStringLiteral("DejaVu Serif");
};

// A coloured illustration: sky, hills, a sun and a frame, as a printed photograph or plate.
void drawIllustration(QPainter& painter, const QRect& area, Random& random) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    const int hue = random.between(0, 359);
    sky.setColorAt(0.0, QColor::fromHsv(hue, random.between(60, 160), random.between(150, 230)));
    sky.setColorAt(
        1.0, QColor::fromHsv((hue + 40) % 360, random.between(40, 120), random.between(200, 250)));
    painter.fillRect(area, sky);
    painter.save();
    painter.setClipRect(area);
    painter.setPen(Qt::NoPen);
    QRadialGradient sun(area.left() + area.width() * random.unit(),
                        area.top() + area.height() * 0.3 * random.unit(), area.height() * 0.25);
    sun.setColorAt(0.0, QColor(255, 240, 180, 230));
    sun.setColorAt(1.0, QColor(255, 220, 150, 0));
    painter.setBrush(sun);
    painter.drawRect(area);
    for (int hill = 0; hill < 4; ++hill) {
        QPainterPath path;
        const double base = area.top() + area.height() * (0.45 + 0.12 * hill);
        path.moveTo(area.left(), area.bottom());
        for (int x = 0; x <= area.width(); x += 40) {
            const double y = base + std::sin((x + 300 * random.unit()) / (120.0 + 60 * hill)) *
                                        area.height() * 0.06;
            path.lineTo(area.left() + x, y);
        }
        path.lineTo(area.right(), area.bottom());
        path.closeSubpath();
        const int green = (hue + 90 + 25 * hill) % 360;
        painter.setBrush(QColor::fromHsv(green, 90 + 30 * hill, 170 - 30 * hill));
        painter.drawPath(path);
    }
    for (int k = 0; k < 25; ++k) {
        painter.setBrush(QColor::fromHsv(random.between(0, 359), random.between(80, 220),
                                         random.between(60, 220), random.between(90, 200)));
        const int size = random.between(20, area.height() / 6);
        painter.drawEllipse(area.left() + random.between(0, area.width()),
                            area.top() + random.between(area.height() / 2, area.height()), size,
                            size * 2);
    }
    painter.restore();
    painter.setPen(QPen(QColor(40, 36, 34), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
}

// One printed page: running head, an optional heading, justified paragraphs, an optional
// illustration with its caption, and the page number.
void drawPage(QPainter& painter, const QRect& page, int number, bool leftPage, const Fonts& fonts,
              Random& random) {
    const QColor ink(random.between(22, 36), random.between(20, 32), random.between(24, 38));
    const int outer = 230, inner = 300, top = 260, bottom = 330;
    const int left = page.left() + (leftPage ? outer : inner);
    const int right = page.right() - (leftPage ? inner : outer);
    const int width = right - left;

    QFont small(fonts.serif);
    small.setPixelSize(30);
    small.setItalic(true);
    painter.setFont(small);
    painter.setPen(ink);
    painter.drawText(QRect(left, page.top() + top - 110, width, 50), Qt::AlignHCenter,
                     sentence(random, 3).toUpper());

    int y = page.top() + top;
    if (random.chance(0.3)) {
        QFont heading(fonts.serifBold);
        heading.setPixelSize(76);
        heading.setBold(true);
        painter.setFont(heading);
        painter.setPen(QColor(120, 24, 20));
        painter.drawText(QRect(left, y, width, 200), Qt::AlignHCenter | Qt::AlignVCenter,
                         QStringLiteral("Capítulo %1").arg(number / 7 + 1));
        y += 300;
    }

    QFont body(fonts.serif);
    body.setPixelSize(42);
    painter.setFont(body);
    painter.setPen(ink);
    const QFontMetrics metrics(body);
    const int lineHeight = 60;
    const int space = metrics.horizontalAdvance(QLatin1Char(' '));
    const int textBottom = page.bottom() - bottom;

    int illustrationAt = -1;
    int illustrationHeight = 0;
    if (random.chance(0.75)) {
        illustrationHeight = random.between(500, 1100);
        illustrationAt =
            random.between(y + 200, std::max(y + 200, textBottom - illustrationHeight - 200));
    }

    bool paragraphStart = true;
    while (y + lineHeight < textBottom) {
        if (illustrationAt >= 0 && y + lineHeight > illustrationAt) {
            const QRect area(left + 40, illustrationAt, width - 80, illustrationHeight);
            drawIllustration(painter, area, random);
            QFont caption(fonts.serif);
            caption.setPixelSize(32);
            caption.setItalic(true);
            painter.setFont(caption);
            painter.setPen(ink);
            painter.drawText(QRect(left, area.bottom() + 20, width, 50), Qt::AlignHCenter,
                             QStringLiteral("Fig. %1. ").arg(number) + sentence(random, 6));
            painter.setFont(body);
            y = area.bottom() + 110;
            illustrationAt = -1;
            continue;
        }
        // Fill a line with words, then spread the spare room between them (justified text);
        // the last line of a paragraph stays ragged.
        const int indent = paragraphStart ? 80 : 0;
        QStringList line;
        int used = 0;
        for (;;) {
            QString next = word(random);
            if (line.isEmpty() && paragraphStart)
                next[0] = next[0].toUpper();
            if (random.chance(0.08))
                next += random.chance(0.5) ? QStringLiteral(",") : QStringLiteral(".");
            const int advance = metrics.horizontalAdvance(next);
            if (indent + used + (line.isEmpty() ? 0 : space) + advance > width)
                break;
            used += (line.isEmpty() ? 0 : space) + advance;
            line << next;
        }
        const bool paragraphEnd = random.chance(0.12);
        const double extra = paragraphEnd || line.size() < 2
                                 ? 0.0
                                 : double(width - indent - used) / double(line.size() - 1);
        double x = left + indent;
        for (const QString& item : line) {
            painter.drawText(QPointF(x, y + metrics.ascent()), item);
            x += metrics.horizontalAdvance(item) + space + extra;
        }
        paragraphStart = paragraphEnd;
        y += lineHeight;
    }

    QFont folio(fonts.serif);
    folio.setPixelSize(36);
    painter.setFont(folio);
    painter.setPen(ink);
    painter.drawText(QRect(left, page.bottom() - bottom + 120, width, 60), Qt::AlignHCenter,
                     QString::number(number));
}

// xorshift32: a fast, fixed per-pixel noise source.
inline std::uint32_t xorshift(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

inline int clamp255(int value) {
    return std::clamp(value, 0, 255);
}

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

// A near-Gaussian value from the four bytes of a random word (mean 0, sigma about 148).
inline int bytesSum4(std::uint32_t r) {
    return int((r & 0xFF) + ((r >> 8) & 0xFF) + ((r >> 16) & 0xFF) + (r >> 24)) - 510;
}
// The same from two bytes (sigma about 105).
inline int bytesSum2(std::uint32_t r) {
    return int((r & 0xFF) + ((r >> 8) & 0xFF)) - 255;
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

// libjpeg reports a fatal error through this hook, which must not return: it jumps back to
// writeJpeg444 with the message.
struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf back{};
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jpegFailed(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->back, 1);
}

// The noisy book: libjpeg with colour at full resolution (every component sampled 1 x 1).
bool writeJpeg444(const QImage& image, const QString& path, QString& error) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file) {
        error = QStringLiteral("cannot create the file");
        return false;
    }
    jpeg_compress_struct info{};
    JpegErrors errors;
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jpegFailed;
    if (setjmp(errors.back)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        error = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(rgb.width());
    info.image_height = JDIMENSION(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    for (int c = 0; c < info.num_components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(rgb.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    if (std::fclose(file) != 0) {
        error = QStringLiteral("cannot finish the file");
        return false;
    }
    return true;
}

Fonts loadFonts() {
    Fonts fonts;
    const QString folder = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    const int regular =
        QFontDatabase::addApplicationFont(folder + QStringLiteral("DejaVuSerif.ttf"));
    const int bold =
        QFontDatabase::addApplicationFont(folder + QStringLiteral("DejaVuSerif-Bold.ttf"));
    if (regular < 0 || bold < 0)
        std::fprintf(stderr,
                     "bench_make_book: DejaVu Serif not found in %s; using the default "
                     "font (the book will differ from other machines')\n",
                     qPrintable(folder));
    if (regular >= 0)
        fonts.serif = QFontDatabase::applicationFontFamilies(regular).value(0, fonts.serif);
    if (bold >= 0)
        fonts.serifBold = QFontDatabase::applicationFontFamilies(bold).value(0, fonts.serifBold);
    return fonts;
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
        if (!(look == Look::Noisy ? writeJpeg444(image, partial, error)
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
