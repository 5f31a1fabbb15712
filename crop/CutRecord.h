#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What the crop runs have written, kept beside the pages so that a batch that was stopped (or
// killed) can be taken up again without cutting twice what was done. One record per scan folder,
// `jpeg_big/.pliego-cortadas`, rewritten whole and atomically each time a scan's files are all
// written: for every scan, the digest of the settings its pages were made with, the scan's size
// and time, and each file written for it (relative to the scan's folder) with its size.
class CutRecord {
public:
    struct File {
        QString path; // relative to the scan's folder, e.g. "jpeg_big/libro001A.jpg"
        qint64 size = 0;
        bool operator==(const File&) const = default;
    };

    static QString recordFileFor(const QString& scanFolder);
    // The digest under which `settingsText` (every setting that shapes the pages) is recorded.
    static QByteArray digestOf(const QString& settingsText);

    // True when `scanPath` was cut with `settings`, the scan is the same size and age as then,
    // and every file written for it is still there with its size.
    bool isCut(const QString& scanPath, const QByteArray& settings);
    // Before a scan's files are written: an entry made with other settings is dropped first, so
    // that files half replaced are never taken for the old ones. False (with `error`) when the
    // record cannot be rewritten.
    bool beginWriting(const QString& scanPath, const QByteArray& settings, QString* error);
    // Every file of the scan (`files`, relative to its folder) was written with `settings`.
    // False (with `error`) when the record cannot be rewritten.
    bool commit(const QString& scanPath, const QByteArray& settings, const QStringList& files,
                QString* error);
    // Records are read again from disk from now on (a new run).
    void forgetLoaded() { folders_.clear(); }

private:
    struct Entry {
        QByteArray settings;
        qint64 scanSize = 0;
        qint64 scanTime = 0;
        QList<File> files;
    };
    using Entries = QMap<QString, Entry>; // by scan file name
    Entries& entriesOf(const QString& scanFolder);
    bool save(const QString& scanFolder, QString* error);

    QHash<QString, Entries> folders_;
};
