#include "detect/PageLayout.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The first and last index whose value reaches `level`; false when none does.
bool extent(const std::vector<int>& values, double level, int* first, int* last) {
    *first = -1;
    for (int i = 0; i < int(values.size()); ++i)
        if (values[i] >= level) {
            if (*first < 0)
                *first = i;
            *last = i;
        }
    return *first >= 0;
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

} // namespace

QRect paperBox(const TurnedView& view) {
    const int w = view.width(), h = view.height();
    std::vector<int> columns(w, 0), rows(h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (view.at(x, y) != PaperAndInk::Bed)
                ++columns[x], ++rows[y];
    const int fullest = *std::max_element(columns.begin(), columns.end());
    const int widest = *std::max_element(rows.begin(), rows.end());
    if (fullest < h / 10 || widest < w / 10)
        return {};
    int left = 0, right = 0, top = 0, bottom = 0;
    extent(columns, 0.5 * fullest, &left, &right);
    extent(rows, 0.5 * widest, &top, &bottom);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

Fold findFold(const TurnedView& view, const QRect& paper) {
    Fold fold;
    if (paper.width() < 20 || paper.height() < 20)
        return fold;
    const int top = paper.top() + paper.height() / 20;
    const int bottom = paper.bottom() - paper.height() / 20;
    const int rows = bottom - top + 1;
    const int w = paper.width();
    const int from = int(w * 0.38), to = int(w * 0.62);
    // Print across the paper, and the brightness of the bare paper in the middle quarter: the
    // brighter part of each column (its 80th percentile), which a picture's light colours or
    // the fringes of print do not darken but the fold's shadow does.
    std::vector<int> ink(w, 0);
    std::vector<double> light(w, -1);
    const int first = std::max(0, from - 2), last = std::min(w - 1, to + 2);
    std::vector<std::vector<std::uint8_t>> levels(last - first + 1);
    // Only the middle three fifths can hold the fold or the gap that finds it.
    const int near = w / 5 - 1, far = w - w / 5 + 1;
    for (int y = top; y <= bottom; ++y)
        for (int i = std::max(0, near); i < std::min(w, far); ++i) {
            const int x = paper.left() + i;
            const PaperAndInk::Class c = view.at(x, y);
            if (c == PaperAndInk::Ink || c == PaperAndInk::Picture)
                ++ink[i];
            else if (c == PaperAndInk::Paper && (y & 1) && i >= first && i <= last)
                levels[i - first].push_back(view.grey(x, y));
        }
    for (int i = first; i <= last; ++i) {
        std::vector<std::uint8_t>& column = levels[i - first];
        if (int(column.size()) > rows / 8) {
            const auto at = column.begin() + column.size() * 4 / 5;
            std::nth_element(column.begin(), at, column.end());
            light[i] = *at;
        }
    }
    std::vector<double> smooth(w, -1);
    double paperLevel = 0;
    for (int i = std::max(2, from); i <= std::min(w - 3, to); ++i) {
        double sum = 0;
        int n = 0;
        for (int k = -2; k <= 2; ++k)
            if (light[i + k] >= 0)
                sum += light[i + k], ++n;
        if (n >= 3)
            smooth[i] = sum / n;
        paperLevel = std::max(paperLevel, smooth[i]);
    }
    // The fold itself is bare: columns with print (a plate's light colours) are no shadow.
    const int clear = std::max(1, rows / 200);
    int darkest = -1;
    for (int i = from; i <= to; ++i)
        if (smooth[i] >= 0 && ink[i] <= clear && (darkest < 0 || smooth[i] < smooth[darkest]))
            darkest = i;
    if (darkest > 0 && paperLevel > 0 && smooth[darkest] < 0.88 * paperLevel) {
        double shift = 0;
        if (smooth[darkest - 1] >= 0 && smooth[darkest + 1] >= 0) {
            const double a = smooth[darkest - 1], b = smooth[darkest], c = smooth[darkest + 1];
            const double curve = a - 2 * b + c;
            if (curve > 0)
                shift = std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
        }
        fold.found = fold.shadow = true;
        fold.x = paper.left() + darkest + 0.5 + shift;
        return fold;
    }
    // No shadow: the widest run of print-free columns reaching into the middle quarter.
    int bestStart = -1, bestLength = 0;
    for (int i = 0; i < w;) {
        if (ink[i] > clear) {
            ++i;
            continue;
        }
        int j = i;
        while (j < w && ink[j] <= clear)
            ++j;
        if (j > from && i < to && j - i > bestLength)
            bestStart = i, bestLength = j - i;
        i = j;
    }
    fold.found = true;
    const bool bounded = bestStart > w / 5 && bestStart + bestLength < w - w / 5;
    fold.x = paper.left() + (bounded ? bestStart + bestLength / 2.0 : w / 2.0);
    return fold;
}

QRect printedBlock(const TurnedView& view, const QRect& page, bool foldOnLeft, bool foldOnRight) {
    const int edgeX = std::max(1, page.width() / 50), edgeY = std::max(1, page.height() / 60);
    const int foldBand = std::max(1, page.width() / 30);
    const QRect area = page.adjusted(foldOnLeft ? foldBand : edgeX, edgeY,
                                     -(foldOnRight ? foldBand : edgeX), -edgeY);
    if (area.isEmpty())
        return {};
    constexpr int kCell = 4;
    const int cw = (area.width() + kCell - 1) / kCell, ch = (area.height() + kCell - 1) / kCell;
    struct Cell {
        int ink = 0;
        int left = 0, top = 0, right = 0, bottom = 0;
    };
    std::vector<Cell> cells(size_t(cw) * ch);
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const PaperAndInk::Class kind = view.at(x, y);
            if (kind != PaperAndInk::Ink && kind != PaperAndInk::Picture)
                continue;
            Cell& c = cells[size_t((y - area.top()) / kCell) * cw + (x - area.left()) / kCell];
            if (c.ink++ == 0) {
                c.left = c.right = x, c.top = c.bottom = y;
            } else {
                c.left = std::min(c.left, x), c.right = std::max(c.right, x);
                c.top = std::min(c.top, y), c.bottom = std::max(c.bottom, y);
            }
        }
    // Groups of inked cells, two cells apart at most; a group of print has at least 4 pixels of
    // it (a page number of one thin digit has about a dozen; a speck of noise one or two).
    std::vector<int> group(cells.size(), -1), stack;
    QRect block;
    for (size_t start = 0; start < cells.size(); ++start) {
        if (cells[start].ink < 1 || group[start] >= 0)
            continue;
        group[start] = int(start);
        stack.assign(1, int(start));
        int ink = 0, count = 0;
        QRect box;
        while (!stack.empty()) {
            const int k = stack.back();
            stack.pop_back();
            const Cell& c = cells[k];
            ink += c.ink, ++count;
            box |= QRect(QPoint(c.left, c.top), QPoint(c.right, c.bottom));
            const int cx = k % cw, cy = k / cw;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int x = cx + dx, y = cy + dy;
                    if (x < 0 || y < 0 || x >= cw || y >= ch)
                        continue;
                    const int n = y * cw + x;
                    if (cells[n].ink >= 1 && group[n] < 0) {
                        group[n] = int(start);
                        stack.push_back(n);
                    }
                }
        }
        if (ink >= 4)
            block |= box;
    }
    return block;
}

