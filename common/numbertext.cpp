// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts of both programs: reading with the locale's rules, shortest display
// texts, and half-even rounding on the decimal digits that a text shows.
#include "common/numbertext.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace common {
namespace {

// Setting number options detaches a QLocale, and one calculation converts a
// dozen texts; so the two copies with our options are made once per locale.
struct LocaleForms
{
    QLocale source;
    QLocale reading; // refuses group separators
    QChar decimalPoint;
    QString pointText;  // the separator as written; a QChar cannot hold every one
    char32_t zeroDigit; // the locale's digits follow it in Unicode order
    QString exponent;
    QString plusSign;
    // Western digits, "-" and "E": the plain forms below read and write
    // exactly as QLocale does, without its cost (most of a calculation's time).
    bool plainForms = false;
};

const LocaleForms &formsOf(const QLocale &locale)
{
    thread_local std::optional<LocaleForms> forms;
    if (!forms || !(forms->source == locale)) {
        const QString point = locale.decimalPoint();
        const QList<uint> zero = locale.zeroDigit().toUcs4();
        LocaleForms made{locale, locale, point.size() == 1 ? point.front() : QChar(), point,
                         zero.isEmpty() ? U'0' : char32_t(zero.front()), locale.exponential(), locale.positiveSign()};
        made.reading.setNumberOptions(QLocale::RejectGroupSeparator);
        const QChar p = made.decimalPoint;
        made.plainForms = locale.zeroDigit() == u"0" && locale.negativeSign() == u"-" && made.plusSign == u"+"
                          && made.exponent == u"E" && !p.isNull() && !p.isDigit() && p != u'-' && p != u'+'
                          && p != u'e' && p != u'E' && p.unicode() < 128;
        forms = std::move(made);
    }
    return *forms;
}

// Reads "[-]digits[<point>digits][E[+|-]digits]" with blanks or tabs around
// it. Any other text, and a value that is zero from nonzero digits, beyond
// the range or subnormal, is left to QLocale.
bool readPlain(QStringView text, QChar point, double &value)
{
    qsizetype i = 0;
    qsizetype n = text.size();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (i < n && isBlank(text[i]))
        ++i;
    while (n > i && isBlank(text[n - 1]))
        --n;
    std::array<char, 48> buffer{};
    if (n == i || n - i > qsizetype(buffer.size()))
        return false;
    char *out = buffer.data();
    const auto digits = [&] {
        const qsizetype start = i;
        for (; i < n && text[i] >= u'0' && text[i] <= u'9'; ++i)
            *out++ = char(text[i].unicode());
        return i > start;
    };
    if (text[i] == u'-')
        *out++ = char(text[i++].unicode());
    if (!digits())
        return false;
    if (i < n && text[i] == point) {
        *out++ = '.';
        ++i;
        if (!digits())
            return false;
    }
    if (i < n && (text[i] == u'E' || text[i] == u'e')) {
        *out++ = 'e';
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            if (text[i] == u'-')
                *out++ = '-';
            ++i;
        }
        if (!digits())
            return false;
    }
    if (i != n)
        return false;
    const auto [end, error] = std::from_chars(buffer.data(), out, value);
    if (error != std::errc() || end != out || (value != 0 && !std::isnormal(value)))
        return false;
    if (value == 0 && std::any_of(buffer.data(), out, [](char c) { return c >= '1' && c <= '9'; })) {
        // Digits such as 1e-400 underflow; QLocale decides what they mean.
        return false;
    }
    return true;
}

// The %g text of value in the form every locale reads back: the locale's
// separator and digits, "E", ASCII signs, no plus sign and no leading zeros
// in the exponent. Qt's own exponent ("1×10^−5" in some locales) and the
// signs with direction marks of others are not read back by Qt itself.
QString writePlain(double value, int significantDigits, QChar point)
{
    std::array<char, 48> buffer{};
    const char *end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::general, significantDigits).ptr;
    QString text(end - buffer.data(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char *p = buffer.data(); p != end; ++p) {
        if (*p == '.') {
            *out++ = point;
        } else if (*p == 'e') {
            *out++ = u'E';
            ++p;
            if (*p == '-')
                *out++ = u'-';
            ++p; // past the sign
            while (p + 1 != end && *p == '0')
                ++p;
            for (; p != end; ++p)
                *out++ = QLatin1Char(*p);
            break;
        } else {
            *out++ = QLatin1Char(*p);
        }
    }
    text.truncate(out - text.data());
    return text;
}

