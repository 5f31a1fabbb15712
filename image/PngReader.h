#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes a PNG with libpng into working pixels: every colour type and depth, interlaced or
// not. What libpng says about a damaged file becomes the reason (libpng would otherwise print it
// on standard error); the colour code follows the file's own format as for the other types.
bool readPng(const QByteArray& data, QImage* image, int* colorCode, QString* reason);
