#include "image/TiffCodec.h"

#include "image/RowPacking.h"

#include "image/TiffSamples.h"

#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <tiffio.h>
#include <vector>

namespace {

thread_local QString tiffMessage;

void keepTiffError(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    tiffMessage = module ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module),
                                                        QString::fromLocal8Bit(text))
                         : QString::fromLocal8Bit(text);
}

void ignoreTiffWarning(const char*, const char*, va_list) {}

tmsize_t deviceRead(thandle_t handle, void* buffer, tmsize_t size) {
    return tmsize_t(static_cast<QIODevice*>(handle)->read(static_cast<char*>(buffer), size));
}

tmsize_t deviceWrite(thandle_t handle, void* buffer, tmsize_t size) {
    return tmsize_t(static_cast<QIODevice*>(handle)->write(static_cast<const char*>(buffer), size));
}

toff_t deviceSeek(thandle_t handle, toff_t offset, int whence) {
    QIODevice* device = static_cast<QIODevice*>(handle);
    qint64 position = qint64(offset);
    if (whence == SEEK_CUR)
        position += device->pos();
    else if (whence == SEEK_END)
        position += device->size();
    return device->seek(position) ? toff_t(position) : toff_t(-1);
}

int deviceClose(thandle_t) {
    return 0;
}

toff_t deviceSize(thandle_t handle) {
    return toff_t(static_cast<QIODevice*>(handle)->size());
}

int noMap(thandle_t, void**, toff_t*) {
    return 0;
}

void noUnmap(thandle_t, void*, toff_t) {}

// Opens the device with libtiff; errors are kept for the caller instead of being printed.
TIFF* openTiff(QIODevice& device, const char* mode) {
    // libtiff's handlers are global: set them once, not from two threads at a time.
    static std::once_flag handlers;
    std::call_once(handlers, [] {
        TIFFSetErrorHandler(keepTiffError);
        TIFFSetWarningHandler(ignoreTiffWarning);
    });
    tiffMessage.clear();
    // No single allocation of libtiff's (a strip, a tag's values) may pass the allocation limit
    // that pictures have: a damaged header can claim anything.
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0)
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(limit));
    TIFF* tif = TIFFClientOpenExt("pliego", mode, &device, deviceRead, deviceWrite, deviceSeek,
                                  deviceClose, deviceSize, noMap, noUnmap, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

QString withTiffMessage(const QString& text) {
    return tiffMessage.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, tiffMessage);
}

int colorCodeOfPage(TIFF* tif) {
    uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE, extras = 0;
    uint16_t* kinds = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds);
    // Extra samples (alpha) do not change the kind of colour; transparency is looked at later.
    if (samples - std::min(extras, samples) != 1)
        return ColorCode::Rgb24;
    if (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK)
        return bits == 1   ? ColorCode::BlackWhite
               : bits <= 4 ? ColorCode::Grey16
                           : ColorCode::Grey256;
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (photometric != PHOTOMETRIC_PALETTE || bits > 8 ||
        !TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue))
        return ColorCode::Rgb24;
    const int entries = 1 << bits;
    bool eightBitMap = true; // some writers store 8-bit values in the 16-bit map
    for (int i = 0; i < entries; ++i)
        eightBitMap &= red[i] < 256 && green[i] < 256 && blue[i] < 256;
    const int shift = eightBitMap ? 0 : 8;
    QList<QRgb> table;
    for (int i = 0; i < entries; ++i)
        table.append(qRgb(red[i] >> shift, green[i] >> shift, blue[i] >> shift));
    return colorCodeOfPalette(table);
}

bool isBlackAndWhite(const QList<QRgb>& table) {
    return table.size() == 2 && ((table[0] == 0xFF000000 && table[1] == 0xFFFFFFFF) ||
                                 (table[0] == 0xFFFFFFFF && table[1] == 0xFF000000));
}

// libtiff's RGBA reader drops the alpha of grey pages of 16 bits and of palette pages.
bool alphaLostByRgbaReader(TIFF* tif) {
    uint16_t photometric = PHOTOMETRIC_MINISWHITE, extras = 0;
    uint16_t* kinds = nullptr;
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool alpha = TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extras, &kinds) && extras > 0 &&
                       kinds &&
                       (kinds[0] == EXTRASAMPLE_ASSOCALPHA || kinds[0] == EXTRASAMPLE_UNASSALPHA);
    return alpha && (photometric == PHOTOMETRIC_MINISBLACK ||
                     photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_PALETTE);
}

// The page through libtiff's RGBA reader, which knows YCbCr, JPEG and the other encodings of
// colour that scanners use.
bool readRgba(TIFF* tif, uint32_t width, uint32_t height, QImage* image, QString* error) {
    QImage pixels(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull()) {
        *error = QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                     .arg(width)
                     .arg(height);
        return false;
    }
    if (!TIFFReadRGBAImageOriented(tif, width, height, reinterpret_cast<uint32_t*>(pixels.bits()),
                                   ORIENTATION_TOPLEFT, 1)) {
        *error = withTiffMessage(QStringLiteral("El fichero TIFF está dañado o incompleto"));
        return false;
    }
    // libtiff gives red in the low byte; QRgb has blue there.
    for (uint32_t y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(pixels.scanLine(int(y)));
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = line[x];
            line[x] = (p & 0xFF00FF00) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
        }
    }
    *image = std::move(pixels);
    return true;
}

} // namespace

