#include "crop/CutRecord.h"

#include "util/Paths.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {

const QByteArray kHeader = "pliego-cortadas 1";

// Names go into the record percent-encoded: a tab or a line break in a name cannot break it.
QByteArray encoded(const QString& name) {
    return QUrl::toPercentEncoding(name, "/ ");
}

QString decoded(const QByteArray& field) {
    return QUrl::fromPercentEncoding(field);
}

struct ScanStamp {
    qint64 size = -1;
    qint64 time = 0;
};

ScanStamp stampOf(const QString& scanPath) {
    const QFileInfo scan(scanPath);
    if (!scan.isFile())
        return {};
    return {scan.size(), scan.lastModified().toMSecsSinceEpoch()};
}

} // namespace

QString CutRecord::recordFileFor(const QString& scanFolder) {
    return joinPath(joinPath(scanFolder, QStringLiteral("jpeg_big")),
                    QStringLiteral(".pliego-cortadas"));
}

QByteArray CutRecord::digestOf(const QString& settingsText) {
    return QCryptographicHash::hash(settingsText.toUtf8(), QCryptographicHash::Sha256).toHex();
}

CutRecord::Entries& CutRecord::entriesOf(const QString& scanFolder) {
    const auto known = folders_.find(scanFolder);
    if (known != folders_.end())
        return *known;
    Entries& entries = folders_[scanFolder];
    QFile file(recordFileFor(scanFolder));
    if (!file.open(QIODevice::ReadOnly) || file.readLine().trimmed() != kHeader)
        return entries; // none yet, or not one this program can read: everything is cut again
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().trimmed().split('\t');
        // name, settings, scan size, scan time, then pairs of file and size
        if (fields.size() < 6 || fields.size() % 2 != 0)
            continue;
        Entry entry;
        entry.settings = fields[1];
        bool sizeRead = false;
        bool timeRead = false;
        entry.scanSize = fields[2].toLongLong(&sizeRead);
        entry.scanTime = fields[3].toLongLong(&timeRead);
        bool whole = sizeRead && timeRead;
        for (qsizetype k = 4; whole && k + 1 < fields.size(); k += 2) {
            File written{decoded(fields[k]), fields[k + 1].toLongLong(&whole)};
            entry.files.append(written);
        }
        if (whole)
            entries.insert(decoded(fields[0]), entry);
    }
    return entries;
}

bool CutRecord::save(const QString& scanFolder, QString* error) {
    QByteArray text = kHeader + '\n';
    const Entries& entries = folders_[scanFolder];
    for (auto entry = entries.begin(); entry != entries.end(); ++entry) {
        text += encoded(entry.key()) + '\t' + entry->settings + '\t' +
                QByteArray::number(entry->scanSize) + '\t' + QByteArray::number(entry->scanTime);
        for (const File& file : entry->files)
            text += '\t' + encoded(file.path) + '\t' + QByteArray::number(file.size);
        text += '\n';
    }
    const QString path = recordFileFor(scanFolder);
    QSaveFile file(path);
    if (QDir().mkpath(ExtraeCarpeta(path)) && file.open(QIODevice::WriteOnly) &&
        file.write(text) == text.size() && file.commit())
        return true;
    *error = file.errorString();
    return false;
}

bool CutRecord::isCut(const QString& scanPath, const QByteArray& settings) {
    const QString folder = ExtraeCarpeta(scanPath);
    const Entries& entries = entriesOf(folder);
    const auto entry = entries.find(ExtraeFichero(scanPath));
    if (entry == entries.end() || entry->settings != settings || entry->files.isEmpty())
        return false;
    const ScanStamp scan = stampOf(scanPath);
    if (scan.size != entry->scanSize || scan.time != entry->scanTime)
        return false;
    for (const File& file : entry->files) {
        const QFileInfo written(joinPath(folder, file.path));
        if (!written.isFile() || written.size() != file.size)
            return false;
    }
    return true;
}

bool CutRecord::beginWriting(const QString& scanPath, const QByteArray& settings, QString* error) {
    const QString folder = ExtraeCarpeta(scanPath);
    Entries& entries = entriesOf(folder);
    const auto entry = entries.find(ExtraeFichero(scanPath));
    if (entry == entries.end() || entry->settings == settings)
        return true;
    entries.erase(entry);
    return save(folder, error);
}

bool CutRecord::commit(const QString& scanPath, const QByteArray& settings,
                       const QStringList& files, QString* error) {
    const QString folder = ExtraeCarpeta(scanPath);
    Entries& entries = entriesOf(folder);
    const ScanStamp scan = stampOf(scanPath);
    Entry entry{settings, scan.size, scan.time, {}};
    for (const QString& file : files)
        entry.files.append({file, QFileInfo(joinPath(folder, file)).size()});
    entries.insert(ExtraeFichero(scanPath), entry);
    return save(folder, error);
}
