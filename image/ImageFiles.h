#pragma once

#include "image/ColorFormats.h"

#include <QImage>
#include <QString>

// Reading and writing picture files of the five types the program handles: JPEG, TIFF, GIF, PNG
// and BMP.

enum class ImageFileType { Unknown, Jpeg, Tiff, Gif, Png, Bmp };

// A 600 dpi spread is far above Qt's default allocation limit of 256 MB: pictures of up to 2 GB
// of 32-bit pixels (20000 x 20000 and more) are read. Every reader refuses a picture whose header
// claims more before it allocates anything of that size. The program sets this once at start.
constexpr int kScanAllocationLimitMB = 2048;
void useScanAllocationLimit();

// The type named by a path's extension (.jpg/.jpeg, .tif/.tiff, .gif, .png, .bmp; any case).
ImageFileType imageFileTypeOfPath(const QString& path);

// Reads a picture (the first page or frame), whatever its extension says: gives it in the
// working format (Format_RGB32, or Format_ARGB32_Premultiplied with transparency) and the colour
// code of the file's own format. A missing, empty, truncated or unsupported file fails with an
// error text for the operator.
bool readImageFile(const QString& path, QImage* image, int* colorCode, QString* error);

struct ImageWriteOptions {
    int colorCode = 0;    // the depth to write (see ColorFormats.h); JPEG and GIF take the nearest
    int jpegQuality = 75; // 0 to 100
    bool tiffGroup4 = false; // CCITT Group 4 for black-and-white TIFF pages
    // The picture already brought to `colorCode` by the caller, so it is not worked out again.
    const EncodedImage* encoded = nullptr;
};

// Writes a working picture in the type named by the path's extension, at the depth of the
// colour code: JPEG stores palette codes as 24-bit colour and grey and 1-bit codes as 8-bit grey;
// GIF stores 24-bit colour as a palette of 256 colours. The file is written under a temporary
// name in the same folder and renamed at the end, so a failed write leaves no partial file and
// leaves an existing file as it was. The error names the cause; `diskFull`, when given, tells
// whether it was a full disk.
bool writeImageFile(const QString& path, const QImage& working, const ImageWriteOptions& options,
                    QString* error, bool* diskFull = nullptr);

// The two halves of writeImageFile: the file's bytes for the type `path` names, made in memory
// (on any thread), and the bytes written under a temporary name in the same folder and renamed.
bool encodeImageFile(const QString& path, const QImage& working, const ImageWriteOptions& options,
                     QByteArray* bytes, QString* error);
bool writeEncodedFile(const QString& path, const QByteArray& bytes, QString* error,
                      bool* diskFull = nullptr);
