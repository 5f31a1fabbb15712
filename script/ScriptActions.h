#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class MainWindow;
class QWidget;

// What an operator does to the window's controls, done on a script's behalf through the same
// widget signals and events as the mouse and keyboard, so that the window's own handlers run.
// Each action returns an empty text when done, or why it could not be done (nothing changed).

// Why a person could not reach the control (disabled, hidden, or on a disabled tab); empty when
// they could. A control on another, enabled tab is reachable: the person clicks that tab first.
QString scriptReachability(const MainWindow& window, const QWidget* control);

// `set NAME VALUE`: the operator changes the control's value.
QString scriptSet(MainWindow& window, QWidget* control, const QString& value);

// `select NAME all|none|ROW...`: exactly these rows of a multiple-selection list are selected.
QString scriptSelect(MainWindow& window, QWidget* control, const QStringList& rows);

// `click NAME [ROW]`: a click on a button, check box, option button, label used as a button, on
// an arrow ("up" or "down") of an up-down, or on a row of a list.
QString scriptClick(MainWindow& window, QWidget* control, const std::optional<QString>& row);

// `dblclick NAME ROW`: a double-click on a row of a list.
QString scriptDoubleClick(MainWindow& window, QWidget* control, const QString& row);

// `tab N`: a click on the caption of tab N.
QString scriptTab(MainWindow& window, int tab);

// `pointer NAME down|move|up|dblclick BUTTON X Y`: a mouse press, move, release or double-click
// on an image box at (X, Y) in its own pixels. BUTTON is 1 left, 2 right, 4 middle, 0 none
// (moves only).
QString scriptPointer(MainWindow& window, QWidget* control, const QString& action, int button,
                      double x, double y);

// `save NAME PATH`: the image box writes its image with its own SaveToFile.
QString scriptSave(MainWindow& window, QWidget* control, const QString& path);
