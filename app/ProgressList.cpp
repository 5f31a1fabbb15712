#include "app/ProgressList.h"

#include "util/Numbers.h"

#include <QScrollBar>

ProgressList::ProgressList(QWidget* parent) : QListWidget(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

int ProgressList::topIndexAfterAppend(int count) {
    const int listIndex = count - 1;
    return listIndex + 1 - Min(10, count);
}

void ProgressList::addText(const QString& text) {
    addItem(text);
    emit lineAppended(text);
}

void ProgressList::appendLine(const QString& text) {
    addText(text);
    setCurrentRow(count() - 1);
    setTopIndex(topIndexAfterAppend(count()));
    viewport()->repaint();
}

void ProgressList::appendHeader(const QString& text) {
    addText(text);
}

void ProgressList::appendCancelLine(const QString& text) {
    addText(text);
    setCurrentRow(count() - 1);
    viewport()->repaint();
}

int ProgressList::topIndex() const {
    return verticalScrollBar()->value();
}

void ProgressList::setTopIndex(int row) {
    // The scroll range follows the rows only after a layout pass, which a run never yields for.
    doItemsLayout();
    verticalScrollBar()->setValue(row);
}
