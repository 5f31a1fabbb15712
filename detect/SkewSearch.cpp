#include "detect/SkewSearch.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double kDegree = M_PI / 180.0;
// Beyond this many, the print is sampled evenly: the turn is as sure, the search cheaper.
constexpr int kMostPoints = 120000;

struct Points {
    std::vector<float> x; // from the middle of the scan
    std::vector<float> y;
    std::vector<float> weight;
    std::vector<std::uint8_t> lower; // 1: print above, paper below (a baseline); 0: the reverse
    // The points of the left part come first; each part is scored on its own.
    size_t split = 0;
    int height = 0;
    int margin = 0; // how far a turn of kLargestSkew moves a point up or down
};

// The upper and lower edges of the print (the lines' x-heights and baselines, and only the
// outline of a plate or a dark picture, which has no lines to give): down each column, where the
// step in grey between two rows next to print is largest, a point weighted by the step. Where
// the edge lies between the rows comes from a parabola through the steps around it: points on
// whole rows only would make the search favour a turn of 0, where they all fall into one row.
Points printPoints(const ReducedGrey& grey, const PaperAndInk& classes, int parts) {
    constexpr int kLeastStep = 16;
    const int w = classes.width(), h = classes.height();
    std::vector<float> xs[2], ys[2], weights[2];
    std::vector<std::uint8_t> lowers[2];
    constexpr int kBlock = PaperAndInk::kBlock;
    for (int y = 1; y + 2 < h; ++y) {
        const std::uint8_t* above = &grey.pixels[size_t(y - 1) * w];
        const std::uint8_t* here = above + w;
        const std::uint8_t* below = here + w;
        const std::uint8_t* further = below + w;
        const std::uint8_t* classHere = classes.row(y);
        const std::uint8_t* classBelow = classes.row(y + 1);
        for (int bx = 0; bx * kBlock < w; ++bx) {
            const int x0 = bx * kBlock;
            if (!classes.inner(x0, y) || !classes.inner(x0, y + 1))
                continue;
            const int end = std::min(w, x0 + kBlock);
            for (int x = x0; x < end; ++x) {
                const int b = std::abs(int(below[x]) - int(here[x]));
                if (b < kLeastStep)
                    continue;
                if (classHere[x] != PaperAndInk::Ink && classBelow[x] != PaperAndInk::Ink)
                    continue;
                const int a = std::abs(int(here[x]) - int(above[x]));
                const int c = std::abs(int(further[x]) - int(below[x]));
                if (b < a || b <= c)
                    continue;
                const double curve = a - 2.0 * b + c;
                const double offset =
                    curve < 0 ? std::clamp(0.5 * (a - c) / curve, -0.5, 0.5) : 0.0;
                const int part = parts == 2 && x >= w / 2;
                xs[part].push_back(float(x) + 0.5f - w / 2.0f);
                ys[part].push_back(float(y + 1 + offset));
                weights[part].push_back(float(b));
                lowers[part].push_back(below[x] > here[x]);
            }
        }
    }
    Points points;
    const size_t every =
        std::max<size_t>(1, (xs[0].size() + xs[1].size() + kMostPoints - 1) / kMostPoints);
    for (int part = 0; part < 2; ++part) {
        for (size_t i = 0; i < xs[part].size(); i += every) {
            points.x.push_back(xs[part][i]);
            points.y.push_back(ys[part][i]);
            points.weight.push_back(weights[part][i]);
            points.lower.push_back(lowers[part][i]);
        }
        if (part == 0)
            points.split = points.x.size();
    }
    points.height = h;
    points.margin = int(std::ceil(std::tan((kLargestSkew + 0.5) * kDegree) * w / 2.0)) + 2;
    return points;
}

