#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// A scan read ahead by a batch worker, handed to the next load of the same, unchanged file;
// anything else is read as usual. One scan at a time.
namespace ScanPrefetch {

// Hands over a scan already read (on a batch worker) for the next load of the same, unchanged
// file; `size` and `modified` describe the file as it was when it was read.
void provide(const QString& path, qint64 size, const QDateTime& modified, QImage image,
             int colorCode);

// When `path` is the scan being read ahead (and the file has not changed since), waits for it
// and returns true with what reading it gave; otherwise returns false.
bool take(const QString& path, QImage* image, int* colorCode, QString* error, bool* ok);

// Drops the scan read ahead, waiting for its reading to end.
void discard();

} // namespace ScanPrefetch
