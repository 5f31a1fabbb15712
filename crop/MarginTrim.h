#pragma once

#include <QColor>
#include <QRect>

class Picture;

// Trimming the dark scanner margins off a finished page of the interactive run.
//
// Two probe lines per edge, at a third and two thirds of the page's width or height, walk
// inwards from the border and stop at the first pixel that is not dark (some channel above the
// tolerance). Of the two probes of an edge, the one that stops nearer the border wins, so a dark
// band is taken off only as far as it reaches along both lines. Only the eight probe lines are
// read, never the whole page.

// The part of the page to keep, in page pixels, the pixel each probe stopped on included. An edge
// pair whose probes found nothing keeps the page's whole extent on that axis, so a page with no
// content at all (all dark, or tolerance 255) is kept whole.
QRect contentRectangle(const Picture& page, int tolerance);

// Cuts the page down to its content rectangle; false (with the box's error) if the cut failed.
bool trimDarkMargins(Picture& page, int tolerance);

// The text colour that shows a tolerance on its own grey swatch: green up to 90, yellow up to 180,
// red above.
QColor toleranceTextColour(int tolerance);
