#pragma once

#include <QComboBox>

// An editable combo box whose list position is the row that its text names, -1 when the text
// matches no row (a typed text, or the caption shown before anything is chosen).
class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    int listIndex() const;
    // Selects a row (its text becomes the box's text), or shows no position for -1.
    void setListIndex(int row);
    // Sets the text; the list position follows it.
    void setText(const QString& text);
    QString text() const { return currentText(); }
};
