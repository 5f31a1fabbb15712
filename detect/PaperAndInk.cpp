#include "detect/PaperAndInk.h"

#include <algorithm>
#include <array>

namespace {

// Otsu's threshold of a histogram: the level that best splits it in two classes; the means of
// both classes come back too.
int otsu(const std::array<long long, 256>& histogram, double* low, double* high) {
    long long total = 0;
    double sum = 0;
    for (int v = 0; v < 256; ++v)
        total += histogram[v], sum += double(v) * histogram[v];
    long long below = 0;
    double sumBelow = 0, best = -1;
    int level = 128;
    for (int t = 0; t < 255; ++t) {
        below += histogram[t];
        sumBelow += double(t) * histogram[t];
        const long long above = total - below;
        if (below == 0 || above == 0)
            continue;
        const double m0 = sumBelow / below, m1 = (sum - sumBelow) / above;
        const double between = double(below) * double(above) * (m1 - m0) * (m1 - m0);
        if (between > best) {
            best = between, level = t + 1;
            *low = m0, *high = m1;
        }
    }
    if (best < 0)
        *low = *high = total ? sum / total : 0;
    return level;
}

// Grows a region of blocks from those on `stack` to each 4-connected neighbour that `take`
// accepts (`take` marks what it accepts, so that no block is taken twice); returns how many
// blocks left the stack.
template <typename Take>
size_t floodBlocks(int columns, int rows, std::vector<int>& stack, Take take) {
    size_t taken = 0;
    while (!stack.empty()) {
        const int b = stack.back();
        stack.pop_back();
        ++taken;
        const int bx = b % columns, by = b / columns;
        if (bx > 0 && take(b - 1))
            stack.push_back(b - 1);
        if (bx + 1 < columns && take(b + 1))
            stack.push_back(b + 1);
        if (by > 0 && take(b - columns))
            stack.push_back(b - columns);
        if (by + 1 < rows && take(b + columns))
            stack.push_back(b + columns);
    }
    return taken;
}

} // namespace

