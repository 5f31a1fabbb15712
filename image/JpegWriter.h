#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Encodes 8-bit grey pixels, or any other picture as 32-bit colour (RGB32), as a baseline JPEG with
// libjpeg-turbo, straight from the pixels (no 24-bit copy of each row) into memory. The file is the
// one Qt's JPEG writer makes of the same pixels: JFIF with the picture's resolution, libjpeg's
// standard tables scaled to the quality, 4:2:0 colour.
bool writeJpeg(const QImage& image, int quality, QByteArray* bytes, QString* reason);
