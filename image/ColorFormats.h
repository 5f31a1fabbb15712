#pragma once

#include <QImage>
#include <QList>

// Colour-format codes of an image box, as the window's ModosColor table names them:
// 0 24-bit colour; 1 palette of up to 256 colours; 2 256 greys; 3 palette of up to 16 colours;
// 4 16 greys; 5 1 bit with two colours; 6 1 bit black and white.
namespace ColorCode {
constexpr int Rgb24 = 0;
constexpr int Palette256 = 1;
constexpr int Grey256 = 2;
constexpr int Palette16 = 3;
constexpr int Grey16 = 4;
constexpr int TwoColours = 5;
constexpr int BlackWhite = 6;
constexpr bool isValid(int code) {
    return code >= Rgb24 && code <= BlackWhite;
}
} // namespace ColorCode

// Pixels at the depth a colour code stores, ready for a file writer.
struct EncodedImage {
    // bits 24: Format_RGB32 or Format_ARGB32_Premultiplied. bits 8, 4 or 1: Format_Indexed8 whose
    // colour table has at most 2^bits entries.
    QImage pixels;
    int bits = 24;
    // The table is the even grey ramp of 2^bits levels and each index is its grey level, so file
    // types with a grey kind store the index itself as the grey sample.
    bool grey = false;
};

// Grey value of a colour with the usual luma weights (0.299 red, 0.587 green, 0.114 blue); a grey
// colour keeps its value.
inline int lumaOf(QRgb colour) {
    return (qRed(colour) * 19595 + qGreen(colour) * 38470 + qBlue(colour) * 7471 + 32768) >> 16;
}

// True when some pixel (or, for a palette image, some table entry) is not fully opaque.
bool hasTransparency(const QImage& image);
// The picture in Format_RGB32, its transparent parts over white; null when there is no memory.
QImage layOnWhite(const QImage& image);

// The image in the format the boxes work in: Format_ARGB32_Premultiplied when it has
// transparency, Format_RGB32 otherwise. Shares the data when it is already in that format.
QImage toWorkingFormat(const QImage& image);

// The colour code that describes a palette: by its size, whether all its entries are grey and
// whether a two-entry palette is black and white. A palette with transparent entries is a colour
// palette (1 or 3).
int colorCodeOfPalette(const QList<QRgb>& table);

// The colour code of a picture as decoded (palette, grey or colour formats of QImage).
int colorCodeOf(const QImage& decoded);

// The working image brought to the depth of a colour code. Pixels that already fit the code
// (at most the code's number of colours, greys on the code's levels) are kept exactly; otherwise
// 1 and 3 go through the colour quantiser, 2 and 4 take the luma grey (4 on 16 even levels), 5
// and 6 are thresholded at mid-grey to black and white. Grey and 1-bit codes are laid on white
// first where the image has transparency. A null pixels image means out of memory.
EncodedImage encodeForColorCode(const QImage& working, int code);

// A grey (Format_Grayscale8) copy of encoded pixels, by the luma of their colours.
QImage greyOf(const EncodedImage& encoded);
