#pragma once

#include <QRgb>
#include <QtGlobal>

// Rows of pixels as image files store them, for the writers that build their rows themselves.

// 8-bit red, green, blue (and, with `alpha`, unpremultiplied alpha) samples of `width` pixels.
void packColourRow(const QRgb* pixels, int width, bool alpha, uchar* out);

// `width` indices of `bits` each (1, 2, 4 or 8), packed from the high bit of each byte; every index
// goes through `remap` first when one is given (256 entries). The rest of the last byte is zero.
void packIndexRow(const uchar* indices, int width, int bits, uchar* out,
                  const uchar* remap = nullptr);
