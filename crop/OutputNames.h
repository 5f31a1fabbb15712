#pragma once

#include <QString>

// Output names are made from the scan's own name: the pages of scan n of a book of spreads
// become pages 2n - 1 and 2n, keeping the width of the scan's number.

// `number` adjusted by `op` ("+" adds, "*" multiplies; anything else leaves it) with `operand`,
// written without sign and zero-padded to the input's length ("007" * 2 is "014").
QString AjustaNumero(const QString& number, const QString& op, int operand);

// From the last "." to the end, dot included; empty when the name has no ".".
QString ExtensionDe(const QString& fileName);
// The name before its last "."; the whole name when it has none.
QString QuitaExtension(const QString& fileName);
// The name without extension, less its trailing run of decimal digits.
QString PrefijoNombre(const QString& fileName);
// That trailing run of digits (empty when the name does not end in a digit).
QString NumeroNombre(const QString& fileName);

struct PageBaseNames {
    QString left;  // the only page of a one-page scan
    QString right; // empty for a one-page scan
};

// Base names (no suffix, no extension) of the pages cut from a scan.
PageBaseNames pageBaseNames(const QString& scanFileName, bool twoPages);
