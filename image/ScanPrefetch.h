#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// Reads the next scan of a batch on another core while the current one is being cut. A scan
// read ahead is handed to the next load of the same, unchanged file; anything else is read as
// usual. Only one scan is read ahead at a time.
namespace ScanPrefetch {

// Starts reading `path` in the background, dropping any scan read ahead before.
void start(const QString& path);

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
