#pragma once

#include <QString>

class ImageBox;
class MainWindow;
class Picture;
class ProgressList;

// The prepared watermark as the watermark tab sets it for the next page: the work file, its
// intensity (0 to 100) and where its top-left corner goes.
struct WatermarkStamp {
    QString file;
    int intensity = 0;
    int left = 0;
    int top = 0;
    bool operator==(const WatermarkStamp&) const = default;
};

// The stamp as the tab's sliders say now: intensity and position are read at the moment of the
// merge; the size is the one the preparation gave the picture.
WatermarkStamp watermarkFromWindow(MainWindow& window);

// Stamps the watermark onto a finished page of either crop run; on any thread. Returns why it
// could not (no prepared watermark, or one that cannot be read), or nothing.
QString stampWatermark(Picture& page, const WatermarkStamp& stamp);

// Says in `log`, once per run, that the pages of the run go on without the watermark.
void reportWatermarkFailure(MainWindow& window, const QString& error, ProgressList* log);

// The whole overlay on a page box: stamped, and a failure reported once per run.
void mergeWatermark(MainWindow& window, ImageBox* page, ProgressList* log);

// A crop run (one cut, a test or a batch) begins: a watermark it cannot merge is reported once.
void beginWatermarkRun(MainWindow& window);
