#include "app/ProgressList.h"

#include "util/Numbers.h"

#include <QScrollBar>
#include <QStyledItemDelegate>

namespace {

// Every line takes the width of the widest line: with uniform sizes the list asks one line for
// the size of all, and the horizontal scroll range must reach the end of the longest.
class WidestLineDelegate : public QStyledItemDelegate {
public:
    WidestLineDelegate(const int& widest, QObject* parent)
        : QStyledItemDelegate(parent), widest_(widest) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize own = ownSize(option, index);
        return {std::max(own.width(), widest_), own.height()};
    }
    QSize ownSize(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        return QStyledItemDelegate::sizeHint(option, index);
    }

private:
    const int& widest_;
};

} // namespace

ProgressList::ProgressList(QWidget* parent) : QListWidget(parent) {
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One size for every line keeps appending cheap however long a batch's list grows.
    setUniformItemSizes(true);
    setItemDelegate(new WidestLineDelegate(widest_, this));
}

int ProgressList::topIndexAfterAppend(int count) {
    const int listIndex = count - 1;
    return listIndex + 1 - Min(10, count);
}

void ProgressList::addText(const QString& text) {
    auto* line = new QListWidgetItem(text);
    // A line wider than the list is read whole under the pointer, or scrolled to.
    line->setToolTip(text);
    addItem(line);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const auto* lines = static_cast<const WidestLineDelegate*>(itemDelegate());
    const int width = lines->ownSize(option, indexFromItem(line)).width();
    // The first line after a clear starts the measure anew.
    widest_ = count() == 1 ? width : std::max(widest_, width);
    emit lineAppended(text);
}

void ProgressList::appendLine(const QString& text) {
    addText(text);
    setCurrentRow(count() - 1);
    setTopIndex(topIndexAfterAppend(count()));
    viewport()->repaint();
}

void ProgressList::appendFailure(const QString& text) {
    appendLine(text);
    emit failureAppended(text);
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
