#include "image/TurnedPage.h"

#include "image/AreaShrink.h"
#include "image/TurnGeometry.h"
#include "image/TurnedCut.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PLIEGO_HAS_AVX2_PATH 1
#endif
#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The page is made in two passes, as a shrink by area averaging is, with the turn split into two
// shears: first down each column of the scan, averaging the rows that a row of the page covers
// along that column (the rows lie a little lower or higher from column to column), then along
// each of those rows, averaging the columns that a pixel of the page covers (the columns lie a
// little further right or left from row to row). Every page pixel thus averages the scan's pixels
// over its own footprint, turned, as a shrink of the turned scan would; the footprint's sides
// keep to the scan's columns, which differs from the turned square by a fraction of a pixel.
namespace {

// As in the area shrink: 14-bit weights summing to exactly one, and the rows between the two
// passes with 7 bits below the pixel value, within a signed 16-bit value.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
constexpr int kRowFraction = 7;
// Where an interval starts is taken to 1/64 of a pixel: its weights are looked up by that
// fraction, and the error (at most 1/128 of a pixel) shows nowhere.
constexpr int kPhaseBits = 6;
constexpr int kPhases = 1 << kPhaseBits;
// Positions are 32.32 fixed point.
constexpr int kPointBits = 32;
// Turns beyond this (cosine below it) are made by the turned cut and a shrink.
constexpr double kLeastCosine = 0.7;

std::int64_t fixedPoint(double value) {
    return std::int64_t(std::llround(std::ldexp(value, kPointBits)));
}
int wholePart(std::int64_t point) {
    return int(point >> kPointBits);
}
int phaseOf(std::int64_t point) {
    return int((point >> (kPointBits - kPhaseBits)) & (kPhases - 1));
}

// The weights of the scan's pixels in the mean over an interval of `length` pixels, for each of
// the fractions of a pixel it may start at (its phase), from the pixel it starts in: each pixel
// weighs as much as the interval covers of it, as in a shrink by area averaging (over one pixel's
// length that is the linear interpolation between the two pixels it spans). Weights come in
// pairs as the multiply-add takes them (two 16-bit halves), zero past the interval.
struct PhaseTaps {
    int taps = 0;
    int pairs = 0;
    std::vector<std::int32_t> weights;
    // The same weights one pixel later or not (`shift` 0 or 1), in `blockPairs` pairs: for eight
    // neighbouring columns summed from the same rows, whose intervals start up to a row apart.
    int blockPairs = 0;
    std::vector<std::int32_t> shifted;

    explicit PhaseTaps(double length) {
        taps = int(std::ceil(length)) + 1;
        pairs = (taps + 1) / 2;
        blockPairs = (taps + 2) / 2;
        weights.assign(size_t(kPhases) * size_t(pairs), 0);
        shifted.assign(size_t(kPhases) * 2 * size_t(blockPairs), 0);
        std::vector<int> w(size_t(2 * pairs), 0);
        for (int phase = 0; phase < kPhases; ++phase) {
            const double start = (phase + 0.5) / kPhases, end = start + length;
            // Each weight is the step of the rounded running total, so that the weights sum to
            // exactly one.
            double covered = 0;
            int reached = 0;
            std::fill(w.begin(), w.end(), 0);
            for (int k = 0; k < taps; ++k) {
                covered += std::max(0.0, std::min(k + 1.0, end) - std::max(double(k), start));
                const int total =
                    k + 1 == taps
                        ? kOne
                        : std::clamp(int(std::lround(covered / length * kOne)), reached, kOne);
                w[size_t(k)] = total - reached;
                reached = total;
            }
            for (int k = 0; k < pairs; ++k)
                weights[size_t(phase) * size_t(pairs) + size_t(k)] = pair(w, 2 * k);
            for (int shift = 0; shift < 2; ++shift) {
                std::vector<int> later(size_t(2 * blockPairs), 0);
                for (int k = 0; k < taps; ++k)
                    later[size_t(k + shift)] = w[size_t(k)];
                for (int k = 0; k < blockPairs; ++k)
                    shifted[(size_t(phase) * 2 + size_t(shift)) * size_t(blockPairs) + size_t(k)] =
                        pair(later, 2 * k);
            }
        }
    }
    static std::int32_t pair(const std::vector<int>& w, int k) {
        return std::int32_t(std::uint32_t(std::uint16_t(w[size_t(k)])) |
                            (std::uint32_t(std::uint16_t(w[size_t(k + 1)])) << 16));
    }
    const std::int32_t* shiftedOf(int phase, int shift) const {
        return shifted.data() + (size_t(phase) * 2 + size_t(shift)) * size_t(blockPairs);
    }
    const std::int32_t* of(int phase) const {
        return weights.data() + size_t(phase) * size_t(pairs);
    }
};

// The columns are summed eight at a time: a block of eight neighbouring columns starts where
// its first column's interval starts, taken to 1/64 of a row, and each further column a
// column's shear further. Where the first one starts within its row (the phase) then fixes where
// all eight start: each phase has its block, with the rows the columns share and each column's
// weights moved onto them, ready for the eight-wide sums.
constexpr int kBlock = 8;

struct ColumnBlocks {
    struct Block {
        // The eight intervals start at most a row apart, so that they share their rows.
        bool together = false;
        // The first row of each column, and the first they share, from the first column's row.
        int first[kBlock] = {};
        int shared = 0;
        int phase[kBlock] = {};
    };
    std::vector<Block> blocks;
    int pairs = 0;
    // Per phase and pair of rows: each column's weight pair for four registers, register r
    // holding columns r and r + 4 (the byte unpacks work in 128-bit halves).
    std::vector<std::int32_t> weights;

