#include "crop/PagePipeline.h"

#include "crop/MarginTrim.h"
#include "crop/SelectionRefusal.h"
#include "image/TurnedPage.h"
#include "util/Numbers.h"

namespace {

// The page straight from the turned scan: the rectangle (whole, what lies beyond the scan
// white) on the page's canvas as a cut from the turned scan lies on it, at the output size.
bool cutTurnedOntoPage(const Picture& source, Picture& page, const PageRecipe& r,
                       PreparedPage* out) {
    // The selection's corners are those SelectArea takes: the far ones lie one past the cut.
    const QRect& corners = out->scanSelection;
    const QRect area(corners.left(), corners.top(), corners.right() - corners.left(),
                     corners.bottom() - corners.top());
    QRect canvas = area;
    QSize size(roundToInt32(r.pageWidth), roundToInt32(r.pageHeight));
    if (r.distort && r.keepDistortedSize) {
        size = area.size();
    } else if (!r.distort) {
        const double scale = r.pageHeight / r.bottom;
        canvas.setSize(
            QSize(roundToInt32(r.pageWidth / scale), roundToInt32(r.pageHeight / scale)));
    }
    if (area.isEmpty() || canvas.isEmpty() || size.isEmpty())
        return page.fail(QStringLiteral("La selección está vacía o fuera de la imagen"));
    const QImage sampled = turnedPage(source.image(), *r.turn, canvas, area & canvas, size);
    if (sampled.isNull())
        return page.fail(QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                             .arg(size.width())
                             .arg(size.height()));
    page.setLoaded(sampled, source.ColorFormat());
    out->cutCopy = {sampled, sampled.rect(), source.ColorFormat()};
    return true;
}

bool cutOntoPage(Picture& source, Picture& page, const PageRecipe& r, PreparedPage* out) {
    const int left = roundToInt32(r.left) + r.shift.x(), top = r.top + r.shift.y();
    out->scanSelection =
        QRect(QPoint(left, top), QPoint(roundToInt32(r.left + r.width) + r.shift.x(),
                                        roundToInt32(r.bottom) + r.shift.y()));
    bool cut;
    if (r.turn) {
        // Sampled through the turn at the page's own size.
        cut = cutTurnedOntoPage(source, page, r, out);
    } else {
        source.SelectArea(out->scanSelection.left(), out->scanSelection.top(),
                          out->scanSelection.right(), out->scanSelection.bottom());
        source.setSelectionEnabled(true);

        cut = source.CopyOut(&out->cutCopy);
        if (cut && r.distort) {
            cut = page.Paste(out->cutCopy);
        } else if (cut) {
            // The cut keeps its proportions: it lies at the top-left of a white canvas of the
            // output page's shape at the scan's scale (the bottom edge maps to the page height),
            // and what it does not cover stays white.
            const double scale = r.pageHeight / r.bottom;
            page.setMergeTransparent(false);
            page.setMergeTransparency(0);
            page.setMergeMode(0);
            page.setMergeLeft(0);
            page.setMergeTop(0);
            cut = page.NewImageWith(out->cutCopy, roundToInt32(r.pageWidth / scale),
                                    roundToInt32(r.pageHeight / scale), r.colorCode);
        }
        if (cut && !(r.distort && r.keepDistortedSize))
            cut = page.ResizeImage(roundToInt32(r.pageWidth), roundToInt32(r.pageHeight));
    }
    if (!cut) {
        out->cutError = page.lastError().isEmpty() ? source.lastError() : page.lastError();
        // Emptied, so that no stale pixels can be shown or written for this page.
        page.ClearImage();
        return false;
    }
    page.setSaveFlag(true);
    page.setJpegQuality(r.jpegQuality);
    page.setColorFormat(r.colorCode);
    return true;
}

void encodeFiles(PreparedPage& p, const PageRecipe& r) {
    if (r.largeName.isEmpty())
        return;
    p.largeEncoded = p.page.EncodeForFile(r.largeName, &p.largeBytes);
    if (!p.largeEncoded)
        p.largeError = p.page.lastError();
    if (r.thumbnailName.isEmpty())
        return;
    // The thumbnail is the page itself shrunk after its large image was written.
    p.thumbnail = p.page;
    if (!p.thumbnail.ResizeImage(r.thumbnailWidth, r.thumbnailHeight)) {
        p.thumbnailError = p.thumbnail.lastError();
        return;
    }
    p.thumbnail.setSaveFlag(true);
    p.thumbnailEncoded = p.thumbnail.EncodeForFile(r.thumbnailName, &p.thumbnailBytes);
    if (!p.thumbnailEncoded)
        p.thumbnailError = p.thumbnail.lastError();
}

} // namespace

PreparedPage preparePage(const Picture& scan, const PageRecipe& r) {
    PreparedPage p;
    p.page.setTiffCompression(r.tiffCompression);
    p.refusal = selectionRefusal(r.top, r.bottom, r.width, r.pageWidth, r.pageHeight);
    if (!p.refusal.isEmpty())
        return p;
    Picture source = scan; // shares the pixels; only the selection differs
    p.cut = cutOntoPage(source, p.page, r, &p);
    if (!p.cut)
        return p;
    if (r.trimTolerance && !trimDarkMargins(p.page, *r.trimTolerance))
        p.trimError = p.page.lastError();
    if (r.watermark)
        p.watermarkError = stampWatermark(p.page, *r.watermark);
    encodeFiles(p, r);
    return p;
}

namespace {

// Each page's rectangle where the book took it on this scan.
QList<PageRecipe> followedPages(const QList<PageRecipe>& pages, const FollowedBook& followed) {
    QList<PageRecipe> moved = pages;
    for (int k = 0; k < moved.size() && k < followed.rectangles.size(); ++k) {
        PageRecipe& page = moved[k];
        const QPointF corner(page.left, page.top);
        const QPointF by = followed.rectangles[k].topLeft() - corner;
        page.shift = QPoint(roundToInt32(by.x()), roundToInt32(by.y()));
        if (followed.found)
            page.turn = followed.turn;
        else
            page.turn.reset();
    }
    return moved;
}

} // namespace

PreparedScan prepareScan(const Picture& scan, const ScanRecipe& recipe) {
    PreparedScan prepared;
    QList<PageRecipe> pages = recipe.pages;
    if (recipe.follow) {
        QList<QRectF> rectangles;
        for (const PageRecipe& page : pages)
            rectangles << QRectF(page.left, page.top, page.width, page.bottom - page.top);
        prepared.followed = followBook(*recipe.follow, rectangles,
                                       findBook(scan.image(), *recipe.follow), scan.image().size());
        pages = followedPages(pages, *prepared.followed);
    }
    for (const PageRecipe& page : pages)
        prepared.pages.append(preparePage(scan, page));
    return prepared;
}