// The sharpness of the rows of print when lines of slope `slope` (dy/dx) are taken as
// horizontal: the sum of squared differences between neighbouring rows of the profile, each
// point shared between two rows. The two pages of a spread are scored apart: their lines need
// not lie at the same heights, and a turn that slides one page's lines onto the other's must
// not score.
double rowSharpness(const Points& points, double slope, int stride, std::vector<float>& rows) {
    const float s = float(slope), offset = float(points.margin);
    const float* xs = points.x.data();
    const float* ys = points.y.data();
    const float* ws = points.weight.data();
    double sum = 0;
    const size_t bounds[3] = {0, points.split, points.x.size()};
    for (int part = 0; part < 2; ++part) {
        if (bounds[part] == bounds[part + 1])
            continue;
        rows.assign(size_t(points.height + 2 * points.margin + 2), 0.0f);
        float* bins = rows.data();
        for (size_t i = bounds[part]; i < bounds[part + 1]; i += size_t(stride)) {
            const float at = ys[i] - s * xs[i] + offset;
            const int bin = int(at);
            const float share = (at - float(bin)) * ws[i];
            bins[bin] += ws[i] - share;
            bins[bin + 1] += share;
        }
        // Differences between neighbouring rows: sharp lines count, a smooth spread of print
        // (the slanting outline of a picture) hardly does.
        for (size_t i = 1; i < rows.size(); ++i) {
            const double d = double(rows[i]) - rows[i - 1];
            sum += d * d;
        }
    }
    return sum;
}

// The best of a grid of turns (degrees), and the score there.
double bestOnGrid(const Points& points, double from, double to, double step, int stride,
                  std::vector<double>* scores, std::vector<float>& rows, double* best) {
    double bestScore = -1;
    for (double a = from; a <= to + step / 2; a += step) {
        const double score = rowSharpness(points, std::tan(a * kDegree), stride, rows);
        if (scores)
            scores->push_back(score);
        if (score > bestScore)
            bestScore = score, *best = a;
    }
    return bestScore;
}

// Refines a slope by fitting a straight line to each line of print. Taken at `slope`, the
// edges of one kind (the baselines, or the tops of the small letters) of each part gather in
// peaks of the row profile, one a line; the points within a row and a half of a peak are that
// line's, and a least-squares line through them gives how much steeper it is. The answer is
// the median of those corrections, each weighted by how well its line determines it. This is
// free of the lattice of rows that a profile's sharpness is not quite free of.
double fitLines(const Points& points, double slope) {
    const int size = points.height + 2 * points.margin + 2;
    const size_t bounds[3] = {0, points.split, points.x.size()};
    struct Fit {
        double w = 0, x = 0, y = 0, xx = 0, xy = 0;
    };
    std::vector<std::pair<double, double>> corrections; // (correction, weight)
    std::vector<float> rows(size);
    std::vector<int> peakOf(size);
    for (int part = 0; part < 2; ++part)
        for (std::uint8_t kind = 0; kind < 2; ++kind) {
            std::fill(rows.begin(), rows.end(), 0.0f);
            for (size_t i = bounds[part]; i < bounds[part + 1]; ++i)
                if (points.lower[i] == kind) {
                    const double at = points.y[i] - slope * points.x[i] + points.margin;
                    if (at >= 0 && at < size)
                        rows[size_t(at)] += points.weight[i];
                }
            const float highest = *std::max_element(rows.begin(), rows.end());
            if (highest <= 0)
                continue;
            std::fill(peakOf.begin(), peakOf.end(), -1);
            int peaks = 0;
            for (int r = 2; r + 2 < size; ++r)
                if (rows[r] >= 0.3f * highest && rows[r] >= rows[r - 1] && rows[r] > rows[r + 1] &&
                    rows[r] >= rows[r - 2] && rows[r] > rows[r + 2]) {
                    for (int k = -1; k <= 1; ++k)
                        if (peakOf[r + k] < 0)
                            peakOf[r + k] = peaks;
                    ++peaks;
                }
            std::vector<Fit> fits(peaks);
            for (size_t i = bounds[part]; i < bounds[part + 1]; ++i) {
                if (points.lower[i] != kind)
                    continue;
                const double x = points.x[i];
                const double y = points.y[i] - slope * x + points.margin;
                const int peak = y >= 0 && y < size ? peakOf[size_t(y)] : -1;
                if (peak < 0)
                    continue;
                Fit& f = fits[peak];
                const double w = points.weight[i];
                f.w += w, f.x += w * x, f.y += w * y, f.xx += w * x * x, f.xy += w * x * y;
            }
            for (const Fit& f : fits) {
                if (f.w <= 0)
                    continue;
                const double mx = f.x / f.w, my = f.y / f.w;
                const double sxx = f.xx / f.w - mx * mx, sxy = f.xy / f.w - mx * my;
                if (sxx < 50.0 * 50.0) // too short a line to tell a slope
                    continue;
                corrections.emplace_back(sxy / sxx, f.w * sxx);
            }
        }
    if (corrections.size() < 3)
        return slope;
    std::sort(corrections.begin(), corrections.end());
    double total = 0;
    for (const auto& c : corrections)
        total += c.second;
    double seen = 0;
    for (const auto& c : corrections) {
        seen += c.second;
        if (seen * 2 >= total)
            return slope + c.first;
    }
    return slope;
}

