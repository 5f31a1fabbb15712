#pragma once

#include <QString>
#include <QStringList>

// Folder listings in the one order every machine agrees on: by name, without regard to case.
// Hidden entries are never listed.

// Splits a pattern list such as "*.jpg;*.jpeg" into its patterns (empty pieces dropped).
QStringList splitPatternList(const QString& patternList);

// True when the name matches one of the patterns, without regard to case.
bool matchesPatternList(const QString& name, const QStringList& patterns);

// Names of the ordinary files of a folder that match one of the patterns.
QStringList listFiles(const QString& folder, const QStringList& patterns);

// Names of the subfolders of a folder.
QStringList listSubfolders(const QString& folder);
