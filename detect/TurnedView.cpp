#include "detect/TurnedView.h"

#include "image/TurnGeometry.h"

#include <cmath>

TurnedView::TurnedView(const ReducedGrey& grey, const PaperAndInk& classes, QSize scan,
                       double degrees)
    : factor_(grey.factor) {
    const TurnGeometry turn(scan, degrees);
    canvas_ = turn.canvas();
    width_ = (canvas_.width() + factor_ - 1) / factor_;
    height_ = (canvas_.height() + factor_ - 1) / factor_;
    classes_.assign(size_t(width_) * height_, PaperAndInk::Bed);
    grey_.assign(size_t(width_) * height_, 0);
    const double stepX = turn.cosine(), stepY = -turn.sine();
    const int w = grey.width, h = grey.height;
    for (int j = 0; j < height_; ++j) {
        const QPointF start = turn.toSource(QPointF(0.5 * factor_, (j + 0.5) * factor_));
        double u = start.x() / factor_, v = start.y() / factor_;
        std::uint8_t* cls = &classes_[size_t(j) * width_];
        std::uint8_t* g = &grey_[size_t(j) * width_];
        for (int i = 0; i < width_; ++i, u += stepX, v += stepY) {
            if (u < 0 || v < 0 || u >= w || v >= h)
                continue;
            const int x = int(u), y = int(v);
            cls[i] = classes.at(x, y);
            g[i] = grey.at(x, y);
        }
    }
}

QRect TurnedView::onCanvas(const QRect& r) const {
    if (r.isEmpty())
        return {};
    return QRect(r.x() * factor_, r.y() * factor_, r.width() * factor_, r.height() * factor_) &
           QRect(QPoint(0, 0), canvas_);
}
