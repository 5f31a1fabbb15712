// Measures the page finder on the ground-truth book (bench_make_detect_book) beside the turn
// finders people use: Leptonica's pixFindSkew, ImageMagick's -deskew and unpaper's deskew, on the
// same scans; and the turned cut of a page beside the turn of the whole scan.
//
//     bench_detect [--peers N] [--cuts N] [--convert PATH] [--unpaper PATH] FOLDER REPORT.md
//
// FOLDER holds libroNNN.jpg and libroNNN.txt. Every scan is decoded first (not timed); the
// finder runs once per scan with each of its turn methods and its time is the call's own; the
// peers run on the first N scans (default 8; ImageMagick and unpaper take seconds a scan, so
// their times include their own decode and, for unpaper, writing its output). The cut: the
// right page's paper cut through the turn, against Picture::Rotate of the whole scan and a copy
// of the same rectangle, on the first N scans (default 4); and the same page sampled through the
// turn straight at 1240 pixels wide (turnedPage), against that copy shrunk, beside the shrink of
// the same rectangle of the unturned scan. Writes the tables (markdown) to REPORT.md and one
// line per scan and tool to standard output.
//
//     bench_detect --pages FOLDER
//
// prints the turn the finder gives each page (*.jpg) of FOLDER, taken as one page, and a
// summary line: "summary pages N max A median B" over the pages it found (blank pages and plates
// have no lines to measure by).
#include "detect/PageFinder.h"
#include "image/AreaShrink.h"
#include "image/Picture.h"
#include "image/TurnGeometry.h"
#include "image/TurnedCut.h"
#include "image/TurnedPage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <leptonica/allheaders.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

// CPU time of this thread, ms: what a call costs on one core, however busy the machine is.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time of this process, every thread, ms: Qt's painter may share a drawing among threads.
double processMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time of the finished child processes, ms (every thread of theirs).
double childrenMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

struct TruthPage {
    QString kind;
    int lines = 0;
    QRectF paper, content;
};

struct Truth {
    double angle = 0;
    double gutterScan = 0;
    QList<TruthPage> pages;
};

bool readTruth(const QString& path, Truth* truth) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (f.isEmpty())
            continue;
        if (f[0] == QLatin1String("angle"))
            truth->angle = f.value(1).toDouble();
        else if (f[0] == QLatin1String("gutter_scan"))
            truth->gutterScan = f.value(1).toDouble();
        else if (f[0] == QLatin1String("page") && f.size() >= 12) {
            TruthPage page;
            page.kind = f[2];
            page.lines = f[3].toInt();
            page.paper = QRectF(f[4].toDouble(), f[5].toDouble(), f[6].toDouble(), f[7].toDouble());
            page.content =
                QRectF(f[8].toDouble(), f[9].toDouble(), f[10].toDouble(), f[11].toDouble());
            truth->pages << page;
        }
    }
    return truth->pages.size() == 2;
}

// The largest distance between corresponding edges of two boxes, in pixels.
double edgeError(const QRectF& found, const QRectF& truth) {
    return std::max({std::abs(found.left() - truth.left()), std::abs(found.top() - truth.top()),
                     std::abs(found.right() - truth.right()),
                     std::abs(found.bottom() - truth.bottom())});
}

