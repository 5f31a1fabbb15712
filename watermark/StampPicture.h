#pragma once

#include <QString>

class ImageBox;
class Picture;

// A picture stamped onto pages: the watermark of the crop runs and the page-number label of the
// numbering tab go through the same steps, each with its own boxes and sliders.

// Loads the picture at `path` into the work box and scales both its sides to `sizePercent` per
// cent of its own size. False, with a text for the operator, when the picture does not load or
// would be left without a pixel.
bool loadStampPicture(ImageBox* work, const QString& path, int sizePercent, QString* error);

// Shows the work box's picture in `preview`: the frame takes the picture's proportions at its
// maximum height (its present height when it has no maximum), narrowed to its maximum width.
void showStampPreview(ImageBox* work, ImageBox* preview);

// Draws the picture file onto `page` with its top-left corner at (left, top). `intensity` runs
// from 0 (nothing shows) to 100 (the picture covers the page); what is transparent in the
// picture leaves the page as it was. The page keeps its colour format.
bool stampPicture(Picture& page, const QString& pictureFile, int intensity, int left, int top,
                  QString* error);
bool stampPicture(ImageBox* page, const QString& pictureFile, int intensity, int left, int top,
                  QString* error);
