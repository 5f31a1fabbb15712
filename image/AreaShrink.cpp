#include "image/AreaShrink.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PLIEGO_HAS_AVX2_PATH 1
#endif
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Weights are 14-bit fixed point and sum to exactly one; the intermediate rows keep 7 bits below
// the pixel value, so every product and sum stays within a signed 32-bit integer and every
// intermediate value within a signed 16-bit one (255 << 7 = 32640), which is what the SIMD
// multiply-add takes.
constexpr int kWeightBits = 14;
constexpr int kOne = 1 << kWeightBits;
constexpr int kRowFraction = 7;

// For each target pixel along one axis: the first source pixel it covers, how many it covers,
// and their weights in pairs (a pair packed as two 16-bit halves; an odd last weight is paired
// with zero).
struct AxisTaps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<std::int32_t> pairs;
    int pairStride = 0;

    AxisTaps(int sourceLength, int targetLength) {
        const double scale = double(sourceLength) / targetLength;
        const int most = int(std::ceil(scale)) + 1;
        pairStride = (most + 1) / 2;
        first.resize(size_t(targetLength));
        count.resize(size_t(targetLength));
        pairs.assign(size_t(targetLength) * size_t(pairStride), 0);
        std::vector<int> weights(size_t(most) + 1);
        for (int t = 0; t < targetLength; ++t) {
            const double start = t * scale;
            const double end = t + 1 == targetLength ? sourceLength : (t + 1) * scale;
            const int from = std::min(int(start), sourceLength - 1);
            const int to =
                std::clamp(int(std::ceil(end)), from + 1, std::min(sourceLength, from + most));
            // Each weight is the step of the rounded running total of the coverage, so the
            // weights sum to exactly one (a flat area keeps its value) and none is off by more
            // than one part in 16384, however many pixels a target pixel covers.
            double covered = 0;
            int reached = 0;
            for (int p = from; p < to; ++p) {
                covered += std::max(0.0, std::min(p + 1.0, end) - std::max(double(p), start));
                const int total = p + 1 == to ? kOne : int(std::lround(covered / scale * kOne));
                weights[size_t(p - from)] = std::clamp(total, reached, kOne) - reached;
                reached = std::clamp(total, reached, kOne);
            }
            first[size_t(t)] = from;
            count[size_t(t)] = to - from;
            for (int k = 0; k < to - from; k += 2) {
                const int second = k + 1 < to - from ? weights[size_t(k + 1)] : 0;
                pairs[size_t(t) * size_t(pairStride) + size_t(k / 2)] =
                    std::int32_t(std::uint32_t(std::uint16_t(weights[size_t(k)])) |
                                 (std::uint32_t(std::uint16_t(second)) << 16));
            }
        }
    }
};

std::atomic<AreaShrinkSimd> allowedSimd{AreaShrinkSimd::Best};

std::int32_t low(std::int32_t pair) {
    return std::int16_t(std::uint32_t(pair) & 0xffff);
}
std::int32_t high(std::int32_t pair) {
    return std::int16_t(std::uint32_t(pair) >> 16);
}

// One target row's worth of source rows, summed into 16-bit values with the row fraction, from
// byte j of the row on; 16 bytes at a time with SSE2 when `sse2` allows it.
void sumRowsPortable(const uchar* const* rows, const std::int32_t* pairs, int count, int j,
                     int bytes, std::int16_t* out, bool sse2) {
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (kRowFraction - 1));
    for (; sse2 && j + 16 <= bytes; j += 16) {
        __m128i a0 = zero, a1 = zero, a2 = zero, a3 = zero;
        for (int k = 0; k < count; k += 2) {
            const __m128i w = _mm_set1_epi32(pairs[k / 2]);
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + j));
            const uchar* second = k + 1 < count ? rows[k + 1] : rows[k];
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + j));
            const __m128i lo = _mm_unpacklo_epi8(va, vb);
            const __m128i hi = _mm_unpackhi_epi8(va, vb);
            a0 = _mm_add_epi32(a0, _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w));
            a1 = _mm_add_epi32(a1, _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w));
            a2 = _mm_add_epi32(a2, _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w));
            a3 = _mm_add_epi32(a3, _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w));
        }
        a0 = _mm_srai_epi32(_mm_add_epi32(a0, half), kRowFraction);
        a1 = _mm_srai_epi32(_mm_add_epi32(a1, half), kRowFraction);
        a2 = _mm_srai_epi32(_mm_add_epi32(a2, half), kRowFraction);
        a3 = _mm_srai_epi32(_mm_add_epi32(a3, half), kRowFraction);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), _mm_packs_epi32(a0, a1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j + 8), _mm_packs_epi32(a2, a3));
    }
