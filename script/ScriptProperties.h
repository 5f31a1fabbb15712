#pragma once

#include "script/ScriptParser.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class MainWindow;

// What `print` shows: the properties of the window's controls and its working values, written
// the way a script reads them back.

// A number as C++ prints a double with up to 15 significant digits ("%.15g").
QString scriptNumber(double value);
// "True" or "False".
QString scriptBoolean(bool value);
// One line of text: carriage returns, line feeds, tabs and other control characters are written
// as \r, \n, \t and \xNN so that every value stays on its own output line.
QString scriptText(const QString& text);
// A working value (text, number or Boolean) as printed.
QString scriptValue(const QVariant& value);

// True when `print` knows the name: a control, the tab control SSTab1 or a working value.
bool scriptPrintableName(const MainWindow& window, const QString& name);

// The output lines of `print` for the reference (each "NAME.PROPERTY = VALUE"), or nothing with
// the reason in `error`.
std::optional<QStringList> scriptPrint(const MainWindow& window, const PropertyReference& ref,
                                       QString* error);