QString shortestText(double value, int significantDigits, const QLocale &locale)
{
    if (!std::isfinite(value))
        return {};
    if (value == 0)
        value = 0; // a rounded -0.00001 must not read "-0"
    const LocaleForms &forms = formsOf(locale);
    if (forms.plainForms)
        return writePlain(value, significantDigits, forms.decimalPoint);
    return localisedText(writePlain(value, significantDigits, u'.'), locale);
}

// The significant digits of a value as its text with n digits shows them:
// value = ±d0.d1d2... × 10^exponent.
struct DecimalDigits
{
    bool negative = false;
    std::array<char, 20> digits{};
    int count = 0;
    int exponent = 0;
};

DecimalDigits decimalDigits(double value, int significantDigits)
{
    significantDigits = std::clamp(significantDigits, 1, 17);
    std::array<char, 40> buffer{};
    const char *end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::scientific, significantDigits - 1).ptr;
    DecimalDigits d;
    const char *p = buffer.data();
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p != end && *p != 'e'; ++p) {
        if (*p != '.')
            d.digits[d.count++] = *p;
    }
    ++p; // past 'e'
    if (p != end && *p == '+')
        ++p;
    std::from_chars(p, end, d.exponent);
    return d;
}

} // namespace

std::optional<double> toNumber(const QString &text, const QLocale &locale)
{
    const LocaleForms &forms = formsOf(locale);
    double value = 0;
    if (forms.plainForms && readPlain(text, forms.decimalPoint, value))
        return value;
    bool ok = false;
    value = forms.reading.toDouble(text, &ok);
    if (!ok) {
        // Qt 6.4 reads neither the signs it writes itself in ar_EG and fa_IR
        // (a direction mark before the sign) nor a small "e" where the
        // locale's exponent is no "E" (sv_SE), though it reads the bare sign
        // and "E" there; such a text is read without the mark, with "E".
        QString plain;
        plain.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            const bool mark = c == QChar(0x061c) || c == QChar(0x200e) || c == QChar(0x200f);
            const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
            if (!(mark && (next == u'-' || next == u'+' || next == QChar(0x2212))))
                plain += c == u'e' ? QChar(u'E') : c;
        }
        if (plain != text)
            value = forms.reading.toDouble(plain, &ok);
    }
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumeric(const QString &text, const QLocale &locale)
{
    return toNumber(text, locale).has_value();
}

std::optional<double> toNumberEitherSeparator(const QString &text, const QLocale &locale)
{
    const QChar point = formsOf(locale).decimalPoint;
    const auto isOtherSeparator = [point](QChar c) { return (c == u'.' || c == u',') && c != point; };
    if (point.isNull() || std::none_of(text.cbegin(), text.cend(), isOtherSeparator))
        return toNumber(text, locale);
    QString unified = text;
    std::replace_if(unified.begin(), unified.end(), isOtherSeparator, point);
    return toNumber(unified, locale);
}

std::optional<double> toNumber(const QString &text, const QLocale &locale, Underflow underflow)
{
    const std::optional<double> value = toNumber(text, locale);
    if (value || underflow == Underflow::Refused)
        return value;
    // QLocale refuses a number below the range as it refuses no number at all;
    // the same text with its exponent at zero tells them apart.
    qsizetype end = text.size();
    while (end > 0 && text[end - 1].isSpace())
        --end;
    qsizetype start = end;
    while (start > 0 && text[start - 1].isDigit())
        --start;
    if (start == end || start < 2)
        return std::nullopt;
    const QChar sign = text[start - 1];
    const bool negative = sign == u'-' || sign == QChar(0x2212);
    const qsizetype mark = negative || sign == u'+' ? start - 2 : start - 1;
    if (!negative || (text[mark] != u'e' && text[mark] != u'E'))
        return std::nullopt;
    const std::optional<double> mantissa = toNumber(text.first(start) + u'0' + text.sliced(end), locale);
    if (!mantissa || *mantissa == 0)
        return std::nullopt;
    double exponent = 0;
    for (qsizetype i = start; i < end; ++i)
        exponent = exponent * 10 + text[i].digitValue();
    // Far enough below the smallest double that QLocale's refusal was the range.
    if (std::log10(std::fabs(*mantissa)) - exponent > std::numeric_limits<double>::min_exponent10 - 16)
        return std::nullopt;
    return std::copysign(0.0, *mantissa);
}

