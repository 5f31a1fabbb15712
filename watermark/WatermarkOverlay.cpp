#include "watermark/WatermarkOverlay.h"

#include "app/MainWindow.h"
#include "app/Paths.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"

#include <QFileInfo>
#include <QSlider>

void mergeWatermark(MainWindow& w, ImageBox* page, ProgressList* log) {
    const QString watermark = joinPath(temporaryFolder(), QStringLiteral("wm.png"));
    const int colorCode = page->ColorFormat();
    page->setMergeMode(1);
    page->setMergeTransparent(true);
    page->setMergeTransparency(100.0 - w.WMTrans->value());
    page->setMergeLeft(w.WMHpos->value());
    page->setMergeTop(w.WMVpos->value());
    if (!QFileInfo::exists(watermark))
        log->appendLine(
            QStringLiteral("No hay marca de agua preparada (%1): la página sigue sin ella")
                .arg(watermark));
    else if (!page->MergeFile(watermark))
        log->appendLine(page->lastError());
    // The merge works in 24-bit colour; the page keeps its output format.
    page->setColorFormat(colorCode);
}
