#include "crop/PagePipeline.h"

#include "util/Numbers.h"
#include "crop/MarginTrim.h"
#include "crop/SelectionRefusal.h"

namespace {

bool cutOntoPage(Picture& source, Picture& page, const PageRecipe& r, PreparedPage* out) {
    out->scanSelection = QRect(QPoint(roundToInt32(r.left), r.top),
                               QPoint(roundToInt32(r.left + r.width), roundToInt32(r.bottom)));
    source.SelectArea(out->scanSelection.left(), out->scanSelection.top(),
                      out->scanSelection.right(), out->scanSelection.bottom());
    source.setSelectionEnabled(true);

    bool cut = source.CopyOut(&out->cutCopy);
    if (cut && r.distort) {
        cut = page.Paste(out->cutCopy);
    } else if (cut) {
        // The cut keeps its proportions: it lies at the top-left of a white canvas of the output
        // page's shape at the scan's scale (the bottom edge maps to the page height), and what
        // it does not cover stays white.
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

QList<PreparedPage> prepareScan(const Picture& scan, const ScanRecipe& recipe) {
    QList<PreparedPage> pages;
    for (const PageRecipe& page : recipe)
        pages.append(preparePage(scan, page));
    return pages;
}
