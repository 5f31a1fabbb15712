#pragma once

#include <QImage>
#include <QString>
#include <tiffio.h>

// Reads the current page of an open TIFF sample by sample, for the layouts that libtiff's RGBA
// reader refuses, cannot read or reads without their alpha, but common tools write: a palette
// with an extra sample (ImageMagick's "-colors 16" of a picture with transparency), grey with
// alpha, CMYK of 16 bits, 32-bit floating-point samples.
// Grey (either polarity), palette, RGB and CMYK pages of 1 to 16 bits (or 32-bit floats), in
// strips or tiles, with their planes together or separate; the first extra sample is taken as
// alpha when the file says it is one. Gives Format_ARGB32 (or the premultiplied format when the
// file's alpha is associated); false with a reason for the operator for what it cannot read.
bool readTiffSamples(TIFF* tif, QImage* image, QString* reason);

// Why readTiffSamples cannot read the current page ("muestras de 12 bits no admitidas"); empty
// when it can.
QString tiffSampleLayoutRefusal(TIFF* tif);