    ColumnBlocks(const PhaseTaps& taps, std::int64_t shear) : blocks(kPhases) {
        pairs = taps.blockPairs;
        weights.assign(size_t(kPhases) * size_t(pairs) * 32, 0);
        for (int phase0 = 0; phase0 < kPhases; ++phase0) {
            Block& b = blocks[size_t(phase0)];
            const std::int64_t start = std::int64_t(phase0) << (kPointBits - kPhaseBits);
            for (int j = 0; j < kBlock; ++j) {
                const std::int64_t at = start + j * shear;
                b.phase[j] = phaseOf(at);
                b.first[j] = wholePart(at);
            }
            b.shared = std::min(b.first[0], b.first[kBlock - 1]);
            b.together = std::max(b.first[0], b.first[kBlock - 1]) - b.shared <= 1;
            if (!b.together)
                continue;
            for (int p = 0; p < pairs; ++p)
                for (int j = 0; j < kBlock; ++j) {
                    const std::int32_t w = taps.shiftedOf(b.phase[j], b.first[j] - b.shared)[p];
                    const int r = j % 4, half = j / 4;
                    for (int lane = 0; lane < 4; ++lane)
                        weights[((size_t(phase0) * size_t(pairs) + size_t(p)) * 4 + size_t(r)) * 8 +
                                size_t(half * 4 + lane)] = w;
                }
        }
    }
    const std::int32_t* of(int phase, int pair, int r) const {
        return weights.data() +
               ((size_t(phase) * size_t(pairs) + size_t(pair)) * 4 + size_t(r)) * 8;
    }
};

// Where column `k`'s interval starts for a page row: from where its block's first column starts
// (`blockStart`, taken to 1/64 of a row), `j` columns' shear further.
inline std::int64_t blockStart(std::int64_t start) {
    return start & ~((std::int64_t(1) << (kPointBits - kPhaseBits)) - 1);
}

#ifndef __SSE2__
std::int32_t low(std::int32_t pair) {
    return std::int16_t(std::uint32_t(pair) & 0xffff);
}
std::int32_t high(std::int32_t pair) {
    return std::int16_t(std::uint32_t(pair) >> 16);
}
#endif

// One pixel of a column from the rows under its interval: `rows` the rows from the first one on,
// the pixel at byte `at` of each; 16-bit channels with kRowFraction bits below the value.
inline void sumRows(const uchar* const* rows, int at, const std::int32_t* pairs, int pairCount,
                    std::int16_t* out) {
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    __m128i sum = _mm_set1_epi32(1 << (kWeightBits - kRowFraction - 1));
    for (int k = 0; k < pairCount; ++k) {
        std::int32_t a, b;
        std::memcpy(&a, rows[2 * k] + at, 4);
        std::memcpy(&b, rows[2 * k + 1] + at, 4);
        const __m128i ab = _mm_unpacklo_epi8(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b));
        sum = _mm_add_epi32(sum,
                            _mm_madd_epi16(_mm_unpacklo_epi8(ab, zero), _mm_set1_epi32(pairs[k])));
    }
    sum = _mm_srai_epi32(sum, kWeightBits - kRowFraction);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(sum, sum));
