// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage: the operating point that the cathode
// resistor settles on, one period of full drive into the transformer's
// reflected load, and the parts and figures that follow from them.
#include "anodix/stages/triodeoutputstage.h"

#include "anodix/stages/cycle.h"
#include "anodix/stages/handedsolution.h"
#include "anodix/stages/solvecount.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace anodix {

namespace {

// The anode current along one period of the drive, the cathode at uk and the
// load line crossing Ia = 0 at u0 (anode to cathode). Each step is where the
// curve at its grid voltage meets the line: the curve rises with Ua and the
// line falls, so they cross once, or at the line's end where the tube is cut
// off. The line may run past Ea: the primary lifts the anode above the supply.
// The drive is a sine, so the current is the same at phases θ and π − θ.
stage::Cycle anodeCycle(const model::TubeModel &model, double u0, double uk, double ra, double drive)
{
    stage::Cycle ia{};
    constexpr int n = stage::kCycleSteps, quarter = n / 4;
    if (!(u0 > 0))
        return ia;
    // Each step is searched beside the last two carried on: the current
    // changes smoothly with the drive.
    const double tiny = 1e-9 * u0 / ra;
    double last = -1, change = 0;
    for (int k = -quarter; k <= quarter; ++k) {
        const double ug = -uk + drive * stage::sineCycle()[(k + n) % n];
        const double i = model::increasingRootNear([&](double a) { return a - model.anodeCurrent(u0 - a * ra, ug); },
                                                   last + change, 0.1 * std::abs(change) + tiny, 0, u0 / ra, 1e-8);
        change = last >= 0 ? i - last : 0;
        last = i;
        ia[(k + n) % n] = i;
        ia[(n / 2 - k + n) % n] = i;
    }
    return ia;
}

double parallel(double a, double b)
{
    return stage::divide(a * b, a + b);
}

// The values the stage takes, all in double precision.
struct Values
{
    double ea = 0, fmin = 0, r1 = 0, rn = 0, kn = 0;
    double un = 0, in = 0;
    model::TubeFigures tube;
};

// At the given drive, or at |Ugq| when there is none.
std::optional<TriodeOutputSwing> solve(const model::TubeModel &model, double ea, double rk, double ra,
                                       std::optional<double> driven)
{
    // The anode current at Ug = 0 bounds Iq from above: the bias only lowers it.
    const double most = model.anodeCurrent(ea, 0);
    if (!(most > 0) || !(ea > 0))
        return std::nullopt;
    TriodeOutputSwing q;
    q.iq = model::increasingRoot([&](double i) { return i - model.anodeCurrent(ea - i * rk, -i * rk); }, 0, most);
    if (!(q.iq > 0))
        return std::nullopt;
    q.ugq = -q.iq * rk;
    q.uq = ea + q.ugq;
    const double drive = driven.value_or(std::abs(q.ugq));

    // Driven, the bypassed cathode sits at Rk times the mean current I, and
    // the transformer passes only the current's change, so the line crosses
    // Ia = 0 at Ea − Uk + Ra·I. I is where the period's mean current equals
    // it. At every step the current moves with I by (ga·(Ra − Rk) − S·Rk) /
    // (1 + ga·Ra), less than 1 for any curve that rises with Ua and Ug, so
    // I − mean rises and has one root.
    const auto cycleAt = [&](double mean) { return anodeCycle(model, ea - mean * rk + mean * ra, mean * rk, ra, drive); };
    const auto balance = [&](double mean) { return mean - stage::meanOf(cycleAt(mean)); };
    // Above Ea/Rk the mean would exceed what the line allows (Ea/Ra + I·(1 − Rk/Ra)).
    double high = rk > 0 ? ea / rk : 2 * q.iq;
    for (int doubling = 0; rk == 0 && doubling < 64 && !(balance(high) > 0); ++doubling)
        high *= 2;
    q.mean = model::increasingRootNear(balance, q.iq, 0.02 * q.iq, 0, high, 1e-6);
    q.uk = q.mean * rk;
    const stage::Cycle ia = cycleAt(q.mean);
    const stage::Spectrum spectrum = stage::spectrumOf(ia);
    constexpr int n = stage::kCycleSteps;
    const double u0 = ea - q.uk + q.mean * ra;
    q.imax = ia[n / 4];
    q.umin = u0 - q.imax * ra;
    q.imin = ia[3 * n / 4];
    q.umax = u0 - q.imin * ra;
    q.pout = spectrum.fundamental * spectrum.fundamental * ra / 2 / 1000;
    q.harmonics = spectrum.harmonics;
    q.d2 = spectrum.harmonics[0];
    q.d3 = spectrum.harmonics[1];
    q.thd = spectrum.thd;
    return q;
}

} // namespace

std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra,
                                                   double drive)
{
    stage::countSolve();
    return solve(model, ea, rk, ra, drive);
}

std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra)
{
    stage::countSolve();
    return solve(model, ea, rk, ra, std::nullopt);
}

