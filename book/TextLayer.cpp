#include "book/TextLayer.h"

#include <cmath>

namespace {

constexpr double kGlyphWidth = 0.5; // of the font size

QByteArray number(double value) {
    QByteArray text = QByteArray::number(value, 'f', 3);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

QByteArray utf16Hex(const QString& text) {
    QByteArray hex;
    hex.reserve(text.size() * 4 + 2);
    hex += '<';
    for (const QChar unit : text) {
        const char16_t u = unit.unicode();
        hex += QByteArray::number(u, 16).rightJustified(4, '0');
    }
    hex += '>';
    return hex;
}

} // namespace

QByteArray textLayerContent(const std::vector<OcrLine>& lines, const PageGeometry& page,
                            const QByteArray& fontName) {
    QByteArray out;
    bool begun = false;
    for (const OcrLine& line : lines) {
        if (line.words.empty())
            continue;
        if (!begun) {
            out += "BT\n3 Tr\n";
            begun = true;
        }
        // The baseline in points, PDF's origin at the bottom left.
        const double bx1 = line.baselineStart.x() * page.pointsPerPixelX;
        const double by1 = page.heightPoints - line.baselineStart.y() * page.pointsPerPixelY;
        const double bx2 = line.baselineEnd.x() * page.pointsPerPixelX;
        const double by2 = page.heightPoints - line.baselineEnd.y() * page.pointsPerPixelY;
        double angle = std::atan2(by2 - by1, bx2 - bx1);
        if (!std::isfinite(angle) || std::abs(angle) > 0.8)
            angle = 0; // not a plausible line of a book page: lay it flat
        const double c = std::cos(angle), s = std::sin(angle);
        const double slope = bx2 != bx1 ? (by2 - by1) / (bx2 - bx1) : 0;
        const double fontSize = std::max(1.0, (line.box.height() + 1) * page.pointsPerPixelY);
        out += fontName + ' ' + number(fontSize) + " Tf\n";
        for (size_t i = 0; i < line.words.size(); ++i) {
            const OcrWord& word = line.words[i];
            const bool last = i + 1 == line.words.size();
            // A word's run reaches the next word, its space included, so that text extraction
            // sees the space where the picture has one.
            const QString text = last ? word.text : word.text + QLatin1Char(' ');
            const double x1 = word.box.left() * page.pointsPerPixelX;
            const double x2 =
                (last ? word.box.right() + 1 : line.words[i + 1].box.left()) * page.pointsPerPixelX;
            const double natural = text.size() * kGlyphWidth * fontSize;
            const double width = std::max(x2 - x1, 0.1) / std::max(c, 0.2);
            const double stretch = 100.0 * width / natural;
            const double y = by1 + slope * (x1 - bx1);
            out += number(c) + ' ' + number(s) + ' ' + number(-s) + ' ' + number(c) + ' ' +
                   number(x1) + ' ' + number(y) + " Tm " + number(stretch) + " Tz " +
                   utf16Hex(text) + " Tj\n";
        }
    }
    if (begun)
        out += "ET\n";
    return out;
}