#else
    for (int c = 0; c < 4; ++c) {
        std::int32_t sum = 1 << (kWeightBits - kRowFraction - 1);
        for (int k = 0; k < pairCount; ++k)
            sum += low(pairs[k]) * rows[2 * k][at + c] + high(pairs[k]) * rows[2 * k + 1][at + c];
        out[c] = std::int16_t(sum >> (kWeightBits - kRowFraction));
    }
#endif
}

// One page pixel from the summed row's pixels under its interval, from `from` on.
inline std::uint32_t sumColumns(const std::int16_t* from, const std::int32_t* pairs,
                                int pairCount) {
    constexpr int shift = kWeightBits + kRowFraction;
#ifdef __SSE2__
    __m128i sum = _mm_set1_epi32(1 << (shift - 1));
    for (int k = 0; k < pairCount; ++k) {
        // Two neighbouring pixels, channel by channel: c0 c0' c1 c1' c2 c2' c3 c3'.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8 * k));
        const __m128i paired = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
        sum = _mm_add_epi32(sum, _mm_madd_epi16(paired, _mm_set1_epi32(pairs[k])));
    }
    sum = _mm_srai_epi32(sum, shift);
    sum = _mm_packs_epi32(sum, sum);
    return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
#else
    std::uint32_t pixel = 0;
    for (int c = 0; c < 4; ++c) {
        std::int32_t sum = 1 << (shift - 1);
        for (int k = 0; k < pairCount; ++k)
            sum += low(pairs[k]) * from[8 * k + c] + high(pairs[k]) * from[8 * k + 4 + c];
        pixel |= std::uint32_t(std::clamp(sum >> shift, 0, 255)) << (8 * c);
    }
    return pixel;
#endif
}

#ifdef PLIEGO_HAS_AVX2_PATH
// Blocks of eight neighbouring columns of one page row, from column `k` (a block's first) on;
// `starts` their intervals' starts less this row's `offset`. Blocks whose columns share their
// rows are summed with 32-byte loads; the others one column at a time. Returns the column it
// stopped at.
// `Pairs` pairs of rows a block when known when compiled (the common shrinks), else 0 and
// blocks.pairs.
template <int Pairs>
__attribute__((target("avx2"))) int
sumRowsAvx2Unrolled(const uchar* const* rowAt, const std::int64_t* starts, std::int64_t offset,
                    int k, int end, int at, const PhaseTaps& taps, const ColumnBlocks& blocks,
                    std::int16_t* out) {
    const int pairCount = Pairs > 0 ? Pairs : blocks.pairs;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi32(1 << (kWeightBits - kRowFraction - 1));
    for (; k + kBlock <= end; k += kBlock, at += 4 * kBlock) {
        const std::int64_t start = blockStart(starts[k] + offset);
        const int phase = phaseOf(start), row = wholePart(start);
        const ColumnBlocks::Block& block = blocks.blocks[size_t(phase)];
        if (!block.together) {
            for (int j = 0; j < kBlock; ++j)
                sumRows(&rowAt[size_t(row + block.first[j])], at + 4 * j, taps.of(block.phase[j]),
                        taps.pairs, out + size_t(k + j) * 4);
            continue;
        }
        const uchar* const* rows = rowAt + (row + block.shared);
        // The rows just below are the next page row's. Down a turned scan the rows change every
        // few dozen columns, too often for the processor to fetch them ahead on its own: asked
        // for now, they arrive while this row is summed.
        _mm_prefetch(reinterpret_cast<const char*>(rows[2 * pairCount] + at), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(rows[2 * pairCount + 1] + at), _MM_HINT_T0);
        __m256i sum0 = half, sum1 = half, sum2 = half, sum3 = half;
        for (int p = 0; p < pairCount; ++p) {
            const __m256i a =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p] + at));
            const __m256i b =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[2 * p + 1] + at));
            const __m256i low = _mm256_unpacklo_epi8(a, b), high = _mm256_unpackhi_epi8(a, b);
            const __m256i* w = reinterpret_cast<const __m256i*>(blocks.of(phase, p, 0));
            sum0 = _mm256_add_epi32(
                sum0, _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), _mm256_loadu_si256(w)));
            sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero),
                                                            _mm256_loadu_si256(w + 1)));
            sum2 = _mm256_add_epi32(sum2, _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero),
                                                            _mm256_loadu_si256(w + 2)));
            sum3 = _mm256_add_epi32(sum3, _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero),
                                                            _mm256_loadu_si256(w + 3)));
        }
        constexpr int down = kWeightBits - kRowFraction;
        const __m256i first =
            _mm256_packs_epi32(_mm256_srai_epi32(sum0, down), _mm256_srai_epi32(sum1, down));
        const __m256i second =
            _mm256_packs_epi32(_mm256_srai_epi32(sum2, down), _mm256_srai_epi32(sum3, down));
        // Pixels 0 1 | 4 5 and 2 3 | 6 7: put them back in order.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + size_t(k) * 4),
                            _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + size_t(k) * 4 + 16),
                            _mm256_permute2x128_si256(first, second, 0x31));
    }
    return k;
}