QString localisedText(QStringView cText, const QLocale &locale)
{
    const LocaleForms &forms = formsOf(locale);
    // Digits outside the basic plane take two code units each.
    const bool wideDigits = forms.zeroDigit > 0xffff;
    QString text;
    text.reserve(cText.size() * (wideDigits ? 2 : 1) + forms.pointText.size());
    for (const QChar c : cText) {
        if (c == u'.') {
            text += forms.pointText;
        } else if (c >= u'0' && c <= u'9') {
            const char32_t digit = forms.zeroDigit + (c.unicode() - u'0');
            if (wideDigits)
                text += QString::fromUcs4(&digit, 1);
            else
                text += QChar(char16_t(digit));
        } else {
            text += c;
        }
    }
    return text;
}

QString singleText(float value, const QLocale &locale)
{
    return shortestText(value, singleDigits, locale);
}

QString doubleText(double value, const QLocale &locale)
{
    return shortestText(value, doubleDigits, locale);
}

QString rangeText(const QString &name, double value, double low, double high, const QString &unit,
                  const QLocale &locale)
{
    const QString withUnit = unit.isEmpty() ? QString() : u' ' + unit;
    return QStringLiteral("%1 = %2%5, допустимо от %3 до %4%5")
        .arg(name, doubleText(value, locale), doubleText(low, locale), doubleText(high, locale), withUnit);
}

double roundHalfEven(double value, int decimals, int significantDigits)
{
    if (!std::isfinite(value) || value == 0)
        return value == 0 ? 0.0 : value;
    const DecimalDigits d = decimalDigits(value, significantDigits);

    // Digits at or above the 10^-decimals place are kept; the rest decide.
    const int keep = d.exponent + decimals + 1;
    const int kept = std::clamp(keep, 0, d.count);
    bool up = false;
    if (keep >= 0 && keep < d.count) {
        const char first = d.digits[keep];
        const bool restIsZero = std::all_of(d.digits.begin() + keep + 1, d.digits.begin() + d.count,
                                            [](char c) { return c == '0'; });
        const bool lastKeptOdd = kept > 0 && (d.digits[kept - 1] - '0') % 2 == 1;
        up = first > '5' || (first == '5' && (!restIsZero || lastKeptOdd));
    }

    // The kept digits as a whole number, scaled by a power of ten.
    std::array<char, 48> number{};
    char *p = number.data();
    if (d.negative)
        *p++ = '-';
    *p++ = '0'; // room for a carry out of the top digit
    p = std::copy(d.digits.begin(), d.digits.begin() + kept, p);
    if (up) {
        char *q = p - 1;
        while (*q == '9')
            *q-- = '0';
        ++*q;
    }
    *p++ = 'e';
    p = std::to_chars(p, number.data() + number.size(), d.exponent - kept + 1).ptr;

    double rounded = 0;
    if (std::from_chars(number.data(), p, rounded).ec == std::errc::result_out_of_range) {
        // Past the largest double (rounded up from near it) or below the smallest.
        if (d.exponent < 0)
            return 0.0;
        return d.negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    return rounded == 0 ? 0.0 : rounded;
}

double roundSignificant(double value, int digits, int significantDigits)
{
    if (!std::isfinite(value) || value == 0)
        return value == 0 ? 0.0 : value;
    const int exponent = decimalDigits(value, significantDigits).exponent;
    return roundHalfEven(value, digits - 1 - exponent, significantDigits);
}

QString fixedText(double value, int decimals, const QLocale &locale)
{
    return doubleText(roundHalfEven(value, decimals), locale);
}

QString significantText(double value, int digits, const QLocale &locale)
{
    return doubleText(roundSignificant(value, digits), locale);
}

} // namespace common
