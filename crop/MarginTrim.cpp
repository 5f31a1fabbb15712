#include "crop/MarginTrim.h"

#include "app/Numbers.h"
#include "image/ImageBox.h"

namespace {

bool isContent(const ImageBox& page, int x, int y, int tolerance) {
    const int c = page.PixelColor(x, y);
    return (c & 0xFF) > tolerance || ((c >> 8) & 0xFF) > tolerance ||
           ((c >> 16) & 0xFF) > tolerance;
}

} // namespace

QRect contentRectangle(const ImageBox& page, int tolerance) {
    const int width = page.ImageWidth();
    const int height = page.ImageHeight();
    if (width <= 0 || height <= 0)
        return {};
    // Pixels are numbered from 0; the probes start on the border pixels themselves.
    const int x1 = roundToInt32(width / 3.0), x2 = roundToInt32(2.0 * width / 3.0);
    const int y1 = roundToInt32(height / 3.0), y2 = roundToInt32(2.0 * height / 3.0);
    int left = width, top = height, right = -1, bottom = -1;

    for (int x : {x1, x2}) {
        for (int y = 0; y < height; ++y) {
            if (isContent(page, x, y, tolerance)) {
                top = std::min(top, y);
                break;
            }
        }
    }
    for (int x : {x1, x2}) {
        for (int y = height - 1; y >= 0; --y) {
            if (isContent(page, x, y, tolerance)) {
                bottom = std::max(bottom, y);
                break;
            }
        }
    }
    for (int y : {y1, y2}) {
        for (int x = 0; x < width; ++x) {
            if (isContent(page, x, y, tolerance)) {
                left = std::min(left, x);
                break;
            }
        }
    }
    for (int y : {y1, y2}) {
        for (int x = width - 1; x >= 0; --x) {
            if (isContent(page, x, y, tolerance)) {
                right = std::max(right, x);
                break;
            }
        }
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

bool trimDarkMargins(ImageBox& page, int tolerance) {
    const QRect keep = contentRectangle(page, tolerance);
    if (keep.isEmpty() || keep == QRect(0, 0, page.ImageWidth(), page.ImageHeight()))
        return true;
    // The page box is at zoom 100, so its selection corners are page pixels; the larger corner
    // is just outside the selection.
    page.SelectArea(keep.left(), keep.top(), keep.right() + 1, keep.bottom() + 1);
    return page.CropToSelection();
}

QColor toleranceTextColour(int tolerance) {
    if (tolerance <= 90)
        return QColor(0, 255, 0);
    if (tolerance <= 180)
        return QColor(221, 221, 0);
    return QColor(221, 0, 0);
}
