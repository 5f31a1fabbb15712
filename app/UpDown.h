#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A spin control of two arrows with Min, Max and Value (step 1). When bound to a text box, every
// value set is written into that box as a number, which runs the box's own change handler.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(int minimum, int maximum, int value, QWidget* parent = nullptr);

    void bindTo(QLineEdit* buddy) { buddy_ = buddy; }
    QLineEdit* buddy() const { return buddy_; }

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    int value() const { return value_; }
    // Clamps to the range; emits valueChanged only on a change, but always writes the buddy.
    void setValue(int value);

    QSize sizeHint() const override;

signals:
    void valueChanged(int value);

private:
    QToolButton* up_;
    QToolButton* down_;
    QLineEdit* buddy_ = nullptr;
    int minimum_;
    int maximum_;
    int value_;
};
