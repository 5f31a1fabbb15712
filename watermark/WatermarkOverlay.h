#pragma once

class ImageBox;
class MainWindow;
class ProgressList;

// Stamps the prepared watermark (the watermark tab's work file) onto a finished page of either
// crop run. Intensity and position are read from the watermark tab at the moment of the merge;
// the size is the one the preparation gave the picture. A watermark that is missing or cannot
// be read is a line in `log` once per run, and the pages go on without it.
void mergeWatermark(MainWindow& window, ImageBox* page, ProgressList* log);

// A crop run (one cut, a test or a batch) begins: a watermark it cannot merge is reported once.
void beginWatermarkRun(MainWindow& window);
