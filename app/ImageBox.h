#pragma once

#include "image/Picture.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QWidget>

// One image box of the window: holds one image, shows it, and carries the parameters that later
// operations use. Every pixel operation of the program goes through this class.
//
// Conventions:
// - Pixels are numbered from 0: x runs from 0 to ImageWidth() - 1 left to right, y from 0 to
//   ImageHeight() - 1 top to bottom. PixelColor(x, y) is red + 256 × green + 65536 × blue, and 0
//   (black) for a point outside the image.
// - SelectArea(x1, y1, x2, y2) takes two opposite corners in any order. The rectangle covers x
//   from min(x1, x2) up to but not including max(x1, x2), and likewise y: the pixel at the
//   smaller corner is inside, the one at the larger corner is not, and the width is |x2 − x1|.
//   The corners are display units (image pixels × zoom / 100, so image pixels at zoom 100); the
//   rectangle is clipped to the image where it is used.
// - Rotate(angle): degrees, a positive angle turns clockwise as seen on screen, about the centre.
// - Display: the image is drawn from the box's top-left corner at zoom / 100 × the display scale
//   screen pixels per image pixel (or fitted into the box while AutoZoom is on). Pointer
//   notifications give screen pixels from the image's top-left corner; dividing them by
//   PointerScale() / 100 gives display units.
// - ColorFormat codes: 0 24-bit colour; 1 palette of up to 256 colours; 2 256 greys; 3 palette of
//   up to 16 colours; 4 16 greys; 5 1 bit with two colours; 6 1 bit black and white. After a
//   load it is the file's own format; setting it converts the pixels at once; saving writes at
//   its depth (operations that make new colours, such as scaling, work in 24-bit colour and the
//   save brings the pixels back to the format).
// - Operations that can fail return false and leave a text for the operator in lastError().
class ImageBox : public QWidget {
    Q_OBJECT
public:
    static constexpr double kHimetricPerPixel = 26.455;

    explicit ImageBox(QWidget* parent = nullptr);

    // What the box holds, without the display; a picture made elsewhere (on a batch worker) is
    // taken whole, parameters included.
    const Picture& picture() const { return picture_; }
    void setPicture(Picture picture);
    // Takes the picture out (the box is left empty until setPicture), so that it can be changed
    // without copying its pixels.
    Picture takePicture();

    // The image.
    bool LoadFromFile(const QString& path, ScanRead* readAhead = nullptr) {
        return changed(picture_.LoadFromFile(path, readAhead));
    }
    bool SaveToFile(const QString& path) { return picture_.SaveToFile(path); }
    void ClearImage() {
        picture_.ClearImage();
        changed(true);
    }
    bool NewImage(int width, int height) { return changed(picture_.NewImage(width, height)); }
    bool ResizeImage(int width, int height) { return changed(picture_.ResizeImage(width, height)); }
    bool MergeFile(const QString& path) { return changed(picture_.MergeFile(path)); }
    // Merges the image copied last with CopyToClipboard, as MergeFile merges a file's image.
    bool MergeClipboard();
    bool Rotate(float angle) { return changed(picture_.Rotate(angle)); }
    bool HasImage() const { return picture_.HasImage(); }
    int ImageWidth() const { return picture_.ImageWidth(); }
    int ImageHeight() const { return picture_.ImageHeight(); }
    int PixelColor(int x, int y) const { return picture_.PixelColor(x, y); }
    // The picture's size in HIMETRIC (0.01 mm): 26.455 per image pixel.
    double PictureWidthHM() const { return ImageWidth() * kHimetricPerPixel; }
    double PictureHeightHM() const { return ImageHeight() * kHimetricPerPixel; }
    const QImage& image() const { return picture_.image(); }
    QString lastError() const { return picture_.lastError(); }
    bool lastSaveFoundDiskFull() const { return picture_.lastSaveFoundDiskFull(); }

    // The image slot shared by all boxes (the program never touches the system clipboard).
    bool CopyToClipboard();
    bool PasteFromClipboard();
    // Copies and pastes as CopyToClipboard and PasteFromClipboard do, through `copy` instead of
    // the slot every box shares: a hand-over from one box to another that nothing else reads.
    bool CopyOut(PictureCopy* copy) { return picture_.CopyOut(copy); }
    bool PasteCopy(const PictureCopy& copy) { return changed(picture_.Paste(copy)); }
    static void clearClipboardSlot();
    // What the slot holds; a copy made elsewhere put into it.
    static const PictureCopy& clipboardCopy();
    static void setClipboardCopy(const PictureCopy& copy);

