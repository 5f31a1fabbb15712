#include "watermark/WatermarkOverlay.h"

#include "app/ImageBox.h"
#include "app/MainWindow.h"
#include "app/ProgressList.h"
#include "watermark/StampPicture.h"
#include "watermark/Watermark.h"

#include <QDir>
#include <QFileInfo>
#include <QSlider>

WatermarkStamp watermarkFromWindow(MainWindow& w) {
    return {Watermark::workFile(), w.WMTrans->value(), w.WMHpos->value(), w.WMVpos->value()};
}

QString stampWatermark(Picture& page, const WatermarkStamp& stamp) {
    page.setMergeMode(1);
    if (!QFileInfo::exists(stamp.file))
        return QStringLiteral("No hay marca de agua preparada («%1»)")
            .arg(QDir::toNativeSeparators(stamp.file));
    QString error;
    if (stampPicture(page, stamp.file, stamp.intensity, stamp.left, stamp.top, &error))
        return {};
    return error;
}

void reportWatermarkFailure(MainWindow& w, const QString& error, ProgressList* log) {
    if (!error.isEmpty() && w.watermark().firstFailureOfRun())
        log->appendFailure(error + QStringLiteral(": las páginas de este proceso siguen sin ella"));
}

void mergeWatermark(MainWindow& w, ImageBox* page, ProgressList* log) {
    Picture stamped = page->takePicture();
    const QString error = stampWatermark(stamped, watermarkFromWindow(w));
    page->setPicture(std::move(stamped));
    reportWatermarkFailure(w, error, log);
}

void beginWatermarkRun(MainWindow& w) {
    w.watermark().beginRun();
}
