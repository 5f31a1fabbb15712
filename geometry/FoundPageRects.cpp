#include "geometry/FoundPageRects.h"

#include "geometry/SliderMapping.h"
#include "image/TurnGeometry.h"
#include "util/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

// Left around a printed block whose paper edge does not show, as a share of the canvas height
// (about 9 mm on an A4 page).
constexpr double kContentMargin = 0.03;
// A paper edge this close to the scan's border, as a share of the scan's side, is where the
// scan ends, not where the paper does (the finder measures on a reduced copy).
constexpr double kBorderBand = 0.01;

// Half-open spans [from, to) of canvas pixels.
struct Span {
    int from = 0;
    int to = 0;
};

// The value of a 0..1000 slider whose pixels are at most `pixels`.
int sliderAtMost(double pixels, double full) {
    if (!(full > 0))
        return 0;
    return std::clamp(int(std::floor(1000.0 * pixels / full + 1e-9)), 0, 1000);
}

// The value of a 0..1000 slider whose pixels are at least `pixels` where the slider reaches
// that far, but never more than `limit`.
int sliderAtLeast(double pixels, double full, double limit) {
    if (!(full > 0))
        return 0;
    int value = std::clamp(int(std::ceil(1000.0 * pixels / full - 1e-9)), 0, 1000);
    while (value > 0 && roundHalfEven(value / 1000.0 * full) > limit)
        --value;
    return value;
}

// The left edge of a rectangle `width` wide centred on `target`, inside `room`.
int place(const QRect& target, int width, Span room) {
    const double centre = target.left() + target.width() / 2.0;
    const int left = roundToInt32(centre - width / 2.0);
    return std::max(room.from, std::min(left, room.to - width));
}

struct Frame {
    QList<QRect> targets;
    // Where each page may lie, left to right.
    QList<Span> rooms;
    int top = 0;
    int bottom = 0; // exclusive
    int reachY = 0; // the bottom edge the sliders can reach on this canvas
};

Frame frameOf(const PageFinding& finding, const SliderRoom& room) {
    Frame frame;
    frame.targets = pageTargets(finding, room.scan);
    const QSize canvas = TurnGeometry(room.scan, finding.angle).canvas();
    const int reachX = std::min(canvas.width(), int(std::floor(room.referenceWidth + 1e-6)));
    frame.reachY = std::min(canvas.height(), int(std::floor(room.referenceHeight + 1e-6)));
    if (frame.targets.size() == 2) {
        const int fold = std::clamp(finding.gutterTurned, 0, reachX);
        frame.rooms = {{0, fold}, {fold, reachX}};
    } else {
        frame.rooms = {{0, reachX}};
    }
    frame.top = frame.reachY;
    for (const QRect& target : frame.targets) {
        frame.top = std::min(frame.top, target.top());
        frame.bottom = std::max(frame.bottom, target.bottom() + 1);
    }
    frame.top = std::clamp(frame.top, 0, frame.reachY);
    frame.bottom = std::clamp(frame.bottom, frame.top, frame.reachY);
    return frame;
}

} // namespace

