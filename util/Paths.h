#pragma once

#include <QDir>
#include <QString>

// A folder and a name joined with one separator, whatever the folder ends with. Every path that
// names a scan is made here, so that the same scan always has the same path.
inline QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QDir::separator() + name;
}

// The folder part of a full path (before its last "\" or "/") and the name after it.
inline QString ExtraeCarpeta(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf('/'));
    return cut < 0 ? QString() : path.left(cut);
}

inline QString ExtraeFichero(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf('/'));
    return path.mid(cut + 1);
}

// The work folder: TMP, or the system's temporary folder when TMP is unset or empty (never the
// root of a drive).
inline QString temporaryFolder() {
    const QString tmp = qEnvironmentVariable("TMP");
    return tmp.isEmpty() ? QDir::toNativeSeparators(QDir::tempPath()) : tmp;
}
