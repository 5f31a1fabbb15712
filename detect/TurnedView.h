#pragma once

#include "detect/PaperAndInk.h"
#include "detect/ReducedGrey.h"

#include <QRect>
#include <QSize>
#include <QtGlobal>

#include <cstdint>
#include <vector>

// The reduced scan's classes and grey levels as they lie on the turned canvas, at the reduced
// scale: pixel (i, j) here stands for the block [i·f, (i+1)·f) × [j·f, (j+1)·f) of the canvas
// that Picture::Rotate(degrees) makes of the full scan (f the reduction factor). Sampled from
// the nearest reduced pixel; what lies beyond the scan is bed. Keeps `grey`, which must outlive
// it.
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
    // The grey level there, sampled when asked (few are).
    std::uint8_t grey(int x, int y) const {
        const unsigned u = unsigned(((rowU_[y] + qint64(x) * stepU_) >> 16) - 65536);
        const unsigned v = unsigned(((rowV_[y] + qint64(x) * stepV_) >> 16) - 65536);
        return u < unsigned(grey_->width) && v < unsigned(grey_->height) ? grey_->at(int(u), int(v))
                                                                         : 0;
    }
    // A rectangle of this view on the full turned canvas, clipped to the canvas.
    QRect onCanvas(const QRect& r) const;

private:
    int width_ = 0, height_ = 0, factor_ = 1;
    QSize canvas_;
    std::vector<std::uint8_t> classes_;
    const ReducedGrey* grey_;
    // Where each row starts on the reduced scan and how far a step across moves, 16.16 fixed
    // point offset by 2^32 so that truncation rounds down.
    std::vector<qint64> rowU_, rowV_;
    int stepU_ = 0, stepV_ = 0;
};
