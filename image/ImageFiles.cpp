#include "image/ImageFiles.h"

#include "image/BmpWriter.h"
#include "image/ColorFormats.h"
#include "image/GifCodec.h"
#include "image/JpegReader.h"
#include "image/JpegWriter.h"
#include "image/PngReader.h"
#include "image/PngWriter.h"
#include "image/TiffCodec.h"
#include "image/WriteFailure.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

QString quoted(const QString& path) {
    return QStringLiteral("«%1»").arg(QDir::toNativeSeparators(path));
}

std::uint32_t littleEndian32(const QByteArray& bytes, int at) {
    if (at + 4 > bytes.size())
        return 0;
    return std::uint32_t(uchar(bytes[at])) | std::uint32_t(uchar(bytes[at + 1])) << 8 |
           std::uint32_t(uchar(bytes[at + 2])) << 16 | std::uint32_t(uchar(bytes[at + 3])) << 24;
}

// Qt's JPEG reader fills a picture whose data stops early with grey and reports success; a
// complete JPEG ends with the end-of-image marker (possibly followed by a little padding).
bool jpegLooksComplete(QFile& file) {
    const qint64 tail = std::min<qint64>(file.size(), 4096);
    file.seek(file.size() - tail);
    const bool complete = file.read(tail).contains("\xFF\xD9");
    file.seek(0);
    return complete;
}

// Qt's BMP reader also accepts a bitmap whose pixel rows stop early. The header says how many
// bytes the rows take.
bool bmpLooksComplete(QFile& file) {
    const QByteArray head = file.peek(54);
    if (head.size() < 30)
        return false;
    const std::uint32_t offset = littleEndian32(head, 10);
    const std::uint32_t headerSize = littleEndian32(head, 14);
    if (headerSize < 40 || head.size() < 38)
        return true; // an old OS/2 header: leave it to the reader
    const qint64 width = qint32(littleEndian32(head, 18));
    const qint64 height = std::abs(qint64(qint32(littleEndian32(head, 22))));
    const int bits = uchar(head[28]) | uchar(head[29]) << 8;
    const std::uint32_t compression = littleEndian32(head, 30);
    const std::uint32_t dataSize = littleEndian32(head, 34);
    qint64 needed = 0;
    if (compression == 0 || compression == 3) // uncompressed, bit fields
        needed = (width * bits + 31) / 32 * 4 * height;
    else
        needed = dataSize;
    return file.size() >= qint64(offset) + needed;
}

// A picture whose header claims more pixels than the allocation limit allows is refused before
// its pixels are read.
bool tooLargeToRead(QSize size) {
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return limit > 0 && size.isValid() && qint64(size.width()) * size.height() * 4 > limit;
}

QString readerFailure(const QImageReader& reader) {
    switch (reader.error()) {
    case QImageReader::InvalidDataError:
        return QStringLiteral("la imagen está dañada o incompleta");
    case QImageReader::DeviceError:
        return QStringLiteral("error al leer el fichero");
    case QImageReader::UnsupportedFormatError:
        return QStringLiteral("el formato de la imagen no se admite");
    default:
        return reader.errorString();
    }
}

bool encodeJpeg(const EncodedImage& encoded, int code, int quality, QByteArray* bytes,
                QString* error) {
    const bool grey = code == ColorCode::Grey256 || code == ColorCode::Grey16 ||
                      code == ColorCode::TwoColours || code == ColorCode::BlackWhite;
    const QImage pixels = grey ? greyOf(encoded) : layOnWhite(encoded.pixels);
    if (pixels.isNull()) {
        *error = QStringLiteral("No hay memoria para preparar el JPEG");
        return false;
    }
    // Qt's writer also carries a picture's colour profile and texts into the file.
    if (pixels.colorSpace().isValid() || !pixels.textKeys().isEmpty()) {
        QBuffer buffer(bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(std::clamp(quality, 0, 100));
        if (!writer.write(pixels)) {
            *error = QStringLiteral("No se puede escribir el JPEG: %1").arg(writer.errorString());
            return false;
        }
        return true;
    }
    QString reason;
    if (!writeJpeg(pixels, quality, bytes, &reason)) {
        *error = QStringLiteral("No se puede escribir el JPEG: %1").arg(reason);
        return false;
    }
    return true;
}

} // namespace

void useScanAllocationLimit() {
    QImageReader::setAllocationLimit(kScanAllocationLimitMB);
}

ImageFileType imageFileTypeOfPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"jpg" || suffix == u"jpeg")
        return ImageFileType::Jpeg;
    if (suffix == u"tif" || suffix == u"tiff")
        return ImageFileType::Tiff;
    if (suffix == u"gif")
        return ImageFileType::Gif;
    if (suffix == u"png")
        return ImageFileType::Png;
    if (suffix == u"bmp")
        return ImageFileType::Bmp;
    return ImageFileType::Unknown;
}

