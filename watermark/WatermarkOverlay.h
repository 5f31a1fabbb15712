#pragma once

class ImageBox;
class MainWindow;
class ProgressList;

// Stamps the prepared watermark (the work folder's "wm.png") onto a finished page of either crop
// run. Intensity and position are read from the watermark tab at the moment of the merge; the
// size is the one the preparation gave the picture. What goes wrong is a line in `log`, and the
// page goes on without the watermark.
void mergeWatermark(MainWindow& window, ImageBox* page, ProgressList* log);
