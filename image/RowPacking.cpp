#include "image/RowPacking.h"

#include <cstring>

void packColourRow(const QRgb* pixels, int width, bool alpha, uchar* out) {
    for (int x = 0; x < width; ++x) {
        const QRgb p = alpha ? qUnpremultiply(pixels[x]) : pixels[x];
        *out++ = uchar(qRed(p));
        *out++ = uchar(qGreen(p));
        *out++ = uchar(qBlue(p));
        if (alpha)
            *out++ = uchar(qAlpha(p));
    }
}

void packIndexRow(const uchar* indices, int width, int bits, uchar* out, const uchar* remap) {
    const int perByte = 8 / bits;
    std::memset(out, 0, (std::size_t(width) * bits + 7) / 8);
    for (int x = 0; x < width; ++x) {
        const uchar value = remap ? remap[indices[x]] : indices[x];
        out[x / perByte] |= uchar(value << (8 - bits * (x % perByte + 1)));
    }
}
