#pragma once

#include "detect/ReducedGrey.h"

#include <cstdint>
#include <vector>

// What each pixel of a reduced scan shows: the scanner's bed (or the lid), the book's paper or
// print on it. The paper is told from the bed by the brightest pixel of each 16 × 16 block (a
// block of text still shows paper between its lines) against a threshold found by Otsu's method
// over all blocks; the book is the largest connected region of paper blocks with the holes in it
// (dark plates, dense print) filled. Print is what is darker than 55 % of the paper around it,
// so that neither the fold's shadow nor uneven lighting counts as print.
class PaperAndInk {
public:
    enum Class : std::uint8_t { Bed = 0, Paper = 1, Ink = 2, Picture = 3 };
    static constexpr int kBlock = 16;

    explicit PaperAndInk(const ReducedGrey& grey);

    int width() const { return width_; }
    int height() const { return height_; }
    Class at(int x, int y) const { return Class(classes_[size_t(y) * width_ + x]); }
    const std::uint8_t* row(int y) const { return &classes_[size_t(y) * width_]; }
    // Whether (x, y) lies in a block well inside the book, away from its edges: print there is
    // not a remnant of the bed or of the book's edge.
    bool inner(int x, int y) const { return inner_[size_t(y / kBlock) * blocksX_ + x / kBlock]; }

    // Some paper was told from something darker, or the whole scan is paper.
    bool hasPaper() const { return hasPaper_; }
    // The whole scan is dark: no paper at all.
    bool allDark() const { return allDark_; }
    // The typical brightness of the paper and of the bed.
    int paperLevel() const { return paperLevel_; }
    int threshold() const { return threshold_; }
    long long paperPixels() const { return paperPixels_; }
    // Print of either kind.
    long long inkPixels() const { return inkPixels_; }

private:
    int width_ = 0, height_ = 0, blocksX_ = 0, blocksY_ = 0;
    std::vector<std::uint8_t> classes_;
    std::vector<std::uint8_t> inner_;
    bool hasPaper_ = false, allDark_ = false;
    int paperLevel_ = 0, threshold_ = 0;
    long long paperPixels_ = 0, inkPixels_ = 0;
};
