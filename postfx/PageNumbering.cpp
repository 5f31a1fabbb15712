#include "postfx/PageNumbering.h"

#include "app/Numbers.h"

#include <algorithm>

namespace {

// A whole number, halves to the even neighbour; names with absurdly long numbers stay in range.
qint64 wholeNumber(double value) {
    return static_cast<qint64>(roundHalfEven(std::clamp(value, -1e15, 1e15)));
}

} // namespace

double pageNumberOf(const QString& baseName) {
    return numericValueOfText(baseName);
}

qint64 labelNumber(bool oddPages, int mode, double n) {
    if (mode < 0 || mode >= kNumberingModes)
        return 0;
    if (mode < 5)
        return wholeNumber(n - mode);
    // Sheets: the odd list counts from each sheet's odd page (n + 1, n - 1, n - 3, …), the even
    // list from its even page (n, n - 2, n - 4, …).
    const int skipped = 2 * (mode - 5);
    return wholeNumber(oddPages ? (n + 1 - skipped) / 2 : (n - skipped) / 2);
}

QString labelText(qint64 number) {
    if (number <= 0)
        return {};
    return (QStringLiteral("    ") + QString::number(number)).right(4);
}
