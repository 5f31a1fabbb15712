#pragma once

#include "detect/PageFinder.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// Where the pages the page finder found on a scan are cut, and the slider values of the crop tabs
// that give those rectangles. Rectangles and positions lie on the canvas of the turn that
// straightens the scan (TurnGeometry(scan, finding.angle)), the canvas the turned preview shows.

// What the sliders around a preview can reach.
struct SliderRoom {
    QSize scan; // the scan as it was loaded, before any turn
    // The reference scan's size in pixels, which the size, top and width sliders are fractions of
    // and which bounds the position sliders.
    double referenceWidth = 0;
    double referenceHeight = 0;
    double pageAspect = 0; // the output page's width ÷ height
};

// The rectangle each found page is to be cut with, left to right: each edge at the page's paper
// where that edge shows on the scan, else at its printed block with a margin (but not beyond the
// paper); a blank page keeps its paper. The pages of a spread meet at the fold and neither reaches
// across it. Empty when nothing was found.
QList<QRect> pageTargets(const PageFinding& finding, QSize scan);

// The automatic tab's sliders: one top, bottom and width for both pages, a left edge for each.
struct AutomaticSliders {
    int size = 1000;   // bottom edge, 0..1000 of the reference height
    int top = 0;       // top edge, 0..1000 of the reference height
    int width = 1000;  // page width, 0..1000 of a full-height page of the output's shape
    int pageWidth = 0; // the width in pixels the width slider gives
    int left = 0;      // the left (or only) page's left edge, pixels
    int right = 0;     // the right page's left edge, pixels (spreads only)
};

// The interactive tab's sliders: one top and bottom, a width and a left edge for each page.
struct InteractiveSliders {
    int size = 1000;
    int top = 0;
    int widthLeft = 1000;
    int widthRight = 1000;
    int left = 0;
    int right = 0;
};

// For a finding that found its pages. Each rectangle covers its target where the sliders reach:
// the edges are rounded outwards, and clamped to the canvas, to the reference size and, for a
// spread, to the page's side of the fold.
AutomaticSliders automaticSliders(const PageFinding& finding, const SliderRoom& room);
InteractiveSliders interactiveSliders(const PageFinding& finding, const SliderRoom& room);

// The progress line of a search: "Giro -0,42°; lomo en x=2478" (no fold for one page), or why
// nothing was found and that nothing changes.
QString findingLine(const PageFinding& finding);