Skew projectionSkew(const ReducedGrey& grey, const PaperAndInk& classes, int parts) {
    Skew skew;
    const Points points = printPoints(grey, classes, parts);
    skew.points = int(points.x.size());
    if (skew.points < 50)
        return skew;
    std::vector<float> rows;
    std::vector<double> sweep;
    double best = 0;
    const double top =
        bestOnGrid(points, -kLargestSkew, kLargestSkew, 0.25, 4, &sweep, rows, &best);
    std::vector<double> sorted = sweep;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    skew.sharpness = median > 0 ? top / median : 0;

    // The sweep's best, between its neighbours by a parabola, is near enough for the lines to
    // be told apart; two rounds of fitting them do the rest.
    const size_t at = size_t(std::lround((best + kLargestSkew) / 0.25));
    double guess = best;
    if (at > 0 && at + 1 < sweep.size()) {
        const double a = sweep[at - 1], b = sweep[at], c = sweep[at + 1];
        const double curve = a - 2 * b + c;
        if (curve < 0)
            guess += 0.25 * std::clamp(0.5 * (a - c) / curve, -0.5, 0.5);
    }
    // The fits stay within the sweep's reach, where every point has its row.
    const double reach = std::tan(kLargestSkew * kDegree);
    double slope = std::tan(guess * kDegree);
    for (int round = 0; round < 2; ++round)
        slope = std::clamp(fitLines(points, slope), -reach, reach);
    const double slopeDegrees = std::atan(slope) / kDegree;
    // Lines that fall to the right (slope > 0, y down) are turned clockwise: the straightening
    // turn is the other way.
    skew.degrees = -slopeDegrees;
    skew.measured = true;
    return skew;
}

Skew leptonicaSkew(const PaperAndInk& classes) {
    Skew skew;
    const int w = classes.width(), h = classes.height();
    PIX* pix = pixCreate(w, h, 1);
    if (!pix)
        return skew;
    l_uint32* data = pixGetData(pix);
    const int wpl = pixGetWpl(pix);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = classes.row(y);
        l_uint32* line = data + size_t(y) * wpl;
        for (int x = 0; x < w; ++x)
            if (row[x] == PaperAndInk::Ink && classes.inner(x, y)) {
                line[x >> 5] |= 0x80000000u >> (x & 31);
                ++skew.points;
            }
    }
    l_float32 angle = 0, conf = 0, end = 0;
    if (skew.points >= 50 &&
        pixFindSkewSweepAndSearchScore(pix, &angle, &conf, &end, 1, 1, 0.0f, float(kLargestSkew),
                                       0.25f, 0.01f) == 0 &&
        conf > 0) {
        skew.measured = true;
        skew.degrees = double(angle);
        skew.sharpness = double(conf);
    }
    pixDestroy(&pix);
    return skew;
}

} // namespace

Skew findSkew(const ReducedGrey& grey, const PaperAndInk& classes, bool spread, SkewMethod method) {
    return method == SkewMethod::Leptonica ? leptonicaSkew(classes)
                                           : projectionSkew(grey, classes, spread ? 2 : 1);
}
