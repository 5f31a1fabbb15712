#pragma once

#include <QString>
#include <QtGlobal>

// Page numbers for the numbering tab: the number in a page file's name, the number a numbering
// mode prints for it, and the label text.

// The number of a page from its base name (file name without folder and extension): the number
// the name starts with, leading blanks skipped ("0012" is 12); otherwise the last run of digits in
// it, as in the names of cut pages ("libro007" is 7); 0 when it holds no digit ("cover").
double pageNumberOf(const QString& baseName);

// How many numbering modes the lists offer before "No Numerar …" (positions 0 to 9).
constexpr int kNumberingModes = 10;

// The number that mode `mode` prints on page `n`, taken to the nearest whole number (halves to
// the even neighbour), for the odd-page or the even-page list. The "Páginas" modes (0 to 4) count
// every page, skipping the cover and up to three more; the "Solo" modes (5 to 9) count sheets of
// two pages. 0 (no label) for any other position.
qint64 labelNumber(bool oddPages, int mode, double n);

// Four characters, right-aligned: "  12" for 12, "2345" for 12345; empty (no label) for 0 or less.
QString labelText(qint64 number);