#else
    (void)sse2;
#endif
    for (; j < bytes; ++j) {
        std::int32_t sum = 0;
        for (int k = 0; k < count; k += 2) {
            sum += low(pairs[k / 2]) * rows[k][j];
            if (k + 1 < count)
                sum += high(pairs[k / 2]) * rows[k + 1][j];
        }
        out[j] = std::int16_t((sum + (1 << (kRowFraction - 1))) >> kRowFraction);
    }
}

// One target row from the summed row, from target pixel x on: each target pixel from the summed
// pixels it covers. The summed row has spare pixels of zeros at its end, which a pair may read
// with weight zero.
void sumColumnsPortable(const std::int16_t* summed, const AxisTaps& columns, int x, int width,
                        uchar* out, bool sse2) {
    constexpr int shift = kWeightBits + kRowFraction;
    auto* target = reinterpret_cast<std::uint32_t*>(out);
    for (; x < width; ++x) {
        const std::int16_t* from = summed + size_t(columns.first[size_t(x)]) * 4;
        const std::int32_t* pairs = columns.pairs.data() + size_t(x) * size_t(columns.pairStride);
        const int count = columns.count[size_t(x)];
#ifdef __SSE2__
        if (sse2) {
            __m128i sum = _mm_set1_epi32(1 << (shift - 1));
            for (int k = 0; k < count; k += 2) {
                // Two neighbouring pixels, channel by channel: c0 c0' c1 c1' c2 c2' c3 c3'.
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + k * 4));
                const __m128i paired = _mm_unpacklo_epi16(v, _mm_srli_si128(v, 8));
                sum = _mm_add_epi32(sum, _mm_madd_epi16(paired, _mm_set1_epi32(pairs[k / 2])));
            }
            sum = _mm_srai_epi32(sum, shift);
            sum = _mm_packs_epi32(sum, sum);
            target[x] = std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
            continue;
        }
#else
        (void)sse2;
#endif
        uchar* pixel = out + size_t(x) * 4;
        for (int c = 0; c < 4; ++c) {
            std::int32_t sum = 1 << (shift - 1);
            for (int k = 0; k < count; k += 2)
                sum +=
                    low(pairs[k / 2]) * from[k * 4 + c] + high(pairs[k / 2]) * from[k * 4 + 4 + c];
            pixel[c] = uchar(std::clamp(sum >> shift, 0, 255));
        }
    }
}

#ifdef PLIEGO_HAS_AVX2_PATH
// The same sums 32 bytes at a time, for the machines that have AVX2 (nearly every desktop). The
// usual shrinks take one to three pairs of rows, which are unrolled.
// Pairs = 0: any number of pairs, up to kMostPairs.
constexpr int kMostPairs = 16;

