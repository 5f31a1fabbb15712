#include "watermark/StampPicture.h"

#include "util/Numbers.h"
#include "geometry/Twips.h"
#include "app/ImageBox.h"

#include <QDir>

bool loadStampPicture(ImageBox* work, const QString& path, int sizePercent, QString* error) {
    if (!work->LoadFromFile(path)) {
        *error = work->lastError();
        return false;
    }
    const int width = roundToInt32(work->ImageWidth() * sizePercent / 100.0);
    const int height = roundToInt32(work->ImageHeight() * sizePercent / 100.0);
    if (width <= 0 || height <= 0) {
        *error = QStringLiteral("La imagen «%1» de %2 x %3 píxeles al %4 % queda sin ningún píxel")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(work->ImageWidth())
                     .arg(work->ImageHeight())
                     .arg(sizePercent);
        work->ClearImage();
        return false;
    }
    if (!work->ResizeImage(width, height)) {
        *error = work->lastError();
        return false;
    }
    // The work file keeps every colour and the transparency of the scaled picture, whatever
    // the picture's own file held.
    work->setColorFormat(0);
    return true;
}

void showStampPreview(ImageBox* work, ImageBox* preview) {
    const double pictureHeight = work->PictureHeightHM();
    if (pictureHeight > 0 && preview->height() > 0) {
        const double himetricPerTwip = pictureHeight / heightTw(preview);
        setWidthTw(preview, roundHalfEven(work->PictureWidthHM() / himetricPerTwip));
        setHeightTw(preview, roundHalfEven(pictureHeight / himetricPerTwip));
    }
    if (work->CopyToClipboard())
        preview->PasteFromClipboard();
}

bool stampPicture(Picture& page, const QString& pictureFile, int intensity, int left, int top,
                  QString* error) {
    const int colorCode = page.ColorFormat();
    page.setMergeTransparent(true);
    page.setMergeTransparency(100.0 - intensity);
    page.setMergeLeft(left);
    page.setMergeTop(top);
    const bool merged = page.MergeFile(pictureFile);
    if (!merged)
        *error = page.lastError();
    // The merge works in 24-bit colour; the page goes back to its own format.
    page.setColorFormat(colorCode);
    return merged;
}

bool stampPicture(ImageBox* page, const QString& pictureFile, int intensity, int left, int top,
                  QString* error) {
    Picture stamped = page->takePicture();
    const bool merged = stampPicture(stamped, pictureFile, intensity, left, top, error);
    page->setPicture(std::move(stamped));
    return merged;
}
