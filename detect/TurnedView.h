#pragma once

#include "detect/PaperAndInk.h"
#include "detect/ReducedGrey.h"

#include <QRect>
#include <QSize>

#include <cstdint>
#include <vector>

// The reduced scan's classes and grey levels as they lie on the turned canvas, at the reduced
// scale: pixel (i, j) here stands for the block [i·f, (i+1)·f) × [j·f, (j+1)·f) of the canvas
// that Picture::Rotate(degrees) makes of the full scan (f the reduction factor). Sampled from
// the nearest reduced pixel; what lies beyond the scan is bed.
class TurnedView {
public:
    TurnedView(const ReducedGrey& grey, const PaperAndInk& classes, QSize scan, double degrees);

    int width() const { return width_; }
    int height() const { return height_; }
    int factor() const { return factor_; }
    QSize canvas() const { return canvas_; }
    PaperAndInk::Class at(int x, int y) const {
        return PaperAndInk::Class(classes_[size_t(y) * width_ + x]);
    }
    std::uint8_t grey(int x, int y) const { return grey_[size_t(y) * width_ + x]; }
    // A rectangle of this view on the full turned canvas, clipped to the canvas.
    QRect onCanvas(const QRect& r) const;

private:
    int width_ = 0, height_ = 0, factor_ = 1;
    QSize canvas_;
    std::vector<std::uint8_t> classes_;
    std::vector<std::uint8_t> grey_;
};
