#pragma once

#include "image/ColorFormats.h"

#include <QString>

class QIODevice;

// Writes PNG at the depth of the encoded pixels: palette of 1, 4 or 8 bits (with the palette's
// transparency), grey of 1, 4 or 8 bits, RGB, or RGBA when the image has transparency.
bool writePng(QIODevice& device, const EncodedImage& encoded, QString* error);
