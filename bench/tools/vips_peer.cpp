// The strongest peer a user could pick for a batch of book scans: one process on the libvips
// C++ API, keeping every core it may run on busy. It does the same work as one of Pliego's
// configurations: decode each scan once, cut its two pages (on a white canvas of the page's shape
// when the cut does not fill it), scale them to the page size and write them in the wanted kind.
//
//     bench_vips_peer --kind KIND --geometry "XL WL XR WR Y H CW CH PW PH" [--thumb TW TH]
//                     [--quality Q] [--png-compression L] [--workers N] [--threads N] JOBS
//
// JOBS is a file with one scan per line: SCAN LEFT RIGHT [THUMB_LEFT THUMB_RIGHT], separated by
// tabs. The geometry is the rectangle Pliego cut, as bench/run.sh reads it from the program:
// the left and right cuts (x and width), their common top and height, the canvas and the page.
// KIND is one of
//   jpeg         RGB JPEG of quality Q with 4:2:0 chroma (as Pliego and cjpeg write it)
//   jpeg-thumbs  the same, plus a TW x TH thumbnail scaled from each page
//   png-palette  PNG of at most 256 colours (libimagequant), zlib level L
//   tiff-g4      1 bit (luminance >= 128 is white), CCITT Group 4
//
// Scans are shared among N worker threads (default: as many as the CPUs this process may run
// on), and each scan's pipeline runs on libvips' own pool of N threads (vips_concurrency_set).
// JPEG decoding and encoding are serial inside one image, so only working on several scans at
// once keeps every core busy; --workers 1 shows what libvips' threading alone gives.
// Exit status 1 on any failure (nothing is skipped), 2 on a usage error.
#include <vips/vips8>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using vips::VImage;

namespace {

enum class Kind { Jpeg, JpegThumbs, PngPalette, TiffG4 };

struct Geometry {
    int xl = 0, wl = 0, xr = 0, wr = 0, y = 0, h = 0; // the two cuts in the scan
    int cw = 0, ch = 0;                               // the canvas of the page's shape
    int pw = 0, ph = 0;                               // the page
};

struct Settings {
    Kind kind = Kind::Jpeg;
    Geometry g;
    int thumbW = 0, thumbH = 0;
    int quality = 90;
    int pngCompression = 6;
    int workers = 0;
    int threads = 0;
};

struct Job {
    std::string scan, left, right, thumbLeft, thumbRight;
};

int cpusAllowed() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

// Scales to exactly W x H: vips_resize rounds its output size, so the scale factors are the
// ratios of the sizes; a one-pixel difference from rounding would still fail the size check.
VImage scaleTo(const VImage& in, int w, int h) {
    return in.resize(double(w) / in.width(),
                     VImage::option()->set("vscale", double(h) / in.height()));
}

void writeJpeg(const VImage& image, const std::string& path, int quality) {
    image.jpegsave(path.c_str(), VImage::option()
                                     ->set("Q", quality)
                                     ->set("subsample_mode", VIPS_FOREIGN_SUBSAMPLE_ON)
                                     ->set("strip", true));
}

void writePage(const Settings& s, const VImage& scan, int x, int width, const std::string& out,
               const std::string& thumb) {
    const Geometry& g = s.g;
    VImage cut = scan.crop(x, g.y, width, g.h);
    if (width != g.cw || g.h != g.ch)
        cut = cut.embed(0, 0, g.cw, g.ch,
                        VImage::option()
                            ->set("extend", VIPS_EXTEND_BACKGROUND)
                            ->set("background", std::vector<double>{255.0}));
    VImage page = scaleTo(cut, g.pw, g.ph);
    switch (s.kind) {
    case Kind::Jpeg:
        writeJpeg(page, out, s.quality);
        break;
    case Kind::JpegThumbs:
        // The page is computed once and kept: the thumbnail is scaled from it, as Pliego does.
        page = page.copy_memory();
        writeJpeg(page, out, s.quality);
        writeJpeg(scaleTo(page, s.thumbW, s.thumbH), thumb, s.quality);
        break;
    case Kind::PngPalette:
        page.pngsave(out.c_str(), VImage::option()
                                      ->set("palette", true)
                                      ->set("compression", s.pngCompression)
                                      ->set("strip", true));
        break;
    case Kind::TiffG4: {
        const VImage grey = page.colourspace(VIPS_INTERPRETATION_B_W);
        (grey >= 128)
            .tiffsave(out.c_str(), VImage::option()
                                       ->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_CCITTFAX4)
                                       ->set("bitdepth", 1)
                                       ->set("strip", true));
        break;
    }
    }
}

void cutScan(const Settings& s, const Job& job) {
    // Random access: the scan is decoded once into memory and both pages are cut from it.
    const VImage scan = VImage::new_from_file(job.scan.c_str(),
                                              VImage::option()->set("access", VIPS_ACCESS_RANDOM));
    writePage(s, scan, s.g.xl, s.g.wl, job.left, job.thumbLeft);
    writePage(s, scan, s.g.xr, s.g.wr, job.right, job.thumbRight);
}