__attribute__((target("avx2"))) int sumRowsAvx2(const uchar* const* rowAt,
                                                const std::int64_t* starts, std::int64_t offset,
                                                int k, int end, int at, const PhaseTaps& taps,
                                                const ColumnBlocks& blocks, std::int16_t* out) {
    switch (blocks.pairs) {
    case 2:
        return sumRowsAvx2Unrolled<2>(rowAt, starts, offset, k, end, at, taps, blocks, out);
    case 3:
        return sumRowsAvx2Unrolled<3>(rowAt, starts, offset, k, end, at, taps, blocks, out);
    default:
        return sumRowsAvx2Unrolled<0>(rowAt, starts, offset, k, end, at, taps, blocks, out);
    }
}

// Two page pixels at a time, one in each 128-bit half, from pixel `u` on; pixel u's interval
// starts at `start` + u · `step`. Returns the pixel it stopped at.
template <int Pairs>
__attribute__((target("avx2"))) int
sumColumnsAvx2Unrolled(const std::int16_t* summed, std::int64_t start, std::int64_t step, int u,
                       int end, const PhaseTaps& taps, std::uint32_t* out) {
    const int pairCount = Pairs > 0 ? Pairs : taps.pairs;
    constexpr int shift = kWeightBits + kRowFraction;
    const __m256i round = _mm256_set1_epi32(1 << (shift - 1));
    for (; u + 2 <= end; u += 2) {
        const std::int64_t startA = start + std::int64_t(u) * step, startB = startA + step;
        const int phaseA = phaseOf(startA), phaseB = phaseOf(startB);
        const std::int16_t* fromA = summed + size_t(wholePart(startA)) * 4;
        const std::int16_t* fromB = summed + size_t(wholePart(startB)) * 4;
        const std::int32_t* pairsA = taps.of(phaseA);
        const std::int32_t* pairsB = taps.of(phaseB);
        __m256i sum = round;
        for (int k = 0; k < pairCount; ++k) {
            const __m256i v = _mm256_inserti128_si256(
                _mm256_castsi128_si256(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(fromA + 8 * k))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(fromB + 8 * k)), 1);
            const __m256i paired = _mm256_unpacklo_epi16(v, _mm256_srli_si256(v, 8));
            const __m256i w = _mm256_inserti128_si256(
                _mm256_castsi128_si256(_mm_set1_epi32(pairsA[k])), _mm_set1_epi32(pairsB[k]), 1);
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(paired, w));
        }
        sum = _mm256_srai_epi32(sum, shift);
        sum = _mm256_packs_epi32(sum, sum);
        sum = _mm256_packus_epi16(sum, sum);
        out[u] = std::uint32_t(_mm256_extract_epi32(sum, 0));
        out[u + 1] = std::uint32_t(_mm256_extract_epi32(sum, 4));
    }
    return u;
}

__attribute__((target("avx2"))) int sumColumnsAvx2(const std::int16_t* summed, std::int64_t start,
                                                   std::int64_t step, int u, int end,
                                                   const PhaseTaps& taps, std::uint32_t* out) {
    switch (taps.pairs) {
    case 1:
        return sumColumnsAvx2Unrolled<1>(summed, start, step, u, end, taps, out);
    case 2:
        return sumColumnsAvx2Unrolled<2>(summed, start, step, u, end, taps, out);
    default:
        return sumColumnsAvx2Unrolled<0>(summed, start, step, u, end, taps, out);
    }
}
#endif

