// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair on the tube model: one search for the tail's current
// with each section's current found inside it, a nodal solution of the
// signal circuit, and the driven period with the couplings' means settled.
#include "anodix/stages/longtailedpair.h"

#include "anodix/stages/circuit.h"
#include "anodix/stages/cycle.h"
#include "anodix/stages/handedsolution.h"
#include "anodix/stages/nodal.h"
#include "common/numbertext.h"
#include "anodix/stages/solvecount.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

namespace anodix {

namespace stage {

namespace {

// A section's anode seen from the tube: Ua to ground = alpha − beta·Ia (V, mA, kΩ).
struct AnodeLine
{
    double alpha = 0, beta = 0;
};

// The section's current with its cathode at vk and grid at vg: the curve rises
// with Ua and the line falls, so they meet once, or the section is cut off.
double sectionCurrent(const model::TubeModel &tube, const AnodeLine &line, double vk, double vg, double guess)
{
    const double most = (line.alpha - vk) / line.beta;
    if (!(most > 0))
        return 0;
    const auto balance = [&](double i) { return i - tube.anodeCurrent(line.alpha - line.beta * i - vk, vg - vk); };
    return model::increasingRootNear(balance, guess, 0.05 * most, 0, most, 1e-10);
}

// Both sections at one instant: the tail's current T sets the cathode (and,
// to ground, the junction the grid leaks return to). A larger T lifts the
// cathode against both grids and both anodes, so each section's current
// falls and T − I1 − I2 rises: one root, between 0 and the most both lines
// allow with the cathode at its lowest.
struct Instant
{
    double tail = 0, cathode = 0, junction = 0;
    std::array<double, 2> ia{}, ua{}, ugk{};
};

struct Drive
{
    std::array<double, 2> grid{};   // both grids to ground
    std::array<AnodeLine, 2> lines{};
    bool leaksCarry = false;        // the grid leaks carry signal into the junction
};

Instant settle(const model::TubeModel &tube, const LongTailedPairCircuit &c, const Drive &d, const Instant &guess)
{
    // The junction with the tail's current T in it and the grid leaks' currents.
    const auto junctionAt = [&](double t) {
        if (!c.toGround())
            return c.eneg + t * c.tail;
        if (!d.leaksCarry)
            return t * c.tail;
        return (t + (d.grid[0] + d.grid[1]) / c.r1) / (1 / c.tail + 2 / c.r1);
    };
    const auto cathodeAt = [&](double t) { return junctionAt(t) + t * c.bias; };
    Instant now;
    std::array<double, 2> last = guess.ia;
    const auto currents = [&](double t) {
        const double vk = cathodeAt(t);
        for (int n = 0; n < 2; ++n)
            last[n] = sectionCurrent(tube, d.lines[n], vk, d.grid[n], last[n]);
        return last;
    };
    const auto balance = [&](double t) {
        const std::array<double, 2> i = currents(t);
        return t - i[0] - i[1];
    };
    const double lowest = cathodeAt(0);
    double most = 0;
    for (const AnodeLine &line : d.lines)
        most += std::max(0.0, (line.alpha - lowest) / line.beta);
    now.tail = guess.tail > 0 ? model::increasingRootNear(balance, guess.tail, 0.05 * most + 1e-9, 0, most, 1e-10)
                              : model::increasingRoot(balance, 0, most, 1e-10);
    now.ia = currents(now.tail);
    now.junction = junctionAt(now.tail);
    now.cathode = cathodeAt(now.tail);
    for (int n = 0; n < 2; ++n) {
        now.ua[n] = d.lines[n].alpha - d.lines[n].beta * now.ia[n] - now.cathode;
        now.ugk[n] = d.grid[n] - now.cathode;
    }
    return now;
}

// The admittance of a part standing in for an ideal coupling: far above every
// other conductance in the circuit, far below what the elimination loses.
constexpr double kShort = 1e3;

std::array<std::complex<double>, 2> transferAt(const LongTailedPairCircuit &c, const LongTailedPairRest &rest,
                                               const PairSignalParts &p, double hz, bool midBand)
{
    // Unknown nodes; the source is 1 V, ground and the supplies 0.
    enum Node { X, G1, G2, K, J, A1, A2, O1, O2, Count };
    constexpr int kGround = kGroundNode, kSource = kDriveNode;
    NodalSystem<std::complex<double>> net(Count);
    const auto stamp = [&](int a, int b, std::complex<double> y) { net.branch(a, b, y); };
    const std::complex<double> jw(0, 2 * std::numbers::pi * hz);
    const auto capacitor = [&](double farads, bool coupling) -> std::complex<double> {
        if (midBand)
            return coupling ? kShort : 0.0;
        return jw * farads;
    };
    // kΩ to S.
    const auto conductance = [](double kiloohms) { return 1e-3 / kiloohms; };

    stamp(kSource, X, !midBand && p.rs > 0 ? 1 / p.rs : kShort);
    stamp(X, G1, capacitor(p.c1, true));
    const int ret = c.toGround() ? J : kGround; // where the grid leaks return
    stamp(G1, ret, conductance(c.r1));
    stamp(G2, ret, conductance(c.r1));
    stamp(G2, kGround, capacitor(p.c2, true));
    if (c.toGround()) {
        stamp(K, J, conductance(c.bias));
        stamp(J, kGround, conductance(c.tail));
    } else {
        stamp(K, kGround, conductance(c.tail)); // no junction: J stays unused at 0 V
    }
    const std::array<int, 2> anodes{A1, A2}, grids{G1, G2}, outs{O1, O2};
    const std::array<double, 2> ra{c.ra1, c.ra2};
    for (int n = 0; n < 2; ++n) {
        const PairSection &s = rest.sections[n];
        const int a = anodes[n], g = grids[n];
        stamp(a, kGround, conductance(ra[n]));
        stamp(a, outs[n], capacitor(p.cout, true));
        stamp(outs[n], kGround, conductance(c.rn));
        stamp(outs[n], kGround, capacitor(p.load, false));
        stamp(g, K, capacitor(p.cgk, false));
        stamp(g, a, capacitor(p.cga, false));
        stamp(a, K, capacitor(p.cak, false));
        // The section's current from anode to cathode: gm·(vg − vk) + ga·(va − vk), mA/V to S.
        const double gm = s.gm * 1e-3, ga = s.ga * 1e-3;
        net.add(a, g, gm);
        net.add(a, K, -gm - ga);
        net.add(a, a, ga);
        net.add(K, g, -gm);
        net.add(K, K, gm + ga);
        net.add(K, a, -ga);
    }
    const NodalSystem<std::complex<double>>::Voltages v = net.solve();
    return {v[O1], v[O2]};
}

// One period of drive at the couplings' means: each output's and section's samples.
struct PairCycle
{
    std::array<Cycle, 2> out{}, ia{}, ugk{}, ua{};
    std::array<double, 2> anodeMean{};
    double junctionMean = 0;
};

PairCycle cycleAt(const model::TubeModel &tube, const LongTailedPairCircuit &c, const LongTailedPairRest &rest,
                  double amplitude, const std::array<double, 2> &anodeMean, double junctionMean)
{
    PairCycle cycle;
    Drive d;
    d.leaksCarry = c.toGround();
    const std::array<double, 2> ra{c.ra1, c.ra2};
    // The anode between Ra to the supply and the load to the coupling's charge:
    // (Ea − va)/Ra = Ia + (va − mean)/Rn.
    for (int n = 0; n < 2; ++n) {
        const double g = 1 / ra[n] + 1 / c.rn;
        d.lines[n] = {(c.ea / ra[n] + anodeMean[n] / c.rn) / g, 1 / g};
    }
    const double gridRest = c.toGround() ? junctionMean : 0;
    Instant last;
    last.tail = rest.tailCurrent;
    last.ia = {rest.sections[0].ia, rest.sections[1].ia};
    std::array<double, 2> anodeSum{};
    double junctionSum = 0;
    for (int k = 0; k < kCycleSteps; ++k) {
        d.grid = {gridRest + amplitude * sineCycle()[k], gridRest};
        last = settle(tube, c, d, last);
        junctionSum += last.junction;
        for (int n = 0; n < 2; ++n) {
            const double va = d.lines[n].alpha - d.lines[n].beta * last.ia[n];
            cycle.out[n][k] = va - anodeMean[n];
            cycle.ia[n][k] = last.ia[n];
            cycle.ugk[n][k] = last.ugk[n];
            cycle.ua[n][k] = last.ua[n];
            anodeSum[n] += va;
        }
    }
    for (int n = 0; n < 2; ++n)
        cycle.anodeMean[n] = anodeSum[n] / kCycleSteps;
    cycle.junctionMean = junctionSum / kCycleSteps;
    return cycle;
}

// Driven, the couplings and the bypass take no mean current, so each anode's
// coupling settles at its anode's mean and the grids at the junction's mean.
// The means move only by what the curves rectify, a small part of the swing
// that each pass takes again; the passes are capped.
PairCycle settledCycle(const model::TubeModel &tube, const LongTailedPairCircuit &c, const LongTailedPairRest &rest,
                       double amplitude)
{
    std::array<double, 2> anodeMean{rest.sections[0].anode, rest.sections[1].anode};
    double junctionMean = rest.grid;
    PairCycle cycle = cycleAt(tube, c, rest, amplitude, anodeMean, junctionMean);
    for (int pass = 0; pass < 40; ++pass) {
        const double moved = std::max({std::abs(cycle.anodeMean[0] - anodeMean[0]),
                                       std::abs(cycle.anodeMean[1] - anodeMean[1]),
                                       std::abs(cycle.junctionMean - junctionMean)});
        if (!(moved > 1e-7 * c.ea))
            break;
        anodeMean = cycle.anodeMean;
        junctionMean = cycle.junctionMean;
        cycle = cycleAt(tube, c, rest, amplitude, anodeMean, junctionMean);
    }
    return cycle;
}

} // namespace

LongTailedPairRest solveLongTailedPairRest(const model::TubeModel &tube, const LongTailedPairCircuit &c)
{
    LongTailedPairRest rest;
    if (!tube.valid() || !(c.ea > 0 && c.ra1 > 0 && c.ra2 > 0 && c.tail > 0 && c.r1 > 0 && c.rn > 0))
        return rest;
    // At rest no current flows in the grid leaks: the grids sit at the junction.
    Drive d;
    d.lines = {AnodeLine{c.ea, c.ra1}, AnodeLine{c.ea, c.ra2}};
    const auto gridAt = [&](double t) { return c.toGround() ? t * c.tail : 0.0; };
    // The grids move with T here, so settle() runs on a grid fixed per trial:
    // T − I1 − I2 still rises with T (the grid rises by Rt·T, the cathode by
    // (Rt + Rb)·T).
    const auto currents = [&](double t) {
        d.grid = {gridAt(t), gridAt(t)};
        const double vk = (c.toGround() ? 0 : c.eneg) + t * (c.tail + (c.toGround() ? c.bias : 0));
        std::array<double, 2> i{};
        for (int n = 0; n < 2; ++n)
            i[n] = sectionCurrent(tube, d.lines[n], vk, d.grid[n], -1);
        return i;
    };
    const double lowest = c.toGround() ? 0 : c.eneg;
    const double most = (c.ea - lowest) / c.ra1 + (c.ea - lowest) / c.ra2;
    const double t = model::increasingRoot(
        [&](double t) {
            const auto i = currents(t);
            return t - i[0] - i[1];
        },
        0, most, 1e-11);
    const std::array<double, 2> i = currents(t);
    if (!(i[0] > 0 && i[1] > 0))
        return rest;
    rest.found = true;
    rest.tailCurrent = t;
    rest.grid = gridAt(t);
    rest.cathode = (c.toGround() ? 0 : c.eneg) + t * (c.tail + (c.toGround() ? c.bias : 0));
    const std::array<double, 2> ra{c.ra1, c.ra2};
    for (int n = 0; n < 2; ++n) {
        PairSection &s = rest.sections[n];
        s.ia = i[n];
        s.anode = c.ea - i[n] * ra[n];
        s.ua = s.anode - rest.cathode;
        s.ugk = rest.grid - rest.cathode;
        s.gm = tube.slope(s.ua, s.ugk);
        const double ri = tube.internalResistance(s.ua, s.ugk);
        s.ga = std::isfinite(ri) && ri > 0 ? 1 / ri : 0;
    }
    return rest;
}

std::array<std::complex<double>, 2> longTailedPairTransfer(const LongTailedPairCircuit &circuit,
                                                           const LongTailedPairRest &rest,
                                                           const PairSignalParts &parts, double hz)
{
    return transferAt(circuit, rest, parts, hz, false);
}

std::array<double, 2> longTailedPairMidBand(const LongTailedPairCircuit &circuit, const LongTailedPairRest &rest)
{
    const auto k = transferAt(circuit, rest, {}, 1000, true);
    return {k[0].real(), k[1].real()};
}

PairSwing driveLongTailedPair(const model::TubeModel &tube, const LongTailedPairCircuit &c,
                              const LongTailedPairRest &rest, double drive)
{
    PairSwing s;
    s.drive = drive;
    if (!rest.found)
        return s;
    const PairCycle cycle = settledCycle(tube, c, rest, drive);
    for (int n = 0; n < 2; ++n) {
        const Spectrum spectrum = spectrumOf(cycle.out[n]);
        s.output[n] = spectrum.fundamental;
        s.thd[n] = spectrum.thd;
        s.peakUgk[n] = *std::max_element(cycle.ugk[n].begin(), cycle.ugk[n].end());
        s.leastIa[n] = *std::min_element(cycle.ia[n].begin(), cycle.ia[n].end());
    }
    s.crestUa = cycle.ua[0][kCycleSteps / 4];
    s.crestIa = cycle.ia[0][kCycleSteps / 4];
    s.troughUa = cycle.ua[0][3 * kCycleSteps / 4];
    s.troughIa = cycle.ia[0][3 * kCycleSteps / 4];
    if (s.peakUgk[0] >= 0)
        s.limit = PairLimit::GridCurrent1;
    else if (s.peakUgk[1] >= 0)
        s.limit = PairLimit::GridCurrent2;
    else if (s.leastIa[0] <= kPairCutoffCurrent)
        s.limit = PairLimit::CutOff1;
    else if (s.leastIa[1] <= kPairCutoffCurrent)
        s.limit = PairLimit::CutOff2;
    return s;
}

PairSwing largestLongTailedPairSwing(const model::TubeModel &tube, const LongTailedPairCircuit &c,
                                     const LongTailedPairRest &rest)
{
    if (!rest.found)
        return {};
    // How far the worst of the four limits is from being reached, as a share
    // of where it starts at rest; it rises with the drive and crosses zero
    // where the first limit is met.
    const double bias = std::max(std::abs(rest.sections[0].ugk), 1e-3);
    const double current = std::min(rest.sections[0].ia, rest.sections[1].ia);
    const auto reach = [&](double drive) {
        const PairSwing s = driveLongTailedPair(tube, c, rest, drive);
        double worst = -1;
        for (int n = 0; n < 2; ++n) {
            worst = std::max(worst, s.peakUgk[n] / bias);
            worst = std::max(worst, (kPairCutoffCurrent - s.leastIa[n]) / current);
        }
        return worst;
    };
    // Past the whole supply on the grid one section is cut off at the trough.
    const double most = 2 * (c.ea - c.eneg);
    const double drive = model::increasingRoot(reach, 0, most, 1e-5);
    PairSwing s = driveLongTailedPair(tube, c, rest, drive);
    // The limit reached at the root, named though the samples fall a hair short of it.
    if (s.limit == PairLimit::None) {
        const PairSwing past = driveLongTailedPair(tube, c, rest, drive * (1 + 1e-4));
        s.limit = past.limit;
    }
    return s;
}

double balancingAnodeResistor(const model::TubeModel &tube, const LongTailedPairCircuit &circuit)
{
    // The second output's gain grows with its anode resistor faster than the
    // first's changes with it: |K2| − |K1| rises through zero.
    const auto difference = [&](double ra2) {
        LongTailedPairCircuit c = circuit;
        c.ra2 = ra2;
        const LongTailedPairRest rest = solveLongTailedPairRest(tube, c);
        if (!rest.found)
            return 1.0; // past where the second section still conducts
        const std::array<double, 2> k = longTailedPairMidBand(c, rest);
        return std::abs(k[1]) - std::abs(k[0]);
    };
    const double low = circuit.ra1 / 10, high = 10 * circuit.ra1;
    if (!(difference(low) < 0) || !(difference(high) > 0))
        return 0;
    return model::increasingRoot(difference, low, high, 1e-9);
}

double pairBiasResistor(const model::TubeFigures &record)
{
    return std::abs(record.uc) / (2 * record.ia0);
}

LongTailedPairSolution solveLongTailedPair(const model::TubeModel &tube, const LongTailedPairCircuit &circuit,
                                           double fmin)
{
    countSolve();
    LongTailedPairSolution s;
    s.circuit = circuit;
    s.rest = solveLongTailedPairRest(tube, circuit);
    if (!s.rest.found || !(s.rest.sections[0].ugk < 0))
        return s;
    s.gain = longTailedPairMidBand(circuit, s.rest);
    s.swing = largestLongTailedPairSwing(tube, circuit, s.rest);
    s.balancingRa2 = balancingAnodeResistor(tube, circuit);
    s.capacitors = pairCapacitorsFor(circuit, s.rest, fmin);
    return s;
}

LongTailedPairCircuit longTailedPairCircuit(const StageSetup &setup)
{
    LongTailedPairCircuit c{setup.ea, setup.ra, setup.ra, setup.tail, 0, setup.tailVoltage,
                            setup.r1.value_or(0), setup.rn.value_or(0)};
    if (c.toGround())
        c.bias = pairBiasResistor(setup.tube);
    return c;
}

PairCapacitors pairCapacitors(double fmin, double r1, double rn)
{
    const double w = 2 * std::numbers::pi * fmin;
    return {1000 / (w * r1), 10 * 1000 / (w * r1), 1000 / (w * rn)};
}

PairCapacitors pairCapacitorsFor(const LongTailedPairCircuit &circuit, const LongTailedPairRest &rest, double fmin)
{
    const PairCapacitors base = pairCapacitors(fmin, circuit.r1, circuit.rn);
    const std::array<double, 2> mid = longTailedPairMidBand(circuit, rest);
    // The weaker output's share of its mid-band gain at fmin rises with the
    // capacitors; each alone gives 1/√2 there, so together they give less.
    const auto share = [&](double factor) {
        PairSignalParts parts;
        parts.c1 = base.input * factor * 1e-6;
        parts.c2 = base.bypass * factor * 1e-6;
        parts.cout = base.output * factor * 1e-6;
        const std::array<std::complex<double>, 2> k = longTailedPairTransfer(circuit, rest, parts, fmin);
        return std::min(std::abs(k[0]) / std::abs(mid[0]), std::abs(k[1]) / std::abs(mid[1])) - std::sqrt(0.5);
    };
    if (!rest.found || !(std::abs(mid[1]) > 0) || !(fmin > 0))
        return base;
    const double factor = model::increasingRoot(share, 1, 100, 1e-6);
    return {base.input * factor, base.bypass * factor, base.output * factor};
}

} // namespace stage

namespace {

StageMessage error(const QString &text)
{
    return {QStringLiteral("Ошибка"), text};
}

} // namespace

StageResult CalculateLongTailedPair(const stage::StageSetup &setup, const QLocale &locale)
{
    std::optional<stage::LongTailedPairSolution> handed;
    StageResult result = stage::run(locale, [&](stage::Outputs &out) {
        const stage::SetupReader read(setup);
        if (!read.hasRecord())
            throw stage::Failure::InputError;
        // Every value is read before the first output, so bad input changes none.
        stage::LongTailedPairCircuit c;
        c.ea = read.boxDouble("Ea");
        c.ra1 = c.ra2 = read.boxDouble("Ra");
        c.tail = read.boxDouble("Rt");
        // Empty or zero: the tail to ground. The box asks for a negative
        // voltage; its sign is taken as given by the caption.
        if (!read.blank("Et"))
            c.eneg = -std::abs(read.boxDouble("Et"));
        c.r1 = read.boxDouble("R11");
        const double fmin = read.boxDouble("Fn1");
        c.rn = read.boxDouble("Rn");
        model::TubeFigures f;
        const double un = read.fieldDouble(TubeField::HeaterVoltage);
        const double in = read.fieldDouble(TubeField::HeaterCurrent);
        f.ua0 = read.fieldDouble(TubeField::AnodeVoltage);
        f.ia0 = read.fieldDouble(TubeField::AnodeCurrent);
        f.uc = read.fieldDouble(TubeField::GridBias);
        f.s = read.fieldDouble(TubeField::Transconductance);
        f.mu = read.fieldDouble(TubeField::AmplificationFactor);
        f.ri = read.fieldDouble(TubeField::InternalResistance);
        f.model = setup.tube.model;

        QStringList missing;
        for (const auto &[name, value] : {std::pair{"Ea", c.ea}, {"Ra", c.ra1}, {"Rхв", c.tail}, {"R1", c.r1},
                                          {"Fmin", fmin}, {"Rн", c.rn}})
            if (!(value > 0))
                missing << QString::fromUtf8(name);
        for (const auto &[name, value] :
             {std::pair{"Ua", f.ua0}, {"Ia", f.ia0}, {"Uc", std::abs(f.uc)}, {"S", f.s}, {"μ", f.mu}})
            if (!(value > 0))
                missing << QString::fromUtf8(name) + QStringLiteral(" (в записи лампы)");
        if (!missing.isEmpty())
            throw stage::notPositiveMessage(missing);
        // Small-signal sections work into 10 kΩ to a few MΩ; a tail from
        // 100 Ω (a short tail is still a pair) to 10 MΩ; the tail's supply
        // no larger than a supply can be. The next grid's leak as R1's range.
        constexpr stage::Range kAnodeRange{"Ra", 0.1, 10000, "кОм"};
        constexpr stage::Range kTailRange{"Rхв", 0.1, 10000, "кОм"};
        constexpr stage::Range kNegativeRange{"Eхв", -100000, 0, "В"};
        constexpr stage::Range kNextLoadRange{"Rн", 1, 10000, "кОм"};
        for (const auto &[range, value] :
             {std::pair{stage::kSupplyRange, c.ea}, {kAnodeRange, c.ra1}, {kTailRange, c.tail},
              {kNegativeRange, c.eneg}, {stage::kGridLeakRange, c.r1}, {stage::kLowestFrequencyRange, fmin},
              {kNextLoadRange, c.rn}})
            stage::checkRange(range, value, locale);
        if (c.toGround())
            c.bias = stage::pairBiasResistor(f);

        const model::TubeModel model(model::TubeType::Triode, f);
        if (!model.valid() || !std::isfinite(model.anodeCurrent(c.ea, 0)))
            throw stage::Failure::OutOfRange;
        const stage::LongTailedPairSolution solved = stage::solveLongTailedPair(model, c, fmin);
        const stage::LongTailedPairRest &rest = solved.rest;
        if (!rest.found)
            throw error(QStringLiteral("Рабочая точка не найдена: лампа заперта при этом напряжении питания"));
        if (!(rest.sections[0].ugk < 0))
            throw error(QStringLiteral("Сетки положительны относительно катода в покое: "
                                       "увеличьте сопротивление хвоста или уменьшите отрицательное напряжение"));
        handed = solved;
        const std::array<double, 2> &k = solved.gain;
        const stage::PairSwing &swing = solved.swing;
        const double ra2 = solved.balancingRa2;
        const stage::PairCapacitors &caps = solved.capacitors;

        const auto significant = [&](const char *name, double value, int digits) {
            out.plain(QString::fromLatin1(name), common::roundSignificant(value, digits));
        };
        const auto decimals = [&](const char *name, double value, int count) {
            out.rounded(QString::fromLatin1(name), value, count);
        };
        const stage::PairSection &s = rest.sections[0];
        out.plain(QStringLiteral("R1"), c.r1);
        if (c.toGround())
            significant("Rb", c.bias, 3);
        else
            out.copy(QStringLiteral("Rb"), QStringLiteral("—"));
        significant("Ia", s.ia, 3);
        decimals("Ua", s.ua, 1);
        decimals("Ugk", s.ugk, 2);
        decimals("Uk", rest.cathode, 1);
        decimals("Ku1", k[0], 2);
        decimals("Ku2", k[1], 2);
        decimals("Dk", (std::abs(k[0]) - std::abs(k[1])) / std::abs(k[0]) * 100, 1);
        if (ra2 > 0)
            significant("Ra2", ra2, 3);
        else
            out.copy(QStringLiteral("Ra2"), QStringLiteral("—"));
        decimals("Uvh", swing.drive / std::numbers::sqrt2, 2);
        decimals("Uvyh1", swing.output[0] / std::numbers::sqrt2, 1);
        decimals("Uvyh2", swing.output[1] / std::numbers::sqrt2, 1);
        QString limit;
        switch (swing.limit) {
        case stage::PairLimit::GridCurrent1: limit = QStringLiteral("сеточный ток VL1"); break;
        case stage::PairLimit::GridCurrent2: limit = QStringLiteral("сеточный ток VL2"); break;
        case stage::PairLimit::CutOff1: limit = QStringLiteral("отсечка VL1"); break;
        case stage::PairLimit::CutOff2: limit = QStringLiteral("отсечка VL2"); break;
        case stage::PairLimit::None: limit = QStringLiteral("—"); break;
        }
        out.copy(QStringLiteral("Ogr"), limit);
        significant("C1", caps.input, 3);
        significant("C2", caps.bypass, 3);
        significant("C3", caps.output, 3);
        // One heater for both sections; both supplies feed the tail's current.
        decimals("Vt", un * in + (c.ea - c.eneg) * rest.tailCurrent / 1000, 2);
    });
    // Handed on only with every result shown: the analyses take it instead of solving again.
    if (handed && !result.message) {
        auto solution = std::make_shared<stage::HandedSolution>();
        solution->longTailedPair = *handed;
        result.solved = std::move(solution);
    }
    return result;
}

StageResult CalculateLongTailedPair(const LongTailedPairTexts &texts, const LoadedTube &tube, const QLocale &locale)
{
    const QHash<QString, QString> boxes{{QStringLiteral("Ea"), texts.ea},   {QStringLiteral("Ra"), texts.ra},
                                        {QStringLiteral("Rt"), texts.tail}, {QStringLiteral("Et"), texts.eneg},
                                        {QStringLiteral("R11"), texts.r1},  {QStringLiteral("Fn1"), texts.fmin},
                                        {QStringLiteral("Rn"), texts.rn}};
    return CalculateLongTailedPair(
        stage::readStandardSetup(stage::Circuit::LongTailedPair, stage::textsOfBoxes(boxes, tube), locale), locale);
}

} // namespace anodix
