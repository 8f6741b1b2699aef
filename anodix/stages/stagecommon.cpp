// SPDX-License-Identifier: GPL-3.0-or-later
// What the stage calculations share; see stagecommon.h.
#include "anodix/stages/stagecommon.h"

#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

namespace anodix::stage {

StageMessage messageFor(Failure failure)
{
    const QString title = QStringLiteral("Ошибка");
    switch (failure) {
    case Failure::InputError:
        return {title, QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа")};
    case Failure::DivisionByZero:
        return {title, QStringLiteral("Ошибка: Деление на ноль. Проверьте исходные данные")};
    case Failure::NegativeRoot:
        return {title, QStringLiteral("Ошибка: Отрицательное подкоренное выражение. Проверьте исходные данные")};
    case Failure::OutOfRange:
        return {title, QStringLiteral("Ошибка: Значение вне допустимого диапазона. Проверьте исходные данные")};
    }
    return {title, QString()};
}

StageMessage notPositiveMessage(const QStringList &names)
{
    const QString text = names.size() == 1
        ? QStringLiteral("Ошибка: Значение %1 должно быть больше нуля. Проверьте исходные данные")
        : QStringLiteral("Ошибка: Значения %1 должны быть больше нуля. Проверьте исходные данные");
    return {QStringLiteral("Ошибка"), text.arg(names.join(QStringLiteral(", ")))};
}

StageMessage rangeMessage(const Range &range, double value, const QLocale &locale)
{
    return {QStringLiteral("Ошибка"),
            QStringLiteral("Ошибка: Значение вне допустимого диапазона: %1. Проверьте исходные данные")
                .arg(common::rangeText(QString::fromUtf8(range.name), value, range.low, range.high,
                               QString::fromUtf8(range.unit), locale))};
}

void checkRange(const Range &range, double value, const QLocale &locale)
{
    if (!(value >= range.low && value <= range.high))
        throw rangeMessage(range, value, locale);
}

double requiredNumber(std::optional<double> value)
{
    if (!value)
        throw Failure::InputError;
    return *value;
}

float singleNumber(std::optional<double> value)
{
    const std::optional<float> narrowed = narrowToSingle(requiredNumber(value));
    if (!narrowed)
        throw Failure::OutOfRange;
    return *narrowed;
}

RecordFigures SetupReader::recordFigures() const
{
    using F = TubeField;
    RecordFigures r;
    r.un = fieldDouble(F::HeaterVoltage);
    r.in = fieldDouble(F::HeaterCurrent);
    r.figures.ua0 = fieldDouble(F::AnodeVoltage);
    r.figures.ia0 = fieldDouble(F::AnodeCurrent);
    r.figures.uc = fieldDouble(F::GridBias);
    r.figures.s = fieldDouble(F::Transconductance);
    r.figures.ri = fieldDouble(F::InternalResistance);
    // Each tube type has its own fields: a triode's μ, a pentode's screen.
    if (circuitData(m_setup.circuit).tube == model::TubeType::Pentode) {
        r.figures.ug2 = fieldDouble(F::ScreenVoltage);
        r.figures.ig2 = fieldDouble(F::ScreenCurrent);
    } else {
        r.figures.mu = fieldDouble(F::AmplificationFactor);
    }
    r.figures.model = m_setup.tube.model;
    return r;
}

Inputs readInputs(const SetupReader &read)
{
    const std::optional<double> ia = read.field(TubeField::AnodeCurrent);
    const std::optional<double> uc = read.field(TubeField::GridBias);
    const std::optional<double> r1Number = read.box("R11");
    const std::optional<double> fminNumber = read.box("Fn1");
    const bool iaPasses = ia || !read.has(TubeField::AnodeCurrent);
    if (!iaPasses || !uc || !r1Number || !fminNumber)
        throw Failure::InputError;

    Inputs in;
    in.uc = singleNumber(uc);
    in.ia = singleNumber(ia);
    in.ea = read.boxSingle("Ea");
    in.fmin = singleNumber(fminNumber);
    in.s = read.fieldSingle(TubeField::Transconductance);
    in.ri = read.fieldSingle(TubeField::InternalResistance);
    in.r1 = singleNumber(r1Number);
    in.un = read.fieldDouble(TubeField::HeaterVoltage);
    in.in = read.fieldDouble(TubeField::HeaterCurrent);
    in.ua = read.fieldDouble(TubeField::AnodeVoltage);
    in.iaRecord = *ia;
    return in;
}

QString Outputs::show(const QString &output, double value, int significantDigits)
{
    if (!std::isfinite(value))
        throw Failure::OutOfRange;
    QString text = significantDigits == common::singleDigits ? common::singleText(singleNumber(value), m_locale)
                                                     : common::doubleText(value, m_locale);
    m_result.updates.append({output, text});
    return text;
}

QString Outputs::single(const QString &output, float value)
{
    return show(output, value, common::singleDigits);
}

QString Outputs::plain(const QString &output, double value)
{
    return show(output, value, common::doubleDigits);
}

QString Outputs::rounded(const QString &output, double value, int decimals, int significantDigits)
{
    // The rounded value has no more digits than its source text, so the
    // double text shows it exactly; but from 1e15 up that text takes the
    // exponent form with up to 15 digits, which no row of decimals can show
    // (rounding to decimals removes no digit there), so such a value is out
    // of the row's range.
    const double shown = common::roundHalfEven(value, decimals, significantDigits);
    if (std::abs(shown) >= 1e15)
        throw Failure::OutOfRange;
    return show(output, shown, common::doubleDigits);
}

QString Outputs::capacitor(const QString &output, float fmin, double r1)
{
    // C = 1 / (2π·F·R) farads; with R in kΩ, 1000 / (2π·F·R) is in µF.
    const double microfarads = divide(1000.0, 2 * std::numbers::pi * fmin * r1);
    return show(output, common::roundSignificant(microfarads, 4), common::doubleDigits);
}

void Outputs::copy(const QString &output, const QString &text)
{
    m_result.updates.append({output, text});
}

double Outputs::singleShown(const QString &output, float value)
{
    single(output, value);
    // The text shows the single's shortest 7 significant digits; the decimal
    // they spell is the number, as reading that text back would give it.
    if (value == 0)
        return 0;
    std::array<char, 48> digits{};
    const char *end = std::to_chars(digits.data(), digits.data() + digits.size(), double(value),
                                    std::chars_format::general, common::singleDigits).ptr;
    double shown = 0;
    std::from_chars(digits.data(), end, shown);
    return shown;
}

double Outputs::roundedShown(const QString &output, double value, int decimals, int significantDigits)
{
    rounded(output, value, decimals, significantDigits);
    // The rounded value has at most 15 significant digits, so its text
    // spells it exactly and reads back as this same number.
    return common::roundHalfEven(value, decimals, significantDigits);
}

double squareRoot(double value)
{
    if (value < 0)
        throw Failure::NegativeRoot;
    return std::sqrt(value);
}

float cathodeResistor(const Inputs &in)
{
    return divide(in.uc, in.ia);
}

float anodeLoad(const Inputs &in)
{
    return divide(in.ea, 2.0f * in.ia);
}

double gain(const Inputs &in, double anodeLoadShown)
{
    return divide(in.s * anodeLoadShown * in.ri, anodeLoadShown + in.ri);
}

double powerDrawn(const Inputs &in)
{
    return in.un * in.in + in.ua * (in.iaRecord / 1000);
}

} // namespace anodix::stage
