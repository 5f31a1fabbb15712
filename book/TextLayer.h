#pragma once

#include "book/OcrEngine.h"

#include <QByteArray>
#include <vector>

// The invisible text of a page: each word written in text render mode 3 (neither filled nor
// stroked) with a font whose glyphs are blank, placed on its line's baseline and stretched
// horizontally to the width of its box, so that selecting and searching find it where the
// picture shows it. The codes are the text's UTF-16 units (the font maps each code to itself).

struct PageGeometry {
    double pointsPerPixelX = 0;
    double pointsPerPixelY = 0;
    double heightPoints = 0;
};

// The content stream operators for the words, using font resource `fontName` ("/F0"). Every
// glyph of that font is half an em wide.
QByteArray textLayerContent(const std::vector<OcrLine>& lines, const PageGeometry& page,
                            const QByteArray& fontName);