double median(std::vector<double> v) {
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double maximum(const std::vector<double>& v) {
    return v.empty() ? NAN : *std::max_element(v.begin(), v.end());
}

QString number(double v, int decimals) {
    return std::isnan(v) ? QStringLiteral("–") : QString::number(v, 'f', decimals);
}

// A text page: five lines of text or more (the accuracy targets are set on those).
bool hasTextPage(const Truth& truth) {
    return std::any_of(truth.pages.begin(), truth.pages.end(),
                       [](const TruthPage& p) { return p.lines >= 5; });
}
int textPages(const Truth& truth) {
    return int(std::count_if(truth.pages.begin(), truth.pages.end(),
                             [](const TruthPage& p) { return p.lines >= 5; }));
}

// One tool's results over the book.
struct Tally {
    std::vector<double> turnErrors;  // per text page
    std::vector<double> times;       // per scan, CPU ms
    std::vector<double> walls;       // per scan, wall ms
    std::vector<double> quietErrors; // scans without a text page that it still measured
    int scans = 0, missed = 0;       // scans with a text page; of those, not found
    int quiet = 0;                   // scans without a text page
};

void addTurn(Tally& tally, const Truth& truth, bool found, double angle, double ms, double wall) {
    tally.times.push_back(ms);
    tally.walls.push_back(wall);
    if (hasTextPage(truth)) {
        ++tally.scans;
        if (!found) {
            ++tally.missed;
            return;
        }
        for (int k = 0; k < textPages(truth); ++k)
            tally.turnErrors.push_back(std::abs(angle - truth.angle));
    } else {
        ++tally.quiet;
        if (found)
            tally.quietErrors.push_back(std::abs(angle - truth.angle));
    }
}

struct FinderTally : Tally {
    std::vector<double> gutterErrors;  // % of the scan's width
    std::vector<double> paperErrors;   // px, per page
    std::vector<double> contentErrors; // px, per page with print
    int blankPagesMarked = 0, blankPages = 0;
};

double leptonicaPeer(PIX* colour, bool* found, double* ms, double* wall) {
    QElapsedTimer timer;
    timer.start();
    const double cpu = threadMs();
    PIX* grey = pixConvertRGBToLuminance(colour);
    PIX* binary = grey ? pixConvertTo1(grey, 130) : nullptr;
    l_float32 angle = 0, conf = 0;
    const bool ok = binary && pixFindSkew(binary, &angle, &conf) == 0;
    *ms = threadMs() - cpu;
    *wall = timer.nsecsElapsed() / 1e6;
    pixDestroy(&binary);
    pixDestroy(&grey);
    *found = ok && conf > 0;
    // Leptonica gives the turn that deskews, clockwise positive, as Picture::Rotate takes it.
    return *found ? double(angle) : 0.0;
}

// ImageMagick's deskew angle: the turn its -deskew applies (clockwise positive, as ours).
double imageMagickPeer(const QString& convert, const QString& scan, bool* found, double* ms,
                       double* wall) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    const double cpu = childrenMs();
    process.start(convert, {scan, QStringLiteral("-deskew"), QStringLiteral("40%"),
                            QStringLiteral("-format"), QStringLiteral("%[deskew:angle]"),
                            QStringLiteral("info:")});
    process.waitForFinished(-1);
    *ms = childrenMs() - cpu;
    *wall = timer.nsecsElapsed() / 1e6;
    bool ok = false;
    const double angle =
        QString::fromLatin1(process.readAllStandardOutput()).trimmed().toDouble(&ok);
    *found = ok && process.exitCode() == 0;
    return *found ? angle : 0.0;
}

// unpaper with its filters off (only the deskew), on a grey PGM of the scan; it prints the turn
// it applies with -v as "rotate (x,y): RADIANS", anticlockwise positive.
double unpaperPeer(const QString& unpaper, const QString& pgm, const QString& out, bool* found,
                   double* ms, double* wall) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    const double cpu = childrenMs();
    process.start(unpaper,
                  {QStringLiteral("-v"), QStringLiteral("--overwrite"),
                   QStringLiteral("--no-blackfilter"), QStringLiteral("--no-noisefilter"),
                   QStringLiteral("--no-blurfilter"), QStringLiteral("--no-grayfilter"), pgm, out});
    process.waitForFinished(-1);
    *ms = childrenMs() - cpu;
    *wall = timer.nsecsElapsed() / 1e6;
    const QString text = QString::fromLocal8Bit(process.readAll());
    const QRegularExpression rotate(QStringLiteral("rotate \\([^)]*\\): (-?[0-9.]+)"));
    const QRegularExpressionMatch m = rotate.match(text);
    *found = m.hasMatch() && process.exitCode() == 0;
    return *found ? -m.captured(1).toDouble() * 180.0 / M_PI : 0.0;
}

