#include "util/FolderListing.h"

#include <QDir>

PatternList::PatternList(const QString& patternList) {
    for (const QString& pattern : patternList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        patterns_.emplace_back(QRegularExpression::wildcardToRegularExpression(pattern.trimmed()),
                               QRegularExpression::CaseInsensitiveOption);
    }
}

bool PatternList::matches(const QString& name) const {
    for (int i = 0; i < size(); ++i) {
        if (matches(i, name))
            return true;
    }
    return false;
}

bool PatternList::matches(int pattern, const QString& name) const {
    return patterns_[static_cast<size_t>(pattern)].match(name).hasMatch();
}

QStringList listAllFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

QStringList listFiles(const QString& folder, const QString& patternList) {
    const PatternList patterns(patternList);
    QStringList matching;
    for (const QString& name : listAllFiles(folder)) {
        if (patterns.matches(name))
            matching << name;
    }
    return matching;
}

QStringList listSubfolders(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}
