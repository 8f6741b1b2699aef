// Grideon's stage calculation and its number conversions and text forms.
#include "grideon/stagecalc.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
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

// The decimal digits of |value| rounded to significantDigits, in the C form
// without sign: plain below 10^7 and from 10^-4 on, "1.234568E+07" otherwise.
QString unsignedNumberText(double magnitude, int significantDigits)
{
    if (magnitude == 0)
        return QStringLiteral("0");
    // 'e' form rounds once, correctly; its exponent decides the text form,
    // so 9999999.6 rounded to 7 digits is already 1E+07.
    const QString scientific = QString::number(magnitude, 'e', significantDigits - 1);
    const qsizetype ePos = scientific.indexOf(u'e');
    QString digits = scientific.left(ePos);
    digits.remove(u'.');
    const int exponent = scientific.mid(ePos + 1).toInt();

    while (digits.size() > 1 && digits.endsWith(u'0'))
        digits.chop(1);

    if (exponent >= 7 || exponent < -4) {
        QString mantissa = digits.left(1);
        if (digits.size() > 1)
            mantissa += u'.' + digits.mid(1);
        return QStringLiteral("%1E%2%3")
            .arg(mantissa, exponent < 0 ? QStringLiteral("-") : QStringLiteral("+"))
            .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    }
    if (exponent < 0)
        return QStringLiteral("0.") + QString(-exponent - 1, u'0') + digits;
    const int wholeDigits = exponent + 1;
    if (digits.size() <= wholeDigits)
        return digits + QString(wholeDigits - digits.size(), u'0');
    return digits.left(wholeDigits) + u'.' + digits.mid(wholeDigits);
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

std::optional<double> ParseLocalNumber(const QString &text, const QLocale &locale)
{
    const QString t = text.trimmed();
    const QString point = locale.decimalPoint();
    qsizetype i = 0;
    auto takes = [&](const QString &token) {
        if (token.isEmpty() || !QStringView(t).sliced(i).startsWith(token))
            return false;
        i += token.size();
        return true;
    };
    auto takeDigits = [&](QString &into) {
        qsizetype count = 0;
        for (; i < t.size() && isAsciiDigit(t[i]); ++i, ++count)
            into += t[i];
        return count;
    };
    auto takeSign = [&](QString &into) {
        if (takes(QStringLiteral("-")) || takes(locale.negativeSign()))
            into += u'-';
        else
            takes(QStringLiteral("+")) || takes(locale.positiveSign());
    };

    QString cForm;
    takeSign(cForm);
    qsizetype digitCount = takeDigits(cForm);
    if (takes(point)) {
        cForm += u'.';
        digitCount += takeDigits(cForm);
    }
    if (digitCount == 0)
        return std::nullopt;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        cForm += u'e';
        takeSign(cForm);
        if (takeDigits(cForm) == 0)
            return std::nullopt;
    }
    if (i != t.size())
        return std::nullopt;

    // The text is a well-formed number, so Qt can only fail on its size: an
    // infinity on overflow (refused), 0 on underflow (kept, as 0.0 would be).
    const double value = QLocale::c().toDouble(cForm);
    if (std::isinf(narrowToSingle(value)))
        return std::nullopt;
    return value;
}

bool IsNumericText(const QString &text, const QLocale &locale)
{
    return ParseLocalNumber(text, locale).has_value();
}

double ParseLeadingNumber(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\n')
            s += c;

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
    QString cForm;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-'))
        cForm += s[i++];
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
        cForm += s[i];
    }
    if (digitCount == 0)
        return 0;
    // An exponent counts only when digits follow it: "12e" is 12.
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-'))
            exponent += s[j++];
        const qsizetype firstDigit = j;
        for (; j < s.size() && isAsciiDigit(s[j]); ++j)
            exponent += s[j];
        if (j > firstDigit)
            cForm += exponent;
    }
    // Qt gives an infinity on overflow and 0 on underflow, with ok false.
    return QLocale::c().toDouble(cForm);
}

QString FormatPlainNumber(float value)
{
    const bool negative = value < 0;
    QString text = std::isfinite(value) ? unsignedNumberText(std::fabs(double(value)), 7)
                                        : nonFiniteText(std::fabs(value));
    if (text.startsWith(QStringLiteral("0.")))
        text.remove(0, 1);
    return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + text;
}

QString FormatLocalNumber(float value, const QLocale &locale, int significantDigits)
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    QString text = unsignedNumberText(std::fabs(double(value)), std::clamp(significantDigits, 1, 9));
    text.replace(u'.', locale.decimalPoint());
    return value < 0 ? u'-' + text : text;
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
    bool allNumeric = true;
    bool zeroEntered = false;
    for (const QString &text : texts) {
        allNumeric = IsNumericText(text, locale) && allNumeric;
        zeroEntered = zeroEntered || text == QStringLiteral("0");
    }
    if (!allNumeric)
        return TextCheck::NotNumeric;
    return zeroEntered ? TextCheck::ZeroEntered : TextCheck::Ok;
}

StageInputs ReadStageInputs(const StageTexts &texts, const QLocale &locale)
{
    std::array<float, kStageInputCount> values{};
    for (int i = 0; i < kStageInputCount; ++i)
        values[i] = narrowToSingle(ParseLocalNumber(texts[i], locale).value_or(0));
    return fromArray(values);
}

StageResults ComputeStage(const StageInputs &in, const QLocale &locale)
{
    StageResults out;
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
    calc.check = ValidateStageTexts(texts, locale);
    if (calc.check == TextCheck::NotNumeric) {
        calc.message = kNotNumericMessage;
        return calc;
    }
    if (calc.check == TextCheck::ZeroEntered) {
        calc.message = kZeroEnteredMessage;
        return calc;
    }
    calc.inputs = ReadStageInputs(texts, locale);
    calc.results = ComputeStage(calc.inputs, locale);
    if (calc.results.fault)
        calc.message = arithmeticFaultMessage(*calc.results.fault);
    return calc;
}

} // namespace grideon