[[noreturn]] void usage(const char* why) {
    std::fprintf(stderr,
                 "bench_vips_peer: %s\n"
                 "usage: bench_vips_peer --kind jpeg|jpeg-thumbs|png-palette|tiff-g4 --geometry "
                 "\"XL WL XR WR Y H CW CH PW PH\" [--thumb TW TH] [--quality Q] "
                 "[--png-compression L] [--workers N] [--threads N] JOBS\n",
                 why);
    std::exit(2);
}

int number(const char* text, const char* what) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > 100000)
        usage(what);
    return int(value);
}

std::vector<Job> readJobs(const char* path, bool thumbs) {
    std::ifstream in(path);
    if (!in)
        usage("cannot read the job list");
    std::vector<Job> jobs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        std::vector<std::string> fields;
        std::stringstream split(line);
        std::string field;
        while (std::getline(split, field, '\t'))
            fields.push_back(field);
        if (fields.size() != (thumbs ? 5u : 3u))
            usage("a job line needs SCAN LEFT RIGHT (and the two thumbnails with jpeg-thumbs)");
        jobs.push_back({fields[0], fields[1], fields[2], thumbs ? fields[3] : std::string(),
                        thumbs ? fields[4] : std::string()});
    }
    if (jobs.empty())
        usage("the job list is empty");
    return jobs;
}

} // namespace

int main(int argc, char* argv[]) {
    if (VIPS_INIT(argv[0]))
        vips_error_exit(nullptr);

    Settings s;
    bool haveKind = false, haveGeometry = false;
    const char* jobsPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool more = i + 1 < argc;
        if (arg == "--kind" && more) {
            const std::string k = argv[++i];
            if (k == "jpeg")
                s.kind = Kind::Jpeg;
            else if (k == "jpeg-thumbs")
                s.kind = Kind::JpegThumbs;
            else if (k == "png-palette")
                s.kind = Kind::PngPalette;
            else if (k == "tiff-g4")
                s.kind = Kind::TiffG4;
            else
                usage("unknown --kind");
            haveKind = true;
        } else if (arg == "--geometry" && more) {
            Geometry& g = s.g;
            std::istringstream in(argv[++i]);
            if (!(in >> g.xl >> g.wl >> g.xr >> g.wr >> g.y >> g.h >> g.cw >> g.ch >> g.pw >> g.ph))
                usage("--geometry needs ten integers");
            haveGeometry = true;
        } else if (arg == "--thumb" && i + 2 < argc) {
            s.thumbW = number(argv[++i], "bad thumbnail width");
            s.thumbH = number(argv[++i], "bad thumbnail height");
        } else if (arg == "--quality" && more) {
            s.quality = number(argv[++i], "bad --quality");
        } else if (arg == "--png-compression" && more) {
            s.pngCompression = number(argv[++i], "bad --png-compression");
        } else if (arg == "--workers" && more) {
            s.workers = number(argv[++i], "bad --workers");
        } else if (arg == "--threads" && more) {
            s.threads = number(argv[++i], "bad --threads");
        } else if (arg.rfind("--", 0) != 0 && !jobsPath) {
            jobsPath = argv[i];
        } else {
            usage(("unexpected argument " + arg).c_str());
        }
    }
    if (!haveKind || !haveGeometry || !jobsPath)
        usage("--kind, --geometry and JOBS are needed");
    const bool thumbs = s.kind == Kind::JpegThumbs;
    if (thumbs && (s.thumbW <= 0 || s.thumbH <= 0))
        usage("jpeg-thumbs needs --thumb TW TH");
    const std::vector<Job> jobs = readJobs(jobsPath, thumbs);

    const int cpus = cpusAllowed();
    if (s.workers <= 0)
        s.workers = cpus;
    if (s.threads <= 0)
        s.threads = cpus;
    s.workers = std::min<int>(s.workers, int(jobs.size()));
    vips_concurrency_set(s.threads);
    // A batch never asks for the same operation twice; the cache would only keep decoded scans.
    vips_cache_set_max(0);

    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    auto work = [&] {
        for (size_t k = next++; k < jobs.size() && !failed; k = next++) {
            try {
                cutScan(s, jobs[k]);
            } catch (const vips::VError& error) {
                const std::lock_guard<std::mutex> lock(errorLock);
                std::fprintf(stderr, "bench_vips_peer: %s: %s\n", jobs[k].scan.c_str(),
                             error.what());
                failed = true;
            }
        }
        vips_thread_shutdown();
    };
    std::vector<std::thread> pool;
    for (int k = 0; k < s.workers; ++k)
        pool.emplace_back(work);
    for (std::thread& thread : pool)
        thread.join();
    if (failed)
        return 1;
    std::printf("bench_vips_peer: %zu scans, %d workers, libvips concurrency %d, %d CPUs\n",
                jobs.size(), s.workers, s.threads, cpus);
    vips_shutdown();
    return 0;
}
