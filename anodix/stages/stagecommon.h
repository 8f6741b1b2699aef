// SPDX-License-Identifier: GPL-3.0-or-later
// What the stage calculations share: reading their inputs, showing
// outputs in the locale's form, the formulas of more than one stage, and the
// failures that stop a calculation. Internal to the stages library.
#pragma once

#include "common/numbertext.h"
#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>

namespace anodix::stage {

// How bad input is handled, the same in every stage:
// - every value a stage uses is converted before its first output, so a text
//   that is no number (typed or from the record) reports the input error and
//   changes no output;
// - a value beyond the single-precision range, or a result that is not
//   finite, reports the out-of-range message;
// - a zero divisor reports division by zero at its step, a negative value
//   under a square root its own message; outputs already written stay.
// A failing step throws Failure; run() turns it into the result's message.
// A stage with a message of its own throws that StageMessage instead.
enum class Failure { InputError, DivisionByZero, NegativeRoot, OutOfRange };

StageMessage messageFor(Failure failure);

// The refusal of values that must be above zero, by the names the user knows.
StageMessage notPositiveMessage(const QStringList &names);

// Where a typed value can belong to a real stage at all; outside it a
// result would only look like one. The bounds are the stages' own, each
// with its reason where it is set.
struct Range
{
    const char *name; // as the user knows it: "Ra / Ri", "Rн"
    double low, high;
    const char *unit; // "" for a ratio
};

// The out-of-range message naming the value and its range (the wording of the
// characteristics window: "… допустимо от … до …").
StageMessage rangeMessage(const Range &range, double value, const QLocale &locale);
// Throws rangeMessage for a value outside its range.
void checkRange(const Range &range, double value, const QLocale &locale);

// The ranges both output stages share:
// - Ea as the characteristics window takes it: beyond 1 V … 100 kV the
//   figures shown lose their digits to rounding;
// - Fmin from 0.1 Hz, below which no coupling capacitor or primary can be
//   built, to 100 kHz, past any audio band;
// - R1 from 1 kΩ, which would load any driver to nothing, to 10 MΩ, more
//   than the grid current of any power tube allows (sheets: 0.1 … 1 MΩ);
// - Rн from 1 Ω, below the smallest loudspeaker, to 10 kΩ, past lines and
//   high-impedance headphones.
inline constexpr Range kSupplyRange{"Ea", 1, 100000, "В"};
inline constexpr Range kLowestFrequencyRange{"Fmin", 0.1, 100000, "Гц"};
inline constexpr Range kGridLeakRange{"R1", 1, 10000, "кОм"};
inline constexpr Range kLoadRange{"Rн", 1, 10000, "Ом"};

// The single that value rounds to, or nothing where it rounds beyond the
// largest single (or is no finite number). A plain cast of such a double is
// undefined behaviour that no sanitizer reports, so the range comes first.
constexpr std::optional<float> narrowToSingle(double value)
{
    constexpr double largest = 0x1.fffffep127;     // the largest single
    constexpr double overflowFrom = 0x1.ffffffp127; // half its last place above it rounds up
    if (!(value > -overflowFrom && value < overflowFrom))
        return std::nullopt;
    if (value > largest || value < -largest)
        return value < 0 ? -float(largest) : float(largest);
    return static_cast<float>(value);
}

// A number a stage needs: Failure::InputError for none (a text that was no
// number), and as a single Failure::OutOfRange for one a single cannot hold.
double requiredNumber(std::optional<double> value);
float singleNumber(std::optional<double> value);

// The refusals over a stage's setup, whose texts were read once: the
// boxes by their objectNames, the record's fields as numbers.
// A record as the stages on the tube's model take it: the heater and the
// point and figures of the circuit's tube type.
struct RecordFigures
{
    double un = 0, in = 0; // heater, V and A
    model::TubeFigures figures;
};

class SetupReader
{
public:
    explicit SetupReader(const StageSetup &setup) : m_setup(setup) {}

    const StageSetup &setup() const { return m_setup; }
    bool hasRecord() const { return m_setup.fields.lines > 0; }
    bool has(TubeField field) const { return m_setup.fields.has(field); }

    // A box's number; nothing for a blank box or a text that is no number.
    std::optional<double> box(const char *name) const { return m_setup.box(name).number; }
    bool blank(const char *name) const { return m_setup.box(name).blank; }
    double boxDouble(const char *name) const { return requiredNumber(box(name)); }
    float boxSingle(const char *name) const { return singleNumber(box(name)); }

    // A record field; nothing where the record ends before it or it is no number.
    std::optional<double> field(TubeField field) const { return m_setup.fields[field]; }
    double fieldDouble(TubeField name) const { return requiredNumber(field(name)); }
    float fieldSingle(TubeField name) const { return singleNumber(field(name)); }
    // Every field RecordFigures holds, each required.
    RecordFigures recordFigures() const;

private:
    const StageSetup &m_setup;
};

// The values all three stages take, converted in the order the stages name them.
struct Inputs
{
    // Single-precision working values.
    float uc = 0, ia = 0, ea = 0, fmin = 0, s = 0, ri = 0, r1 = 0;
    // Record texts as doubles, for the power drawn.
    double un = 0, in = 0, ua = 0, iaRecord = 0;
};

// First the four checked values (AnodeCurrent, GridBias, R11, Fn1; an absent
// AnodeCurrent passes, the empty GridBias of no loaded tube does not), then
// the rest; from the boxes Ea, Fn1 and R11 and the record, as read.
Inputs readInputs(const SetupReader &read);

// Collects the display updates of one calculation.
class Outputs
{
public:
    Outputs(StageResult &result, const QLocale &locale) : m_result(result), m_locale(locale) {}

    // Each shows a text and returns it, so later steps can read it back.
    QString single(const QString &output, float value);
    QString plain(const QString &output, double value);
    QString rounded(const QString &output, double value, int decimals, int significantDigits = common::doubleDigits);
    // A coupling capacitor in µF for the lowest frequency and R1 in kΩ,
    // shown with 4 significant digits.
    QString capacitor(const QString &output, float fmin, double r1);
    void copy(const QString &output, const QString &text);

    // As single and rounded, giving the number the shown text stands for:
    // a later step works with the figure the user sees.
    double singleShown(const QString &output, float value);
    double roundedShown(const QString &output, double value, int decimals,
                        int significantDigits = common::doubleDigits);

private:
    QString show(const QString &output, double value, int significantDigits);

    StageResult &m_result;
    const QLocale &m_locale;
};

// Runs the steps of a stage; a Failure becomes the message after the outputs
// written so far.
template <typename Steps>
StageResult run(const QLocale &locale, Steps &&steps)
{
    StageResult result;
    result.updates.reserve(8);
    try {
        Outputs outputs(result, locale);
        steps(outputs);
    } catch (Failure failure) {
        result.message = messageFor(failure);
    } catch (const StageMessage &message) {
        result.message = message;
    }
    return result;
}

template <typename T>
T divide(T dividend, T divisor)
{
    if (divisor == 0)
        throw Failure::DivisionByZero;
    return dividend / divisor;
}

double squareRoot(double value);

// Formulas of the two preamplifier stages, in their working precision.
float cathodeResistor(const Inputs &in);                     // Uc / Ia, kΩ
float anodeLoad(const Inputs &in);                           // Ea / (2 × Ia), kΩ
double gain(const Inputs &in, double anodeLoadShown);        // S × Ra × Ri / (Ra + Ri)
// Un × In + Ua × Ia / 1000, W; all three stages.
double powerDrawn(const Inputs &in);

} // namespace anodix::stage
