#include "image/ColorFormats.h"

#include "image/ColorQuantizer.h"

#include <QPainter>

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kWhite = 0xFFFFFFFF;

QList<QRgb> greyRamp(int levels) {
    QList<QRgb> table;
    for (int i = 0; i < levels; ++i) {
        const int v = i * 255 / (levels - 1);
        table.append(qRgb(v, v, v));
    }
    return table;
}

// Indexed8 image whose index is a function of each pixel's luma.
template <typename LevelOfLuma>
QImage greyLevels(const QImage& flat, int levels, LevelOfLuma levelOf) {
    QImage out(flat.size(), QImage::Format_Indexed8);
    if (out.isNull())
        return {};
    out.setColorTable(greyRamp(levels));
    const int width = flat.width(), height = flat.height();
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(flat.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < width; ++x)
            dst[x] = uchar(levelOf(lumaOf(line[x])));
    }
    return out;
}

} // namespace

bool hasTransparency(const QImage& image) {
    if (!image.hasAlphaChannel())
        return false;
    if (image.format() == QImage::Format_Indexed8) {
        for (QRgb entry : image.colorTable())
            if (qAlpha(entry) != 255)
                return true;
        return false;
    }
    const QImage argb = (image.format() == QImage::Format_ARGB32 ||
                         image.format() == QImage::Format_ARGB32_Premultiplied)
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width(), height = argb.height();
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x)
            if (qAlpha(line[x]) != 255)
                return true;
    }
    return false;
}

QImage layOnWhite(const QImage& image) {
    if (!hasTransparency(image))
        return image.format() == QImage::Format_RGB32 ? image
                                                      : image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return {};
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

QImage toWorkingFormat(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage::Format wanted =
        hasTransparency(image) ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() == wanted)
        return image;
    if (wanted == QImage::Format_RGB32 && image.format() == QImage::Format_ARGB32_Premultiplied) {
        QImage same = image; // every pixel is opaque: the bytes are already those of RGB32
        same.reinterpretAsFormat(QImage::Format_RGB32);
        return same;
    }
    return image.convertToFormat(wanted);
}

int colorCodeOfPalette(const QList<QRgb>& table) {
    if (table.isEmpty())
        return ColorCode::Rgb24;
    bool allGrey = true, blackWhite = true, transparent = false;
    for (QRgb entry : table) {
        transparent |= qAlpha(entry) != 255;
        allGrey &= qRed(entry) == qGreen(entry) && qGreen(entry) == qBlue(entry);
        blackWhite &= (entry | 0xFF000000) == kBlack || (entry | 0xFF000000) == kWhite;
    }
    const int n = int(table.size());
    if (transparent)
        return n <= 16 ? ColorCode::Palette16 : ColorCode::Palette256;
    if (n <= 2)
        return blackWhite ? ColorCode::BlackWhite : ColorCode::TwoColours;
    if (n <= 16)
        return allGrey ? ColorCode::Grey16 : ColorCode::Palette16;
    return allGrey ? ColorCode::Grey256 : ColorCode::Palette256;
}

int colorCodeOf(const QImage& decoded) {
    switch (decoded.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return colorCodeOfPalette(decoded.colorTable());
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return ColorCode::Grey256;
    default:
        return ColorCode::Rgb24;
    }
}

EncodedImage encodeForColorCode(const QImage& working, int code) {
    EncodedImage encoded;
    switch (code) {
    case ColorCode::Palette256:
    case ColorCode::Palette16: {
        encoded.bits = code == ColorCode::Palette256 ? 8 : 4;
        encoded.pixels = quantizeColors(working, code == ColorCode::Palette256 ? 256 : 16);
        break;
    }
    case ColorCode::Grey256:
    case ColorCode::Grey16:
    case ColorCode::BlackWhite: {
        const QImage flat = layOnWhite(working);
        if (flat.isNull())
            break;
        encoded.grey = true;
        if (code == ColorCode::Grey256) {
            encoded.bits = 8;
            encoded.pixels = greyLevels(flat, 256, [](int luma) { return luma; });
        } else if (code == ColorCode::Grey16) {
            encoded.bits = 4;
            encoded.pixels = greyLevels(flat, 16, [](int luma) { return (luma + 8) / 17; });
        } else {
            encoded.bits = 1;
            encoded.pixels = greyLevels(flat, 2, [](int luma) { return luma >= 128 ? 1 : 0; });
        }
        break;
    }
    case ColorCode::TwoColours: {
        const QImage flat = layOnWhite(working);
        if (flat.isNull())
            break;
        encoded.bits = 1;
        encoded.pixels = indexedIfFewColours(flat, 2);
        if (encoded.pixels.isNull()) {
            encoded.pixels = greyLevels(flat, 2, [](int luma) { return luma >= 128 ? 1 : 0; });
            encoded.grey = true;
        }
        break;
    }
    default:
        encoded.bits = 24;
        encoded.pixels = toWorkingFormat(working);
        break;
    }
    return encoded;
}

QImage greyOf(const EncodedImage& encoded) {
    if (encoded.bits == 24 || encoded.pixels.format() != QImage::Format_Indexed8) {
        const QImage flat = layOnWhite(encoded.pixels);
        if (flat.isNull())
            return {};
        return greyLevels(flat, 256, [](int luma) { return luma; })
            .convertToFormat(QImage::Format_Grayscale8);
    }
    QList<QRgb> table = encoded.pixels.colorTable();
    for (QRgb& entry : table) {
        const int v = lumaOf(entry);
        entry = qRgb(v, v, v);
    }
    QImage grey = encoded.pixels;
    grey.setColorTable(table);
    return grey.convertToFormat(QImage::Format_Grayscale8);
}
