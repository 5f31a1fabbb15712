// Mean absolute error per channel (red, green, blue; 0..255) between two images of the same
// size, after decoding both to 24-bit colour. With two folders, compares every image of the
// first with the image of the same name in the second.
//
//     bench_mae IMAGE_A IMAGE_B
//     bench_mae FOLDER_A FOLDER_B
//
// Prints one line "file NAME R G B" per pair, then "mean R G B" (the mean over all pairs) and
// "worst R G B" (per channel, the largest value of any pair). Exit status 1 when an image is
// missing or unreadable, or the sizes differ; 2 on a usage error.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>

namespace {

using Channels = std::array<double, 3>;

bool meanAbsoluteError(const QString& pathA, const QString& pathB, Channels& result) {
    QImage a(pathA), b(pathB);
    if (a.isNull() || b.isNull()) {
        std::fprintf(stderr, "bench_mae: cannot read %s\n", qPrintable(a.isNull() ? pathA : pathB));
        return false;
    }
    if (a.size() != b.size()) {
        std::fprintf(stderr, "bench_mae: %s is %dx%d but %s is %dx%d\n", qPrintable(pathA),
                     a.width(), a.height(), qPrintable(pathB), b.width(), b.height());
        return false;
    }
    a = a.convertToFormat(QImage::Format_RGB888);
    b = b.convertToFormat(QImage::Format_RGB888);
    std::array<unsigned long long, 3> sum{};
    for (int y = 0; y < a.height(); ++y) {
        const uchar* lineA = a.constScanLine(y);
        const uchar* lineB = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            for (int c = 0; c < 3; ++c)
                sum[c] += unsigned(std::abs(int(lineA[3 * x + c]) - int(lineB[3 * x + c])));
    }
    const double pixels = double(a.width()) * a.height();
    for (int c = 0; c < 3; ++c)
        result[c] = sum[c] / pixels;
    return true;
}

void printLine(const char* label, const QString& name, const Channels& value) {
    std::printf("%s%s%s %.3f %.3f %.3f\n", label, name.isEmpty() ? "" : " ", qPrintable(name),
                value[0], value[1], value[2]);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_mae IMAGE_A IMAGE_B | FOLDER_A FOLDER_B\n");
        return 2;
    }
    const QString first = QString::fromLocal8Bit(argv[1]);
    const QString second = QString::fromLocal8Bit(argv[2]);
    QList<QPair<QString, QString>> pairs;
    if (QFileInfo(first).isDir()) {
        const QStringList names = QDir(first).entryList(
            {QStringLiteral("*.jpg"), QStringLiteral("*.png"), QStringLiteral("*.tif"),
             QStringLiteral("*.bmp"), QStringLiteral("*.gif")},
            QDir::Files, QDir::Name);
        for (const QString& name : names)
            pairs.append({QDir(first).filePath(name), QDir(second).filePath(name)});
        if (pairs.isEmpty()) {
            std::fprintf(stderr, "bench_mae: no images in %s\n", qPrintable(first));
            return 1;
        }
    } else {
        pairs.append({first, second});
    }

    Channels total{}, worst{};
    for (const auto& [pathA, pathB] : pairs) {
        Channels value{};
        if (!meanAbsoluteError(pathA, pathB, value))
            return 1;
        printLine("file", QFileInfo(pathA).fileName(), value);
        for (int c = 0; c < 3; ++c) {
            total[c] += value[c];
            worst[c] = std::max(worst[c], value[c]);
        }
    }
    for (double& channel : total)
        channel /= double(pairs.size());
    printLine("mean", QString(), total);
    printLine("worst", QString(), worst);
    return 0;
}
