#include "sources/FileList.h"

#include "sources/FolderListing.h"

#include <QMouseEvent>

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
    if (found.isEmpty()) {
        setCurrentItem(nullptr);
        return;
    }
    setCurrentItem(found.first());
}

void FileList::refresh() {
    clear();
    if (!path_.isEmpty())
        addItems(listFiles(path_, splitPatternList(pattern_)));
    setCurrentItem(nullptr);
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
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
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
