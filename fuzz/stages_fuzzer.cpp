// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the stage calculations of both programs with any texts: whatever is
// typed or read from a record, an output is a number the locale reads back,
// never NaN or an infinity, and the outputs come in their fixed order. The
// characteristics analysis of each stage's result gives rows that are numbers
// and points inside the plot's axes, or its one problem and nothing else; for
// the triode output stage the analysis shows the stage's own figures.
// The axes the plot is set up from, for the analysis and for any number in
// the input, hold a few ascending ticks whose labels read back as their values.
#include "anodix/analysis/characteristics.h"
#include "anodix/stages/numbertext.h"
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"
#include "grideon/stagecalc.h"

#include <QLocale>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail, const QByteArray &input)
{
    std::fprintf(stderr, "invariant broken: %s\n  %s\n  input %s\n", what, detail.toUtf8().constData(),
                 input.toHex(' ').constData());
    std::abort();
}

bool looksNonFinite(const QString &text)
{
    return text.contains(QLatin1String("nan"), Qt::CaseInsensitive)
        || text.contains(QLatin1String("inf"), Qt::CaseInsensitive) || text.contains(QChar(0x221E));
}

// The push-pull stage's class is a word, not a number.
bool isClass(const QString &text)
{
    return text == QLatin1String("A") || text == QLatin1String("AB1");
}

void checkAnodix(const char *stage, const anodix::StageResult &result, const QStringList &order,
                 const QLocale &locale, const QByteArray &input)
{
    qsizetype next = 0;
    for (const anodix::DisplayUpdate &update : result.updates) {
        const qsizetype at = order.indexOf(update.output, next);
        if (at < 0)
            fail("an output out of its order", QString::fromLatin1(stage) + u' ' + update.output, input);
        next = at + 1;
        if (update.output == QLatin1String("Klass")) {
            if (!isClass(update.text))
                fail("a class that is neither A nor AB1", update.text, input);
            continue;
        }
        if (update.text.isEmpty() || looksNonFinite(update.text) || !anodix::isNumeric(update.text, locale))
            fail("an output that is no number", QString::fromLatin1(stage) + u' ' + update.text, input);
    }
    if (result.message && result.message->title != QStringLiteral("Ошибка"))
        fail("a message without the title Ошибка", result.message->title, input);
    if (!result.message && result.updates.size() != order.size())
        fail("a calculation without a message left outputs out", QString::fromLatin1(stage), input);
}

bool insideAxes(QPointF p, const anodix::analysis::Analysis &a)
{
    return std::isfinite(p.x()) && std::isfinite(p.y()) && p.x() >= -1e-9 * a.ua.max && p.y() >= -1e-9 * a.ia.max
        && p.x() <= a.ua.max * (1 + 1e-9) && p.y() <= a.ia.max * (1 + 1e-9);
}

// The rows that the triode output stage's window shows too, rounded alike.
void checkSameFigures(const anodix::analysis::Analysis &a, const anodix::StageResult &result, const QLocale &locale,
                      const QByteArray &input)
{
    if (result.message)
        return;
    for (const anodix::analysis::AnalysisRow &row : a.rows) {
        for (const anodix::DisplayUpdate &update : result.updates) {
            if (update.output != QLatin1String(row.name))
                continue;
            if (anodix::toNumber(row.value, locale) != anodix::toNumber(update.text, locale))
                fail("the analysis differs from the stage", row.spoken() + QStringLiteral(" / ") + update.text, input);
        }
    }
}

// An axis's ticks are what the plot takes verbatim: a runaway count or an
// unreadable label here would reach Qt Charts.
void checkAxis(const anodix::analysis::Axis &axis, bool mustHaveTicks, const QLocale &locale, const QByteArray &input)
{
    using anodix::analysis::AxisTick;
    if (axis.ticks.isEmpty()) {
        if (mustHaveTicks)
            fail("a drawn axis without ticks", QString::number(axis.max), input);
        return;
    }
    if (axis.ticks.size() > anodix::analysis::kMaxAxisTicks || axis.ticks.first().value != 0
        || axis.ticks.last().value != axis.max)
        fail("an axis whose ticks do not span it", QString::number(axis.ticks.size()), input);
    double last = -1;
    for (const AxisTick &tick : axis.ticks) {
        const double back = anodix::toNumber(tick.text, locale).value_or(NAN);
        if (!(tick.value > last) || tick.text.size() > 7 || tick.text.contains(u'E')
            || !(std::fabs(back - tick.value) <= 1e-12 * axis.max))
            fail("an axis label out of order or unreadable", tick.text, input);
        last = tick.value;
    }
}

