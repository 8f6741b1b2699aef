// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's stage calculation and its number conversions and text forms.
#include "grideon/stagecalc.h"

#include "common/numbertext.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>

namespace grideon {

const QString kNotNumericMessage = QStringLiteral("Ошибка ввода: Введено не числовое значение");
const QString kZeroEnteredMessage = QStringLiteral("Ошибка ввода: Имеются нулевые исходные данные");
const QString kErrorTitle = QStringLiteral("Ошибка");

namespace {

constexpr std::array<const char *, kStageResultCount> kResultNames{"R1", "R2", "R3", "C1", "C2", "Ua", "Uk"};

} // namespace

// Narrowing an out-of-range double to float is undefined behaviour in C++, so
// the IEEE round-to-nearest overflow rule is applied by hand.
float narrowToSingle(double value)
{
    if (!std::isfinite(value) || std::fabs(value) <= FLT_MAX)
        return static_cast<float>(value);
    // Beyond FLT_MAX by less than half an ulp still rounds down to FLT_MAX.
    const double overflowFrom = std::ldexp(1.0, 128) - std::ldexp(1.0, 103);
    const float magnitude = std::fabs(value) >= overflowFrom ? INFINITY : FLT_MAX;
    return value < 0 ? -magnitude : magnitude;
}

namespace {

bool allFinite(std::initializer_list<double> values)
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// 0-9, a-f, A-F; -1 for anything else.
int digitValue(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - u'0';
    const char16_t lower = c.toLower().unicode();
    return lower >= u'a' && lower <= u'f' ? lower - u'a' + 10 : -1;
}

// A number's text while it is built, in ASCII; none is longer than "0.000" and
// nine digits.
struct NumberText
{
    char chars[24];
    int size = 0;

