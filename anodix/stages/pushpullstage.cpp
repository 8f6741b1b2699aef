// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage on the tube's pentode model: the bias
// the shared cathode resistor settles at, at rest and at full drive, one
// period along the composite load line, and the transformer's figures.
#include "anodix/stages/pushpullstage.h"

#include "anodix/stages/cycle.h"
#include "anodix/stages/handedsolution.h"
#include "common/numbertext.h"
#include "anodix/stages/solvecount.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <numbers>
#include <utility>

namespace anodix {

namespace stage {

namespace {

// Where the screens' supply stands to the cathode: their own Ug2 without a
// tap, else the centre tap at Ea.
double screenSupply(const PushPullCircuit &c, double uk)
{
    return (c.tap > 0 ? c.ea : c.ug2) - uk;
}

// One tube with its screen on the tap: the current into its half of the
// primary (Ia + tap·Ig2), its cathode current and its anode and screen
// dissipation, at one instant.
struct Instant
{
    double winding = 0, cathode = 0, anodePower = 0, screenPower = 0;
};

// On a model whose screen already sits at u2.
Instant instantOn(const model::TubeModel &screened, const PushPullCircuit &c, double u2, double ua, double ug)
{
    // The screen takes what the cathode gives and the anode does not, in
    // both of the model's forms: one evaluation fewer than asking for it.
    const double ia = screened.anodeCurrent(ua, ug), ik = screened.cathodeCurrent(ua, ug);
    const double ig2 = std::max(0.0, ik - ia);
    return {c.tap > 0 ? ia + c.tap * ig2 : ia, ik, ua * ia, u2 * ig2};
}

Instant instantAt(const model::TubeModel &tube, const PushPullCircuit &c, double uk, double ua, double ug)
{
    const double u2 = screenVoltage(c, uk, ua);
    return instantOn(tube.withScreenAt(u2), c, u2, ua, ug);
}

// The pair along one period of the drive, the cathode at uk: the composite
// current I1 − I2 and the two cathode currents, where each tube's I is what
// it drives into its half of the primary referred to the anode's turns (its
// anode current, and tap times its screen current from the tap). At each
// step tube 1 at −uk + u sees Raa/4 of the composite below E, tube 2 at
// −uk − u as much above it, and each screen tap times as much; the balance
// rises with the composite (every current follows its anode and screen
// voltages), so it has one root, found between the anodes at 0 V.
// The drive is a sine and the tubes alike: a quarter period gives the rest.
struct PairCycle
{
    Cycle composite{}, cathodes{};
    Cycle dissipation{}; // one tube's anode dissipation, both tubes' halves alike, mW
    Cycle screens{};     // and its screen's, mW
};

PairCycle pairCycle(const model::TubeModel &tube, const PushPullCircuit &c, double uk, double drive)
{
    PairCycle cycle;
    const double e = c.ea - uk;
    if (!(e > 0))
        return cycle;
    const double quarter = c.raa / 4;
    constexpr int n = kCycleSteps;
    // Screens on their own supply stay put over the period: one model for all
    // of it, as most of the time goes to moving the screen.
    const double fixedScreen = screenSupply(c, uk);
    const model::TubeModel screened = tube.withScreenAt(fixedScreen);
    const auto at = [&](double ua, double ug) {
        return c.tap > 0 ? instantAt(tube, c, uk, ua, ug) : instantOn(screened, c, fixedScreen, ua, ug);
    };
    // The balance needs the winding's current alone: without a tap, the anode's.
    const auto winding = [&](double ua, double ug) {
        return c.tap > 0 ? instantAt(tube, c, uk, ua, ug).winding : screened.anodeCurrent(ua, ug);
    };
    // Each step is searched beside the last two carried on: the composite
    // changes smoothly with the drive.
    const double tiny = 1e-9 * e / quarter;
    double last = -1, change = 0;
    for (int k = 0; k <= n / 4; ++k) {
        const double u = drive * sineCycle()[k];
        const auto balance = [&](double ic) {
            return ic - (winding(e - ic * quarter, -uk + u) - winding(e + ic * quarter, -uk - u));
        };
        const double ic =
            model::increasingRootNear(balance, last + change, 0.1 * std::abs(change) + tiny, 0, e / quarter, 1e-8);
        change = last >= 0 ? ic - last : 0;
        last = ic;
        const Instant one = at(e - ic * quarter, -uk + u);
        const Instant two = at(e + ic * quarter, -uk - u);
        const double ik = one.cathode + two.cathode;
        // Tube 2 takes tube 1's half-period later, so their mean is either one over the period.
        const double pa = (one.anodePower + two.anodePower) / 2;
        const double pg2 = (one.screenPower + two.screenPower) / 2;
        for (const int at : {k, n / 2 - k}) {
            cycle.composite[at] = ic;
            cycle.composite[(at + n / 2) % n] = -ic;
            cycle.cathodes[at] = cycle.cathodes[(at + n / 2) % n] = ik;
            cycle.dissipation[at] = cycle.dissipation[(at + n / 2) % n] = pa;
            cycle.screens[at] = cycle.screens[(at + n / 2) % n] = pg2;
        }
    }
    return cycle;
}

PushPullPoint solve(const model::TubeModel &tube, const PushPullCircuit &c, std::optional<double> driven)
{
    PushPullPoint p;
    // Both cathode currents through Rk lift the cathode, which lowers the
    // screen against it too: Uk = 2·Ik(−Uk)·Rk/1000 at u2 = Ug2 − Uk. A
    // screen on the primary sits at the anode's Eq at rest, and the pair's
    // current is taken there rather than above the knee.
    const double highest = std::max(0.0, c.tap > 0 ? c.ea : c.ug2);
    const auto bias = [&](double uk) {
        const double current = c.tap > 0 ? instantAt(tube, c, uk, c.ea - uk, -uk).cathode
                                         : tube.withScreenAt(c.ug2 - uk).cathodeCurrentAboveKnee(-uk);
        return uk - 2 * current * c.rk / 1000;
    };
    p.uk = model::increasingRoot(bias, 0, highest);
    p.eq = c.ea - p.uk;
    p.u2 = screenSupply(c, p.uk);
    const model::TubeModel screened = tube.withScreenAt(p.u2);
    p.iq = screened.anodeCurrent(p.eq, -p.uk);
    p.ig2q = screened.screenCurrent(p.eq, -p.uk);
    if (!(p.iq > 0 && p.eq > 0))
        return p;
    const WindingSlopes slopes = windingSlopes(tube, c, p.uk, p.eq, -p.uk);
    p.ri = slopes.ri();
    p.damping = std::isfinite(p.ri) ? c.raa / (2 * p.ri) : 0;

    // Driven, the bypassed cathode sits at Rk times the mean of both cathode
    // currents over the period; a higher cathode lowers every current, so the
    // balance rises with uk, between 0 and the screen's own voltage.
    const double drive = driven.value_or(p.uk);
    const auto drivenBias = [&](double uk) {
        return uk - meanOf(pairCycle(tube, c, uk, drive).cathodes) * c.rk / 1000;
    };
    p.ukDriven = model::increasingRootNear(drivenBias, p.uk, 0.1 * p.uk, 0, highest, 1e-6);
    p.eqDriven = c.ea - p.ukDriven;
    p.u2Driven = screenSupply(c, p.ukDriven);
    const PairCycle cycle = pairCycle(tube, c, p.ukDriven, drive);
    const Spectrum spectrum = spectrumOf(cycle.composite);
    p.icMax = cycle.composite[kCycleSteps / 4];
    p.uaMin = p.eqDriven - p.icMax * c.raa / 4;
    p.ipk = tube.withScreenAt(screenVoltage(c, p.ukDriven, p.uaMin)).anodeCurrent(p.uaMin, -p.ukDriven + drive);
    p.ua2 = p.eqDriven + p.icMax * c.raa / 4;
    p.ia2 = tube.withScreenAt(screenVoltage(c, p.ukDriven, p.ua2)).anodeCurrent(p.ua2, -p.ukDriven - drive);
    p.classA = p.ia2 > 0;
    p.pout = spectrum.fundamental * spectrum.fundamental * c.raa / 8 / 1000;
    p.paDriven = meanOf(cycle.dissipation) / 1000;
    p.pg2Driven = meanOf(cycle.screens) / 1000;
    p.harmonics = spectrum.harmonics;
    p.d2 = spectrum.harmonics[0];
    p.d3 = spectrum.harmonics[1];
    p.thd = spectrum.thd;
    return p;
}

} // namespace

double screenVoltage(const PushPullCircuit &c, double uk, double ua)
{
    // Without a tap the product is exactly zero: the pentode's figures stay as they were.
    return screenSupply(c, uk) - c.tap * (c.ea - uk - ua);
}

double windingCurrent(const model::TubeModel &tube, const PushPullCircuit &c, double uk, double ua, double ug)
{
    return instantAt(tube, c, uk, ua, ug).winding;
}

double WindingSlopes::ri() const
{
    return ga > 1e-12 ? 1 / ga : std::numeric_limits<double>::infinity();
}

WindingSlopes windingSlopes(const model::TubeModel &tube, const PushPullCircuit &c, double uk, double ua, double ug)
{
    // Central differences, small against the knee and the bias.
    const double hu = std::max(1e-3, 1e-5 * std::abs(ua)), hg = 1e-4;
    const auto at = [&](double u, double g) { return windingCurrent(tube, c, uk, u, g); };
    return {(at(ua, ug + hg) - at(ua, ug - hg)) / (2 * hg), (at(ua + hu, ug) - at(ua - hu, ug)) / (2 * hu)};
}

PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &circuit)
{
    countSolve();
    return solve(tube, circuit, std::nullopt);
}

PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &circuit, double drive)
{
    countSolve();
    return solve(tube, circuit, drive);
}

} // namespace stage

