#include "app/ProgramFolder.h"

#include <QDir>

#ifndef PLIEGO_DATA_FROM_BIN
#define PLIEGO_DATA_FROM_BIN "../share/pliego"
#endif

QString programFolder(const QString& executableFolder) {
    const QString toolFolder = QStringLiteral("imgmagic");
    if (QDir(executableFolder).exists(toolFolder))
        return executableFolder;
    const QString installed =
        QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral(PLIEGO_DATA_FROM_BIN)));
    if (QDir(installed).exists(toolFolder))
        return QDir::toNativeSeparators(installed);
    return executableFolder;
}