QImage decode(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(0);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

QString turnRow(const QString& name, const Tally& t) {
    return QStringLiteral("| %1 | %2 | %3 | %4 | %5 of %6 | %7 of %8, largest error %9 | %10 | %11 "
                          "| %12 |")
        .arg(name, number(median(t.turnErrors), 3), number(maximum(t.turnErrors), 3))
        .arg(t.turnErrors.size())
        .arg(t.missed)
        .arg(t.scans)
        .arg(t.quietErrors.size())
        .arg(t.quiet)
        .arg(number(maximum(t.quietErrors), 3), number(median(t.times), 1),
             number(maximum(t.times), 1), number(median(t.walls), 1));
}

} // namespace

// How straight cut pages lie: the finder's turn of each, taken as one page.
int measurePages(const QDir& folder) {
    std::vector<double> turns;
    const QStringList pages = folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    PageFinderOptions onePage;
    onePage.spread = false;
    for (const QString& name : pages) {
        const PageFinding f = findPages(QImage(folder.filePath(name)), onePage);
        if (f.found)
            turns.push_back(std::abs(f.angle));
        std::printf("%s\tfound %d\tturn %.3f\t%s\n", qPrintable(name), int(f.found), f.angle,
                    qPrintable(f.reason));
    }
    std::printf("summary pages %zu max %.3f median %.3f\n", turns.size(), maximum(turns),
                median(turns));
    return pages.isEmpty() ? 1 : 0;
}

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--pages"))
        return measurePages(QDir(args[1]));
    int peerScans = 8, cutScans = 4;
    QString convert = QStringLiteral("/usr/bin/convert-im6.q16");
    QString unpaper = QStringLiteral("/usr/bin/unpaper");
    while (args.size() > 2 && args[0].startsWith(QLatin1String("--"))) {
        if (args[0] == QLatin1String("--peers"))
            peerScans = args[1].toInt();
        else if (args[0] == QLatin1String("--cuts"))
            cutScans = args[1].toInt();
        else if (args[0] == QLatin1String("--convert"))
            convert = args[1];
        else if (args[0] == QLatin1String("--unpaper"))
            unpaper = args[1];
        else
            break;
        args = args.mid(2);
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: bench_detect [--peers N] [--cuts N] [--convert PATH] "
                             "[--unpaper PATH] FOLDER REPORT.md\n");
        return 2;
    }
    const QDir folder(args[0]);
    const QStringList scans =
        folder.entryList({QStringLiteral("libro*.jpg")}, QDir::Files, QDir::Name);
    if (scans.isEmpty()) {
        std::fprintf(stderr, "bench_detect: no scans in %s\n", qPrintable(args[0]));
        return 1;
    }
    QTemporaryDir scratch;
    FinderTally finder[2];
    const char* methodNames[2] = {"projection", "leptonica"};
    Tally lept, magick, unpap;
    std::vector<double> cutMs, rotateMs, cutMae, pageMs, shrinkMs, pageMae;
    int peersRun = 0;
    bool warmed = false;
    for (const QString& name : scans) {
        Truth truth;
        const QString base = folder.filePath(name.left(name.size() - 4));
        if (!readTruth(base + QStringLiteral(".txt"), &truth)) {
            std::fprintf(stderr, "bench_detect: no truth for %s\n", qPrintable(name));
            return 1;
        }
        const QImage scan = decode(folder.filePath(name));
        if (scan.isNull()) {
            std::fprintf(stderr, "bench_detect: cannot read %s\n", qPrintable(name));
            return 1;
        }
        if (!warmed) {
            findPages(scan);
            warmed = true;
        }
        PageFinding found[2];
        for (int m = 0; m < 2; ++m) {
            PageFinderOptions options;
            options.skewMethod = m == 0 ? SkewMethod::Projection : SkewMethod::Leptonica;
            QElapsedTimer timer;
            timer.start();
            const double cpu = threadMs();
            const PageFinding f = findPages(scan, options);
            const double ms = threadMs() - cpu, wall = timer.nsecsElapsed() / 1e6;
            found[m] = f;
            FinderTally& t = finder[m];
            addTurn(t, truth, f.found, f.angle, ms, wall);
            QString boxes;
            if (f.found) {
                t.gutterErrors.push_back(100.0 * std::abs(f.gutter - truth.gutterScan) /
                                         scan.width());
                for (int k = 0; k < 2 && k < f.pages.size(); ++k) {
                    const TruthPage& p = truth.pages[k];
                    t.paperErrors.push_back(edgeError(f.pages[k].paper, p.paper));
                    boxes += QStringLiteral(" paper %1").arg(edgeError(f.pages[k].paper, p.paper));
                    if (!p.content.isEmpty() && !f.pages[k].content.isNull()) {
                        t.contentErrors.push_back(edgeError(f.pages[k].content, p.content));
                        boxes += QStringLiteral(" print %1")
                                     .arg(edgeError(f.pages[k].content, p.content));
                    }
                    if (p.content.isEmpty()) {
                        ++t.blankPages;
                        t.blankPagesMarked += f.pages[k].content.isNull();
                    }
                }
            }
            std::printf("%s\t%s\ttruth %.3f\tfound %d\tangle %.3f\terror %.3f\tgutter %d "
                        "(%.1f)\t%.1f ms\t%s%s\n",
                        qPrintable(name), methodNames[m], truth.angle, int(f.found), f.angle,
                        std::abs(f.angle - truth.angle), f.gutter, truth.gutterScan, ms,
                        qPrintable(f.reason), qPrintable(boxes));
        }
        if (peersRun < peerScans) {
            ++peersRun;
            bool ok = false;
            double ms = 0, wall = 0, angle = 0;
            PIX* colour = pixRead(QFile::encodeName(folder.filePath(name)).constData());
            if (colour) {
                angle = leptonicaPeer(colour, &ok, &ms, &wall);
                pixDestroy(&colour);
            }
            addTurn(lept, truth, ok, angle, ms, wall);
            std::printf("%s\tpixFindSkew\tfound %d\tangle %.3f\terror %.3f\t%.1f ms\n",
                        qPrintable(name), int(ok), angle, std::abs(angle - truth.angle), ms);
            angle = imageMagickPeer(convert, folder.filePath(name), &ok, &ms, &wall);
            addTurn(magick, truth, ok, angle, ms, wall);
            std::printf("%s\tImageMagick\tfound %d\tangle %.3f\terror %.3f\t%.1f ms\n",
                        qPrintable(name), int(ok), angle, std::abs(angle - truth.angle), ms);
            const QString pgm = scratch.filePath(QStringLiteral("scan.pgm"));
            scan.convertToFormat(QImage::Format_Grayscale8).save(pgm);
            angle = unpaperPeer(unpaper, pgm, scratch.filePath(QStringLiteral("out.pgm")), &ok, &ms,
                                &wall);
            addTurn(unpap, truth, ok, angle, ms, wall);
            std::printf("%s\tunpaper\tfound %d\tangle %.3f\terror %.3f\t%.1f ms\n",
                        qPrintable(name), int(ok), angle, std::abs(angle - truth.angle), ms);
        }
        if (int(cutMs.size()) < cutScans && found[0].found && found[0].pages.size() == 2) {
            const QRect area = found[0].pages[1].paper;
            double cpu = processMs();
            const QImage cut = cutTurned(scan, found[0].angle, area);
            cutMs.push_back(processMs() - cpu);
            Picture whole;
            whole.setLoaded(scan, 0);
            cpu = processMs();
            whole.Rotate(float(found[0].angle));
            const QImage reference = whole.image().copy(area);
            rotateMs.push_back(processMs() - cpu);
            double sum = 0;
            for (int y = 0; y < cut.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(cut.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
                for (int x = 0; x < cut.width(); ++x)
                    sum += std::abs(qRed(a[x]) - qRed(b[x])) +
                           std::abs(qGreen(a[x]) - qGreen(b[x])) +
                           std::abs(qBlue(a[x]) - qBlue(b[x]));
            }
            cutMae.push_back(sum / (3.0 * cut.width() * cut.height()));
            // The page at c1's width, straight from the scan, and the shrink of the turned
            // copy it stands for; beside it, what a page of the unturned scan costs.
            const QSize size(1240, int(std::lround(1240.0 * area.height() / area.width())));
            cpu = processMs();
            const QImage page = turnedPage(scan, found[0].angle, area, area, size);
            pageMs.push_back(processMs() - cpu);
            const QImage turnedShrunk = smoothScaled(reference, size.width(), size.height());
            const QImage unturned = scan.convertToFormat(QImage::Format_RGB32);
            const QRect flat = area & unturned.rect();
            cpu = processMs();
            // A view of the rectangle, as a batch page shares the scan's pixels.
            const QImage plain =
                smoothScaled(QImage(unturned.constScanLine(flat.y()) + 4 * flat.x(), flat.width(),
                                    flat.height(), unturned.bytesPerLine(), QImage::Format_RGB32),
                             size.width(), size.height());
            shrinkMs.push_back(processMs() - cpu);
            sum = 0;
            for (int y = 0; y < page.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(page.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(turnedShrunk.constScanLine(y));
                for (int x = 0; x < page.width(); ++x)
                    sum += std::abs(qRed(a[x]) - qRed(b[x])) +
                           std::abs(qGreen(a[x]) - qGreen(b[x])) +
                           std::abs(qBlue(a[x]) - qBlue(b[x]));
            }
            pageMae.push_back(sum / (3.0 * page.width() * page.height()));
        }
        std::fflush(stdout);
    }

    QFile report(args[1]);
    if (!report.open(QIODevice::WriteOnly | QIODevice::Text)) {
        std::fprintf(stderr, "bench_detect: cannot write %s\n", qPrintable(args[1]));
        return 1;
    }
    QTextStream out(&report);
    int textScans = 0;
    for (const QString& name : scans) {
        Truth truth;
        readTruth(folder.filePath(name.left(name.size() - 4)) + QStringLiteral(".txt"), &truth);
        textScans += hasTextPage(truth);
    }
    out << "Turn error in degrees over the pages with five or more lines of text (each page of a "
           "spread counts the spread's turn; a page cut at the found turn is turned by exactly "
           "that error); \"missed\": scans with such a page that the tool did not measure; "
           "\"without text\": scans with no such page (blank pages, plates, a chapter opening of "
           "a few lines) for which it still gave a turn, and that turn's largest error. Time: CPU "
           "time a scan (the finder and pixFindSkew: the call's own thread, decode not counted; "
           "the programs: the whole process with every thread, decode included), and wall time. "
        << scans.size() << " scans, " << textScans << " with a text page; the peers on the first "
        << peersRun << ".\n\n";
    {
        const FinderTally& t = finder[0];
        auto verdict = [](bool met) {
            return met ? QStringLiteral("met") : QStringLiteral("**not met**");
        };
        const double maxTurn = maximum(t.turnErrors), medTurn = median(t.turnErrors);
        const double maxGutter = maximum(t.gutterErrors);
        const double medMs = median(t.times), maxMs = maximum(t.times);
        out << "| Target | Measured | |\n|---|---|---|\n";
        out << "| turn error at most 0.05° on every page with five or more lines of text | max "
            << number(maxTurn, 3) << "° over " << t.turnErrors.size() << " pages, " << t.missed
            << " of " << t.scans << " scans missed | " << verdict(maxTurn <= 0.05 && t.missed == 0)
            << " |\n";
        out << "| median turn error at most 0.02° | " << number(medTurn, 3) << "° | "
            << verdict(medTurn <= 0.02) << " |\n";
        out << "| gutter within 0.5 % of the scan's width | max " << number(maxGutter, 3) << " % | "
            << verdict(maxGutter <= 0.5) << " |\n";
        out << "| cut pages straight within 0.1° (a page cut at the found turn keeps exactly the "
               "turn's error) | max "
            << number(maxTurn, 3) << "° | " << verdict(maxTurn <= 0.1) << " |\n";
        out << "| finding at most 20 ms a 4960 × 3508 scan on one core, decode not counted | CPU "
               "time median "
            << number(medMs, 1) << " ms, max " << number(maxMs, 1) << " ms (wall median "
            << number(median(t.walls), 1) << " ms) | " << verdict(medMs <= 20) << " on the median"
            << (maxMs <= 20 ? "" : ", not on every scan") << " |\n";
        out << "| scans without a text page: not found, or no wild turn | measured "
            << t.quietErrors.size() << " of " << t.quiet << ", largest error "
            << number(maximum(t.quietErrors), 3) << "° | "
            << verdict(t.quietErrors.empty() || maximum(t.quietErrors) <= 0.1) << " |\n\n";
    }
    out << "| Tool | Median error ° | Max error ° | Text pages | Missed | Without text: measured "
           "| CPU ms a scan, median | CPU ms, max | Wall ms, median |\n";
    out << "|---|---:|---:|---:|---:|---|---:|---:|---:|\n";
    out << turnRow(QStringLiteral("Pliego's finder (projection turn; chosen), finding everything"),
                   finder[0])
        << "\n";
    out << turnRow(QStringLiteral("Pliego's finder with Leptonica's sweep and search for the turn"),
                   finder[1])
        << "\n";
    if (peersRun > 0) {
        out << turnRow(QStringLiteral("Leptonica pixFindSkew (grey, threshold 130, full scan)"),
                       lept)
            << "\n";
        out << turnRow(QStringLiteral("ImageMagick convert -deskew 40% (process, with decode)"),
                       magick)
            << "\n";
        out << turnRow(QStringLiteral("unpaper deskew, filters off (process, PGM in and out)"),
                       unpap)
            << "\n";
    }
    out << "\nThe finder's other answers, over the scans it found:\n\n";
    out << "| Method | Gutter error, % of width: median | max | Paper box edge error px: median "
           "| max | Printed block edge error px: median | max | Blank pages given no block |\n";
    out << "|---|---:|---:|---:|---:|---:|---:|---:|\n";
    for (int m = 0; m < 2; ++m) {
        const FinderTally& t = finder[m];
        out << "| " << methodNames[m] << " | " << number(median(t.gutterErrors), 3) << " | "
            << number(maximum(t.gutterErrors), 3) << " | " << number(median(t.paperErrors), 1)
            << " | " << number(maximum(t.paperErrors), 1) << " | "
            << number(median(t.contentErrors), 1) << " | " << number(maximum(t.contentErrors), 1)
            << " | " << t.blankPagesMarked << " of " << t.blankPages << " |\n";
    }
    if (!cutMs.empty()) {
        out << "\nA page cut through the turn (`cutTurned`, the right page's paper) against "
               "Picture::Rotate of the whole scan and a copy of the same rectangle, "
            << cutMs.size() << " scans: cut " << number(median(cutMs), 1)
            << " ms CPU of the whole process (median), turn and copy "
            << number(median(rotateMs), 1) << " ms; mean absolute error between them "
            << number(median(cutMae), 3) << " (median), " << number(maximum(cutMae), 3)
            << " (max), 0..255.\n";
        out << "\nThe same page sampled through the turn straight at 1240 pixels wide "
               "(`turnedPage`, as a followed batch makes its pages): "
            << number(median(pageMs), 1) << " ms CPU (median), against "
            << number(median(shrinkMs), 1)
            << " ms for the shrink of the same rectangle of the unturned scan (a page of a batch "
               "that does not follow the book); mean absolute error against the turned copy "
               "shrunk to the same size "
            << number(median(pageMae), 3) << " (median), " << number(maximum(pageMae), 3)
            << " (max), 0..255.\n";
    }
    return 0;
}