// How much of each page pixel along one axis lies within [from, to) of that axis, 0..256.
std::vector<int> coverage(int pixels, double from, double to) {
    std::vector<int> share(static_cast<size_t>(pixels));
    for (int i = 0; i < pixels; ++i)
        share[size_t(i)] = int(std::lround(
            256 * std::clamp(std::min(to, i + 1.0) - std::max(from, double(i)), 0.0, 1.0)));
    return share;
}

// What turning the whole picture, cutting and shrinking gives, for the turns the two shears do
// not make well.
QImage turnedPageByCut(const QImage& source, double degrees, const QRect& area, const QRect& shown,
                       QSize size) {
    QImage canvas = cutTurned(source, degrees, area);
    if (canvas.isNull())
        return {};
    const QRect picture = shown.translated(-area.topLeft()) & canvas.rect();
    if (picture != canvas.rect()) {
        QPainter painter(&canvas);
        for (const QRect& part : QRegion(canvas.rect()) - QRegion(picture))
            painter.fillRect(part, Qt::white);
    }
    return smoothScaled(canvas, size.width(), size.height());
}

} // namespace

QImage turnedPage(const QImage& source, double degrees, const QRect& area, const QRect& shown,
                  QSize size) {
    if (area.isEmpty() || size.isEmpty() || source.isNull())
        return {};
    const TurnGeometry turn(source.size(), degrees);
    const double c = turn.cosine(), s = turn.sine();
    if (c < kLeastCosine)
        return turnedPageByCut(source, degrees, area, shown, size);
    QImage scan = source;
    const bool premultiplied = scan.hasAlphaChannel();
    const QImage::Format working =
        premultiplied ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (scan.format() != working)
        scan = scan.convertToFormat(working);
    QImage page(size, QImage::Format_RGB32);
    if (scan.isNull() || page.isNull())
        return {};

    const int sw = scan.width(), sh = scan.height();
    const int pw = size.width(), ph = size.height();
    const double ax = double(area.width()) / pw, ay = double(area.height()) / ph;
    // The page's corner relative to the canvas's centre.
    const double x0 = area.x() - turn.canvas().width() / 2.0;
    const double y0 = area.y() - turn.canvas().height() / 2.0;

    // Down column x (its middle at x + 0.5), page row v covers the scan's rows from
    // down(x) + v · rowLength on, rowLength of them.
    const double rowLength = ay / c;
    auto down = [&](double x) { return sh / 2.0 - s / c * (x + 0.5 - sw / 2.0) + y0 / c; };
    // Along page row v, page pixel u covers the columns from across(v) + u · columnLength on.
    const double columnLength = c * ax;
    auto across = [&](int v) { return sw / 2.0 + c * x0 + s * (y0 + (v + 0.5) * ay); };

    const PhaseTaps rowTaps(rowLength), columnTaps(columnLength);
    // The columns the page's rows reach, and the rows those columns' intervals reach.
    const double leftmost = std::min(across(0), across(ph - 1));
    const double rightmost = std::max(across(0), across(ph - 1)) + pw * columnLength;
    const int firstColumn = int(std::floor(leftmost)) - 1;
    const int columns = int(std::ceil(rightmost)) + 1 - firstColumn;
    const double highest = std::min(down(firstColumn), down(firstColumn + columns - 1));
    const double lowest =
        std::max(down(firstColumn), down(firstColumn + columns - 1)) + ph * rowLength;
    const int firstRow = int(std::floor(highest)) - 1;
    const int rows = int(std::ceil(lowest)) + 1 + rowTaps.taps - firstRow;

    // Rows beyond the scan are white, as on the turned canvas; so are columns beyond it.
    const std::vector<std::uint32_t> whiteRow(size_t(sw), 0xffffffffu);
    std::vector<const uchar*> rowAt(size_t(rows) + size_t(2 * rowTaps.blockPairs + 4));
    for (int r = 0; r < int(rowAt.size()); ++r) {
        const int y = firstRow + r;
        rowAt[size_t(r)] = y >= 0 && y < sh ? scan.constScanLine(y)
                                            : reinterpret_cast<const uchar*>(whiteRow.data());
    }
    // Where each column's intervals start, a shear further along from one column to the next.
    const std::int64_t columnShear = fixedPoint(down(firstColumn + 1) - down(firstColumn));
    std::vector<std::int64_t> columnStart(static_cast<size_t>(columns));
    for (int k = 0; k < columns; ++k)
        columnStart[size_t(k)] = fixedPoint(down(firstColumn) - firstRow) + k * columnShear;
    const ColumnBlocks blocks(rowTaps, columnShear);
    const std::int64_t rowStep = fixedPoint(rowLength);
    const std::int64_t columnStep = fixedPoint(columnLength);

    // One summed row of the scan's columns, with spare pixels that a pair may read at weight 0.
    std::vector<std::int16_t> summed(size_t(columns + 2 * columnTaps.pairs + 2) * 4,
                                     std::int16_t(255 << kRowFraction));
    const int inFrom = std::clamp(-firstColumn, 0, columns);
    const int inTo = std::clamp(sw - firstColumn, inFrom, columns);

    const std::vector<int> shareX =
        coverage(pw, (shown.left() - area.left()) / ax, (shown.right() + 1 - area.left()) / ax);
    const std::vector<int> shareY =
        coverage(ph, (shown.top() - area.top()) / ay, (shown.bottom() + 1 - area.top()) / ay);

#ifdef PLIEGO_HAS_AVX2_PATH
    const bool avx2 = areaShrinkUsesAvx2();
#endif
    // The columns of pixels that the picture covers whole.
    int coveredFrom = 0, coveredTo = pw;
    while (coveredFrom < pw && shareX[size_t(coveredFrom)] < 256)
        ++coveredFrom;
    while (coveredTo > coveredFrom && shareX[size_t(coveredTo - 1)] < 256)
        --coveredTo;
    for (int v = 0; v < ph; ++v) {
        const std::int64_t rowOffset = std::int64_t(v) * rowStep;
        int k = inFrom;
#ifdef PLIEGO_HAS_AVX2_PATH
        if (avx2)
            k = sumRowsAvx2(rowAt.data(), columnStart.data(), rowOffset, k, inTo,
                            (firstColumn + k) * 4, rowTaps, blocks, summed.data());
#endif
        for (; k < inTo; ++k) {
            const int first = inFrom + (k - inFrom) / kBlock * kBlock;
            const std::int64_t start =
                blockStart(columnStart[size_t(first)] + rowOffset) + (k - first) * columnShear;
            const int phase = phaseOf(start);
            sumRows(&rowAt[size_t(wholePart(start))], (firstColumn + k) * 4, rowTaps.of(phase),
                    rowTaps.pairs, &summed[size_t(k) * 4]);
        }
        auto* out = reinterpret_cast<std::uint32_t*>(page.scanLine(v));
        const std::int64_t rowStart = fixedPoint(across(v) - firstColumn);
        int u = 0;
#ifdef PLIEGO_HAS_AVX2_PATH
        if (avx2)
            u = sumColumnsAvx2(summed.data(), rowStart, columnStep, u, pw, columnTaps, out);
#endif
        for (; u < pw; ++u) {
            const std::int64_t start = rowStart + std::int64_t(u) * columnStep;
            const int phase = phaseOf(start);
            out[u] = sumColumns(&summed[size_t(wholePart(start)) * 4], columnTaps.of(phase),
                                columnTaps.pairs);
        }
        auto finish = [&](int from, int to) {
            for (int u = from; u < to; ++u) {
                std::uint32_t p = out[u];
                if (premultiplied) {
                    // Laid on white: what the picture does not cover shows the white beneath.
                    const std::uint32_t a = p >> 24;
                    std::uint32_t laid = 0;
                    for (int ch = 0; ch < 3; ++ch)
                        laid |= std::min(255u, ((p >> (8 * ch)) & 0xff) + 255 - a) << (8 * ch);
                    p = laid;
                }
                const int share = shareX[size_t(u)] * shareY[size_t(v)] >> 8;
                if (share < 256) {
                    std::uint32_t blended = 0;
                    for (int ch = 0; ch < 3; ++ch) {
                        const std::uint32_t value = (p >> (8 * ch)) & 0xff;
                        blended |= ((value * share + 255 * (256 - share) + 128) >> 8) << (8 * ch);
                    }
                    p = blended;
                }
                out[u] = p | 0xff000000u;
            }
        };
        // An opaque picture sums to opaque pixels: where it covers them whole they are done.
        if (!premultiplied && shareY[size_t(v)] == 256) {
            finish(0, coveredFrom);
            finish(coveredTo, pw);
        } else {
            finish(0, pw);
        }
    }
    return page;
}
