#include "sources/FolderTreeScan.h"

#include "util/FolderListing.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <vector>

bool isSkippedFolderName(const QString& name) {
    static const QStringList skipped = {QStringLiteral("."),        QStringLiteral(".."),
                                        QStringLiteral("jpeg_big"), QStringLiteral("jpeg_small"),
                                        QStringLiteral("ImgMagic"), QStringLiteral("WaterMark")};
    return skipped.contains(name, Qt::CaseSensitive);
}

namespace {

struct Frame {
    QString folder;    // ends with a separator
    QString canonical; // where it really is, to recognise a link back into the walk
    QStringList subfolders;
    qsizetype next = 0;
};

QString withSeparator(const QString& folder) {
    const QChar separator = QDir::separator();
    if (folder.endsWith(separator) || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + separator;
}

Frame enter(const QString& folder) {
    Frame frame;
    frame.folder = withSeparator(folder);
    frame.canonical = QFileInfo(folder).canonicalFilePath();
    frame.subfolders = listSubfolders(folder);
    return frame;
}

} // namespace

void scanFolderTree(const QString& folder, const QString& patternList,
                    const std::function<void(const QString&)>& found) {
    const PatternList patterns(patternList);
    std::vector<Frame> stack;
    QSet<QString> onStack;
    stack.push_back(enter(folder));
    onStack.insert(stack.back().canonical);

    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next < top.subfolders.size()) {
            const QString name = top.subfolders[top.next++];
            if (isSkippedFolderName(name))
                continue;
            Frame child = enter(top.folder + name);
            if (child.canonical.isEmpty() || onStack.contains(child.canonical))
                continue;
            onStack.insert(child.canonical);
            stack.push_back(std::move(child));
            continue;
        }
        const QStringList files = listAllFiles(top.folder);
        for (int pattern = 0; pattern < patterns.size(); ++pattern) {
            for (const QString& name : files) {
                if (patterns.matches(pattern, name))
                    found(top.folder + name);
            }
        }
        onStack.remove(top.canonical);
        stack.pop_back();
    }
}
