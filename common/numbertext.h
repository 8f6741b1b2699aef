// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts of both programs: the user's regional settings decide the decimal
// separator; numbers are shown as their shortest text without grouping.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace common {

// The locale's conversion: blanks around the number are allowed, group
// separators are not ("1,234" and "1 000" are no numbers), nor is an empty
// text or one that is no finite number ("inf", "nan", "1e400"). The locale's
// own signs are read with their direction marks, and "e" wherever "E" is.
std::optional<double> toNumber(const QString &text, const QLocale &locale);
bool isNumeric(const QString &text, const QLocale &locale);

// What a well-formed number below the double range ("1e-400") reads as:
// refused, as QLocale refuses it, or zero, the double nearest to it.
enum class Underflow { Refused, ReadsAsZero };
std::optional<double> toNumber(const QString &text, const QLocale &locale, Underflow underflow);

// As toNumber, but "," and "." are both taken as the decimal separator, so a
// record written under one locale reads the same under another.
std::optional<double> toNumberEitherSeparator(const QString &text, const QLocale &locale);

// Significant digits that a single- and a double-precision value is shown with.
inline constexpr int singleDigits = 7;
inline constexpr int doubleDigits = 15;

// Shortest text with at most 7 (single) or 15 (double) significant digits,
// the locale's decimal separator and digits, no grouping, no trailing zeros,
// never "-0", and an ASCII minus sign. From 1e7 (single) or 1e15 (double) up
// and below 1e-4 the text takes the exponent form "E" with an ASCII sign, no
// plus sign and no leading zeros in the exponent: "1,5E-5", "1E7", "-2.5E15".
// Every locale Qt knows reads this form back, so toNumber does too.
// A value that is not finite gives an empty text; the calculations never pass one.
QString singleText(float value, const QLocale &locale);
QString doubleText(double value, const QLocale &locale);

// A number's C text ("-1.5E+07", "0.25") with the locale's decimal separator
// and digits; signs and "E" stay ASCII, the form every locale reads back. For
// a program that rounds and lays out its digits by rules of its own.
QString localisedText(QStringView cText, const QLocale &locale);

// Rounds to n decimals, an exact half to the even digit, judged on the decimal
// value that the text of value gives at significantDigits (7 for a single).
// So 0.12345 gives 0.1234 although its binary double lies just above the half.
// Negative decimals round to tens, hundreds and so on.
double roundHalfEven(double value, int decimals, int significantDigits = doubleDigits);

// Rounds to digits significant digits in the same way (0.0169313 to 4 gives 0.01693).
double roundSignificant(double value, int digits, int significantDigits = doubleDigits);

// A shown result: rounded to decimals (fixedText) or to digits significant
// digits (significantText), then written as doubleText writes it, so every
// window shows "-7,9" alike, never "−7,90".
QString fixedText(double value, int decimals, const QLocale &locale);
QString significantText(double value, int digits, const QLocale &locale);

// A value outside the range a calculation stands behind, as the messages say
// it: "Ea = 1E-300 В, допустимо от 1 до 100000 В"; without a unit
// "Ra / Ri = 100, допустимо от 0,5 до 50".
QString rangeText(const QString &name, double value, double low, double high, const QString &unit,
                  const QLocale &locale);

} // namespace common
