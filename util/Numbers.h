#pragma once

#include <QString>
#include <cmath>
#include <cstdint>

// Every value taken to a whole number goes to the nearest integer, halves to the even neighbour.
inline double roundHalfEven(double value) {
    return std::nearbyint(value); // the default rounding mode is to-nearest-even
}

inline std::int32_t roundToInt32(double value) {
    return static_cast<std::int32_t>(roundHalfEven(value));
}

// The numeric value of a text: its leading decimal number ("958 px" is 958, "  -2.5x" is -2.5),
// 0 when it has none.
double numericValueOfText(const QString& text);

// A number as the window shows it: whole numbers without a decimal point, others with up to 15
// significant digits.
inline QString formatNumber(double value) {
    return QString::number(value, 'g', 15);
}

// The smaller of two values as a whole number; when neither is smaller, b.
inline std::int32_t Min(double a, double b) {
    return roundToInt32(a < b ? a : b);
}