void checkAnalysis(anodix::analysis::AnalysisInput analysisInput, const anodix::StageResult &result,
                   const QLocale &locale, const QByteArray &input)
{
    using namespace anodix::analysis;
    analysisInput.outputs = result.updates;
    const Analysis a = AnalyzeStage(analysisInput, locale);
    if (!a.ok()) {
        if (!a.rows.isEmpty() || !a.curves.isEmpty())
            fail("an analysis with a problem and results", a.problem, input);
        return;
    }
    const int rowCount = analysisInput.circuit == Circuit::PushPull       ? 7
                       : analysisInput.circuit == Circuit::TriodeOutput ? 10
                       : analysisInput.circuit == Circuit::TriodePreamp       ? 8
                                                                       : 9;
    if (a.rows.size() != rowCount)
        fail("an analysis with rows missing", a.problem, input);
    // The output stages' harmonics from their driven period: none above the whole.
    const auto rowValue = [&](const char *name) {
        for (const AnalysisRow &row : a.rows)
            if (qstrcmp(row.name, name) == 0)
                return anodix::toNumber(row.value, locale);
        return std::optional<double>();
    };
    if (const std::optional<double> thd = rowValue("THD")) {
        for (const char *harmonic : {"D2", "D3"})
            if (const std::optional<double> h = rowValue(harmonic); h && !(*h >= 0 && *h <= *thd))
                fail("a harmonic above the total distortion", QString::fromLatin1(harmonic), input);
    }
    for (const AnalysisRow &row : a.rows) {
        if (qstrcmp(row.name, "Klass") == 0) {
            if (!isClass(row.value))
                fail("an analysis class that is neither A nor AB1", row.value, input);
            continue;
        }
        if (row.value.isEmpty() || looksNonFinite(row.value) || !anodix::isNumeric(row.value, locale))
            fail("an analysis row that is no number", row.spoken(), input);
    }
    if (!(a.ua.tick > 0 && a.ia.tick > 0) || a.curves.size() < 6 || a.curves.size() > 10)
        fail("an analysis without its axes or curves", QString::number(a.curves.size()), input);
    checkAxis(a.ua, true, locale, input);
    checkAxis(a.ia, true, locale, input);
    QList<QPointF> points = a.dcLoadLine + a.acLoadLine + a.compositeLoadLine;
    points << a.operatingPoint << a.swingLow << a.swingHigh;
    for (const Curve &curve : a.curves)
        points += curve.points;
    for (const QPointF &p : points) {
        if (!insideAxes(p, a))
            fail("an analysis point outside the axes", QString::number(p.x()) + u' ' + QString::number(p.y()), input);
    }
    if (analysisInput.circuit == Circuit::TriodeOutput)
        checkSameFigures(a, result, locale, input);
}

