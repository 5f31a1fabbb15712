#pragma once

#include "detect/SkewSearch.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// What the page finder found on one page, on the canvas of the turn that straightens the scan
// (Picture::Rotate(angle) lays it out; TurnGeometry(scan.size(), angle) maps points of the scan
// to it and back).
struct FoundPage {
    QRect paper;   // where the page's paper shows on the scan
    QRect content; // the printed block: everything printed on the page; null on a blank page
    int textLines = 0;
};

struct PageFinding {
    // Everything asked for was found: the turn, and the fold and both pages of a spread or the
    // one page. When false, `reason` says why for the operator, and the scan is best cut as if
    // nothing had been looked for: the turn is 0 and there are no pages.
    bool found = false;
    QString reason;
    // The turn that straightens the scan, degrees as Picture::Rotate and AnguloGiro take it.
    double angle = 0;
    // 0..1: how clearly the lines of text gave the turn and how many there were.
    double confidence = 0;
    // The canvas of that turn (the size Picture::Rotate(angle) gives the scan).
    QSize turnedSize;
    // The fold of a spread: its x at the scan's mid height, in scan pixels, and its x on the
    // turned canvas; −1 for one page or when not found.
    int gutter = -1;
    int gutterTurned = -1;
    // Left to right: two for a spread, one for a page.
    QList<FoundPage> pages;
};

struct PageFinderOptions {
    // The scans are spreads of two pages (else each holds one page).
    bool spread = true;
    SkewMethod skewMethod = SkewMethod::Projection;
};

// Finds the turn, the fold and the pages of a scan. Works on a reduced grey copy and never
// changes the scan; any QImage format; safe on any thread. Scans smaller than 200 pixels either
// way, without paper, without lines of text to measure the turn by (blank pages, photographs,
// full-page plates) or, for a spread, showing one page only, are "not found".
PageFinding findPages(const QImage& scan, const PageFinderOptions& options = {});

// A turn as the progress lines give it: "Giro -0,42°", two decimals after a decimal comma; a turn
// that shows as 0,00 shows no sign.
QString turnText(double degrees);
