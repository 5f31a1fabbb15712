#pragma once

#include "image/ColorFormats.h"

#include <QString>

class QIODevice;

// Writes an uncompressed Windows bitmap at the depth of the encoded pixels: 1, 4 or 8 bits with
// a colour table (greys are a table of greys), or 24 bits. Transparency is laid on white.
bool writeBmp(QIODevice& device, const EncodedImage& encoded, QString* error);
