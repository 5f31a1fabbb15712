#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes a JPEG straight into 32-bit working pixels with libjpeg-turbo: no intermediate 24-bit
// picture and no second pass over a scan that may hold 17 million pixels. Colour and CMYK files
// report code 0, grey files code 2. A file whose data stops before its end is refused, rather
// than shown with a grey band where the data ran out.
bool readJpeg(const QByteArray& data, QImage* image, int* colorCode, QString* reason);
