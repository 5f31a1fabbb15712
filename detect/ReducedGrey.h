#pragma once

#include <QImage>

#include <cstdint>
#include <vector>

// A small grey copy of a scan for finding its pages: each pixel the mean luma (r + 2g + b) / 4
// of a factor × factor block of the scan. The factor is a power of two that leaves the longer
// side between 800 and 1600 pixels (1 for small scans); a factor of 4 or more averages one row
// in four (from the middle of the block), which is as good for finding print and reads a
// quarter of the scan.
struct ReducedGrey {
    int width = 0;
    int height = 0;
    int factor = 1;
    std::vector<std::uint8_t> pixels; // row after row, no padding

    bool isNull() const { return pixels.empty(); }
    std::uint8_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Any QImage format; what is neither 32-bit colour nor 8-bit grey is converted to grey first.
ReducedGrey reduceToGrey(const QImage& scan);

// The factor reduceToGrey picks for a scan of that size.
int reductionFactor(int width, int height);
