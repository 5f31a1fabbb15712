#pragma once

#include "detect/PageFinder.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>

// The book as it lay on the scan the operator set the rectangles on: what the page finder found
// there, and the canvas the rectangles lie on.
struct BookReference {
    PageFinding finding;
    QSize scanSize;
    // The rectangles lie on the canvas of this turn of the reference scan (see TurnGeometry); 0:
    // on the scan as it is.
    double rectanglesTurn = 0;
    // The finder was asked for spreads of two pages (else for one page a scan).
    bool spread = true;
};

// Where the pages of one scan are cut when they follow the book.
struct FollowedBook {
    // The book was found on this scan and on the reference: the rectangles turn and move with it.
    bool found = false;
    // When not found: why, for the operator.
    QString reason;
    // The turn of the canvas the rectangles lie on: the scan's own turn, 0 when not found.
    double turn = 0;
    // How far the middle of the book moved from where it lay on the reference scan, in scan
    // pixels (0 when not found).
    QPointF shift;
    // The rectangles on the canvas of `turn` of this scan, in the order given, each of the size it
    // was given, so that all pages keep one size.
    QList<QRectF> rectangles;
};

// The book on the scan the rectangles are set on, their canvas the one of `rectanglesTurn`.
// Safe on any thread; a finder that runs out of memory finds nothing.
BookReference bookReference(const QImage& scan, double rectanglesTurn, bool spread);

// Where the book lies on `scan`, looked for as on the reference. Safe on any thread; a finder
// that runs out of memory finds nothing.
PageFinding findBook(const QImage& scan, const BookReference& reference);

// Moves `rectangles`, set on the reference, with the book: the scan is turned by its own turn
// and every rectangle moves by how far the book moved between the two straightened canvases,
// measured by the fold of a spread (the print keeps its distance from the fold, whatever the
// stacks of pages on either side do to the outer edges) or the side edges of a single page, and
// by the top and bottom edges of the paper, each edge only where the scanner bed shows beyond it
// on both scans (an edge cut off by the scan's border does not move with the book). When the book
// is not found on the scan or on the reference, or seems to have jumped further than a book
// moves on a scanner, the rectangles stay where they were on the reference scan, unturned.
FollowedBook followBook(const BookReference& reference, const QList<QRectF>& rectangles,
                        const PageFinding& scan, QSize scanSize);

// The line that tells the operator how a scan was followed: its turn and shift, or why the
// rectangles stayed where they were.
QString followedLine(const FollowedBook& book);
