#include "watermark/StampPicture.h"

#include "app/ImageBox.h"
#include "geometry/Twips.h"
#include "util/Numbers.h"

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
    // A frame with a maximum size is as high as that allows; a wide picture makes it lower,
    // so that the frame stays inside the room the tab gives it.
    const bool bounded = preview->maximumHeight() < QWIDGETSIZE_MAX;
    const double frameHeight =
        bounded ? preview->maximumHeight() * kTwipsPerPixel : heightTw(preview);
    if (pictureHeight > 0 && frameHeight > 0) {
        double himetricPerTwip = pictureHeight / frameHeight;
        const double widest = preview->maximumWidth() * kTwipsPerPixel;
        if (work->PictureWidthHM() / himetricPerTwip > widest)
            himetricPerTwip = work->PictureWidthHM() / widest;
        // Height first: the zoom that follows is reckoned from it.
        setHeightTw(preview, roundHalfEven(pictureHeight / himetricPerTwip));
        setWidthTw(preview, roundHalfEven(work->PictureWidthHM() / himetricPerTwip));
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
