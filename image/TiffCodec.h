#pragma once

#include "image/ColorFormats.h"

#include <QString>

class QIODevice;

// Reads the first page of a TIFF file through libtiff: every compression and depth libtiff
// decodes (uncompressed, LZW, Deflate, PackBits, CCITT G3/G4, JPEG; 1 to 16 bits, palette, grey,
// RGB, CMYK). Gives the picture in the working format and the colour code of the page's own
// format.
bool readTiff(QIODevice& device, QImage* image, int* colorCode, QString* error);

// Writes one TIFF page at the depth of the encoded pixels: 1-bit pages as black-and-white
// (or a two-colour palette), 4 and 8 bits as grey or palette, 24 bits as RGB (RGBA with
// transparency). With group4, black-and-white pages are compressed with CCITT Group 4; every
// other page is written uncompressed.
bool writeTiff(QIODevice& device, const EncodedImage& encoded, bool group4, QString* error);