    void append(char c) { chars[size++] = c; }
    void append(const char *from, int count)
    {
        std::memcpy(chars + size, from, size_t(count));
        size += count;
    }
    QLatin1StringView view() const { return QLatin1StringView(chars, size); }
};

// |value| in the 'e' form with `decimals` digits after the point, as Qt writes
// it: correctly rounded, an exact half away from zero. std::to_chars is several
// times faster and differs only on an exact half, which it sends to the even
// digit; so when the text half a digit above its answer reads back as the value
// itself, Qt writes the text instead.
int exponentForm(double magnitude, int decimals, char *out, int capacity)
{
    const auto written = std::to_chars(out, out + capacity, magnitude, std::chars_format::scientific, decimals);
    const int size = int(written.ptr - out);
    const int ePos = int(std::find(out, out + size, 'e') - out);
    char halfWay[40];
    std::memcpy(halfWay, out, size_t(ePos));
    int halfSize = ePos;
    if (decimals == 0)
        halfWay[halfSize++] = '.';
    halfWay[halfSize++] = '5';
    std::memcpy(halfWay + halfSize, out + ePos, size_t(size - ePos));
    halfSize += size - ePos;
    double halfValue = 0;
    std::from_chars(halfWay, halfWay + halfSize, halfValue);
    if (halfValue != magnitude)
        return size;
    const QByteArray qt = QString::number(magnitude, 'e', decimals).toLatin1();
    std::memcpy(out, qt.constData(), size_t(qt.size()));
    return int(qt.size());
}

// The decimal digits of |value| rounded to significantDigits, in the C form
// without sign: plain below 10^7 and from 10^-4 on, "1.234568E+07" otherwise.
NumberText unsignedNumberText(double magnitude, int significantDigits)
{
    NumberText text;
    if (magnitude == 0) {
        text.append('0');
        return text;
    }
    // The 'e' form rounds once; its exponent decides the text form, so
    // 9999999.6 rounded to 7 digits is already 1E+07.
    char scientific[40];
    const int size = exponentForm(magnitude, significantDigits - 1, scientific, int(sizeof scientific));
    const int ePos = int(std::find(scientific, scientific + size, 'e') - scientific);
    char digits[12];
    int digitCount = 0;
    for (int i = 0; i < ePos; ++i)
        if (scientific[i] != '.')
            digits[digitCount++] = scientific[i];
    const char *exponentText = scientific + ePos + 1;
    if (*exponentText == '+')
        ++exponentText;
    int exponent = 0;
    std::from_chars(exponentText, scientific + size, exponent);

    while (digitCount > 1 && digits[digitCount - 1] == '0')
        --digitCount;

    if (exponent >= 7 || exponent < -4) {
        text.append(digits[0]);
        if (digitCount > 1) {
            text.append('.');
            text.append(digits + 1, digitCount - 1);
        }
        text.append('E');
        text.append(exponent < 0 ? '-' : '+');
        const int shown = std::abs(exponent);
        if (shown < 10)
            text.append('0');
        char exponentDigits[4];
        text.append(exponentDigits, int(std::to_chars(exponentDigits, exponentDigits + 4, shown).ptr - exponentDigits));
        return text;
    }
    if (exponent < 0) {
        text.append("0.", 2);
        for (int i = 0; i < -exponent - 1; ++i)
            text.append('0');
        text.append(digits, digitCount);
        return text;
    }
    const int wholeDigits = exponent + 1;
    if (digitCount <= wholeDigits) {
        text.append(digits, digitCount);
        for (int i = digitCount; i < wholeDigits; ++i)
            text.append('0');
        return text;
    }
    text.append(digits, wholeDigits);
    text.append('.');
    text.append(digits + wholeDigits, digitCount - wholeDigits);
    return text;
}

// Inputs are finite and every result that could overflow is checked, so the
// window never shows these; they only keep the formatters total.
QString nonFiniteText(float value)
{
    if (std::isnan(value))
        return QStringLiteral("?");
    return value < 0 ? QStringLiteral("-∞") : QStringLiteral("∞");
}

} // namespace

std::array<float, kStageInputCount> toArray(const StageInputs &in)
{
    return {in.ri_kohm, in.ia_ma, in.rk_ohm, in.ea_v, in.ru_kohm, in.fmin_hz};
}

StageInputs fromArray(const std::array<float, kStageInputCount> &v)
{
    return {v[0], v[1], v[2], v[3], v[4], v[5]};
}

QString arithmeticFaultMessage(const ArithmeticFault &fault)
{
    const int index = std::clamp(fault.result, 1, kStageResultCount) - 1;
    return QStringLiteral("Ошибка вычисления: невозможно рассчитать %1 по введённым данным.\n"
                          "Проверьте исходные данные.")
        .arg(QString::fromLatin1(kResultNames[index]));
}

namespace {

// Both checks and the conversion in one pass, each text read once.
struct ConvertedTexts
{
    TextCheck check = TextCheck::Ok;
    StageInputs inputs;
};

ConvertedTexts convertStageTexts(const StageTexts &texts, const QLocale &locale)
{
    std::array<float, kStageInputCount> values{};
    bool allNumeric = true;
    bool zeroEntered = false;
    for (int i = 0; i < kStageInputCount; ++i) {
        const std::optional<double> value = ParseLocalNumber(texts[i], locale);
        allNumeric = allNumeric && value.has_value();
        zeroEntered = zeroEntered || texts[i] == u"0";
        values[i] = narrowToSingle(value.value_or(0));
    }
    const TextCheck check = !allNumeric ? TextCheck::NotNumeric
        : zeroEntered                   ? TextCheck::ZeroEntered
                                        : TextCheck::Ok;
    return {check, fromArray(values)};
}

} // namespace

// The shared reader, with two rules of this program's own: a value a box's
// single-precision field cannot hold is no number, and a text below the
// double range stands for zero, as "0.0" would.
std::optional<double> ParseLocalNumber(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = common::toNumber(text, locale, common::Underflow::ReadsAsZero);
    if (!value || std::isinf(narrowToSingle(*value)))
        return std::nullopt;
    return value;
}

bool IsNumericText(const QString &text, const QLocale &locale)
{
    return ParseLocalNumber(text, locale).has_value();
}

double ParseLeadingNumber(const QString &text)
{
    // Built on the stack for any text a box or a line of data.dat holds: this
    // runs for every field read, and heap copies cost more than the parsing.
    QVarLengthArray<QChar, 64> s;
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n')
            s.append(c);

    if (s.size() >= 2 && s[0] == u'&') {
        const QChar kind = s[1].toUpper();
        const int base = kind == u'H' ? 16 : kind == u'O' ? 8 : 0;
        if (base != 0) {
            double value = 0;
            for (qsizetype i = 2; i < s.size(); ++i) {
                const int digit = digitValue(s[i]);
                if (digit < 0 || digit >= base)
                    break;
                value = value * base + digit;
            }
            return value;
        }
        return 0;
    }

    qsizetype i = 0;
    QVarLengthArray<QChar, 64> cForm;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        cForm.append(s[i++]);
    qsizetype digitCount = 0;
    bool pointSeen = false;
    for (; i < s.size(); ++i) {
        if (isAsciiDigit(s[i])) {
            ++digitCount;
        } else if (s[i] == u'.' && !pointSeen) {
            pointSeen = true;
        } else {
            break;
        }
        cForm.append(s[i]);
    }
    if (digitCount == 0)
        return 0;
    // An exponent counts only when digits follow it: "12e" is 12.
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        const qsizetype firstDigit = j;
        while (j < s.size() && isAsciiDigit(s[j]))
            ++j;
        if (j > firstDigit) {
            cForm.append(u'e');
            cForm.append(s.constData() + i + 1, j - i - 1);
        }
    }
    // Qt gives an infinity on overflow and 0 on underflow, with ok false.
    return QLocale::c().toDouble(QStringView(cForm.constData(), cForm.size()));
}

