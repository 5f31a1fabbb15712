#pragma once

#include "detect/TurnedView.h"

#include <QRect>

// Where the paper, the fold and the print lie on a straightened scan, in the pixels of a
// TurnedView (the turned canvas at the reduced scale).

// The paper: the columns and rows of the view in which at least half as much paper (or print)
// shows as in the fullest one. Null when there is hardly any paper.
QRect paperBox(const TurnedView& view);

struct Fold {
    bool found = false;
    double x = 0;        // the fold's column, as a continuous coordinate (pixel i spans [i, i+1))
    bool shadow = false; // found by its shadow, not only by the gap between the two blocks of print
};

// The fold of a spread: the darkest print-free column of paper in the middle quarter of the paper
// when the fold casts a shadow there (at least 12 % darker than the brightest column there), else
// the middle of the widest print-free run of columns there when print bounds it on both sides, else
// the middle of the paper.
Fold findFold(const TurnedView& view, const QRect& paper);

// The printed block of one page: the bounding box of the groups of print inside `page`, leaving
// out a thin band along the paper's edges (where the book's edges and the fold cast shadows) and
// specks too small to be print. Null when nothing is printed.
QRect printedBlock(const TurnedView& view, const QRect& page, bool foldOnLeft, bool foldOnRight);

// Lines of text in a printed block: runs of rows dense with print, not taller than a few times
// the typical run (a picture is one tall run and counts for none), whose print comes in words
// (at least three pieces along the line, 40 pixels long at most on average).
int textLines(const TurnedView& view, const QRect& block);
