#include "sources/FolderListing.h"

#include <QDir>
#include <QRegularExpression>

QStringList splitPatternList(const QString& patternList) {
    return patternList.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

bool matchesPatternList(const QString& name, const QStringList& patterns) {
    for (const QString& pattern : patterns) {
        const QRegularExpression wildcard(
            QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
            QRegularExpression::CaseInsensitiveOption);
        if (wildcard.match(name).hasMatch())
            return true;
    }
    return false;
}

static QStringList sortedEntries(const QString& folder, QDir::Filters filters) {
    QDir dir(folder);
    return dir.entryList(filters, QDir::Name | QDir::IgnoreCase);
}

QStringList listFiles(const QString& folder, const QStringList& patterns) {
    QStringList matching;
    for (const QString& name : sortedEntries(folder, QDir::Files)) {
        if (matchesPatternList(name, patterns))
            matching << name;
    }
    return matching;
}

QStringList listSubfolders(const QString& folder) {
    return sortedEntries(folder, QDir::Dirs | QDir::NoDotAndDotDot);
}
