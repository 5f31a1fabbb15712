#include "crop/MarginTrim.h"

#include "image/Picture.h"
#include "util/Numbers.h"

#include <optional>

namespace {

bool isContent(const Picture& page, QPoint at, int tolerance) {
    const int c = page.PixelColor(at.x(), at.y());
    return (c & 0xFF) > tolerance || ((c >> 8) & 0xFF) > tolerance ||
           ((c >> 16) & 0xFF) > tolerance;
}

// The first content pixel on the line from `start` by `step`, `count` pixels long; nothing when
// the whole line is dark.
std::optional<QPoint> firstContent(const Picture& page, QPoint start, QPoint step, int count,
                                   int tolerance) {
    for (QPoint at = start; count > 0; at += step, --count) {
        if (isContent(page, at, tolerance))
            return at;
    }
    return std::nullopt;
}

} // namespace

QRect contentRectangle(const Picture& page, int tolerance) {
    const int width = page.ImageWidth();
    const int height = page.ImageHeight();
    if (width <= 0 || height <= 0)
        return {};
    // Pixels are numbered from 0; the probes start on the border pixels themselves.
    const int columns[] = {roundToInt32(width / 3.0), roundToInt32(2.0 * width / 3.0)};
    const int rows[] = {roundToInt32(height / 3.0), roundToInt32(2.0 * height / 3.0)};
    int left = width, top = height, right = -1, bottom = -1;
    for (int x : columns) {
        if (auto hit = firstContent(page, {x, 0}, {0, 1}, height, tolerance))
            top = std::min(top, hit->y());
    }
    for (int x : columns) {
        if (auto hit = firstContent(page, {x, height - 1}, {0, -1}, height, tolerance))
            bottom = std::max(bottom, hit->y());
    }
    for (int y : rows) {
        if (auto hit = firstContent(page, {0, y}, {1, 0}, width, tolerance))
            left = std::min(left, hit->x());
    }
    for (int y : rows) {
        if (auto hit = firstContent(page, {width - 1, y}, {-1, 0}, width, tolerance))
            right = std::max(right, hit->x());
    }
    if (left > right) {
        left = 0;
        right = width - 1;
    }
    if (top > bottom) {
        top = 0;
        bottom = height - 1;
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool trimDarkMargins(Picture& page, int tolerance) {
    const QRect keep = contentRectangle(page, tolerance);
    if (keep.isEmpty() || keep == QRect(0, 0, page.ImageWidth(), page.ImageHeight()))
        return true;
    // Selection corners are display units; the larger corner is just outside the selection.
    const double unit = page.Zoom() / 100.0;
    page.SelectArea(roundToInt32(keep.left() * unit), roundToInt32(keep.top() * unit),
                    roundToInt32((keep.right() + 1) * unit),
                    roundToInt32((keep.bottom() + 1) * unit));
    return page.CropToSelection();
}

QColor toleranceTextColour(int tolerance) {
    if (tolerance <= 90)
        return QColor(0, 255, 0);
    if (tolerance <= 180)
        return QColor(221, 221, 0);
    return QColor(221, 0, 0);
}