bool readImageFile(const QString& path, QImage* image, int* colorCode, QString* error) {
    *image = QImage();
    *colorCode = ColorCode::Rgb24;
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("No se puede leer el fichero %1: no existe").arg(quoted(path));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("No se puede leer el fichero %1: %2")
                     .arg(quoted(path), file.errorString());
        return false;
    }
    if (file.size() == 0) {
        *error = QStringLiteral("No se puede leer el fichero %1: está vacío").arg(quoted(path));
        return false;
    }
    const QByteArray magic = file.peek(8);
    QString reason;
    bool ok = false;
    if (magic.startsWith("II*\0") || magic.startsWith(QByteArray("MM\0*", 4))) {
        ok = readTiff(file, image, colorCode, &reason);
    } else if (magic.startsWith("GIF8")) {
        ok = readGif(file, image, colorCode, &reason);
    } else {
        QImageReader reader(&file);
        reader.setDecideFormatFromContent(true);
        const QByteArray format = reader.format();
        if (format != "jpeg" && format != "png" && format != "bmp") {
            reason = QStringLiteral("no es una imagen JPEG, TIFF, GIF, PNG ni BMP");
        } else if ((format == "jpeg" && !jpegLooksComplete(file)) ||
                   (format == "bmp" && !bmpLooksComplete(file))) {
            reason = QStringLiteral("el fichero está incompleto");
        } else if (format == "jpeg") {
            ok = readJpeg(file.readAll(), image, colorCode, &reason);
        } else if (format == "png") {
            ok = readPng(file.readAll(), image, colorCode, &reason);
        } else if (const QSize size = reader.size(); tooLargeToRead(size)) {
            reason = QStringLiteral("la imagen es demasiado grande (%1 x %2 píxeles)")
                         .arg(size.width())
                         .arg(size.height());
        } else {
            const QImage decoded = reader.read();
            if (decoded.isNull()) {
                reason = readerFailure(reader);
            } else {
                *colorCode = colorCodeOf(decoded);
                *image = toWorkingFormat(decoded);
                ok = !image->isNull();
                if (!ok)
                    reason = QStringLiteral("no hay memoria suficiente");
            }
        }
    }
    if (!ok) {
        *image = QImage();
        *error = QStringLiteral("No se puede leer el fichero %1: %2").arg(quoted(path), reason);
    }
    return ok;
}

bool encodeImageFile(const QString& path, const QImage& working, const ImageWriteOptions& options,
                     QByteArray* bytes, QString* error) {
    const ImageFileType type = imageFileTypeOfPath(path);
    if (type == ImageFileType::Unknown) {
        *error = QStringLiteral("No se puede grabar %1: el tipo de fichero no se admite (se "
                                "admiten .jpg, .jpeg, .tif, .tiff, .gif, .png y .bmp)")
                     .arg(quoted(path));
        return false;
    }
    if (working.isNull()) {
        *error = QStringLiteral("No se puede grabar %1: no hay imagen").arg(quoted(path));
        return false;
    }
    int code = ColorCode::isValid(options.colorCode) ? options.colorCode : ColorCode::Rgb24;
    if (type == ImageFileType::Gif && code == ColorCode::Rgb24)
        code = ColorCode::Palette256;
    const EncodedImage encoded = options.encoded && code == options.colorCode
                                     ? *options.encoded
                                     : encodeForColorCode(working, code);
    if (encoded.pixels.isNull()) {
        *error =
            QStringLiteral("No se puede grabar %1: no hay memoria suficiente").arg(quoted(path));
        return false;
    }

    bytes->clear();
    QString reason;
    bool ok = false;
    // JPEG grows in the bytes themselves; the other writers write to a device.
    QBuffer buffer(bytes);
    if (type != ImageFileType::Jpeg)
        buffer.open(QIODevice::WriteOnly);
    switch (type) {
    case ImageFileType::Jpeg:
        ok = encodeJpeg(encoded, code, options.jpegQuality, bytes, &reason);
        break;
    case ImageFileType::Tiff:
        ok = writeTiff(buffer, encoded, options.tiffGroup4, &reason);
        break;
    case ImageFileType::Gif:
        ok = writeGif(buffer, encoded, &reason);
        break;
    case ImageFileType::Png:
        ok = writePng(buffer, encoded, &reason);
        break;
    case ImageFileType::Bmp:
        ok = writeBmp(buffer, encoded, &reason);
        break;
    case ImageFileType::Unknown:
        break;
    }
    if (!ok)
        *error = QStringLiteral("No se puede grabar %1: %2").arg(quoted(path), reason);
    return ok;
}

bool writeEncodedFile(const QString& path, const QByteArray& bytes, QString* error,
                      bool* diskFull) {
    if (diskFull)
        *diskFull = false;
    // The error number is taken right after the call that failed, before anything else can
    // change it: Qt itself reports a short write on a full disk as no error at all.
    QSaveFile file(path);
    errno = 0;
    bool ok = file.open(QIODevice::WriteOnly);
    int systemError = ok ? 0 : errno;
    if (ok) {
        errno = 0;
        ok = file.write(bytes) == bytes.size();
        systemError = ok ? 0 : errno;
    }
    if (ok) {
        errno = 0;
        ok = file.commit();
        systemError = ok ? 0 : errno;
    }
    if (ok)
        return true;
    const QString systemText =
        file.error() != QFileDevice::NoError ? file.errorString() : QString();
    file.cancelWriting();
    const WriteFailure failure =
        writeFailureOf(systemError, QFileInfo(path).absolutePath(), bytes.size(), systemText);
    if (diskFull)
        *diskFull = failure.diskFull;
    *error = QStringLiteral("No se puede grabar %1: %2").arg(quoted(path), failure.reason);
    return false;
}

bool writeImageFile(const QString& path, const QImage& working, const ImageWriteOptions& options,
                    QString* error, bool* diskFull) {
    if (diskFull)
        *diskFull = false;
    QByteArray bytes;
    return encodeImageFile(path, working, options, &bytes, error) &&
           writeEncodedFile(path, bytes, error, diskFull);
}