namespace {

const QString kNoScreen = QStringLiteral("В записи лампы нет данных экранной сетки (строки 9 и 10)");
const QString kCutOff = QStringLiteral("Лампы заперты в покое: уменьшите Rk или увеличьте Ug2");
// The shared cathode rises to the anodes when the supply is too low for the
// current the screens and Rk let flow: more Ug2 would only make it worse.
const QString kCathodeAboveAnode =
    QStringLiteral("Лампы заперты в покое: катод не ниже анода; увеличьте Ea или уменьшите Rk или Ug2");

StageMessage error(const QString &text)
{
    return {QStringLiteral("Ошибка"), text};
}

// What must be above zero, by the names the user knows; empty when all are.
QStringList notPositive(std::initializer_list<std::pair<const char *, double>> typed,
                        std::initializer_list<std::pair<const char *, double>> record)
{
    QStringList names;
    for (const auto &[name, value] : typed)
        if (!(value > 0))
            names << QString::fromUtf8(name);
    for (const auto &[name, value] : record)
        if (!(value > 0))
            names << QString::fromUtf8(name) + QStringLiteral(" (в записи лампы)");
    return names;
}

} // namespace

namespace {

// Every value the stage takes, from the boxes and the record as read.
struct Values
{
    double tap = 0, ea = 0, ug2 = 0, fmin = 0, r1 = 0, rn = 0, raa = 0, rk = 0;
    double un = 0, in = 0;
    model::TubeFigures figures;
};

// Every value is read before the first output, so bad input changes none.
Values valuesOf(const stage::SetupReader &read)
{
    if (!read.hasRecord())
        throw stage::Failure::InputError;
    if (!read.has(TubeField::ScreenCurrent))
        throw error(kNoScreen);
    Values v;
    // An empty tap box is the pentode connection, as before the box was there.
    v.tap = read.blank("Otvod") ? 0 : read.boxDouble("Otvod");
    v.ea = read.boxDouble("Ea");
    // The screens on the primary take no voltage of their own.
    v.ug2 = v.tap != 0 && read.blank("Ug2") ? v.ea : read.boxDouble("Ug2");
    v.fmin = read.boxDouble("Fn1");
    v.r1 = read.boxDouble("R11");
    v.rn = read.boxDouble("Rn");
    v.raa = read.boxDouble("Raa");
    v.rk = read.boxDouble("Rk");
    const stage::RecordFigures record = read.recordFigures();
    v.un = record.un;
    v.in = record.in;
    v.figures = record.figures;
    return v;
}

void check(const Values &v, const QLocale &locale)
{
    const model::TubeFigures &f = v.figures;
    const QStringList missing = notPositive(
        {{"Ea", v.ea}, {"Ug2", v.ug2}, {"Fmin", v.fmin}, {"R1", v.r1}, {"Rн", v.rn}, {"Raa", v.raa}, {"Rk", v.rk}},
        {{"Ua", f.ua0}, {"Ia", f.ia0}, {"Uc", f.uc}, {"S", f.s}, {"Ri", f.ri}, {"Ug2", f.ug2}, {"Ig2", f.ig2}});
    if (!missing.isEmpty())
        throw stage::notPositiveMessage(missing);
    // The screens as the supply, for the same reason. Real pairs work into
    // 1.5 to 20 kΩ anode to anode, on a shared cathode resistor of tens to
    // hundreds of ohms; a decade past each end still leaves room for any
    // design and none for a load or a bias that no pair can have.
    constexpr stage::Range kScreenRange{"Ug2", 1, 100000, "В"};
    constexpr stage::Range kAnodeLoadRange{"Raa", 0.1, 1000, "кОм"};
    constexpr stage::Range kCathodeRange{"Rk", 1, 100000, "Ом"};
    // The tap is a share of the half-primary's turns.
    constexpr stage::Range kTapRange{"Отвод экранных сеток", 0, 100, "%"};
    for (const auto &[range, value] :
         {std::pair{stage::kSupplyRange, v.ea}, {kScreenRange, v.ug2}, {stage::kLowestFrequencyRange, v.fmin},
          {stage::kGridLeakRange, v.r1}, {stage::kLoadRange, v.rn}, {kAnodeLoadRange, v.raa}, {kCathodeRange, v.rk},
          {kTapRange, v.tap}})
        stage::checkRange(range, value, locale);
}

// The pair solved, and the tube's Ri the results take, or the reason there is none.
struct Solved
{
    stage::PushPullPoint point;
    double ri = 0;
};

Solved solveValues(const Values &v)
{
    const model::TubeModel tubeModel(model::TubeType::Pentode, v.figures);
    if (!tubeModel.valid())
        throw stage::Failure::OutOfRange;
    const stage::PushPullPoint p = stage::solvePushPull(tubeModel, {v.ea, v.ug2, v.raa, v.rk, v.tap / 100});
    if (!(p.eq > 0))
        throw error(kCathodeAboveAnode);
    if (!(p.iq > 0))
        throw error(kCutOff);
    // The pentode's Ri is its record's, as the primary's inductance has
    // always taken it (the 3/2 law's anode current can be flat far above
    // the record's point); on a tap the screen's feedback sets it, and the
    // tube's own in that connection is used for both.
    const double ri = v.tap > 0 ? p.ri : v.figures.ri;
    if (!(std::isfinite(ri) && ri > 0))
        throw stage::Failure::OutOfRange;
    return {p, ri};
}

void show(stage::Outputs &out, const Values &v, const Solved &solved)
{
    const stage::PushPullPoint &p = solved.point;
    const double ri = solved.ri;
    const auto significant = [&](const char *name, double value, int digits) {
        out.plain(QString::fromLatin1(name), common::roundSignificant(value, digits));
    };
    out.plain(QStringLiteral("R1"), v.r1);
    significant("C1", 1000 / (2 * std::numbers::pi * v.fmin * v.r1), 4);
    out.rounded(QStringLiteral("Ugq"), -p.uk, 2);
    significant("Iq", p.iq, 3);
    significant("Ig2q", p.ig2q, 3);
    out.rounded(QStringLiteral("Pa"), p.eq * p.iq / 1000, 2);
    out.copy(QStringLiteral("Klass"), p.classA ? QStringLiteral("A") : QStringLiteral("AB1"));
    out.rounded(QStringLiteral("Kt"), std::sqrt(v.raa * 1000 / v.rn), 3);
    const double primary = v.raa * 2 * ri / (v.raa + 2 * ri); // Raa ∥ 2·Ri
    significant("L1", primary * 1000 / (2 * std::numbers::pi * v.fmin), 3);
    out.rounded(QStringLiteral("Uvh"), p.uk, 1);
    significant("Ipk", p.ipk, 3);
    out.rounded(QStringLiteral("Uamin"), p.uaMin, 1);
    out.rounded(QStringLiteral("Pout"), p.pout, 2);
    out.rounded(QStringLiteral("D2"), p.d2, 1);
    out.rounded(QStringLiteral("D3"), p.d3, 1);
    out.rounded(QStringLiteral("THD"), p.thd, 1);
    out.rounded(QStringLiteral("Vt"), 2 * v.un * v.in + v.ea * 2 * (p.iq + p.ig2q) / 1000, 2);
    significant("Ri", ri, 3);
    // The load over the source resistance, both across the whole primary.
    significant("Kd", v.raa / (2 * ri), 3);
}

} // namespace

StageResult CalculatePushPullStage(const stage::StageSetup &setup, const QLocale &locale)
{
    std::optional<stage::PushPullPoint> solved;
    StageResult result = stage::run(locale, [&](stage::Outputs &out) {
        const Values v = valuesOf(stage::SetupReader(setup));
        check(v, locale);
        const Solved pair = solveValues(v);
        solved = pair.point;
        show(out, v, pair);
    });
    if (solved && !result.message)
        result.solved = std::make_shared<const stage::HandedSolution>(stage::HandedSolution{solved, std::nullopt});
    return result;
}

StageResult CalculatePushPullStage(const PushPullTexts &texts, const LoadedTube &tube, const QLocale &locale)
{
    const stage::StageTexts read = stage::textsOfBoxes({{"Ea", texts.ea}, {"Ug2", texts.ug2}, {"Fn1", texts.fmin},
                                                        {"R11", texts.r1}, {"Rn", texts.rn}, {"Raa", texts.raa},
                                                        {"Rk", texts.rk}, {"Otvod", texts.tap}},
                                                       tube);
    return CalculatePushPullStage(stage::readStandardSetup(stage::Circuit::PushPull, read, locale), locale);
}

} // namespace anodix
