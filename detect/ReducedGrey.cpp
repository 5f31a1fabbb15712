#include "detect/ReducedGrey.h"

#include "image/AreaShrink.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define PLIEGO_HAS_AVX2_PATH 1
#endif

namespace {

#ifdef PLIEGO_HAS_AVX2_PATH

// addRow32 for a factor of 4, sixteen pixels (four columns) a step: each pixel's luma by one
// multiply-add of its bytes with 1, 2, 1, 0, then the four of each column added up.
__attribute__((target("avx2"))) int addRow32Factor4Avx2(const std::uint32_t* row, int columns,
                                                        std::uint32_t* sums) {
    const __m256i weights = _mm256_set1_epi32(0x00010201);
    const __m256i ones = _mm256_set1_epi16(1);
    int c = 0;
    for (; c + 4 <= columns; c += 4) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * c));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + 4 * c + 8));
        const __m256i lumaA = _mm256_madd_epi16(_mm256_maddubs_epi16(a, weights), ones);
        const __m256i lumaB = _mm256_madd_epi16(_mm256_maddubs_epi16(b, weights), ones);
        // Columns c, c + 2 in the low half and c + 1, c + 3 in the high half.
        const __m256i pairs = _mm256_hadd_epi32(lumaA, lumaB);
        const __m256i quads = _mm256_hadd_epi32(pairs, pairs);
        const __m128i low = _mm256_castsi256_si128(quads),
                      high = _mm256_extracti128_si256(quads, 1);
        const __m128i ordered = _mm_unpacklo_epi32(low, high);
        __m128i* at = reinterpret_cast<__m128i*>(sums + c);
        _mm_storeu_si128(at, _mm_add_epi32(_mm_loadu_si128(at), ordered));
    }
    return c;
}
#endif

// Adds the luma sums (r + 2g + b, over `factor` pixels) of one scan row to `sums`, a column of
// the reduced image each. 32-bit pixels, factor a power of two of at least 2.
void addRow32(const std::uint32_t* row, int columns, int factor, std::uint32_t* sums) {
    int c = 0;
#ifdef PLIEGO_HAS_AVX2_PATH
    // The same instructions as the shrinks, so that the tests can narrow them for both.
    if (factor == 4 && areaShrinkUsesAvx2())
        c = addRow32Factor4Avx2(row, columns, sums);
#endif
#if defined(__SSE2__)
    // Four pixels a load: the sum of all bytes, less alpha, plus green once more. Each half of a
    // byte-sum register holds two pixels.
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(int(0xff000000u));
    const __m128i green = _mm_set1_epi32(0x0000ff00);
    auto luma4 = [&](const std::uint32_t* p) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i s = _mm_sad_epu8(v, zero);
        s = _mm_add_epi64(s, _mm_sad_epu8(_mm_and_si128(v, green), zero));
        return _mm_sub_epi64(s, _mm_sad_epu8(_mm_and_si128(v, alpha), zero));
    };
    if (factor == 2) {
        for (; c + 2 <= columns; c += 2) {
            const __m128i s = luma4(row + 2 * c);
            sums[c] += std::uint32_t(_mm_cvtsi128_si32(s));
            sums[c + 1] += std::uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(s, 8)));
        }
    } else if (factor >= 4) {
        for (; c < columns; ++c) {
            __m128i s = zero;
            for (int k = 0; k < factor; k += 4)
                s = _mm_add_epi64(s, luma4(row + c * factor + k));
            sums[c] += std::uint32_t(_mm_cvtsi128_si32(s)) +
                       std::uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(s, 8)));
        }
    }
#endif
    for (; c < columns; ++c)
        for (int k = 0; k < factor; ++k) {
            const std::uint32_t p = row[c * factor + k];
            sums[c] += ((p >> 16) & 0xff) + 2 * ((p >> 8) & 0xff) + (p & 0xff);
        }
}

void addRowGrey(const std::uint8_t* row, int columns, int factor, std::uint32_t* sums) {
    for (int c = 0; c < columns; ++c) {
        std::uint32_t s = 0;
        for (int k = 0; k < factor; ++k)
            s += row[c * factor + k];
        sums[c] += 4 * s;
    }
}

} // namespace

int reductionFactor(int width, int height) {
    int factor = 1;
    while (std::max(width, height) / (factor * 2) >= 800)
        factor *= 2;
    return factor;
}

ReducedGrey reduceToGrey(const QImage& scan) {
    if (scan.isNull())
        return {};
    QImage source = scan;
    const QImage::Format f = source.format();
    const bool wide = f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
                      f == QImage::Format_ARGB32_Premultiplied;
    if (!wide && f != QImage::Format_Grayscale8)
        source = source.convertToFormat(QImage::Format_Grayscale8);
    if (source.isNull())
        return {};
    ReducedGrey out;
    out.factor = reductionFactor(source.width(), source.height());
    out.width = source.width() / out.factor;
    out.height = source.height() / out.factor;
    if (out.width < 1 || out.height < 1)
        return {};
    out.pixels.resize(size_t(out.width) * out.height);
    // One row in four from the middle of a tall block, else all of its rows.
    const int first = out.factor >= 4 ? out.factor / 2 : 0;
    const int rows = out.factor >= 4 ? out.factor / 4 : out.factor;
    const std::uint32_t count = std::uint32_t(rows * out.factor * 4);
    std::vector<std::uint32_t> sums(out.width);
    for (int y = 0; y < out.height; ++y) {
        std::fill(sums.begin(), sums.end(), 0u);
        for (int k = 0; k < rows; ++k) {
            const uchar* line = source.constScanLine(y * out.factor + first + k);
            if (wide)
                addRow32(reinterpret_cast<const std::uint32_t*>(line), out.width, out.factor,
                         sums.data());
            else
                addRowGrey(line, out.width, out.factor, sums.data());
        }
        std::uint8_t* dst = &out.pixels[size_t(y) * out.width];
        for (int x = 0; x < out.width; ++x)
            dst[x] = std::uint8_t((sums[x] + count / 2) / count);
    }
    return out;
}
