#include "detect/TurnedView.h"

#include "image/TurnGeometry.h"

#include <cmath>

TurnedView::TurnedView(const ReducedGrey& grey, const PaperAndInk& classes, QSize scan,
                       double degrees)
    : factor_(grey.factor), grey_(&grey) {
    const TurnGeometry turn(scan, degrees);
    canvas_ = turn.canvas();
    width_ = (canvas_.width() + factor_ - 1) / factor_;
    height_ = (canvas_.height() + factor_ - 1) / factor_;
    classes_.assign(size_t(width_) * height_, PaperAndInk::Bed);
    // One reduced pixel of the canvas is one of the scan.
    stepU_ = int(std::lround(turn.cosine() * 65536));
    stepV_ = int(std::lround(-turn.sine() * 65536));
    rowU_.resize(height_);
    rowV_.resize(height_);
    const unsigned w = unsigned(grey.width), h = unsigned(grey.height);
    for (int j = 0; j < height_; ++j) {
        const QPointF start = turn.toSource(QPointF(0.5 * factor_, (j + 0.5) * factor_));
        qint64 u = rowU_[j] = std::llround(start.x() / factor_ * 65536) + (qint64(1) << 32);
        qint64 v = rowV_[j] = std::llround(start.y() / factor_ * 65536) + (qint64(1) << 32);
        std::uint8_t* cls = &classes_[size_t(j) * width_];
        for (int i = 0; i < width_; ++i, u += stepU_, v += stepV_) {
            const unsigned x = unsigned((u >> 16) - 65536), y = unsigned((v >> 16) - 65536);
            if (x < w && y < h)
                cls[i] = classes.row(int(y))[x];
        }
    }
}

QRect TurnedView::onCanvas(const QRect& r) const {
    if (r.isEmpty())
        return {};
    return QRect(r.x() * factor_, r.y() * factor_, r.width() * factor_, r.height() * factor_) &
           QRect(QPoint(0, 0), canvas_);
}
