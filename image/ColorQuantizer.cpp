#include "image/ColorQuantizer.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxHistogramSamples = 1 << 20;
constexpr int kRefinementPasses = 3;

bool isTransparent(QRgb pixel) {
    return qAlpha(pixel) < 128;
}

// The distinct colours of an image, found while there are no more than a limit of them.
class ColourSet {
public:
    // False when the image has more than `limit` colours.
    bool collect(const QImage& image, int limit) {
        QRgb last = 0;
        bool haveLast = false;
        const int width = image.width(), height = image.height();
        for (int y = 0; y < height; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const QRgb pixel = line[x];
                if (haveLast && pixel == last)
                    continue;
                last = pixel;
                haveLast = true;
                const unsigned slot = slotOf(pixel);
                if (used_[slot])
                    continue;
                if (colours_.size() == limit)
                    return false;
                used_[slot] = true;
                keys_[slot] = pixel;
                indices_[slot] = uchar(colours_.size());
                colours_.append(pixel);
            }
        }
        return true;
    }
    const QList<QRgb>& colours() const { return colours_; }
    uchar indexOf(QRgb pixel) const { return indices_[slotOf(pixel)]; }

private:
    static constexpr unsigned kSlots = 1024; // a power of two, four times the largest palette
    unsigned slotOf(QRgb pixel) const {
        unsigned slot = (pixel * 2654435761u) >> 22; // the top 10 bits
        while (used_[slot] && keys_[slot] != pixel)
            slot = (slot + 1) & (kSlots - 1);
        return slot;
    }
    std::array<QRgb, kSlots> keys_{};
    std::array<uchar, kSlots> indices_{};
    std::array<bool, kSlots> used_{};
    QList<QRgb> colours_;
};

// Nearest colour of a palette by squared RGB distance, searched outwards from the entry of
// nearest green so that most entries are never looked at.
class NearestColour {
public:
    explicit NearestColour(const std::vector<std::array<int, 3>>& palette) {
        entries_.reserve(palette.size());
        for (std::size_t i = 0; i < palette.size(); ++i)
            entries_.push_back({palette[i][0], palette[i][1], palette[i][2], int(i)});
        std::sort(entries_.begin(), entries_.end(),
                  [](const Entry& a, const Entry& b) { return a.g < b.g; });
    }

    int find(int r, int g, int b) const {
        const int n = int(entries_.size());
        int up = int(std::lower_bound(entries_.begin(), entries_.end(), g,
                                      [](const Entry& e, int value) { return e.g < value; }) -
                     entries_.begin());
        int down = up - 1;
        int best = INT_MAX;
        int bestIndex = 0;
        auto consider = [&](const Entry& e) {
            const int dr = e.r - r, dg = e.g - g, db = e.b - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < best) {
                best = d;
                bestIndex = e.index;
            }
        };
        while (up < n || down >= 0) {
            if (up < n) {
                const int dg = entries_[up].g - g;
                if (dg * dg >= best)
                    up = n;
                else
                    consider(entries_[up++]);
            }
            if (down >= 0) {
                const int dg = g - entries_[down].g;
                if (dg * dg >= best)
                    down = -1;
                else
                    consider(entries_[down--]);
            }
        }
        return bestIndex;
    }

private:
    struct Entry {
        int r, g, b, index;
    };
    std::vector<Entry> entries_;
};

struct Point {
    float c[3];
    float weight;
};

struct Box {
    int begin, end;
    double sse;
};

struct Sums {
    double w = 0, c[3] = {0, 0, 0}, squares = 0;
    void add(const Point& p) {
        w += p.weight;
        for (int k = 0; k < 3; ++k) {
            c[k] += double(p.weight) * p.c[k];
            squares += double(p.weight) * p.c[k] * p.c[k];
        }
    }
    double sse() const {
        if (w <= 0)
            return 0;
        return squares - (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / w;
    }
    Sums minus(const Sums& o) const {
        Sums d;
        d.w = w - o.w;
        d.squares = squares - o.squares;
        for (int k = 0; k < 3; ++k)
            d.c[k] = c[k] - o.c[k];
        return d;
    }
};

Sums sumsOf(const std::vector<Point>& points, int begin, int end) {
    Sums s;
    for (int i = begin; i < end; ++i)
        s.add(points[i]);
    return s;
}

// Splits the box along its widest channel where the two halves' summed squared error is least.
bool splitBox(std::vector<Point>& points, const Box& box, Box& first, Box& second) {
    if (box.end - box.begin < 2)
        return false;
    const Sums all = sumsOf(points, box.begin, box.end);
    int axis = 0;
    double widest = -1;
    for (int k = 0; k < 3; ++k) {
        double mean = all.c[k] / all.w, variance = 0;
        for (int i = box.begin; i < box.end; ++i)
            variance += points[i].weight * (points[i].c[k] - mean) * (points[i].c[k] - mean);
        if (variance > widest) {
            widest = variance;
            axis = k;
        }
    }
    std::sort(points.begin() + box.begin, points.begin() + box.end,
              [axis](const Point& a, const Point& b) { return a.c[axis] < b.c[axis]; });
    Sums left;
    int bestSplit = -1;
    double bestError = 0;
    for (int i = box.begin; i < box.end - 1; ++i) {
        left.add(points[i]);
        if (points[i].c[axis] == points[i + 1].c[axis])
            continue;
        const double error = left.sse() + all.minus(left).sse();
        if (bestSplit < 0 || error < bestError) {
            bestError = error;
            bestSplit = i + 1;
        }
    }
    if (bestSplit < 0)
        return false;
    first = {box.begin, bestSplit, sumsOf(points, box.begin, bestSplit).sse()};
    second = {bestSplit, box.end, sumsOf(points, bestSplit, box.end).sse()};
    return true;
}

std::vector<std::array<int, 3>> medianCut(std::vector<Point>& points, int colours) {
    std::vector<Box> boxes{{0, int(points.size()), sumsOf(points, 0, int(points.size())).sse()}};
    while (int(boxes.size()) < colours) {
        int worst = -1;
        for (int i = 0; i < int(boxes.size()); ++i)
            if (boxes[i].end - boxes[i].begin > 1 && (worst < 0 || boxes[i].sse > boxes[worst].sse))
                worst = i;
        Box first{}, second{};
        if (worst < 0 || !splitBox(points, boxes[worst], first, second))
            break;
        boxes[worst] = first;
        boxes.push_back(second);
    }
    std::vector<std::array<int, 3>> palette;
    for (const Box& box : boxes) {
        const Sums s = sumsOf(points, box.begin, box.end);
        palette.push_back({int(std::lround(s.c[0] / s.w)), int(std::lround(s.c[1] / s.w)),
                           int(std::lround(s.c[2] / s.w))});
    }
    return palette;
}

void refine(const std::vector<Point>& points, std::vector<std::array<int, 3>>& palette) {
    for (int pass = 0; pass < kRefinementPasses; ++pass) {
        const NearestColour nearest(palette);
        std::vector<Sums> sums(palette.size());
        for (const Point& p : points)
            sums[nearest.find(int(p.c[0] + 0.5f), int(p.c[1] + 0.5f), int(p.c[2] + 0.5f))].add(p);
        for (std::size_t i = 0; i < palette.size(); ++i)
            if (sums[i].w > 0)
                for (int k = 0; k < 3; ++k)
                    palette[i][k] = std::clamp(int(std::lround(sums[i].c[k] / sums[i].w)), 0, 255);
    }
}

QImage indexedFromSet(const QImage& image, const ColourSet& set) {
    QImage indexed(image.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return {};
    indexed.setColorTable(set.colours());
    const int width = image.width(), height = image.height();
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[x] = set.indexOf(line[x]);
    }
    return indexed;
}

} // namespace

