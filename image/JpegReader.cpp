#include "image/JpegReader.h"

#include "image/ColorFormats.h"
#include "image/JpegErrors.h"
#include "image/ScanBuffers.h"

#include <QImageReader>
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <vector>

namespace {

// Adobe's CMYK JPEGs store the inks inverted, which is what nearly every CMYK scan is.
void cmykRowToRgb32(const JSAMPLE* cmyk, QRgb* out, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4) {
        const int k = cmyk[3];
        out[x] = qRgb(cmyk[0] * k / 255, cmyk[1] * k / 255, cmyk[2] * k / 255);
    }
}

} // namespace

bool readJpeg(const QByteArray& data, QImage* image, int* colorCode, QString* reason) {
    jpeg_decompress_struct info;
    JpegErrors errors;
    info.err = useJpegErrors(&errors);
    errors.base.emit_message = noteJpegWarning;
    QImage decoded;
    std::vector<JSAMPLE> cmykRow;
    if (setjmp(errors.fail)) {
        jpeg_destroy_decompress(&info);
        *reason = QString::fromLocal8Bit(errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    // libjpeg's own working memory (a progressive file keeps every coefficient of the picture)
    // stays within the allocation limit too: past it, the file is refused.
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0)
        info.mem->max_memory_to_use = long(limit);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    if (cmyk) {
        info.out_color_space = JCS_CMYK;
    } else {
        // Blue, green, red, padding: the byte order of 32-bit pixels on this machine.
        info.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    }
    const qint64 bytes = qint64(info.image_width) * info.image_height * 4;
    if (limit > 0 && bytes > limit) {
        jpeg_destroy_decompress(&info);
        *reason = QStringLiteral("la imagen es demasiado grande (%1 x %2)")
                      .arg(info.image_width)
                      .arg(info.image_height);
        return false;
    }
    jpeg_start_decompress(&info);
    decoded = makeRecycledImage(int(info.output_width), int(info.output_height));
    if (decoded.isNull()) {
        jpeg_destroy_decompress(&info);
        *reason = QStringLiteral("no hay memoria suficiente");
        return false;
    }
    if (cmyk)
        cmykRow.resize(size_t(info.output_width) * 4);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        if (cmyk) {
            JSAMPROW row = cmykRow.data();
            jpeg_read_scanlines(&info, &row, 1);
            cmykRowToRgb32(cmykRow.data(), reinterpret_cast<QRgb*>(decoded.scanLine(y)),
                           info.output_width);
        } else {
            JSAMPROW row = decoded.scanLine(y);
            jpeg_read_scanlines(&info, &row, 1);
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (errors.truncated) {
        *reason = QStringLiteral("el fichero está incompleto");
        return false;
    }
    *image = std::move(decoded);
    *colorCode = grey ? ColorCode::Grey256 : ColorCode::Rgb24;
    return true;
}
