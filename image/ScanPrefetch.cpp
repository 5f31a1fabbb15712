#include "image/ScanPrefetch.h"

#include <QDateTime>
#include <QFileInfo>
#include <future>
#include <mutex>

namespace {

struct Result {
    QImage image;
    int colorCode = 0;
    QString error;
    bool ok = false;
};

struct Pending {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    std::future<Result> result;
};

std::mutex pendingLock;
Pending& pending() {
    static Pending scan;
    return scan;
}

void dropLocked() {
    Pending& scan = pending();
    if (scan.result.valid())
        scan.result.wait();
    scan = Pending();
}

} // namespace

namespace ScanPrefetch {

void provide(const QString& path, qint64 size, const QDateTime& modified, QImage image,
             int colorCode) {
    const std::lock_guard<std::mutex> lock(pendingLock);
    dropLocked();
    Pending& scan = pending();
    scan.path = path;
    scan.size = size;
    scan.modified = modified;
    std::promise<Result> ready;
    ready.set_value(Result{std::move(image), colorCode, QString(), true});
    scan.result = ready.get_future();
}

bool take(const QString& path, QImage* image, int* colorCode, QString* error, bool* ok) {
    const std::lock_guard<std::mutex> lock(pendingLock);
    Pending& scan = pending();
    if (!scan.result.valid() || scan.path != path)
        return false; // another file (a watermark, say): the scan read ahead stays
    const QFileInfo file(path);
    if (file.size() != scan.size || file.lastModified() != scan.modified) {
        dropLocked(); // changed since it was read ahead: read it again
        return false;
    }
    Result read = scan.result.get();
    scan = Pending();
    if (!read.ok)
        return false; // read again on its own: it may have failed only for want of memory
    *image = std::move(read.image);
    *colorCode = read.colorCode;
    *error = read.error;
    *ok = read.ok;
    return true;
}

void discard() {
    const std::lock_guard<std::mutex> lock(pendingLock);
    dropLocked();
}

} // namespace ScanPrefetch
