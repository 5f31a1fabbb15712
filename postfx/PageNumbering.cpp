#include "postfx/PageNumbering.h"

#include "util/Numbers.h"

#include <algorithm>

namespace {

// A whole number, halves to the even neighbour; names with absurdly long numbers stay in range.
qint64 wholeNumber(double value) {
    return static_cast<qint64>(roundHalfEven(std::clamp(value, -1e15, 1e15)));
}

} // namespace

double pageNumberOf(const QString& baseName) {
    const QString name = baseName.trimmed();
    const auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    const double leading = numericValueOfText(baseName);
    if (name.isEmpty() || isDigit(name.front()) || leading != 0)
        return leading;
    qsizetype end = name.size();
    while (end > 0 && !isDigit(name[end - 1]))
        --end;
    qsizetype start = end;
    while (start > 0 && isDigit(name[start - 1]))
        --start;
    return start == end ? 0 : numericValueOfText(name.mid(start, end - start));
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
