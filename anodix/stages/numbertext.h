// Number texts of Anodix: the user's regional settings decide the decimal
// separator; numbers are shown as their shortest text without grouping.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace anodix {

// The locale's conversion: blanks around the number are allowed, group
// separators are not ("1,234" and "1 000" are no numbers), nor is an empty text.
std::optional<double> toNumber(const QString &text, const QLocale &locale);
bool isNumeric(const QString &text, const QLocale &locale);

// As toNumber, but "," and "." are both taken as the decimal separator, so a
// record written under one locale reads the same under another.
std::optional<double> toNumberEitherSeparator(const QString &text, const QLocale &locale);

// Shortest text with at most 7 (single) or 15 (double) significant digits,
// the locale's decimal separator, no grouping, no trailing zeros.
QString singleText(float value, const QLocale &locale);
QString doubleText(double value, const QLocale &locale);

// Rounds to n decimals, an exact half to the even digit, judged on the decimal
// value that the text of value gives at significantDigits (7 for a single).
// So 0.12345 gives 0.1234 although its binary double lies just above the half.
double roundHalfEven(double value, int decimals, int significantDigits = 15);

} // namespace anodix
