#include "watermark/WatermarkOverlay.h"

#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "image/ImageBox.h"
#include "watermark/StampPicture.h"
#include "watermark/Watermark.h"

#include <QDir>
#include <QFileInfo>
#include <QSlider>

void mergeWatermark(MainWindow& w, ImageBox* page, ProgressList* log) {
    const QString watermark = Watermark::workFile();
    page->setMergeMode(1);
    QString error;
    if (!QFileInfo::exists(watermark))
        error = QStringLiteral("No hay marca de agua preparada («%1»)")
                    .arg(QDir::toNativeSeparators(watermark));
    else if (stampPicture(page, watermark, w.WMTrans->value(), w.WMHpos->value(), w.WMVpos->value(),
                          &error))
        return;
    if (w.watermark().firstFailureOfRun())
        log->appendLine(error + QStringLiteral(": las páginas de este proceso siguen sin ella"));
}

void beginWatermarkRun(MainWindow& w) {
    w.watermark().beginRun();
}
