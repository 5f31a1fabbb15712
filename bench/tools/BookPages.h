// Pieces of the benchmark's scanned books that more than one generator draws with: a fixed random
// stream, printed pages of real glyphs (running head, headings, justified text, illustrations,
// page numbers), the per-pixel noise helpers and a JPEG writer with colour at full resolution.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <random>

// Only the engine's raw output is used (its sequence is fixed by the C++ standard); the
// standard distributions are not, so that the book is the same with every standard library.
class Random {
public:
    explicit Random(std::uint32_t seed) : engine_(seed) {}
    std::uint32_t next() { return static_cast<std::uint32_t>(engine_()); }
    int between(int low, int high) { // both ends included
        return low + static_cast<int>(next() % static_cast<std::uint32_t>(high - low + 1));
    }
    double unit() { return next() / 4294967296.0; }
    bool chance(double p) { return unit() < p; }

private:
    std::mt19937 engine_;
};

struct Fonts {
    QString serif = QStringLiteral("DejaVu Serif");
    QString serifBold = QStringLiteral("DejaVu Serif");
};

// DejaVu Serif from the system's font folder, or the default font with a warning.
Fonts loadFonts();

QString sentence(Random& random, int count);

// A coloured illustration: sky, hills, a sun and a frame, as a printed photograph or plate.
void drawIllustration(QPainter& painter, const QRect& area, Random& random);

// What a page holds. Text: running head, an optional heading, justified paragraphs, an optional
// illustration with its caption and the page number. Chapter: a chapter's first page, its
// heading a third of the way down and a few lines under it. Picture: a plate filling the text
// block, and the page number. Blank: nothing.
enum class PageKind { Text, Chapter, Picture, Blank };

// Draws one page into `page`; returns how many lines of body text it drew.
int drawPage(QPainter& painter, const QRect& page, int number, bool leftPage, const Fonts& fonts,
             Random& random, PageKind kind = PageKind::Text);

// xorshift32: a fast, fixed per-pixel noise source.
inline std::uint32_t xorshift(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

inline int clamp255(int value) {
    return std::clamp(value, 0, 255);
}

// A near-Gaussian value from the four bytes of a random word (mean 0, sigma about 148).
inline int bytesSum4(std::uint32_t r) {
    return int((r & 0xFF) + ((r >> 8) & 0xFF) + ((r >> 16) & 0xFF) + (r >> 24)) - 510;
}
// The same from two bytes (sigma about 105).
inline int bytesSum2(std::uint32_t r) {
    return int((r & 0xFF) + ((r >> 8) & 0xFF)) - 255;
}

// Writes `image` as a JPEG of `quality` through libjpeg with colour at full resolution (every
// component sampled 1 x 1), as ImageMagick and libvips save.
bool writeJpeg444(const QImage& image, const QString& path, int quality, QString& error);