QString FormatPlainNumber(float value)
{
    const QChar sign = value < 0 ? u'-' : u' ';
    if (!std::isfinite(value))
        return sign + nonFiniteText(std::fabs(value));
    const NumberText text = unsignedNumberText(std::fabs(double(value)), 7);
    QLatin1StringView digits = text.view();
    if (digits.startsWith(QLatin1StringView("0.")))
        digits = digits.sliced(1);
    QString result;
    result.reserve(digits.size() + 1);
    result.append(sign);
    result.append(digits);
    return result;
}

QString FormatLocalNumber(float value, const QLocale &locale, int significantDigits)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    // The digits are laid out and rounded as data.dat's are; only the
    // separator and the digits' script are the locale's.
    NumberText text;
    if (value < 0)
        text.append('-');
    const NumberText digits = unsignedNumberText(std::fabs(double(value)), std::clamp(significantDigits, 1, 9));
    text.append(digits.chars, digits.size);
    return common::localisedText(QString(text.view()), locale);
}

float RoundHalfEven(float value)
{
    if (!std::isfinite(value))
        return value;
    const float below = std::floor(value);
    const float fraction = value - below;
    if (fraction < 0.5f)
        return below;
    if (fraction > 0.5f)
        return below + 1;
    return std::fmod(below, 2.0f) == 0 ? below : below + 1;
}

TextCheck ValidateStageTexts(const StageTexts &texts, const QLocale &locale)
{
    return convertStageTexts(texts, locale).check;
}

StageInputs ReadStageInputs(const StageTexts &texts, const QLocale &locale)
{
    return convertStageTexts(texts, locale).inputs;
}

StageResults ComputeStage(const StageInputs &in, const QLocale &locale)
{
    StageResults out;
    out.values.reserve(kStageResultCount);
    out.texts.reserve(kStageResultCount);
    auto put = [&out](float value, const QString &text) {
        out.values.append(value);
        out.texts.append(text);
    };
    auto fault = [&out](int result) {
        out.fault = ArithmeticFault{result};
        return out;
    };

    // 1, 2: the entered R1 and R2 repeated beside the computed values.
    put(in.ru_kohm, FormatPlainNumber(in.ru_kohm));
    put(in.rk_ohm, FormatPlainNumber(in.rk_ohm));

    // 3: anode load; narrowed before it is rounded to a whole number.
    const double a = double(in.ia_ma) / 1000.0;
    if (a == 0)
        return fault(3);
    const double b = double(in.ea_v) / a;
    const double c = double(in.ri_kohm) * 1000.0 + double(in.rk_ohm);
    const double d = (b - c) / 1000.0;
    const float r3 = narrowToSingle(d);
    if (!allFinite({b, c, d, r3}))
        return fault(3);
    put(RoundHalfEven(r3), FormatPlainNumber(RoundHalfEven(r3)));

    // 4, 5: the coupling capacitors, in µF with R1 in kΩ; C2 is sized like C1.
    for (int result : {4, 5}) {
        const double w = 2.0 * std::numbers::pi * double(in.fmin_hz) * double(in.ru_kohm);
        if (w == 0)
            return fault(result);
        const double q = 1000.0 / w;
        const float capacitance = narrowToSingle(q);
        if (!allFinite({w, q, capacitance}) || capacitance == 0)
            return fault(result);
        put(capacitance, FormatLocalNumber(capacitance, locale, 4));
    }

    // 6: voltage across the tube.
    const float ua = narrowToSingle(double(in.ri_kohm) * double(in.ia_ma));
    if (!std::isfinite(ua))
        return fault(6);
    put(ua, FormatPlainNumber(ua));

    // 7: cathode voltage.
    const float uk = narrowToSingle(double(in.ia_ma) * double(in.rk_ohm) / 1000.0);
    if (!std::isfinite(uk))
        return fault(7);
    put(uk, FormatPlainNumber(uk));
    return out;
}

StageCalculation CalculateStage(const StageTexts &texts, const QLocale &locale)
{
    StageCalculation calc;
    const ConvertedTexts converted = convertStageTexts(texts, locale);
    calc.check = converted.check;
    if (calc.check == TextCheck::NotNumeric) {
        calc.message = kNotNumericMessage;
        return calc;
    }
    if (calc.check == TextCheck::ZeroEntered) {
        calc.message = kZeroEnteredMessage;
        return calc;
    }
    calc.inputs = converted.inputs;
    calc.results = ComputeStage(calc.inputs, locale);
    if (calc.results.fault)
        calc.message = arithmeticFaultMessage(*calc.results.fault);
    return calc;
}

} // namespace grideon
