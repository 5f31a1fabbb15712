#pragma once

#include "image/ColorFormats.h"

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

    // The image.
    bool LoadFromFile(const QString& path);
    bool SaveToFile(const QString& path);
    void ClearImage();
    bool NewImage(int width, int height);
    bool ResizeImage(int width, int height);
    bool MergeFile(const QString& path);
    // Merges the image copied last with CopyToClipboard, as MergeFile merges a file's image.
    bool MergeClipboard();
    bool Rotate(float angle);
    bool HasImage() const { return !image_.isNull(); }
    int ImageWidth() const { return image_.width(); }
    int ImageHeight() const { return image_.height(); }
    int PixelColor(int x, int y) const;
    // The picture's size in HIMETRIC (0.01 mm): 26.455 per image pixel.
    double PictureWidthHM() const { return image_.width() * kHimetricPerPixel; }
    double PictureHeightHM() const { return image_.height() * kHimetricPerPixel; }
    const QImage& image() const { return image_; }
    QString lastError() const { return lastError_; }

    // The image slot shared by all boxes (the program never touches the system clipboard).
    bool CopyToClipboard();
    bool PasteFromClipboard();
    static void clearClipboardSlot();

    // Selection.
    void SelectArea(int x1, int y1, int x2, int y2);
    void ClearSelection();
    bool CropToSelection();
    bool HasSelection() const { return hasSelection_; }
    // The selection in image pixels, clipped to the image; empty when there is none.
    QRect selectionInPixels() const;
    void setSelectionEnabled(bool enabled) { selectionEnabled_ = enabled; }
    bool SelectionEnabled() const { return selectionEnabled_; }

    // Colour format and save parameters.
    int ColorFormat() const { return colorFormat_; }
    bool setColorFormat(int code);
    void setJpegQuality(int quality);
    int JpegQuality() const { return jpegQuality_; }
    void setTiffCompression(int compression) { tiffCompression_ = compression; }
    int TiffCompression() const { return tiffCompression_; }
    // Kept for the callers that set them; they change neither pixels nor display.
    void setSaveFlag(bool flag) { saveFlag_ = flag; }
    bool SaveFlag() const { return saveFlag_; }
    void setViewFlag(bool flag) { viewFlag_ = flag; }
    bool ViewFlag() const { return viewFlag_; }

    // Merge parameters, used by the next MergeFile calls. With MergeTransparent, what is
    // transparent in the picture leaves the image as it was: the picture's alpha where some of
    // its pixels are not opaque, otherwise every pixel of the colour of its top-left pixel (a
    // logo drawn on white leaves only the logo), and the rest is drawn at 100 −
    // MergeTransparency per cent.
    void setMergeTransparent(bool transparent) { mergeTransparent_ = transparent; }
    bool MergeTransparent() const { return mergeTransparent_; }
    void setMergeTransparency(double percent) { mergeTransparency_ = percent; }
    double MergeTransparency() const { return mergeTransparency_; }
    // 1 when a watermark is merged, 0 for a plain paste; kept for the callers, MergeTransparent
    // decides how the picture is drawn.
    void setMergeMode(int mode) { mergeMode_ = mode; }
    int MergeMode() const { return mergeMode_; }
    void setMergeLeft(int left) { mergeLeft_ = left; }
    int MergeLeft() const { return mergeLeft_; }
    void setMergeTop(int top) { mergeTop_ = top; }
    int MergeTop() const { return mergeTop_; }

    // Display.
    bool ZoomTo(float percent);
    float Zoom() const { return zoom_; }
    void setAutoZoom(bool on);
    bool AutoZoom() const { return autoZoom_; }
    void setDisplayScale(double screenPixelsPerDisplayUnit);
    double displayScale() const { return displayScale_; }
    double PointerScale() const { return 100.0 * displayScale_; }
    // Screen pixels per image pixel as the image is drawn now.
    double screenPixelsPerImagePixel() const;

signals:
    // button: 1 left, 2 right, 4 middle (on MouseMove, the buttons held); shift: 1 shift, 2 ctrl,
    // 4 alt. x and y in screen pixels from the image's top-left corner.
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    // A press and release of the left button without moving; a double-click.
    void Click();
    void DblClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool fail(const QString& text);
    // Draws the `area` of `source` at (MergeLeft, MergeTop) as the merge settings say.
    void mergePicture(const QImage& source, const QRect& area);
    void replaceImage(QImage image, int colorFormat);
    // The image, or the selected part of it while SelectionEnabled; false with an error when the
    // selection is empty.
    bool imageForOutput(QImage* out);

    QImage image_;
    QString lastError_;
    int colorFormat_ = 0;
    // The image as the last colour-format change encoded it, kept for the save that follows
    // while the image stays as it was (same cache key).
    EncodedImage encoded_;
    qint64 encodedKey_ = 0;
    int encodedCode_ = -1;
    bool blankWhite_ = false; // a fresh NewImage, not drawn on yet
    int jpegQuality_ = 75;
    int tiffCompression_ = 0;
    bool saveFlag_ = false;
    bool viewFlag_ = false;
    bool selectionEnabled_ = false;
    bool hasSelection_ = false;
    QRect selection_; // display units, normalised, end exclusive
    bool mergeTransparent_ = false;
    double mergeTransparency_ = 0;
    int mergeMode_ = 0;
    int mergeLeft_ = 0;
    int mergeTop_ = 0;
    float zoom_ = 100;
    bool autoZoom_ = false;
    double displayScale_ = 1.0;

    // Display cache: the image scaled for the screen.
    QImage shown_;
    qint64 shownKey_ = 0;
    QSize shownSize_;

    // Pointer state for Click.
    QPointF pressPoint_;
    bool leftPressed_ = false;
    bool doubleClicked_ = false;
};
