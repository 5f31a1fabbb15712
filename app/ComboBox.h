#pragma once

#include <QComboBox>

// A combo box whose list position is the row that its text names, -1 when the text matches no
// row (a typed text, or the caption shown before anything is chosen).
//
// An editable box takes any text. A box of fixed choices takes only its rows: its text is its
// row's, or the caption while no row is chosen, and a click anywhere on it opens the list.
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    enum class Choice { Free, Fixed };
    explicit ComboBox(QWidget* parent = nullptr, Choice choice = Choice::Free);

    bool fixedChoice() const { return !isEditable(); }
    int listIndex() const;
    // Selects a row (its text becomes the box's text), or shows no position for -1.
    void setListIndex(int row);
    // Sets the text; the list position follows it. A box of fixed choices refuses a text that is
    // not one of its rows (and returns false) unless it is its caption, which clears the choice.
    bool setText(const QString& text);
    // A box of fixed choices: shows `caption` with no row chosen.
    void setCaption(const QString& caption);
    QString text() const;
};