    // Selection.
    void SelectArea(int x1, int y1, int x2, int y2) {
        picture_.SelectArea(x1, y1, x2, y2);
        update();
    }
    void ClearSelection() {
        picture_.ClearSelection();
        update();
    }
    bool CropToSelection() { return changed(picture_.CropToSelection()); }
    bool HasSelection() const { return picture_.HasSelection(); }
    // The selection in image pixels, clipped to the image; empty when there is none.
    QRect selectionInPixels() const { return picture_.selectionInPixels(); }
    void setSelectionEnabled(bool enabled) {
        picture_.setSelectionEnabled(enabled);
        update();
    }
    bool SelectionEnabled() const { return picture_.SelectionEnabled(); }

    // Colour format and save parameters.
    int ColorFormat() const { return picture_.ColorFormat(); }
    bool setColorFormat(int code) { return changed(picture_.setColorFormat(code)); }
    void setJpegQuality(int quality) { picture_.setJpegQuality(quality); }
    int JpegQuality() const { return picture_.JpegQuality(); }
    void setTiffCompression(int compression) { picture_.setTiffCompression(compression); }
    int TiffCompression() const { return picture_.TiffCompression(); }
    // Kept for the callers that set them; they change neither pixels nor display.
    void setSaveFlag(bool flag) { picture_.setSaveFlag(flag); }
    bool SaveFlag() const { return picture_.SaveFlag(); }
    void setViewFlag(bool flag) { viewFlag_ = flag; }
    bool ViewFlag() const { return viewFlag_; }

    // Merge parameters, used by the next MergeFile calls.
    void setMergeTransparent(bool transparent) { picture_.setMergeTransparent(transparent); }
    bool MergeTransparent() const { return picture_.MergeTransparent(); }
    void setMergeTransparency(double percent) { picture_.setMergeTransparency(percent); }
    double MergeTransparency() const { return picture_.MergeTransparency(); }
    // 1 when a watermark is merged, 0 for a plain paste; kept for the callers, MergeTransparent
    // decides how the picture is drawn.
    void setMergeMode(int mode) { picture_.setMergeMode(mode); }
    int MergeMode() const { return picture_.MergeMode(); }
    void setMergeLeft(int left) { picture_.setMergeLeft(left); }
    int MergeLeft() const { return picture_.MergeLeft(); }
    void setMergeTop(int top) { picture_.setMergeTop(top); }
    int MergeTop() const { return picture_.MergeTop(); }

    // Display.
    bool ZoomTo(float percent);
    float Zoom() const { return picture_.Zoom(); }
    void setAutoZoom(bool on);
    bool AutoZoom() const { return autoZoom_; }
    void setDisplayScale(double screenPixelsPerDisplayUnit);
    double displayScale() const { return displayScale_; }
    double PointerScale() const { return 100.0 * displayScale_; }
    // Screen pixels per image pixel as the image is drawn now.
    double screenPixelsPerImagePixel() const;
    // In a scroll area the box takes the size of the image as drawn, so that the area scrolls
    // over a picture larger than itself.
    void setSizeFollowsImage(bool on);
    bool sizeFollowsImage() const { return sizeFollowsImage_; }

signals:
    // button: 1 left, 2 right, 4 middle (on MouseMove, the buttons held); shift: 1 shift, 2 ctrl,
    // 4 alt. x and y in screen pixels from the image's top-left corner.
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    // A press and release of the left button without moving; a double-click.
    void Click();
    void DblClick();
    // The pixels may have changed (a load, an operation, a picture set or taken out).
    void pictureChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // Repaints after an operation that may have changed the pixels; passes its result on.
    bool changed(bool result);
    void followImageSize();

    Picture picture_;
    bool viewFlag_ = false;
    bool autoZoom_ = false;
    double displayScale_ = 1.0;
    bool sizeFollowsImage_ = false;

    // Display cache: the image scaled for the screen.
    QImage shown_;
    qint64 shownKey_ = 0;
    QSize shownSize_;

    // Pointer state for Click.
    QPointF pressPoint_;
    bool leftPressed_ = false;
    bool doubleClicked_ = false;
};
