#include "app/ComboBox.h"

#include <QCompleter>
#include <QLineEdit>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed text must stay as typed: completion would silently turn it into a row.
    setCompleter(nullptr);
}

int ComboBox::listIndex() const {
    const QString text = currentText();
    const int current = currentIndex();
    if (current >= 0 && itemText(current) == text)
        return current;
    return findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void ComboBox::setListIndex(int row) {
    if (row < 0 || row >= count()) {
        const QString text = currentText();
        setCurrentIndex(-1);
        setEditText(text);
        return;
    }
    setCurrentIndex(row);
    setEditText(itemText(row));
}

void ComboBox::setText(const QString& text) {
    const int row = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row >= 0) {
        setCurrentIndex(row);
    } else {
        setCurrentIndex(-1);
    }
    setEditText(text);
}