PaperAndInk::PaperAndInk(const ReducedGrey& grey) : width_(grey.width), height_(grey.height) {
    blocksX_ = (width_ + kBlock - 1) / kBlock;
    blocksY_ = (height_ + kBlock - 1) / kBlock;
    const int blocks = blocksX_ * blocksY_;
    classes_.assign(size_t(width_) * height_, Bed);
    inner_.assign(blocks, 0);
    if (blocks == 0)
        return;

    std::vector<std::uint8_t> brightest(blocks, 0);
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* line = &grey.pixels[size_t(y) * width_];
        std::uint8_t* out = &brightest[size_t(y / kBlock) * blocksX_];
        for (int bx = 0; bx < blocksX_; ++bx) {
            const int end = std::min(width_, (bx + 1) * kBlock);
            std::uint8_t most = out[bx];
            for (int x = bx * kBlock; x < end; ++x)
                most = std::max(most, line[x]);
            out[bx] = most;
        }
    }
    std::array<long long, 256> histogram{};
    for (std::uint8_t v : brightest)
        ++histogram[v];
    double low = 0, high = 0;
    const int level = otsu(histogram, &low, &high);
    long long above = 0;
    for (int v = level; v < 256; ++v)
        above += histogram[v];

    std::vector<std::uint8_t> paper(blocks, 0);
    std::vector<std::uint8_t> sorted = brightest;
    std::nth_element(sorted.begin(), sorted.begin() + blocks / 2, sorted.end());
    const int median = sorted[blocks / 2];
    const bool split = high - low >= 50 && above >= blocks / 50 && blocks - above >= blocks / 50;
    if (split) {
        threshold_ = level;
        for (int b = 0; b < blocks; ++b)
            paper[b] = brightest[b] >= level;
    } else if (median >= 100) {
        threshold_ = 0; // paper everywhere, or a blank sheet
        std::fill(paper.begin(), paper.end(), 1);
    } else {
        allDark_ = true;
        return;
    }

    // The book: the largest 4-connected region of paper blocks.
    std::vector<int> label(blocks, -1), stack;
    int bestLabel = -1;
    size_t bestSize = 0;
    for (int start = 0, next = 0; start < blocks; ++start) {
        if (!paper[start] || label[start] >= 0)
            continue;
        stack.assign(1, start);
        label[start] = next;
        const size_t size = floodBlocks(blocksX_, blocksY_, stack, [&](int k) {
            if (!paper[k] || label[k] >= 0)
                return false;
            label[k] = next;
            return true;
        });
        if (size > bestSize)
            bestSize = size, bestLabel = next;
        ++next;
    }
    // Holes: what the bed around the book cannot reach belongs to the book.
    std::vector<std::uint8_t> book(blocks, 0), outside(blocks, 0);
    for (int b = 0; b < blocks; ++b)
        book[b] = label[b] == bestLabel;
    stack.clear();
    for (int b = 0; b < blocks; ++b) {
        const int bx = b % blocksX_, by = b / blocksX_;
        if (!book[b] && (bx == 0 || by == 0 || bx == blocksX_ - 1 || by == blocksY_ - 1)) {
            outside[b] = 1;
            stack.push_back(b);
        }
    }
    floodBlocks(blocksX_, blocksY_, stack, [&](int k) {
        if (book[k] || outside[k])
            return false;
        outside[k] = 1;
        return true;
    });
    for (int b = 0; b < blocks; ++b)
        book[b] = !outside[b];

    // The paper's level around each block: the brightest of its 3 × 3 neighbourhood, over the
    // book only.
    std::vector<std::uint8_t> around(blocks, 0);
    std::array<long long, 256> paperHistogram{};
    for (int by = 0; by < blocksY_; ++by)
        for (int bx = 0; bx < blocksX_; ++bx) {
            const int b = by * blocksX_ + bx;
            bool edge = false;
            std::uint8_t best = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = bx + dx, y = by + dy;
                    if (x < 0 || y < 0 || x >= blocksX_ || y >= blocksY_)
                        continue; // the scan's own edge is no edge of the book
                    const int k = y * blocksX_ + x;
                    edge |= book[k] != book[b];
                    if (book[k])
                        best = std::max(best, brightest[k]);
                }
            around[b] = best;
            inner_[b] = book[b] && !edge;
            if (book[b])
                ++paperHistogram[brightest[b]];
        }
    long long count = 0, total = 0;
    for (long long c : paperHistogram)
        total += c;
    for (int v = 0; v < 256; ++v) {
        count += paperHistogram[v];
        if (count * 2 >= total) {
            paperLevel_ = v;
            break;
        }
    }
    hasPaper_ = total > 0;

    std::vector<int> inkCount(blocks, 0), midCount(blocks, 0), bookCount(blocks, 0);
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* line = &grey.pixels[size_t(y) * width_];
        std::uint8_t* out = &classes_[size_t(y) * width_];
        const int rowStart = (y / kBlock) * blocksX_;
        for (int bx = 0; bx < blocksX_; ++bx) {
            const int b = rowStart + bx;
            if (!book[b])
                continue;
            // The bed along the book's edge stays bed.
            const int bed = inner_[b] ? 0 : threshold_;
            const int ink = around[b] * 55, mid = around[b] * 85;
            int inks = 0, mids = 0, count = 0;
            const int end = std::min(width_, (bx + 1) * kBlock);
            for (int x = bx * kBlock; x < end; ++x) {
                const int v = line[x];
                if (v < bed)
                    continue;
                ++count;
                const bool dark = v * 100 < ink;
                out[x] = dark ? Ink : Paper;
                inks += dark;
                mids += !dark && v * 100 < mid;
            }
            bookCount[b] += count;
            inkCount[b] += inks;
            midCount[b] += mids;
            inkPixels_ += inks;
            paperPixels_ += count - inks;
        }
    }
    // Pictures, and the mid-tone blocks around them.
    std::vector<std::uint8_t> picture(blocks, 0);
    for (int b = 0; b < blocks; ++b)
        picture[b] = bookCount[b] > 0 &&
                     (midCount[b] * 4 >= bookCount[b] || inkCount[b] * 100 >= bookCount[b] * 45);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::uint8_t> grown = picture;
        for (int by = 0; by < blocksY_; ++by)
            for (int bx = 0; bx < blocksX_; ++bx) {
                const int b = by * blocksX_ + bx;
                if (picture[b] || midCount[b] * 10 < bookCount[b])
                    continue;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int x = bx + dx, y = by + dy;
                        if (x >= 0 && y >= 0 && x < blocksX_ && y < blocksY_ &&
                            picture[y * blocksX_ + x])
                            grown[b] = 1;
                    }
            }
        picture.swap(grown);
    }
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* out = &classes_[size_t(y) * width_];
        const std::uint8_t* blockRow = &picture[size_t(y / kBlock) * blocksX_];
        for (int x = 0; x < width_; ++x)
            if (out[x] == Ink && blockRow[x / kBlock])
                out[x] = Picture;
    }
}
