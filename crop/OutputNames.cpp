#include "crop/OutputNames.h"

#include "util/Numbers.h"

#include <cmath>

QString AjustaNumero(const QString& number, const QString& op, int operand) {
    double value = roundHalfEven(numericValueOfText(number));
    if (op == QLatin1String("+"))
        value = operand + value;
    else if (op == QLatin1String("*"))
        value = operand * value;
    QString digits = QString::number(std::fabs(value), 'f', 0);
    if (digits.size() < number.size())
        digits.prepend(QString(number.size() - digits.size(), QLatin1Char('0')));
    return digits;
}

QString ExtensionDe(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : fileName.mid(dot);
}

QString QuitaExtension(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

static qsizetype trailingDigitsStart(const QString& name) {
    qsizetype start = name.size();
    while (start > 0 && name[start - 1] >= QLatin1Char('0') && name[start - 1] <= QLatin1Char('9'))
        --start;
    return start;
}

QString PrefijoNombre(const QString& fileName) {
    const QString name = QuitaExtension(fileName);
    return name.left(trailingDigitsStart(name));
}

QString NumeroNombre(const QString& fileName) {
    const QString name = QuitaExtension(fileName);
    return name.mid(trailingDigitsStart(name));
}

PageBaseNames pageBaseNames(const QString& scanFileName, bool twoPages) {
    if (!twoPages)
        return {scanFileName.chopped(ExtensionDe(scanFileName).size()), QString()};
    const QString prefix = PrefijoNombre(scanFileName);
    const QString doubled = AjustaNumero(NumeroNombre(scanFileName), QStringLiteral("*"), 2);
    return {prefix + AjustaNumero(doubled, QStringLiteral("+"), -1), prefix + doubled};
}
