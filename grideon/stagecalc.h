// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's calculation of one resistance-coupled triode stage, and the number
// texts it reads and writes. Window-free: texts in, texts and a message out.
//
// The chain: six box texts -> ValidateStageTexts (numeric, then zero check)
// -> ReadStageInputs (locale conversion, narrowed to float) -> ComputeStage
// (seven results, each with its fault check) -> the output labels' texts.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace grideon {

// The six inputs, single precision, in the order of the boxes and of "data.dat".
struct StageInputs
{
    float ri_kohm = 0; // internal resistance of the tube
    float ia_ma = 0;   // anode current at the operating point
    float rk_ohm = 0;  // cathode resistor R2
    float ea_v = 0;    // supply voltage Ea
    float ru_kohm = 0; // grid leak resistor R1
    float fmin_hz = 0; // lowest frequency to pass

    bool operator==(const StageInputs &) const = default;
};

inline constexpr int kStageInputCount = 6;
using StageTexts = std::array<QString, kStageInputCount>;

// The boxes holding the inputs, in StageInputs order.
inline constexpr std::array<const char *, kStageInputCount> kInputBoxes{"ri", "ia", "rk", "ea", "ru", "fmin"};

std::array<float, kStageInputCount> toArray(const StageInputs &inputs);
StageInputs fromArray(const std::array<float, kStageInputCount> &values);

// The output labels, in the order the results are computed: R1, R2, R3, C1, C2, Ua, Uk.
inline constexpr int kStageResultCount = 7;
inline constexpr std::array<const char *, kStageResultCount> kResultLabels{"r1", "r2", "r3", "c1", "c2", "ua", "uk"};

// The result (numbered from 1) that could not be computed.
struct ArithmeticFault
{
    int result = 0;
};

// A prefix of the seven results: all of them, or those before the fault.
struct StageResults
{
    QList<float> values;
    QStringList texts; // the text each output label shows
    std::optional<ArithmeticFault> fault;
};

enum class TextCheck { Ok, NotNumeric, ZeroEntered };

extern const QString kNotNumericMessage;
extern const QString kZeroEnteredMessage;
extern const QString kErrorTitle;
QString arithmeticFaultMessage(const ArithmeticFault &fault);

// Numeric check over all six texts first, then the zero check, which catches
// only the exact one-character text "0".
TextCheck ValidateStageTexts(const StageTexts &texts, const QLocale &locale);

// Each text through the locale conversion, narrowed to single precision.
// Texts that fail IsNumericText give 0; the window never passes them.
StageInputs ReadStageInputs(const StageTexts &texts, const QLocale &locale);

StageResults ComputeStage(const StageInputs &inputs, const QLocale &locale);

// The locale's conversion, the one both programs share (common::toNumber):
// blanks around the number, no group separators. A value that a single-
// precision field cannot hold is refused, so an input never becomes an
// infinity; one below the double range ("1e-400") reads as zero.
std::optional<double> ParseLocalNumber(const QString &text, const QLocale &locale);
bool IsNumericText(const QString &text, const QLocale &locale);

// Lenient, locale-independent reader of the longest leading number: blanks
// anywhere are dropped, "." is the only decimal separator, "&H" and "&O" start
// hexadecimal and octal whole numbers; no leading number gives 0.
double ParseLeadingNumber(const QString &text);

// " 470", " .5", "-.25", " 1.234568E+07": blank or "-", at most 7 significant
// digits, always ".", no "0" before the point.
QString FormatPlainNumber(float value);
// "0.04255319" or "0,04255319": FormatPlainNumber's digits, rounding and
// exponent form ("1,234568E+07"), but "-" only for negatives, a "0" before the
// separator, at most significantDigits significant digits, and the locale's
// separator and digits as the shared texts write them (common::localisedText).
QString FormatLocalNumber(float value, const QLocale &locale, int significantDigits = 7);

// double to float with IEEE rounding; beyond the float range gives an infinity.
float narrowToSingle(double value);

// Nearest whole number, an exact half to the even one: 204.5 -> 204, 47.5 -> 48.
float RoundHalfEven(float value);

// The whole click on "Рассчитать": check, convert, compute, reading each text
// once for both checks and the conversion. On a failed check the inputs and
// results are left empty and nothing may change in the window.
struct StageCalculation
{
    TextCheck check = TextCheck::Ok;
    StageInputs inputs;    // valid when check is Ok
    StageResults results;  // valid when check is Ok
    QString message;       // the message to show, empty when none
};
StageCalculation CalculateStage(const StageTexts &texts, const QLocale &locale);

} // namespace grideon
