#include "app/ComboBox.h"

#include <QCompleter>
#include <QLineEdit>

ComboBox::ComboBox(QWidget* parent, Choice choice) : QComboBox(parent) {
    setEditable(choice == Choice::Free);
    setInsertPolicy(QComboBox::NoInsert);
    // Typed text must stay as typed: completion would silently turn it into a row.
    if (choice == Choice::Free)
        setCompleter(nullptr);
}

int ComboBox::listIndex() const {
    if (fixedChoice())
        return currentIndex();
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
        if (!fixedChoice())
            setEditText(text);
        return;
    }
    setCurrentIndex(row);
    if (!fixedChoice())
        setEditText(itemText(row));
}

bool ComboBox::setText(const QString& text) {
    const int row = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (fixedChoice()) {
        if (row >= 0) {
            setCurrentIndex(row);
            return true;
        }
        if (text.isEmpty() || text != placeholderText())
            return false;
        setCurrentIndex(-1);
        return true;
    }
    setCurrentIndex(row >= 0 ? row : -1);
    setEditText(text);
    return true;
}

void ComboBox::setCaption(const QString& caption) {
    setPlaceholderText(caption);
    setCurrentIndex(-1);
}

QString ComboBox::text() const {
    if (fixedChoice() && currentIndex() < 0)
        return placeholderText();
    return currentText();
}
