#pragma once

#include <QImage>

// Reduces an image to a palette of at most maxColors (2 to 256) colours chosen for it and returns
// it as Format_Indexed8 with a colour table of at most maxColors entries.
//
// An image that already has no more than maxColors distinct colours keeps them exactly. Otherwise
// the palette comes from a variance-splitting median cut over a colour histogram of (a sample of)
// the pixels, refined by a few k-means passes, and every pixel is mapped through a lookup table to
// the nearest palette colour (no dithering: scanned text stays crisp). Pixels that are more than
// half transparent share one fully transparent palette entry; the others are treated as opaque.
// Returns a null image for a null input or an allocation failure.
QImage quantizeColors(const QImage& image, int maxColors);

// The image as Format_Indexed8 with its own colours as the table, when it has no more than
// maxColors (1 to 256) distinct colours; a null image otherwise.
QImage indexedIfFewColours(const QImage& image, int maxColors);