QList<QRect> pageTargets(const PageFinding& finding, QSize scan) {
    QList<QRect> targets;
    if (!finding.found || scan.isEmpty())
        return targets;
    const TurnGeometry turn(scan, finding.angle);
    const QRect canvas(QPoint(0, 0), turn.canvas());
    const double bandX = std::max(2.0, kBorderBand * scan.width());
    const double bandY = std::max(2.0, kBorderBand * scan.height());
    const int margin = roundToInt32(kContentMargin * turn.canvas().height());
    const bool spread = finding.pages.size() == 2;
    for (int k = 0; k < finding.pages.size(); ++k) {
        const FoundPage& page = finding.pages[k];
        // Continuous edges: the paper covers [left, right) × [top, bottom).
        double left = page.paper.left(), right = page.paper.right() + 1.0;
        double top = page.paper.top(), bottom = page.paper.bottom() + 1.0;
        // An edge shows when all of it lies inside the scan, clear of the border; the fold always
        // shows.
        const QPointF topLeft = turn.toSource({left, top}), topRight = turn.toSource({right, top});
        const QPointF bottomLeft = turn.toSource({left, bottom});
        const QPointF bottomRight = turn.toSource({right, bottom});
        const bool leftShows = (spread && k == 1) || std::min(topLeft.x(), bottomLeft.x()) > bandX;
        const bool rightShows =
            (spread && k == 0) || std::max(topRight.x(), bottomRight.x()) < scan.width() - bandX;
        const bool topShows = std::min(topLeft.y(), topRight.y()) > bandY;
        const bool bottomShows = std::max(bottomLeft.y(), bottomRight.y()) < scan.height() - bandY;
        if (!page.content.isNull()) {
            const QRect& print = page.content;
            if (!leftShows)
                left = std::max(left, double(print.left() - margin));
            if (!rightShows)
                right = std::min(right, double(print.right() + 1 + margin));
            if (!topShows)
                top = std::max(top, double(print.top() - margin));
            if (!bottomShows)
                bottom = std::min(bottom, double(print.bottom() + 1 + margin));
        }
        const QRect target =
            QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1)) & canvas;
        targets << target;
    }
    return targets;
}

AutomaticSliders automaticSliders(const PageFinding& finding, const SliderRoom& room) {
    AutomaticSliders sliders;
    const Frame frame = frameOf(finding, room);
    if (frame.targets.isEmpty())
        return sliders;
    const double height = room.referenceHeight;
    const double fullWidth = room.pageAspect * height;
    sliders.top = sliderAtMost(frame.top, height);
    sliders.size = sliderAtLeast(frame.bottom, height, frame.reachY);
    // One width for both pages: the wider page's, as far as the narrower room holds it.
    int needed = 0, limit = frame.rooms[0].to - frame.rooms[0].from;
    for (int k = 0; k < frame.targets.size(); ++k) {
        needed = std::max(needed, frame.targets[k].width());
        limit = std::min(limit, frame.rooms[k].to - frame.rooms[k].from);
    }
    sliders.width = sliderAtLeast(needed, fullWidth, limit);
    sliders.pageWidth = int(
        selectionFromSliders({sliders.size, sliders.top, sliders.width}, height, room.pageAspect)
            .width);
    sliders.left = place(frame.targets[0], sliders.pageWidth, frame.rooms[0]);
    if (frame.targets.size() == 2)
        sliders.right = place(frame.targets[1], sliders.pageWidth, frame.rooms[1]);
    return sliders;
}

InteractiveSliders interactiveSliders(const PageFinding& finding, const SliderRoom& room) {
    InteractiveSliders sliders;
    const Frame frame = frameOf(finding, room);
    if (frame.targets.isEmpty())
        return sliders;
    const double height = room.referenceHeight;
    const double fullWidth = room.pageAspect * height;
    sliders.top = sliderAtMost(frame.top, height);
    sliders.size = sliderAtLeast(frame.bottom, height, frame.reachY);
    auto fit = [&](int k, int* width, int* left) {
        const Span span = frame.rooms[k];
        *width = sliderAtLeast(frame.targets[k].width(), fullWidth, span.to - span.from);
        *left = place(frame.targets[k], roundToInt32(*width / 1000.0 * fullWidth), span);
    };
    fit(0, &sliders.widthLeft, &sliders.left);
    if (frame.targets.size() == 2)
        fit(1, &sliders.widthRight, &sliders.right);
    return sliders;
}

QString findingLine(const PageFinding& finding) {
    if (!finding.found)
        return QStringLiteral("No se encontraron páginas: %1. No se cambia nada")
            .arg(finding.reason);
    QString line = turnText(finding.angle);
    if (finding.gutter >= 0)
        line += QStringLiteral("; lomo en x=%1").arg(finding.gutter);
    return line;
}
