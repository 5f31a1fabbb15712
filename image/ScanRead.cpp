#include "image/ScanRead.h"

#include "image/ImageFiles.h"

#include <QFileInfo>

bool ScanRead::isCurrentReadOf(const QString& file) const {
    if (!ok || file != path)
        return false;
    const QFileInfo now(file);
    return now.size() == size && now.lastModified() == modified;
}

ScanRead readScan(const QString& path) {
    ScanRead read;
    read.path = path;
    const QFileInfo file(path);
    read.size = file.size();
    read.modified = file.lastModified();
    read.ok = readImageFile(path, &read.image, &read.colorCode, &read.error);
    return read;
}
