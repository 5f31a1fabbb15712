#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Finds every file below a folder that matches a pattern list, skipping the program's own output
// and tool folders. Order: depth first; a folder's subfolders (in listing order) before its own
// files; its own files grouped by pattern in pattern order, each group in listing order, so a
// file matching two patterns is found twice. Each folder is listed once, the walk keeps its own
// stack (no recursion limit), and a symbolic link back to a folder being walked is not followed.
// `found` receives each full path as it is found.
void scanFolderTree(const QString& folder, const QString& patternList,
                    const std::function<void(const QString&)>& found);

// The subfolder names the scan never enters, compared exactly.
bool isSkippedFolderName(const QString& name);
