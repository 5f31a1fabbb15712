#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// A scan read from its file, with the file's size and time when it was read: read ahead on a
// batch worker, it is handed to the load of that scan, which takes it only while the file is
// still what was read.
struct ScanRead {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    bool ok = false;
    QImage image;
    int colorCode = 0;
    QString error;

    // Whether this is a successful read of `file` as the file is now.
    bool isCurrentReadOf(const QString& file) const;
};

// Reads the scan at `path` now.
ScanRead readScan(const QString& path);
