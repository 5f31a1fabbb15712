#pragma once

#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QTransform>
#include <QtMath>

#include <algorithm>
#include <cmath>

// Where a turn by Picture::Rotate puts things: the turned canvas's size and the mapping between
// a point of the picture as it was and the same point on the turned canvas. The picture turns
// about its centre, clockwise on screen for positive degrees (y grows downwards), onto a canvas
// just large enough to hold all of it, with the picture's centre at the canvas's centre.
//
// Header only: the page finder, which does not link the image layer, maps its boxes with the
// very same numbers as the turn that cuts them.
class TurnGeometry {
public:
    TurnGeometry(QSize source, double degrees) : source_(source) {
        degrees_ = std::isfinite(degrees) ? std::fmod(degrees, 360.0) : 0.0;
        if (degrees_ < 0)
            degrees_ += 360.0;
        // Quarter turns take exact sines, as QTransform::rotate does.
        if (degrees_ == 90) {
            sin_ = 1, cos_ = 0;
        } else if (degrees_ == 180) {
            sin_ = 0, cos_ = -1;
        } else if (degrees_ == 270) {
            sin_ = -1, cos_ = 0;
        } else {
            const double radians = qDegreesToRadians(degrees_);
            sin_ = std::sin(radians), cos_ = std::cos(radians);
        }
        if (degrees_ == 0) {
            canvas_ = source;
        } else {
            const double c = std::abs(cos_), s = std::abs(sin_);
            const int w = source.width(), h = source.height();
            canvas_ =
                QSize(int(std::ceil(w * c + h * s - 1e-6)), int(std::ceil(w * s + h * c - 1e-6)));
        }
    }

    // The turn in [0, 360) degrees; 0 leaves the picture as it is.
    double degrees() const { return degrees_; }
    QSize source() const { return source_; }
    QSize canvas() const { return canvas_; }

    // Source to canvas, as the painter of Picture::Rotate draws with it.
    QTransform transform() const {
        QTransform t;
        t.translate(canvas_.width() / 2.0, canvas_.height() / 2.0);
        t.rotate(degrees_);
        t.translate(-source_.width() / 2.0, -source_.height() / 2.0);
        return t;
    }

    // Continuous coordinates: (0, 0) is a picture's top-left corner, pixel (x, y) covers
    // [x, x + 1) × [y, y + 1).
    QPointF toTurned(QPointF p) const {
        const double x = p.x() - source_.width() / 2.0, y = p.y() - source_.height() / 2.0;
        return {x * cos_ - y * sin_ + canvas_.width() / 2.0,
                x * sin_ + y * cos_ + canvas_.height() / 2.0};
    }
    QPointF toSource(QPointF p) const {
        const double x = p.x() - canvas_.width() / 2.0, y = p.y() - canvas_.height() / 2.0;
        return {x * cos_ + y * sin_ + source_.width() / 2.0,
                -x * sin_ + y * cos_ + source_.height() / 2.0};
    }
    // The smallest rectangle holding the turned (or unturned) corners of `r`.
    QRectF toTurned(const QRectF& r) const { return bounds(r, true); }
    QRectF toSource(const QRectF& r) const { return bounds(r, false); }

    double sine() const { return sin_; }
    double cosine() const { return cos_; }

private:
    QRectF bounds(const QRectF& r, bool turned) const {
        const QPointF corners[4] = {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()};
        double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
        for (const QPointF& corner : corners) {
            const QPointF p = turned ? toTurned(corner) : toSource(corner);
            left = std::min(left, p.x()), right = std::max(right, p.x());
            top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
        }
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }

    QSize source_;
    QSize canvas_;
    double degrees_ = 0;
    double sin_ = 0;
    double cos_ = 1;
};
