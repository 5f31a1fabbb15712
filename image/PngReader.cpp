#include "image/PngReader.h"

#include "image/ColorFormats.h"

#include <QImageReader>

#include <csetjmp>
#include <cstring>
#include <png.h>
#include <vector>

namespace {

struct Source {
    const QByteArray& data;
    qsizetype at = 0;
    bool truncated = false;
    QString message;
};

void onError(png_structp png, png_const_charp message) {
    static_cast<Source*>(png_get_error_ptr(png))->message = QString::fromLatin1(message);
    png_longjmp(png, 1);
}

// Warnings (an unknown chunk, a bad checksum on an optional chunk) leave the picture readable.
void onWarning(png_structp, png_const_charp) {}

void readBytes(png_structp png, png_bytep out, png_size_t length) {
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (qsizetype(length) > source->data.size() - source->at) {
        source->truncated = true;
        png_error(png, "the data ends early");
    }
    std::memcpy(out, source->data.constData() + source->at, length);
    source->at += qsizetype(length);
}

// The colour code of the file's own format, from its header and palette, as for the pictures
// that Qt's readers give: palettes and grey of under 8 bits by their table, wider grey as 256
// greys, everything else as 24-bit colour.
int colorCodeOfHeader(png_structp png, png_infop info) {
    const int type = png_get_color_type(png, info);
    const int depth = png_get_bit_depth(png, info);
    png_bytep alpha = nullptr;
    int alphas = 0;
    png_color_16p transparentGrey = nullptr;
    png_get_tRNS(png, info, &alpha, &alphas, &transparentGrey);
    QList<QRgb> table;
    if (type == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int entries = 0;
        png_get_PLTE(png, info, &palette, &entries);
        for (int i = 0; i < entries; ++i)
            table.append(qRgba(palette[i].red, palette[i].green, palette[i].blue,
                               i < alphas && alpha ? alpha[i] : 255));
        return colorCodeOfPalette(table);
    }
    if (type != PNG_COLOR_TYPE_GRAY)
        return ColorCode::Rgb24;
    const bool keyed = png_get_valid(png, info, PNG_INFO_tRNS) && transparentGrey;
    if (depth == 8 || depth == 16)
        return keyed ? ColorCode::Rgb24 : ColorCode::Grey256;
    const int levels = 1 << depth;
    for (int i = 0; i < levels; ++i) {
        const int v = i * 255 / (levels - 1);
        table.append(qRgba(v, v, v, keyed && transparentGrey->gray == i ? 0 : 255));
    }
    return colorCodeOfPalette(table);
}

} // namespace

bool readPng(const QByteArray& data, QImage* image, int* colorCode, QString* reason) {
    Source source{data, 0, false, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *reason = QStringLiteral("no hay memoria suficiente");
        return false;
    }
    QImage decoded;
    std::vector<png_bytep> rows;
    auto failed = [&] {
        png_destroy_read_struct(&png, &info, nullptr);
        *reason = source.truncated
                      ? QStringLiteral("el fichero está incompleto")
                      : QStringLiteral("la imagen está dañada (libpng: %1)").arg(source.message);
        return false;
    };
    if (setjmp(png_jmpbuf(png)))
        return failed();
    png_set_read_fn(png, &source, readBytes);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && qint64(width) * height * 4 > limit) {
        png_destroy_read_struct(&png, &info, nullptr);
        *reason = QStringLiteral("la imagen es demasiado grande (%1 x %2 píxeles)")
                      .arg(width)
                      .arg(height);
        return false;
    }
    const int code = colorCodeOfHeader(png, info);
    const int type = png_get_color_type(png, info);
    const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    // Every format becomes 8-bit blue, green, red, alpha: the bytes of a 32-bit QImage pixel.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        png_set_bgr(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    } else {
        png_set_add_alpha(png, 0xFF, PNG_FILLER_BEFORE);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    decoded = QImage(int(width), int(height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (decoded.isNull()) {
        png_destroy_read_struct(&png, &info, nullptr);
        *reason = QStringLiteral("no hay memoria suficiente");
        return false;
    }
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = decoded.scanLine(int(y));
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    *image = toWorkingFormat(decoded);
    if (image->isNull()) {
        *reason = QStringLiteral("no hay memoria suficiente");
        return false;
    }
    *colorCode = code;
    return true;
}
