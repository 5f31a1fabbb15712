#include "detect/PageFinder.h"

#include "detect/PageLayout.h"
#include "detect/PaperAndInk.h"
#include "detect/ReducedGrey.h"
#include "detect/TurnedView.h"
#include "image/TurnGeometry.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSmallest = 200;
// Fewer lines than this on the whole scan, or rows of print hardly sharper at the best turn
// than at any other, and the turn is not trusted.
constexpr int kFewestLines = 3;
constexpr double kLeastSharpness = 1.25;

PageFinding notFound(const QString& reason) {
    PageFinding finding;
    finding.reason = reason;
    return finding;
}

// The fold's x at the scan's mid height: where the vertical line x = `turnedX` of the canvas
// crosses it on the scan.
int foldOnScan(const TurnGeometry& turn, double turnedX) {
    const QPointF a = turn.toSource(QPointF(turnedX, 0));
    const QPointF b = turn.toSource(QPointF(turnedX, turn.canvas().height()));
    const double middle = turn.source().height() / 2.0;
    const double t = b.y() != a.y() ? (middle - a.y()) / (b.y() - a.y()) : 0.5;
    return int(std::nearbyint(a.x() + t * (b.x() - a.x())));
}

} // namespace

PageFinding findPages(const QImage& scan, const PageFinderOptions& options) {
    if (scan.isNull())
        return notFound(QStringLiteral("No hay imagen en la que buscar las páginas"));
    if (scan.width() < kSmallest || scan.height() < kSmallest)
        return notFound(QStringLiteral("La imagen es demasiado pequeña para buscar las páginas "
                                       "(menos de %1 píxeles)")
                            .arg(kSmallest));
    const ReducedGrey grey = reduceToGrey(scan);
    if (grey.isNull())
        return notFound(QStringLiteral("No hay memoria para buscar las páginas"));
    const PaperAndInk classes(grey);
    if (classes.allDark() || !classes.hasPaper())
        return notFound(QStringLiteral("La imagen es oscura: no se ve papel"));
    // A few specks are no print.
    if (classes.inkPixels() * 2000 < classes.paperPixels())
        return notFound(
            QStringLiteral("La página está en blanco: no hay texto con que medir el giro"));
    const Skew skew = findSkew(grey, classes, options.spread, options.skewMethod);
    if (!skew.measured)
        return notFound(QStringLiteral("No hay líneas de texto con que medir el giro"));

    const TurnedView view(grey, classes, scan.size(), skew.degrees);
    const QRect paper = paperBox(view);
    if (paper.isEmpty())
        return notFound(QStringLiteral("No se distingue el papel del fondo"));
    QList<QRect> pages;
    Fold fold;
    if (options.spread) {
        // Two portrait pages side by side make a landscape spread; a page alone does not.
        if (paper.width() * 100 < paper.height() * 105)
            return notFound(QStringLiteral("Solo se ve una página y se esperaban dos"));
        fold = findFold(view, paper);
        if (!fold.found)
            return notFound(QStringLiteral("No se encuentra el pliegue entre las páginas"));
        const int split = int(std::nearbyint(fold.x));
        pages << QRect(QPoint(paper.left(), paper.top()), QPoint(split - 1, paper.bottom()))
              << QRect(QPoint(split, paper.top()), paper.bottomRight());
    } else {
        pages << paper;
    }

    PageFinding finding;
    int lines = 0;
    for (int k = 0; k < pages.size(); ++k) {
        const bool foldLeft = options.spread && k == 1, foldRight = options.spread && k == 0;
        const QRect block = printedBlock(view, pages[k], foldLeft, foldRight);
        FoundPage page;
        page.paper = view.onCanvas(pages[k]);
        // The pages meet at the fold, at the full scale.
        if (options.spread && k == 0)
            page.paper.setRight(int(std::nearbyint(fold.x * view.factor())) - 1);
        if (options.spread && k == 1)
            page.paper.setLeft(int(std::nearbyint(fold.x * view.factor())));
        page.content = view.onCanvas(block);
        page.textLines = textLines(view, block);
        lines += page.textLines;
        finding.pages << page;
    }
    const double sharpnessFloor =
        options.skewMethod == SkewMethod::Projection ? kLeastSharpness : 0.0;
    if (lines < kFewestLines || skew.sharpness < sharpnessFloor)
        return notFound(QStringLiteral("No hay líneas de texto con que medir el giro"));

    const TurnGeometry turn(scan.size(), skew.degrees);
    finding.found = true;
    finding.angle = skew.degrees;
    finding.turnedSize = turn.canvas();
    finding.confidence = std::clamp(lines / 20.0, 0.0, 1.0) *
                         (options.skewMethod == SkewMethod::Projection
                              ? std::clamp((skew.sharpness - 1.0) / 2.0, 0.0, 1.0)
                              : 1.0);
    if (options.spread) {
        const double x = fold.x * view.factor();
        finding.gutterTurned = int(std::nearbyint(x));
        finding.gutter = foldOnScan(turn, x);
    }
    return finding;
}

QString turnText(double degrees) {
    QLocale spanish(QLocale::Spanish, QLocale::Spain);
    spanish.setNumberOptions(QLocale::OmitGroupSeparator);
    const double shown = std::abs(degrees) < 0.005 ? 0.0 : degrees;
    return QStringLiteral("Giro %1°").arg(spanish.toString(shown, 'f', 2));
}
