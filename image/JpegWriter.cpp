#include "image/JpegWriter.h"

#include "image/JpegErrors.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <jerror.h>
#include <jpeglib.h>
#include <limits>
#include <new>

namespace {

// The file grows in the byte array itself, doubling when full.
struct ByteArrayDestination {
    jpeg_destination_mgr base;
    QByteArray* bytes;
};

void startBytes(j_compress_ptr info) {
    auto* destination = reinterpret_cast<ByteArrayDestination*>(info->dest);
    destination->base.next_output_byte = reinterpret_cast<JOCTET*>(destination->bytes->data());
    destination->base.free_in_buffer = size_t(destination->bytes->size());
}

boolean growBytes(j_compress_ptr info) {
    auto* destination = reinterpret_cast<ByteArrayDestination*>(info->dest);
    QByteArray& bytes = *destination->bytes;
    const qsizetype used = bytes.size();
    bool grown = used <= std::numeric_limits<qsizetype>::max() / 4;
    try {
        if (grown)
            bytes.resize(used * 2);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown)
        ERREXIT(info, JERR_OUT_OF_MEMORY); // leaves through the error handler
    destination->base.next_output_byte = reinterpret_cast<JOCTET*>(bytes.data() + used);
    destination->base.free_in_buffer = size_t(bytes.size() - used);
    return TRUE;
}

void endBytes(j_compress_ptr info) {
    auto* destination = reinterpret_cast<ByteArrayDestination*>(info->dest);
    destination->bytes->resize(destination->bytes->size() -
                               qsizetype(destination->base.free_in_buffer));
}

// JFIF keeps the resolution in dots per inch or per centimetre, whichever holds the picture's
// dots per metre more exactly.
void setDensity(jpeg_compress_struct& info, const QImage& pixels) {
    const double perMetreX = pixels.dotsPerMeterX();
    const double perMetreY = pixels.dotsPerMeterY();
    const double offInch = std::abs(perMetreX * 0.0254 - std::round(perMetreX * 0.0254)) +
                           std::abs(perMetreY * 0.0254 - std::round(perMetreY * 0.0254));
    const double offCm = (std::abs(perMetreX / 100 - std::round(perMetreX / 100)) +
                          std::abs(perMetreY / 100 - std::round(perMetreY / 100))) *
                         2.54;
    if (offInch < offCm) {
        info.density_unit = 1;
        info.X_density = UINT16(std::lround(perMetreX * 0.0254));
        info.Y_density = UINT16(std::lround(perMetreY * 0.0254));
    } else {
        info.density_unit = 2;
        info.X_density = UINT16((pixels.dotsPerMeterX() + 50) / 100);
        info.Y_density = UINT16((pixels.dotsPerMeterY() + 50) / 100);
    }
}

} // namespace

bool writeJpeg(const QImage& image, int quality, QByteArray* bytes, QString* reason) {
    const bool grey = image.format() == QImage::Format_Grayscale8;
    // Any other picture is written as its colours (JPEG keeps no transparency).
    const QImage pixels = grey || image.format() == QImage::Format_RGB32
                              ? image
                              : image.convertToFormat(QImage::Format_RGB32);
    if (pixels.isNull()) {
        *reason = QStringLiteral("no hay memoria suficiente");
        return false;
    }
    jpeg_compress_struct info;
    JpegErrors errors;
    ByteArrayDestination destination;
    info.err = useJpegErrors(&errors);
    if (setjmp(errors.fail)) {
        jpeg_destroy_compress(&info);
        bytes->clear();
        *reason = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_compress(&info);
    // A page of text at quality 90 takes about a sixth of its grey bytes.
    bytes->resize(std::max<qsizetype>(4096, qsizetype(pixels.width()) * pixels.height() / 6));
    destination.bytes = bytes;
    destination.base.init_destination = startBytes;
    destination.base.empty_output_buffer = growBytes;
    destination.base.term_destination = endBytes;
    info.dest = &destination.base;

    info.image_width = JDIMENSION(pixels.width());
    info.image_height = JDIMENSION(pixels.height());
    info.input_components = grey ? 1 : 4;
    // Blue, green, red, padding: the byte order of 32-bit pixels on this machine.
    info.in_color_space = grey                              ? JCS_GRAYSCALE
                          : Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX
                                                            : JCS_EXT_XRGB;
    jpeg_set_defaults(&info);
    setDensity(info, pixels);
    jpeg_set_quality(&info, std::clamp(quality, 0, 100), TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto row = const_cast<JSAMPROW>(pixels.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}
