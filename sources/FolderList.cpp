#include "sources/FolderList.h"

#include "util/FolderListing.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>

namespace {
constexpr int kPathRole = Qt::UserRole + 1;
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(kPathRole).toString()); });
}

bool FolderList::setPath(const QString& folder) {
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable() || !QDir(folder).isReadable())
        return false;
    const QString clean = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    if (clean == path_)
        return true;
    path_ = clean;
    refresh();
    emit pathChanged();
    return true;
}

QString FolderList::folderOfRow(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kPathRole).toString() : QString();
}

void FolderList::refresh() {
    clear();
    if (path_.isEmpty())
        return;
    QStringList chain;
    for (QDir dir(path_);;) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp())
            break;
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name =
            QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QDir(folder).dirName();
        auto* entry = new QListWidgetItem(open, QString(depth * 2, QLatin1Char(' ')) + name, this);
        entry->setData(kPathRole, QDir::toNativeSeparators(folder));
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const QString& sub : listSubfolders(path_)) {
        auto* entry = new QListWidgetItem(closed, QString(depth * 2, QLatin1Char(' ')) + sub, this);
        entry->setData(kPathRole, QDir::toNativeSeparators(QDir(path_).filePath(sub)));
    }
}