bool readTiff(QIODevice& device, QImage* image, int* colorCode, QString* error) {
    TIFF* tif = openTiff(device, "r");
    if (!tif) {
        *error = withTiffMessage(QStringLiteral("El fichero TIFF no es válido"));
        return false;
    }
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    char message[1024] = "";
    bool ok = false;
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        *error = QStringLiteral("El fichero TIFF no tiene un tamaño válido");
    } else if (limitBytes > 0 && qint64(width) * qint64(height) * 4 > limitBytes) {
        *error = QStringLiteral("La imagen TIFF es demasiado grande (%1 x %2 píxeles)")
                     .arg(width)
                     .arg(height);
    } else {
        // libtiff's RGBA reader first: it knows every encoding of colour that scanners use.
        // The pages it refuses or cannot read, and those it would read without their alpha, are
        // read sample by sample.
        QImage pixels;
        QString reason;
        bool rgbaTried = false;
        if (!alphaLostByRgbaReader(tif) && TIFFRGBAImageOK(tif, message)) {
            rgbaTried = true;
            ok = readRgba(tif, width, height, &pixels, &reason);
        }
        if (!ok) {
            const QString refusal = tiffSampleLayoutRefusal(tif);
            if (refusal.isEmpty()) {
                ok = readTiffSamples(tif, &pixels, &reason);
                if (!ok)
                    reason = withTiffMessage(reason);
            } else if (!rgbaTried) {
                reason = QStringLiteral("Tipo de TIFF no admitido: %1 (%2)")
                             .arg(QString::fromLocal8Bit(message), refusal);
            }
        }
        if (ok) {
            *colorCode = colorCodeOfPage(tif);
            *image = toWorkingFormat(pixels);
            if (hasTransparency(*image))
                *colorCode = ColorCode::Rgb24;
            ok = !image->isNull();
            if (!ok)
                reason = QStringLiteral("No hay memoria para una imagen de %1 x %2 píxeles")
                             .arg(width)
                             .arg(height);
        }
        if (!ok)
            *error = reason;
    }
    TIFFClose(tif);
    return ok;
}

bool writeTiff(QIODevice& device, const EncodedImage& encoded, bool group4, QString* error) {
    const QImage& image = encoded.pixels;
    const int width = image.width(), height = image.height();
    const QList<QRgb> table = encoded.bits == 24 ? QList<QRgb>() : image.colorTable();
    const bool bilevel = encoded.bits == 1 && (encoded.grey || isBlackAndWhite(table));
    const bool alpha = encoded.bits == 24 && hasTransparency(image);
    const int samples = encoded.bits == 24 ? (alpha ? 4 : 3) : 1;
    const int bits = encoded.bits == 24 ? 8 : encoded.bits;

    TIFF* tif = openTiff(device, "w");
    if (!tif) {
        *error = withTiffMessage(QStringLiteral("No se puede crear el fichero TIFF"));
        return false;
    }
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(bits));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(samples));
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 72.0f);
    TIFFSetField(tif, TIFFTAG_COMPRESSION,
                 bilevel && group4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_NONE);
    std::vector<uint16_t> red, green, blue;
    if (encoded.bits == 24) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        if (alpha) {
            const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
        }
    } else if (bilevel) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    } else if (encoded.grey) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    } else {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        const int entries = 1 << bits;
        red.assign(entries, 0);
        green.assign(entries, 0);
        blue.assign(entries, 0);
        for (int i = 0; i < int(table.size()) && i < entries; ++i) {
            red[i] = uint16_t(qRed(table[i]) * 257);
            green[i] = uint16_t(qGreen(table[i]) * 257);
            blue[i] = uint16_t(qBlue(table[i]) * 257);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));

    // In a black-and-white page a set bit is black; work out which index is black.
    uchar blackIndex = 0;
    if (bilevel && !encoded.grey)
        blackIndex = table[0] == 0xFF000000 ? 0 : 1;
    uchar bitOfIndex[256] = {};
    for (int index = 0; index < 256; ++index)
        bitOfIndex[index] = encoded.grey ? uchar(index == 0) : uchar(index == blackIndex);

    const std::size_t rowBytes = (std::size_t(width) * samples * bits + 7) / 8;
    std::vector<uchar> row(rowBytes);
    bool ok = true;
    for (int y = 0; ok && y < height; ++y) {
        if (encoded.bits == 24)
            packColourRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), width, alpha,
                          row.data());
        else
            packIndexRow(image.constScanLine(y), width, bits, row.data(),
                         bilevel ? bitOfIndex : nullptr);
        ok = TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) == 1;
    }
    ok = ok && TIFFFlush(tif) == 1;
    TIFFClose(tif);
    if (!ok)
        *error = withTiffMessage(QStringLiteral("No se puede escribir el TIFF"));
    return ok;
}
