#pragma once

#include "image/ColorFormats.h"
#include "image/ScanRead.h"

#include <QImage>
#include <QRect>
#include <QString>

// A copied picture, or the part of it that was selected: the selection is cut out only when the
// copy is pasted, so copying shares the pixels instead of duplicating them.
struct PictureCopy {
    QImage image;
    QRect area;
    int colorFormat = 0;

    bool isNull() const { return image.isNull(); }
    // The copied part on its own; it shares the copied picture's pixels until either changes.
    QImage copied() const;
};

// The pixels of an image box and the parameters its operations use, without any display: what
// the window's boxes show, and what batch workers on other threads work on with exactly the
// same operations. The conventions are the image box's (see ImageBox.h).
class Picture {
public:
    // Reads `path`; a scan read ahead for it (`readAhead`) is taken instead while the file is
    // still what was read.
    bool LoadFromFile(const QString& path, ScanRead* readAhead = nullptr);
    // Takes a picture already read from a file, as a load of that file would.
    void setLoaded(QImage image, int colorCode);
    bool SaveToFile(const QString& path);
    // Encodes what SaveToFile would write to `path` (its type from the extension) into `bytes`.
    bool EncodeForFile(const QString& path, QByteArray* bytes);
    void ClearImage();
    bool NewImage(int width, int height);
    // NewImage, setColorFormat(code) and a plain MergeCopy of `copy` at the top-left corner, in
    // one step: a copy that covers the whole canvas becomes the image without a white canvas
    // being made first and painted over.
    bool NewImageWith(const PictureCopy& copy, int width, int height, int code);
    bool ResizeImage(int width, int height);
    bool MergeFile(const QString& path);
    bool MergeCopy(const PictureCopy& copy);
    bool Rotate(float angle);
    bool HasImage() const { return !image_.isNull(); }
    int ImageWidth() const { return image_.width(); }
    int ImageHeight() const { return image_.height(); }
    int PixelColor(int x, int y) const;
    const QImage& image() const { return image_; }
    QString lastError() const { return lastError_; }
    // Whether the last SaveToFile failed for a full disk.
    bool lastSaveFoundDiskFull() const { return diskFull_; }

    bool CopyOut(PictureCopy* copy);
    bool Paste(const PictureCopy& copy);

    void SelectArea(int x1, int y1, int x2, int y2);
    void ClearSelection() { hasSelection_ = false; }
    bool CropToSelection();
    bool HasSelection() const { return hasSelection_; }
    QRect selectionInPixels() const;
    void setSelectionEnabled(bool enabled) { selectionEnabled_ = enabled; }
    bool SelectionEnabled() const { return selectionEnabled_; }
    // Display units per image pixel × 100: selection corners are given in display units.
    void setZoom(float percent) { zoom_ = percent; }
    float Zoom() const { return zoom_; }

    int ColorFormat() const { return colorFormat_; }
    bool setColorFormat(int code);
    void setJpegQuality(int quality);
    int JpegQuality() const { return jpegQuality_; }
    void setTiffCompression(int compression) { tiffCompression_ = compression; }
    int TiffCompression() const { return tiffCompression_; }
    void setSaveFlag(bool flag) { saveFlag_ = flag; }
    bool SaveFlag() const { return saveFlag_; }

    void setMergeTransparent(bool transparent) { mergeTransparent_ = transparent; }
    bool MergeTransparent() const { return mergeTransparent_; }
    void setMergeTransparency(double percent) { mergeTransparency_ = percent; }
    double MergeTransparency() const { return mergeTransparency_; }
    void setMergeMode(int mode) { mergeMode_ = mode; }
    int MergeMode() const { return mergeMode_; }
    void setMergeLeft(int left) { mergeLeft_ = left; }
    int MergeLeft() const { return mergeLeft_; }
    void setMergeTop(int top) { mergeTop_ = top; }
    int MergeTop() const { return mergeTop_; }

    // Leaves a text for the operator and returns false, as a failed operation does.
    bool fail(const QString& text);
    void clearError() { lastError_.clear(); }

private:
    // Draws the `area` of `source` at (MergeLeft, MergeTop) as the merge settings say.
    void mergePicture(const QImage& source, const QRect& area);
    void replaceImage(QImage image, int colorFormat);
    // The image, or the selected part of it while SelectionEnabled; false with an error when the
    // selection is empty.
    bool imageForOutput(QImage* out);
    bool prepareOutput(const QString& path, QImage* out, struct ImageWriteOptions* options);

    QImage image_;
    QString lastError_;
    bool diskFull_ = false;
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
    bool selectionEnabled_ = false;
    bool hasSelection_ = false;
    QRect selection_; // display units, normalised, end exclusive
    float zoom_ = 100;
    bool mergeTransparent_ = false;
    double mergeTransparency_ = 0;
    int mergeMode_ = 0;
    int mergeLeft_ = 0;
    int mergeTop_ = 0;
};
