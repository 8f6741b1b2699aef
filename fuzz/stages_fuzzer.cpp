// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the stage calculations of both programs with any texts: whatever is
// typed or read from a record, an output is a number the locale reads back,
// never NaN or an infinity, and the outputs come in their fixed order. The
// characteristics analysis of each stage's result gives rows that are numbers
// and points inside the plot's axes, or its one problem and nothing else; for
// the triode output stage the analysis shows the stage's own figures, and
// the output stages' solution handed on to it changes none of them. The
// cathode follower's and the splitter's gains stay below one, and the
// splitter's cathode output is never the smaller.
// The axes the plot is set up from, for the analysis and for any number in
// the input, hold a few ascending ticks whose labels read back as their values.
#include "anodix/analysis/characteristics.h"
#include "anodix/analysis/longtailedpairanalysis.h"
#include "anodix/stages/followers.h"
#include "anodix/stages/longtailedpair.h"
#include "common/numbertext.h"
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

// What limits the follower's, the splitter's and the long-tailed pair's
// swing, as their windows say it.
bool isLimit(const QString &text)
{
    return QStringList{"сеточный ток", "отсечка тока", "сеточный ток VL1", "сеточный ток VL2", "отсечка VL1",
                       "отсечка VL2", "—"}
        .contains(text);
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
        if (update.output == QLatin1String("Ogr")) {
            if (!isLimit(update.text))
                fail("a limit that is none of the pair's", update.text, input);
            continue;
        }
        // The pair's resistors it has none of, or finds none for.
        if ((update.output == QLatin1String("Rb") || update.output == QLatin1String("Ra2"))
            && update.text == QStringLiteral("—"))
            continue;
        if (update.text.isEmpty() || looksNonFinite(update.text) || !common::isNumeric(update.text, locale))
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
            if (common::toNumber(row.value, locale) != common::toNumber(update.text, locale))
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
        const double back = common::toNumber(tick.text, locale).value_or(NAN);
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
    // The stage window hands on the point its calculation solved: the analysis
    // made from it is the one a fresh solve makes, problem, rows and all.
    if (result.solved) {
        anodix::stage::StageSetup setup =
            anodix::stage::readStandardSetup(analysisInput.circuit, textsOf(analysisInput), locale);
        setup.handed = result.solved;
        const Analysis handed = analysisInput.circuit == Circuit::PushPull ? SolvePushPullStage(setup, locale).analysis
                                                                           : SolveSingleEnded(setup, locale).analysis;
        bool same = handed.problem == a.problem && handed.rows.size() == a.rows.size();
        for (qsizetype i = 0; same && i < a.rows.size(); ++i)
            same = handed.rows[i].value == a.rows[i].value;
        if (!same)
            fail("a handed-on solution changes the analysis", handed.problem + u' ' + a.problem, input);
    }
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
                return common::toNumber(row.value, locale);
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
        if (row.value.isEmpty() || looksNonFinite(row.value) || !common::isNumeric(row.value, locale))
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

// The long-tailed pair: Ea, Fmin, R1, Rn, eight record lines, then Ra, the
// tail and its supply. Shown, the outputs in antiphase and the imbalance
// the one their gains give; solved for the plot, its points inside the axes.
void checkLongTailedPair(const QStringList &fields, const QLocale &locale, const QByteArray &input)
{
    const anodix::LoadedTube tube{fields.mid(4, 8)};
    const anodix::LongTailedPairTexts texts{fields.value(0),  fields.value(12), fields.value(13), fields.value(14),
                                            fields.value(2), fields.value(1),  fields.value(3)};
    const anodix::StageResult result = anodix::CalculateLongTailedPair(texts, tube, locale);
    static const QStringList order{"R1", "Rb",  "Ia",    "Ua",    "Ugk", "Uk", "Ku1", "Ku2", "Dk",
                                   "Ra2", "Uvh", "Uvyh1", "Uvyh2", "Ogr", "C1", "C2",  "C3",  "Vt"};
    checkAnodix("long-tailed pair", result, order, locale, input);
    if (result.message)
        return;
    const auto shown = [&](const char *name) {
        for (const anodix::DisplayUpdate &update : result.updates)
            if (update.output == QLatin1String(name))
                return common::toNumber(update.text, locale).value_or(NAN);
        return double(NAN);
    };
    // The inverting output is usually the larger, but grid leaks small against
    // the tail drive the junction from the input and can turn that round; the
    // imbalance shown must say which.
    const double k1 = shown("Ku1"), k2 = shown("Ku2");
    if (!(k1 <= 0 && k2 >= 0))
        fail("an output of the wrong phase", QString::number(k1) + u' ' + QString::number(k2), input);
    if (-k1 > 0.1 && !(std::fabs((-k1 - k2) / -k1 * 100 - shown("Dk")) <= 0.06 + 0.02 * std::fabs(shown("Dk")) + 1 / -k1))
        fail("an imbalance the gains do not give", QString::number(shown("Dk")), input);
    anodix::stage::StageTexts stageTexts;
    for (const auto &[box, text] : {std::pair{"Ea", texts.ea}, {"Ra", texts.ra}, {"Rt", texts.tail}, {"Et", texts.eneg},
                                    {"R11", texts.r1}, {"Fn1", texts.fmin}, {"Rn", texts.rn}})
        stageTexts.boxes.insert(QString::fromLatin1(box), text);
    stageTexts.record = tube.lines;
    stageTexts.outputs = result.updates;
    anodix::stage::StageSetup setup =
        anodix::stage::readStandardSetup(anodix::stage::Circuit::LongTailedPair, stageTexts, locale);
    setup.handed = result.solved;
    const anodix::analysis::SolvedStage solved = anodix::analysis::SolveLongTailedPairStage(setup, locale);
    const anodix::analysis::Analysis &a = solved.analysis;
    if (!a.ok())
        return;
    QList<QPointF> points = a.dcLoadLine + a.acLoadLine;
    points << a.operatingPoint;
    for (const anodix::analysis::Curve &curve : a.curves)
        points += curve.points;
    for (const QPointF &p : points)
        if (!insideAxes(p, a))
            fail("a pair's plot point outside the axes", QString::number(p.x()) + u' ' + QString::number(p.y()), input);
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
    // The two output stages came later and take the bytes from 0xC0 (triode)
    // and 0xE0 (push-pull); the cathode follower 0xF0, the splitter 0xF8 and
    // the long-tailed pair 0xFC, so the seeds kept from before still run the
    // stage they were found on.
    const QLocale &locale = locales[data[0] % 2];
    const int stage = data[0] >= 0xFC ? 8
                      : data[0] >= 0xF8 ? 7
                      : data[0] >= 0xF0 ? 6
                      : data[0] >= 0xE0 ? 5
                      : data[0] >= 0xC0 ? 4
                                        : (data[0] >> 1) % 4;
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

    if (stage == 6 || stage == 7) {
        // Ea, Fmin, R1, the load, eight record lines, then the cathode
        // resistor (the splitter's equal loads).
        anodix::LoadedTube tube;
        tube.lines = fields.mid(4, 8);
        const QString ea = fields.value(0), fmin = fields.value(1), r1 = fields.value(2), rl = fields.value(3);
        const QString r = fields.value(12);
        anodix::StageResult result;
        if (stage == 6) {
            static const QStringList follower{"R1", "R2", "R3", "C1",  "C2",  "Uq",  "Iq", "Ugq",
                                              "Uk", "Ku", "Rvyh", "Cvh", "Uvh", "Ogr", "Vt"};
            result = anodix::CalculateCathodeFollowerStage({ea, r, r1, fmin, rl}, tube, {1.6, 1.7}, locale);
            checkAnodix("cathode follower", result, follower, locale, input);
        } else {
            static const QStringList splitter{"R1",  "R2",  "R3",       "R4",    "C1",    "C2",    "C3",
                                              "Uq",  "Iq",  "Ugq",      "Kua",   "Kuk",   "Nebalans", "Rvyha",
                                              "Rvyhk", "Uvyha", "Uvyhk", "Ogr",  "Vt"};
            result = anodix::CalculateSplitLoadStage({ea, r, r1, fmin, rl}, tube, locale);
            checkAnodix("split-load splitter", result, splitter, locale, input);
        }
        for (const anodix::DisplayUpdate &update : result.updates) {
            const double value = common::toNumber(update.text, locale).value_or(0);
            // A cathode follows its grid by less than all of it; the splitter's
            // anode inverts (its gain is shown as a magnitude).
            const bool cathode = update.output == QLatin1String("Ku") || update.output == QLatin1String("Kuk");
            if (cathode && !(value >= 0 && value <= 1))
                fail("a cathode's gain outside 0 to 1", update.text, input);
            if (update.output == QLatin1String("Kua") && !(value >= 0))
                fail("the splitter's anode not inverting", update.text, input);
            if (update.output == QLatin1String("Nebalans") && !(value >= 0))
                fail("the splitter's cathode output below its anode's", update.text, input);
        }
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
    } else if (stage == 8) {
        checkLongTailedPair(fields, locale, input);
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
        if (const std::optional<double> limit = common::toNumber(field, locale))
            checkAxis(anodix::analysis::axisPast(*limit, locale), false, locale, input);
    return 0;
}
