#include "image/TurnedCut.h"

#include "image/TurnGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// Qt's painter samples in 16.16 fixed point with 8-bit weights, truncating; so do we, so that a
// cut matches the turn of the whole picture.
constexpr int kFixed = 1 << 16;
constexpr int kHalf = kFixed / 2;

inline std::uint32_t mix256(std::uint32_t x, std::uint32_t a, std::uint32_t y, std::uint32_t b) {
    std::uint32_t t = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    t >>= 8;
    t &= 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    x &= 0xff00ff00;
    return x | t;
}

inline std::uint32_t bilinear(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl,
                              std::uint32_t br, std::uint32_t dx, std::uint32_t dy) {
    const std::uint32_t top = mix256(tl, 256 - dx, tr, dx);
    const std::uint32_t bottom = mix256(bl, 256 - dx, br, dx);
    return mix256(top, 256 - dy, bottom, dy);
}

inline int mixGrey(int a, int b, int d) {
    return (a * (256 - d) + b * d) >> 8;
}

// The two source indices a coordinate reads, clamped at the picture's edges as Qt clamps them.
inline void neighbours(int v, int size, int& v1, int& v2) {
    if (v < 0) {
        v1 = v2 = 0;
    } else if (v >= size - 1) {
        v1 = v2 = size - 1;
    } else {
        v1 = v;
        v2 = v + 1;
    }
}

// Premultiplied colour laid on white, as the turn's painter draws it on its white canvas.
inline std::uint32_t onWhite(std::uint32_t p) {
    const std::uint32_t a = p >> 24;
    if (a == 255)
        return p;
    const std::uint32_t lift = 255 - a;
    const std::uint32_t r = std::min<std::uint32_t>(255, ((p >> 16) & 0xff) + lift);
    const std::uint32_t g = std::min<std::uint32_t>(255, ((p >> 8) & 0xff) + lift);
    const std::uint32_t b = std::min<std::uint32_t>(255, (p & 0xff) + lift);
    return 0xff000000u | (r << 16) | (g << 8) | b;
}

} // namespace

QImage cutTurned(const QImage& picture, double degrees, const QRect& area) {
    if (area.isEmpty() || picture.isNull())
        return {};
    QImage source = picture;
    const QImage::Format format = source.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied &&
        format != QImage::Format_Grayscale8)
        source = source.convertToFormat(
            source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    QImage out(area.size(), QImage::Format_RGB32);
    if (out.isNull() || source.isNull())
        return {};

    const TurnGeometry turn(source.size(), degrees);
    const int w = source.width(), h = source.height();
    const bool grey = source.format() == QImage::Format_Grayscale8;
    const bool premultiplied = source.format() == QImage::Format_ARGB32_Premultiplied;
    const uchar* bits = source.constBits();
    const qsizetype stride = source.bytesPerLine();
    // Per canvas pixel to the right, the source point moves by (cos, −sin).
    const int stepX = int(turn.cosine() * kFixed);
    const int stepY = int(-turn.sine() * kFixed);
    const qint64 limitX = qint64(w) * kFixed - kHalf, limitY = qint64(h) * kFixed - kHalf;

    for (int j = 0; j < area.height(); ++j) {
        auto* line = reinterpret_cast<std::uint32_t*>(out.scanLine(j));
        // The centre of the row's first pixel, in the source, half a pixel back: the sample
        // grid of a bilinear fetch.
        const QPointF start = turn.toSource(QPointF(area.x() + 0.5, area.y() + j + 0.5));
        int fx = int(start.x() * kFixed) - kHalf;
        int fy = int(start.y() * kFixed) - kHalf;
        for (int i = 0; i < area.width(); ++i, fx += stepX, fy += stepY) {
            if (fx < -kHalf || fy < -kHalf || fx >= limitX || fy >= limitY) {
                line[i] = 0xffffffffu;
                continue;
            }
            int x1, x2, y1, y2;
            neighbours(fx >> 16, w, x1, x2);
            neighbours(fy >> 16, h, y1, y2);
            const std::uint32_t dx = std::uint32_t(fx & 0xffff) >> 8;
            const std::uint32_t dy = std::uint32_t(fy & 0xffff) >> 8;
            const uchar* row1 = bits + y1 * stride;
            const uchar* row2 = bits + y2 * stride;
            if (grey) {
                const int top = mixGrey(row1[x1], row1[x2], int(dx));
                const int bottom = mixGrey(row2[x1], row2[x2], int(dx));
                const std::uint32_t v = std::uint32_t(mixGrey(top, bottom, int(dy)));
                line[i] = 0xff000000u | (v << 16) | (v << 8) | v;
            } else {
                const auto* r1 = reinterpret_cast<const std::uint32_t*>(row1);
                const auto* r2 = reinterpret_cast<const std::uint32_t*>(row2);
                const std::uint32_t p = bilinear(r1[x1], r1[x2], r2[x1], r2[x2], dx, dy);
                line[i] = premultiplied ? onWhite(p) : (p | 0xff000000u);
            }
        }
    }
    return out;
}