QImage indexedIfFewColours(const QImage& source, int maxColors) {
    if (source.isNull())
        return {};
    const QImage image = source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32);
    auto set = std::make_unique<ColourSet>();
    if (!set->collect(image, std::clamp(maxColors, 1, 256)))
        return {};
    return indexedFromSet(image, *set);
}

QImage quantizeColors(const QImage& source, int maxColors) {
    if (source.isNull())
        return {};
    maxColors = std::clamp(maxColors, 2, 256);
    // Work on straight (not premultiplied) colours with an alpha of 255 for opaque pixels.
    const QImage image = source.format() == QImage::Format_RGB32
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return {};

    const QImage exact = indexedIfFewColours(image, maxColors);
    if (!exact.isNull())
        return exact;

    const int width = image.width(), height = image.height();
    bool anyTransparent = false;
    if (source.hasAlphaChannel())
        for (int y = 0; y < height && !anyTransparent; ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < width && !anyTransparent; ++x)
                anyTransparent = isTransparent(line[x]);
        }

    // Histogram of 6 bits per channel over a sample of the pixels, each bin keeping the exact
    // mean of the colours that fell into it.
    struct Bin {
        std::uint32_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Bin> bins(1 << 18);
    const qint64 total = qint64(width) * height;
    const int step = total <= kMaxHistogramSamples
                         ? 1
                         : int(std::ceil(std::sqrt(double(total) / kMaxHistogramSamples)));
    for (int y = 0; y < height; y += step) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; x += step) {
            const QRgb p = line[x];
            if (isTransparent(p))
                continue;
            Bin& bin = bins[((p >> 6) & 0x3F000) | ((p >> 4) & 0xFC0) | ((p >> 2) & 0x3F)];
            ++bin.count;
            bin.r += qRed(p);
            bin.g += qGreen(p);
            bin.b += qBlue(p);
        }
    }
    std::vector<Point> points;
    for (const Bin& bin : bins)
        if (bin.count)
            points.push_back(
                {{float(bin.r) / bin.count, float(bin.g) / bin.count, float(bin.b) / bin.count},
                 float(bin.count)});

    std::vector<std::array<int, 3>> palette;
    if (!points.empty()) {
        palette = medianCut(points, maxColors - (anyTransparent ? 1 : 0));
        refine(points, palette);
    } else {
        palette.push_back({255, 255, 255}); // only transparent pixels were sampled
    }

    QList<QRgb> table;
    for (const auto& c : palette)
        table.append(qRgb(c[0], c[1], c[2]));
    const uchar transparentIndex = uchar(table.size());
    if (anyTransparent)
        table.append(qRgba(255, 255, 255, 0));

    QImage indexed(image.size(), QImage::Format_Indexed8);
    if (indexed.isNull())
        return {};
    indexed.setColorTable(table);
    // Lookup table over 6 bits per channel, filled on first use with the palette colour nearest
    // to the centre of the cell.
    const NearestColour nearest(palette);
    std::vector<std::uint16_t> lookup(1 << 18, 0xFFFF);
    for (int y = 0; y < height; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const QRgb p = line[x];
            if (anyTransparent && isTransparent(p)) {
                out[x] = transparentIndex;
                continue;
            }
            const unsigned key = ((p >> 6) & 0x3F000) | ((p >> 4) & 0xFC0) | ((p >> 2) & 0x3F);
            std::uint16_t& entry = lookup[key];
            if (entry == 0xFFFF)
                entry = std::uint16_t(nearest.find(int((key >> 12) << 2) | 2,
                                                   int(((key >> 6) & 0x3F) << 2) | 2,
                                                   int((key & 0x3F) << 2) | 2));
            out[x] = uchar(entry);
        }
    }
    return indexed;
}
