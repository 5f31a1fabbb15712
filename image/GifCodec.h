#pragma once

#include "image/ColorFormats.h"

#include <QString>

class QIODevice;

// Reads the first frame of a GIF file through giflib, laid on the file's logical screen, with its
// palette (the colour code follows the palette's size) and its transparent colour.
bool readGif(QIODevice& device, QImage* image, int* colorCode, QString* error);

// Writes a GIF of palette pixels (1 to 8 bits; the caller reduces 24-bit pixels to a palette
// first). Palette entries that are more than half transparent become the transparent colour.
bool writeGif(QIODevice& device, const EncodedImage& encoded, QString* error);