template <int Pairs>
__attribute__((target("avx2"))) int sumRowsAvx2Unrolled(const uchar* const* rows,
                                                        const std::int32_t* pairs, int count,
                                                        int bytes, std::int16_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i half = _mm256_set1_epi32(1 << (kRowFraction - 1));
    const int pairCount = Pairs > 0 ? Pairs : (count + 1) / 2;
    const uchar* from[2 * (Pairs > 0 ? Pairs : kMostPairs)];
    __m256i weight[Pairs > 0 ? Pairs : kMostPairs];
    for (int k = 0; k < pairCount; ++k) {
        from[2 * k] = rows[2 * k];
        from[2 * k + 1] = 2 * k + 1 < count ? rows[2 * k + 1] : rows[2 * k];
        weight[k] = _mm256_set1_epi32(pairs[k]);
    }
    int j = 0;
    for (; j + 32 <= bytes; j += 32) {
        __m256i a0 = half, a1 = half, a2 = half, a3 = half;
        for (int k = 0; k < pairCount; ++k) {
            const __m256i va =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from[2 * k] + j));
            const __m256i vb =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from[2 * k + 1] + j));
            const __m256i lo = _mm256_unpacklo_epi8(va, vb);
            const __m256i hi = _mm256_unpackhi_epi8(va, vb);
            a0 = _mm256_add_epi32(a0, _mm256_madd_epi16(_mm256_unpacklo_epi8(lo, zero), weight[k]));
            a1 = _mm256_add_epi32(a1, _mm256_madd_epi16(_mm256_unpackhi_epi8(lo, zero), weight[k]));
            a2 = _mm256_add_epi32(a2, _mm256_madd_epi16(_mm256_unpacklo_epi8(hi, zero), weight[k]));
            a3 = _mm256_add_epi32(a3, _mm256_madd_epi16(_mm256_unpackhi_epi8(hi, zero), weight[k]));
        }
        a0 = _mm256_srai_epi32(a0, kRowFraction);
        a1 = _mm256_srai_epi32(a1, kRowFraction);
        a2 = _mm256_srai_epi32(a2, kRowFraction);
        a3 = _mm256_srai_epi32(a3, kRowFraction);
        // Each 128-bit half works on its own 16 bytes: put the four quarters back in order.
        const __m256i first = _mm256_packs_epi32(a0, a1);
        const __m256i second = _mm256_packs_epi32(a2, a3);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j),
                            _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + j + 16),
                            _mm256_permute2x128_si256(first, second, 0x31));
    }
    return j;
}

__attribute__((target("avx2"))) void sumRowsAvx2(const uchar* const* rows,
                                                 const std::int32_t* pairs, int count, int bytes,
                                                 std::int16_t* out) {
    int j = 0;
    switch ((count + 1) / 2) {
    case 1:
        j = sumRowsAvx2Unrolled<1>(rows, pairs, count, bytes, out);
        break;
    case 2:
        j = sumRowsAvx2Unrolled<2>(rows, pairs, count, bytes, out);
        break;
    case 3:
        j = sumRowsAvx2Unrolled<3>(rows, pairs, count, bytes, out);
        break;
    default:
        if ((count + 1) / 2 <= kMostPairs)
            j = sumRowsAvx2Unrolled<0>(rows, pairs, count, bytes, out);
        break;
    }
    sumRowsPortable(rows, pairs, count, j, bytes, out, true);
}

// Two target pixels at a time, one in each 128-bit half; both loop over the larger count (the
// weights past a pixel's own count are zero, and the summed row is padded for those reads).
__attribute__((target("avx2"))) void
sumColumnsAvx2(const std::int16_t* summed, const AxisTaps& columns, int width, uchar* out) {
    constexpr int shift = kWeightBits + kRowFraction;
    auto* target = reinterpret_cast<std::uint32_t*>(out);
    const __m256i round = _mm256_set1_epi32(1 << (shift - 1));
    int x = 0;
    for (; x + 2 <= width; x += 2) {
        const std::int16_t* fromA = summed + size_t(columns.first[size_t(x)]) * 4;
        const std::int16_t* fromB = summed + size_t(columns.first[size_t(x) + 1]) * 4;
        const std::int32_t* pairsA = columns.pairs.data() + size_t(x) * size_t(columns.pairStride);
        const std::int32_t* pairsB = pairsA + columns.pairStride;
        const int count = std::max(columns.count[size_t(x)], columns.count[size_t(x) + 1]);
        __m256i sum = round;
        for (int k = 0; k < count; k += 2) {
            const __m256i v = _mm256_inserti128_si256(
                _mm256_castsi128_si256(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(fromA + k * 4))),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(fromB + k * 4)), 1);
            const __m256i paired = _mm256_unpacklo_epi16(v, _mm256_srli_si256(v, 8));
            const __m256i w =
                _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_set1_epi32(pairsA[k / 2])),
                                        _mm_set1_epi32(pairsB[k / 2]), 1);
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(paired, w));
        }
        sum = _mm256_srai_epi32(sum, shift);
        sum = _mm256_packs_epi32(sum, sum);
        sum = _mm256_packus_epi16(sum, sum);
        target[x] = std::uint32_t(_mm256_extract_epi32(sum, 0));
        target[x + 1] = std::uint32_t(_mm256_extract_epi32(sum, 4));
    }
    sumColumnsPortable(summed, columns, x, width, out, true);
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