void checkGrideon(const grideon::StageCalculation &calc, const QLocale &locale, const QByteArray &input)
{
    if (calc.check != grideon::TextCheck::Ok) {
        if (calc.message.isEmpty() || !calc.results.texts.isEmpty())
            fail("a failed check without its message, or with results", calc.message, input);
        return;
    }
    const grideon::StageResults &results = calc.results;
    if (results.texts.size() != results.values.size())
        fail("results and their texts differ in number", QString(), input);
    if (results.fault.has_value() == (results.texts.size() == grideon::kStageResultCount))
        fail("a fault with all results, or missing results without one", QString(), input);
    for (qsizetype i = 0; i < results.texts.size(); ++i) {
        const float value = results.values[i];
        const QString &text = results.texts[i];
        if (!std::isfinite(value) || looksNonFinite(text))
            fail("a result that is not finite", text, input);
        // c1 and c2 (results 4 and 5) take the local form with 4 digits, the others the plain form.
        const bool local = i == 3 || i == 4;
        const double back = local ? grideon::ParseLocalNumber(text, locale).value_or(NAN)
                                  : grideon::ParseLeadingNumber(text);
        const double tolerance = (local ? 5e-4 : 6e-7) * std::fabs(value);
        if (!(std::fabs(back - value) <= tolerance))
            fail("a result text does not read back as its value", text, input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::Russian, QLocale::Russia)};
    // The first byte picks the locale (bit 0) and the calculation (the rest), so
    // each input runs one stage: the same coverage at several times the rate.
    // The two output stages came last and take the bytes from 0xC0 (triode)
    // and 0xE0 (push-pull), so the seeds kept from before still run the stage
    // they were found on.
    const QLocale &locale = locales[data[0] % 2];
    const int stage = data[0] >= 0xE0 ? 5 : data[0] >= 0xC0 ? 4 : (data[0] >> 1) % 4;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList fields = QString::fromUtf8(input.mid(1)).split(QLatin1Char('\n'));

    if (stage == 3) {
        // Grideon: the six boxes.
        grideon::StageTexts texts;
        for (int i = 0; i < grideon::kStageInputCount; ++i)
            texts[i] = fields.value(i);
        checkGrideon(grideon::CalculateStage(texts, locale), locale, input);
        return 0;
    }

    // Anodix: Ea, Fmin, R1, Rn, then the record's lines (as many as given);
    // the triode output stage takes its ratio Ra / Ri before the record; the
    // push-pull stage takes Ug2, Raa, Rk and the screens' tap after ten record lines.
    anodix::LoadedTube tube;
    const QString kn = stage == 4 ? fields.value(4) : QString();
    tube.lines = stage == 4 ? fields.mid(5, 8) : fields.mid(4, 10);
    const QString ea = fields.value(0), fmin = fields.value(1), r1 = fields.value(2), rn = fields.value(3);
    static const QStringList triode{"R1", "R2", "R3", "C1", "Ku", "C3", "Vt"};
    static const QStringList pentode{"R1", "R2", "R4", "C1", "R3", "Ku", "C4", "Vt"};
    static const QStringList power{"R1", "C1", "R2", "Uvh", "Rt1", "Vih", "Kt", "Vt"};
    using anodix::analysis::Circuit;
    anodix::StageResult result;
    Circuit kind = Circuit::TriodePreamp;
    if (stage == 0) {
        result = anodix::CalculateTriodeStage(ea, fmin, r1, tube, locale);
        checkAnodix("triode", result, triode, locale, input);
    } else if (stage == 1) {
        kind = Circuit::PentodePreamp;
        result = anodix::CalculatePentodeStage(ea, fmin, r1, tube, locale);
        checkAnodix("pentode", result, pentode, locale, input);
    } else if (stage == 4) {
        kind = Circuit::TriodeOutput;
        result = anodix::CalculateTriodeOutputStage(ea, fmin, r1, rn, kn, tube, locale);
        static const QStringList output{"R1", "C1",  "R2", "C2",  "PR2",  "Uq",  "Iq", "Ugq", "Pa",
                                        "Ra", "Kt", "L1", "Imag", "Uvh", "Pout", "D2", "D3", "THD", "Eff", "Vt"};
        checkAnodix("triode output", result, output, locale, input);
    } else if (stage == 5) {
        static const QStringList pushPull{"R1",  "C1",  "Ugq",   "Iq",   "Ig2q", "Pa", "Klass",
                                          "Kt",  "L1",  "Uvh",   "Ipk",  "Uamin", "Pout", "D2",
                                          "D3",  "THD", "Vt",    "Ri",   "Kd"};
        kind = Circuit::PushPull;
        const anodix::PushPullTexts texts{ea, fields.value(14), fmin, r1, rn, fields.value(15), fields.value(16),
                                          fields.value(17)};
        result = anodix::CalculatePushPullStage(texts, tube, locale);
        checkAnodix("push-pull", result, pushPull, locale, input);
        anodix::analysis::AnalysisInput analysisInput{
            kind, QStringLiteral("T"), tube.lines, ea, fmin, r1, rn, {}, {}, texts.ug2, texts.raa, texts.rk};
        analysisInput.tap = texts.tap;
        checkAnalysis(analysisInput, result, locale, input);
        return 0;
    } else {
        kind = Circuit::PentodePower;
        result = anodix::CalculatePowerStage(ea, fmin, r1, rn, tube, locale);
        checkAnodix("power", result, power, locale, input);
    }
    // Analysed whatever the stage said, so the analysis meets every record.
    checkAnalysis({kind, QStringLiteral("T"), tube.lines, ea, fmin, r1, rn, {}, kn, {}, {}, {}}, result, locale, input);
    // The axis set-up meets every range, not only those an analysis reaches.
    for (const QString &field : fields)
        if (const std::optional<double> limit = anodix::toNumber(field, locale))
            checkAxis(anodix::analysis::axisPast(*limit, locale), false, locale, input);
    return 0;
}
