#include "crop/PageCut.h"

#include "app/MainWindow.h"
#include "app/Numbers.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"

#include <QCheckBox>
#include <QSlider>

QString selectionRefusal(double top, double bottom, double width, double pageWidth,
                         double pageHeight) {
    if (bottom <= top || bottom <= 0 || width <= 0)
        return QStringLiteral(
                   "La selección está vacía (alto %1, ancho %2): no se corta esta imagen")
            .arg(formatNumber(bottom - top), formatNumber(width));
    if (roundHalfEven(pageWidth) <= 0 || roundHalfEven(pageHeight) <= 0)
        return QStringLiteral("Tamaño de página no válido (%1 x %2): no se corta esta imagen")
            .arg(formatNumber(pageWidth), formatNumber(pageHeight));
    return {};
}

bool cutPageFromScan(MainWindow& w, ImageBox* page, double left, double width, int top,
                     double bottom, bool keepDistortedSize, int colorCode, ProgressList* log) {
    const WorkingValues& v = w.v;
    ImageBox* scan = w.ImagenGrande;
    scan->SelectArea(roundToInt32(left), top, roundToInt32(left + width), roundToInt32(bottom));
    scan->setSelectionEnabled(true);

    const bool distort = w.PermiteDistorsion->isChecked();
    bool cut = scan->CopyToClipboard();
    if (cut && distort) {
        cut = page->PasteFromClipboard();
    } else if (cut) {
        // What the cut does not cover stays white.
        const double scale = v.AltoPagina / bottom;
        cut =
            page->NewImage(roundToInt32(v.AnchoPagina / scale), roundToInt32(v.AltoPagina / scale));
        if (cut) {
            page->setColorFormat(colorCode);
            page->setMergeTransparent(false);
            page->setMergeTransparency(0);
            page->setMergeMode(0);
            page->setMergeLeft(0);
            page->setMergeTop(0);
            cut = page->MergeClipboard();
        }
    }
    if (cut && !(distort && keepDistortedSize))
        cut = page->ResizeImage(roundToInt32(v.AnchoPagina), roundToInt32(v.AltoPagina));
    if (!cut) {
        log->appendLine(
            QStringLiteral("No se pudo cortar la página: %1")
                .arg(page->lastError().isEmpty() ? scan->lastError() : page->lastError()));
        page->ClearImage();
        return false;
    }
    page->setSaveFlag(true);
    page->setJpegQuality(w.UpDownQuality->value());
    page->setColorFormat(colorCode);
    return true;
}
