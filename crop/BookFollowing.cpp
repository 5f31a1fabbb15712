#include "crop/BookFollowing.h"

#include "image/TurnGeometry.h"
#include "util/Numbers.h"

#include <cmath>
#include <new>

namespace {

// A book does not move by more than this share of the scan between two scans; a larger move is
// a wrong finding on one of them.
constexpr double kFurthestMove = 0.2;
// Beyond an edge, this share of the scan's shorter side must still lie on the scan for the edge
// to be the paper's own and not the scan's border.
constexpr double kBedBeyond = 0.012;

enum class Edge { Left, Right, Top, Bottom };

// The coordinate of `edge` of `paper` (continuous: the right edge is one past the last column).
double edgeOf(const QRect& paper, Edge edge) {
    switch (edge) {
    case Edge::Left:
        return paper.x();
    case Edge::Right:
        return paper.x() + paper.width();
    case Edge::Top:
        return paper.y();
    case Edge::Bottom:
        return paper.y() + paper.height();
    }
    return 0;
}

// Whether the bed shows beyond `edge` of `paper` on the scan: points a little outside the edge,
// a quarter and three quarters along it, still lie on the scan.
bool bedBeyond(const QRect& paper, Edge edge, const TurnGeometry& turn) {
    const QSize scan = turn.source();
    const double gap = kBedBeyond * std::min(scan.width(), scan.height());
    const QRectF box(paper);
    QPointF points[2];
    switch (edge) {
    case Edge::Left:
    case Edge::Right: {
        const double x = edge == Edge::Left ? box.left() - gap : box.right() + gap;
        points[0] = {x, box.top() + box.height() / 4};
        points[1] = {x, box.bottom() - box.height() / 4};
        break;
    }
    case Edge::Top:
    case Edge::Bottom: {
        const double y = edge == Edge::Top ? box.top() - gap : box.bottom() + gap;
        points[0] = {box.left() + box.width() / 4, y};
        points[1] = {box.right() - box.width() / 4, y};
        break;
    }
    }
    for (const QPointF& point : points) {
        const QPointF p = turn.toSource(point);
        if (p.x() < 0 || p.y() < 0 || p.x() > scan.width() || p.y() > scan.height())
            return false;
    }
    return true;
}

// The mean of how far the usable edges moved; 0 when none is usable.
struct Movement {
    double sum = 0;
    int count = 0;
    void add(double from, double to) { sum += to - from, ++count; }
    double mean() const { return count > 0 ? sum / count : 0.0; }
};

void addEdge(Movement& movement, const FoundPage& from, const TurnGeometry& fromTurn,
             const FoundPage& to, const TurnGeometry& toTurn, Edge edge) {
    if (bedBeyond(from.paper, edge, fromTurn) && bedBeyond(to.paper, edge, toTurn))
        movement.add(edgeOf(from.paper, edge), edgeOf(to.paper, edge));
}

PageFinding findSafely(const QImage& scan, bool spread) {
    PageFinderOptions options;
    options.spread = spread;
    try {
        return findPages(scan, options);
    } catch (const std::bad_alloc&) {
        PageFinding nothing;
        nothing.reason = QStringLiteral("No hay memoria para buscar las páginas");
        return nothing;
    }
}

FollowedBook unfollowed(const BookReference& reference, const QList<QRectF>& rectangles,
                        const QString& reason) {
    FollowedBook book;
    book.reason = reason;
    const TurnGeometry setOn(reference.scanSize, reference.rectanglesTurn);
    for (const QRectF& r : rectangles) {
        QRectF moved = r;
        moved.moveCenter(setOn.toSource(r.center()));
        book.rectangles << moved;
    }
    return book;
}

} // namespace

BookReference bookReference(const QImage& scan, double rectanglesTurn, bool spread) {
    BookReference reference;
    reference.finding = findSafely(scan, spread);
    reference.scanSize = scan.size();
    reference.rectanglesTurn = rectanglesTurn;
    reference.spread = spread;
    return reference;
}

PageFinding findBook(const QImage& scan, const BookReference& reference) {
    return findSafely(scan, reference.spread);
}

FollowedBook followBook(const BookReference& reference, const QList<QRectF>& rectangles,
                        const PageFinding& scan, QSize scanSize) {
    const PageFinding& from = reference.finding;
    if (!from.found)
        return unfollowed(reference, rectangles,
                          QStringLiteral("en la imagen de referencia: %1").arg(from.reason));
    if (!scan.found)
        return unfollowed(reference, rectangles, scan.reason);
    if (scan.pages.size() != from.pages.size() || scan.pages.isEmpty())
        return unfollowed(reference, rectangles,
                          QStringLiteral("no tiene las mismas páginas que la de referencia"));

    const TurnGeometry fromTurn(reference.scanSize, from.angle);
    const TurnGeometry toTurn(scanSize, scan.angle);
    Movement across, down;
    if (reference.spread && from.gutterTurned >= 0 && scan.gutterTurned >= 0) {
        across.add(from.gutterTurned, scan.gutterTurned);
    } else {
        addEdge(across, from.pages.first(), fromTurn, scan.pages.first(), toTurn, Edge::Left);
        addEdge(across, from.pages.last(), fromTurn, scan.pages.last(), toTurn, Edge::Right);
    }
    for (int k = 0; k < from.pages.size(); ++k) {
        addEdge(down, from.pages[k], fromTurn, scan.pages[k], toTurn, Edge::Top);
        addEdge(down, from.pages[k], fromTurn, scan.pages[k], toTurn, Edge::Bottom);
    }
    const QPointF shift(across.mean(), down.mean());
    if (std::abs(shift.x()) > kFurthestMove * scanSize.width() ||
        std::abs(shift.y()) > kFurthestMove * scanSize.height())
        return unfollowed(reference, rectangles,
                          QStringLiteral("el libro parece haberse movido %1 × %2 píxeles")
                              .arg(std::lround(shift.x()))
                              .arg(std::lround(shift.y())));

    FollowedBook book;
    book.found = true;
    book.turn = scan.angle;
    // The canvases grow with their turns: what the operator sees move is the book on the scans.
    QRect paper;
    for (const FoundPage& page : from.pages)
        paper |= page.paper;
    const QPointF middle = QRectF(paper).center();
    book.shift = toTurn.toSource(middle + shift) - fromTurn.toSource(middle);
    const TurnGeometry setOn(reference.scanSize, reference.rectanglesTurn);
    for (const QRectF& r : rectangles) {
        QRectF moved = r;
        moved.moveCenter(fromTurn.toTurned(setOn.toSource(r.center())) + shift);
        book.rectangles << moved;
    }
    return book;
}

QString followedLine(const FollowedBook& book) {
    if (!book.found)
        return QStringLiteral("Libro no seguido (%1): se corta sin girar, con los rectángulos de "
                              "la imagen de referencia")
            .arg(book.reason);
    return QStringLiteral("%1; desplazamiento %2, %3 píxeles")
        .arg(turnText(book.turn))
        .arg(roundToInt32(book.shift.x()))
        .arg(roundToInt32(book.shift.y()));
}
