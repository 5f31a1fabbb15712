#pragma once

#include "detect/PaperAndInk.h"

// The turn of the print on a scan, from the print well inside the book (PaperAndInk::inner).
struct Skew {
    bool measured = false;
    // The turn that straightens the print, in degrees as Picture::Rotate takes it (positive:
    // clockwise on screen).
    double degrees = 0;
    // How much sharper the print's rows are at that turn than on average over the sweep: about
    // 1 for a picture or noise, several for lines of text.
    double sharpness = 0;
    int points = 0;
};

// How the turn is measured.
enum class SkewMethod {
    // Our own, in two steps. First the upper and lower edges of the print (the steps in grey
    // between two rows next to text, each weighted by its step, placed between the rows by a
    // parabola) are projected onto the vertical axis at each candidate turn, each point spread
    // over the two nearest rows; the turn whose rows are sharpest (largest sum of squared
    // differences between neighbouring rows, each half of a spread apart) is taken: a sweep of
    // ±4.5° in quarter degrees on a quarter of the points, a parabola through the best three.
    // Then, twice, a straight line is fitted to the baselines and to the tops of the small
    // letters of each line of text, and the weighted median of their slopes is the answer.
    Projection,
    // Leptonica's pixFindSkewSweepAndSearchScore on the same print as a 1-bit image (a sweep of
    // ±4.5° by 0.25° and a binary search down to 0.01°).
    Leptonica,
};

// The largest turn looked for, in degrees either way.
constexpr double kLargestSkew = 4.5;

// `spread`: the scan holds two pages, whose halves are scored apart.
Skew findSkew(const ReducedGrey& grey, const PaperAndInk& classes, bool spread,
              SkewMethod method = SkewMethod::Projection);