void setAreaShrinkSimd(AreaShrinkSimd level) {
    allowedSimd.store(level, std::memory_order_relaxed);
}

AreaShrinkSimd areaShrinkSimd() {
    return allowedSimd.load(std::memory_order_relaxed);
}

bool areaShrinkUsesAvx2() {
#ifdef PLIEGO_HAS_AVX2_PATH
    return areaShrinkSimd() == AreaShrinkSimd::Best && hasAvx2();
#else
    return false;
#endif
}

QImage shrinkByAreaAverage(const QImage& source, int width, int height) {
    const QImage::Format format = source.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return {};
    if (width < 1 || height < 1 || width > source.width() || height > source.height())
        return {};
    QImage target(width, height, format);
    if (target.isNull())
        return {};
    target.setDevicePixelRatio(source.devicePixelRatio());

    const AxisTaps columns(source.width(), width);
    const AxisTaps rows(source.height(), height);
    const int bytes = source.width() * 4;
    std::vector<std::int16_t> summed(size_t(bytes) + size_t(columns.pairStride + 1) * 8, 0);
    std::vector<const uchar*> lines(size_t(rows.pairStride) * 2);
    const AreaShrinkSimd allowed = allowedSimd.load(std::memory_order_relaxed);
    const bool sse2 = allowed != AreaShrinkSimd::Plain;
#ifdef PLIEGO_HAS_AVX2_PATH
    const bool avx2 = allowed == AreaShrinkSimd::Best && hasAvx2();
#endif
    for (int y = 0; y < height; ++y) {
        const int count = rows.count[size_t(y)];
        for (int k = 0; k < count; ++k)
            lines[size_t(k)] = source.constScanLine(rows.first[size_t(y)] + k);
        const std::int32_t* pairs = rows.pairs.data() + size_t(y) * size_t(rows.pairStride);
#ifdef PLIEGO_HAS_AVX2_PATH
        if (avx2) {
            sumRowsAvx2(lines.data(), pairs, count, bytes, summed.data());
            sumColumnsAvx2(summed.data(), columns, width, target.scanLine(y));
            continue;
        }
#endif
        sumRowsPortable(lines.data(), pairs, count, 0, bytes, summed.data(), sse2);
        sumColumnsPortable(summed.data(), columns, 0, width, target.scanLine(y), sse2);
    }
    return target;
}

QImage smoothScaled(const QImage& source, int width, int height) {
    QImage shrunk = shrinkByAreaAverage(source, width, height);
    if (!shrunk.isNull())
        return shrunk;
    return source.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage previewScaled(const QImage& source, int width, int height) {
    // Averaging every pixel of a 17-megapixel scan for a box a few hundred pixels wide is a third
    // of what cutting the scan costs; three samples across each target pixel on each axis look
    // nearly the same on screen.
    constexpr int kSamples = 3;
    const int stepX = width > 0 ? source.width() / (kSamples * width) : 0;
    const int stepY = height > 0 ? source.height() / (kSamples * height) : 0;
    const QImage::Format format = source.format();
    if ((stepX < 2 && stepY < 2) ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        return smoothScaled(source, width, height);
    const int sx = std::max(1, stepX);
    const int sy = std::max(1, stepY);
    const int sampledWidth = (source.width() + sx - 1) / sx;
    const int sampledHeight = (source.height() + sy - 1) / sy;
    QImage sampled(sampledWidth, sampledHeight, format);
    if (sampled.isNull())
        return {};
    std::vector<int> columns(static_cast<size_t>(sampledWidth));
    for (int x = 0; x < sampledWidth; ++x)
        columns[size_t(x)] = std::min(x * sx + sx / 2, source.width() - 1);
    for (int y = 0; y < sampledHeight; ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(
            source.constScanLine(std::min(y * sy + sy / 2, source.height() - 1)));
        auto* to = reinterpret_cast<QRgb*>(sampled.scanLine(y));
        for (int x = 0; x < sampledWidth; ++x)
            to[x] = from[columns[size_t(x)]];
    }
    return smoothScaled(sampled, width, height);
}
