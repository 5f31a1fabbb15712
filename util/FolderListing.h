#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <vector>

// Folder listings in the one order every machine agrees on: by name, without regard to case.
// Hidden entries are never listed.

// Wildcard patterns such as "*.jpg;*.jpeg", matched against file names without regard to case.
class PatternList {
public:
    explicit PatternList(const QString& patternList);

    int size() const { return static_cast<int>(patterns_.size()); }
    bool matches(const QString& name) const;
    bool matches(int pattern, const QString& name) const;

private:
    std::vector<QRegularExpression> patterns_;
};

// Names of the ordinary files of a folder that match the pattern list.
QStringList listFiles(const QString& folder, const QString& patternList);

// Names of all ordinary files of a folder.
QStringList listAllFiles(const QString& folder);

// Names of the subfolders of a folder.
QStringList listSubfolders(const QString& folder);