namespace {

// Every value the stage takes; a box or a field that is no number stops it.
Values valuesOf(const stage::SetupReader &read)
{
    Values v;
    v.ea = read.boxDouble("Ea");
    v.fmin = read.boxDouble("Fn1");
    v.r1 = read.boxDouble("R11");
    v.rn = read.boxDouble("Rn");
    v.kn = read.boxDouble("Kn");
    const stage::RecordFigures record = read.recordFigures();
    v.un = record.un;
    v.in = record.in;
    v.tube = record.figures;
    return v;
}

void check(const Values &v, const QLocale &locale)
{
    // Each of these divides somewhere below, or gives a stage that cannot be.
    const std::array<std::pair<const char *, double>, 9> positive{{
        {"Ea", v.ea}, {"Fmin", v.fmin}, {"R1", v.r1}, {"Rн", v.rn}, {"Ra / Ri", v.kn},
        {"Ia", v.tube.ia0}, {"S", v.tube.s}, {"μ", v.tube.mu}, {"Ri", v.tube.ri},
    }};
    for (const auto &[name, value] : positive) {
        if (value == 0)
            throw stage::Failure::DivisionByZero;
        if (value < 0)
            throw stage::notPositiveMessage({QString::fromUtf8(name)});
    }

    // The sheets load a power triode with 1.5 to 10 times its Ri. Below
    // half of Ri the swing runs mostly in grid current and cut-off; past
    // fifty times the curves have long turned flat and the load line
    // meets them nowhere new.
    constexpr stage::Range kRatioRange{"Ra / Ri", 0.5, 50, ""};
    for (const auto &[range, value] : {std::pair{stage::kSupplyRange, v.ea}, {stage::kLowestFrequencyRange, v.fmin},
                                       {stage::kGridLeakRange, v.r1}, {stage::kLoadRange, v.rn},
                                       {kRatioRange, v.kn}})
        stage::checkRange(range, value, locale);
}

void show(stage::Outputs &out, const Values &v, double rk, double ra, const TriodeOutputSwing &q)
{
    const auto significant = [&](const char *name, double value, int digits) {
        out.plain(QString::fromLatin1(name), common::roundSignificant(value, digits));
    };
    const auto decimals = [&](const char *name, double value, int count) {
        out.rounded(QString::fromLatin1(name), value, count);
    };
    const double twoPiF = 2 * std::numbers::pi * v.fmin;
    const double cathodeSource = (v.tube.ri + ra) / (v.tube.mu + 1); // the tube seen from its cathode
    const double supplyPower = v.ea * q.iq / 1000;

    out.plain(QStringLiteral("R1"), v.r1);
    significant("C1", stage::divide(1000.0, twoPiF * v.r1), 4);
    decimals("R2", rk, 3);
    significant("C2", stage::divide(1000.0, twoPiF * parallel(rk, cathodeSource)), 3);
    decimals("PR2", q.iq * q.iq * rk / 1000, 2);
    decimals("Uq", q.uq, 1);
    significant("Iq", q.iq, 3);
    decimals("Ugq", q.ugq, 2);
    decimals("Pa", q.uq * q.iq / 1000, 2);
    significant("Ra", ra, 3);
    decimals("Kt", stage::squareRoot(ra * 1000 / v.rn), 3);
    // The primary's reactance equals the source resistance at the lowest frequency.
    significant("L1", parallel(v.tube.ri, ra) * 1000 / twoPiF, 3);
    significant("Imag", q.iq, 3);
    decimals("Uvh", std::abs(q.ugq), 1);
    decimals("Pout", q.pout, 2);
    decimals("D2", q.d2, 1);
    decimals("D3", q.d3, 1);
    decimals("THD", q.thd, 1);
    decimals("Eff", stage::divide(q.pout, supplyPower) * 100, 1);
    decimals("Vt", v.un * v.in + supplyPower, 2);
}

} // namespace

StageResult CalculateTriodeOutputStage(const stage::StageSetup &setup, const QLocale &locale)
{
    std::optional<TriodeOutputSwing> solved;
    StageResult result = stage::run(locale, [&](stage::Outputs &out) {
        const Values v = valuesOf(stage::SetupReader(setup));
        check(v, locale);

        const double rk = std::abs(v.tube.uc) / v.tube.ia0;
        const double ra = v.kn * v.tube.ri;
        const model::TubeModel tubeModel(model::TubeType::Triode, v.tube);
        if (!tubeModel.valid() || !std::isfinite(rk) || !std::isfinite(ra)
            || !std::isfinite(tubeModel.anodeCurrent(v.ea, 0)))
            throw stage::Failure::OutOfRange;
        const std::optional<TriodeOutputSwing> q = SolveTriodeOutput(tubeModel, v.ea, rk, ra);
        if (!q)
            throw StageMessage{QStringLiteral("Ошибка"),
                               QStringLiteral("Рабочая точка не найдена: лампа заперта при этом напряжении питания")};
        solved = q;
        show(out, v, rk, ra, *q);
    });
    if (solved && !result.message)
        result.solved = std::make_shared<const stage::HandedSolution>(stage::HandedSolution{std::nullopt, solved});
    return result;
}

StageResult CalculateTriodeOutputStage(const QString &ea, const QString &fmin, const QString &r1,
                                       const QString &rn, const QString &kn, const LoadedTube &tube,
                                       const QLocale &locale)
{
    const stage::StageTexts texts =
        stage::textsOfBoxes({{"Ea", ea}, {"Fn1", fmin}, {"R11", r1}, {"Rn", rn}, {"Kn", kn}}, tube);
    return CalculateTriodeOutputStage(stage::readStandardSetup(stage::Circuit::TriodeOutput, texts, locale),
                                      locale);
}

} // namespace anodix