int textLines(const TurnedView& view, const QRect& block) {
    if (block.isEmpty())
        return 0;
    std::vector<int> rows(block.height(), 0);
    for (int y = block.top(); y <= block.bottom(); ++y)
        for (int x = block.left(); x <= block.right(); ++x)
            rows[y - block.top()] += view.at(x, y) == PaperAndInk::Ink;
    const int densest = *std::max_element(rows.begin(), rows.end());
    const int level = std::max(2, int(0.15 * densest));
    struct Run {
        int first, length;
    };
    std::vector<Run> runs;
    std::vector<double> lengths;
    for (int i = 0; i < int(rows.size());) {
        if (rows[i] < level) {
            ++i;
            continue;
        }
        int j = i;
        while (j < int(rows.size()) && rows[j] >= level)
            ++j;
        runs.push_back({i, j - i});
        lengths.push_back(j - i);
        i = j;
    }
    const double typical = median(lengths);
    int lines = 0;
    for (const Run& run : runs) {
        if (run.length < 2 || run.length > std::max(6.0, 3 * typical))
            continue;
        // A line of text is words: along its densest row, print comes in many short pieces;
        // the shapes of a picture come in few long ones.
        int densestRow = run.first;
        for (int i = run.first; i < run.first + run.length; ++i)
            if (rows[i] > rows[densestRow])
                densestRow = i;
        const int y = block.top() + densestRow;
        int pieces = 0, inked = 0;
        bool inside = false;
        for (int x = block.left(); x <= block.right(); ++x) {
            const bool ink = view.at(x, y) == PaperAndInk::Ink;
            pieces += ink && !inside;
            inked += ink;
            inside = ink;
        }
        lines += pieces >= 3 && inked <= 40 * pieces;
    }
    return lines;
}
