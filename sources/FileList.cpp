#include "sources/FileList.h"

#include "util/Paths.h"

#include "util/FolderListing.h"

#include <QMouseEvent>
#include <QSet>

FileList::FileList(bool multipleSelection, QWidget* parent) : QListWidget(parent) {
    setSelectionMode(multipleSelection ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
}

void FileList::setPath(const QString& folder) {
    path_ = folder;
    refresh();
}

void FileList::setPattern(const QString& patternList) {
    pattern_ = patternList;
    refresh();
}

QString FileList::fileName() const {
    const QListWidgetItem* current = currentItem();
    return current ? current->text() : QString();
}

void FileList::setFileName(const QString& name) {
    const QList<QListWidgetItem*> found =
        name.isEmpty() ? QList<QListWidgetItem*>() : findItems(name, Qt::MatchFixedString);
    // The current row changes; the rows the operator selected stay selected.
    if (found.isEmpty()) {
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        return;
    }
    setCurrentItem(found.first(), QItemSelectionModel::NoUpdate);
}

void FileList::refresh() {
    // Reading the same folder again keeps the operator's selection and current row; another
    // folder or pattern starts with nothing selected.
    const bool sameListing = path_ == listedPath_ && pattern_ == listedPattern_;
    QSet<QString> selected;
    const QString current = fileName();
    if (sameListing) {
        for (const QListWidgetItem* entry : selectedItems())
            selected.insert(entry->text());
    }
    const QSignalBlocker quiet(this);
    clear();
    if (!path_.isEmpty())
        addItems(listFiles(path_, pattern_));
    listedPath_ = path_;
    listedPattern_ = pattern_;
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem* entry = item(row);
        if (sameListing && entry->text() == current)
            setCurrentItem(entry, QItemSelectionModel::NoUpdate);
        entry->setSelected(selected.contains(entry->text()));
    }
}

void FileList::clickRow(int row) {
    if (row < 0 || row >= count())
        return;
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    emit rowClicked();
}

void FileList::doubleClickRow(int row) {
    if (row < 0 || row >= count())
        return;
    // A person's double-click is a click first.
    clickRow(row);
    emit rowDoubleClicked();
}

bool FileList::isRowSelected(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry && entry->isSelected();
}

void FileList::setRowSelected(int row, bool selected) {
    if (QListWidgetItem* entry = item(row))
        entry->setSelected(selected);
}

void FileList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit rowClicked();
}

void FileList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()))
        emit rowDoubleClicked();
}

QStringList FileList::selectedPaths(const QString& folder) const {
    QStringList paths;
    for (int row = 0; row < count(); ++row) {
        if (isRowSelected(row))
            paths << joinPath(folder, item(row)->text());
    }
    return paths;
}
