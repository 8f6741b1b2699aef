// SPDX-License-Identifier: GPL-3.0-or-later
// The cathode follower and the split-load phase splitter on the tube's model:
// the point the bias resistor settles at, the mid-band figures from the
// tube's slopes there, and the largest drive found over whole periods.
#include "anodix/stages/followers.h"

#include "anodix/stages/handedsolution.h"
#include "anodix/stages/nodal.h"
#include "common/numbertext.h"
#include "anodix/stages/solvecount.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <utility>

namespace anodix {

namespace stage {

namespace {

double inverse(double r)
{
    return r > 0 ? 1 / r : 0;
}

// The mid-band network with ideal coupling capacitors: the grid at vg, a
// test current into the anode (ja) or the cathode (jk), each output loaded
// unless told otherwise. Node voltages anode, cathode, tap. The tube's
// current gm·(vg − vk) + ga·(va − vk) runs from anode to cathode; the
// follower's anode is held at signal ground.
struct Drive
{
    double vg = 0, ja = 0, jk = 0;
    bool anodeLoaded = true, cathodeLoaded = true;
};

std::array<double, 3> midBand(const FollowerCircuit &c, double gm, double ga, const Drive &d)
{
    enum Node { Anode, Cathode, Tap };
    const double gl = inverse(c.rl);
    const int anode = c.ra > 0 ? Anode : kGroundNode;
    NodalSystem<double> n(3, d.vg);
    n.branch(anode, kGroundNode, inverse(c.ra) + (d.anodeLoaded ? gl : 0));
    n.branch(Cathode, kGroundNode, d.cathodeLoaded ? gl : 0);
    n.branch(Cathode, Tap, inverse(c.rb));
    n.branch(Tap, kGroundNode, inverse(c.rk));
    n.branch(Tap, kDriveNode, inverse(c.r1));
    n.add(anode, kDriveNode, gm);
    n.add(anode, anode, ga);
    n.add(anode, Cathode, -gm - ga);
    n.add(Cathode, kDriveNode, -gm);
    n.add(Cathode, anode, -ga);
    n.add(Cathode, Cathode, gm + ga);
    n.inject(anode, d.ja);
    n.inject(Cathode, d.jk);
    const NodalSystem<double>::Voltages v = n.solve();
    return {v[Anode], v[Cathode], v[Tap]};
}

// Where the tube's current settles at one instant: the anode and the
// cathode each a straight line in the current (their resistors and the
// loads behind capacitors holding the nodes' means), the grid at ug to
// ground. The balance rises with the current, which lowers the anode and
// lifts the cathode; past the current that brings the anode down to the
// cathode the tube is taken as saturated there.
struct Lines
{
    double anodeAt0 = 0, anodeSlope = 0;   // ua = anodeAt0 − anodeSlope·i
    double cathodeAt0 = 0, cathodeSlope = 0; // uk = cathodeAt0 + cathodeSlope·i
};

double currentAt(const model::TubeModel &tube, const Lines &l, double ug)
{
    const double most = (l.anodeAt0 - l.cathodeAt0) / (l.anodeSlope + l.cathodeSlope);
    if (!(most > 0))
        return 0;
    return model::increasingRoot(
        [&](double i) {
            const double ua = l.anodeAt0 - l.anodeSlope * i, uk = l.cathodeAt0 + l.cathodeSlope * i;
            return i - tube.anodeCurrent(ua - uk, ug - uk);
        },
        0, most, 1e-10);
}

// The period at a mean current: the means set the coupling capacitors'
// voltages and the grid's (R1 carries no mean current, so the grid's mean
// is the tap's). R1's signal current into the tap is left out: it is the
// bootstrapped input current, a few µA against the tube's milliamperes.
FollowerCycle cycleAt(const model::TubeModel &tube, const FollowerCircuit &c, double drive, double mean)
{
    FollowerCycle cycle;
    cycle.meanCurrent = mean;
    const double rs = c.rb + c.rk;
    const double ma = c.ea - c.ra * mean, mk = rs * mean, mt = c.rk * mean;
    Lines l;
    if (c.ra > 0) {
        const double g = inverse(c.ra) + inverse(c.rl);
        l.anodeAt0 = (c.ea * inverse(c.ra) + ma * inverse(c.rl)) / g;
        l.anodeSlope = 1 / g;
    } else {
        l.anodeAt0 = c.ea;
    }
    const double gk = inverse(rs) + inverse(c.rl);
    l.cathodeAt0 = mk * inverse(c.rl) / gk;
    l.cathodeSlope = 1 / gk;
    constexpr int n = kCycleSteps, quarter = n / 4;
    // The drive is a sine and the circuit holds no memory within the period:
    // the phases θ and π − θ are alike.
    for (int k = -quarter; k <= quarter; ++k) {
        const double ug = mt + drive * sineCycle()[(k + n) % n];
        const double i = currentAt(tube, l, ug);
        const double ua = l.anodeAt0 - l.anodeSlope * i, uk = l.cathodeAt0 + l.cathodeSlope * i;
        for (const int at : {(k + n) % n, (n / 2 - k + n) % n}) {
            cycle.ia[at] = i;
            cycle.cathodeOut[at] = uk - mk;
            cycle.anodeOut[at] = c.ra > 0 ? ua - ma : 0;
            cycle.ugk[at] = ug - uk;
            cycle.uak[at] = ua - uk;
        }
    }
    return cycle;
}

bool limited(const model::TubeModel &tube, const FollowerCycle &cycle, SwingLimit *which)
{
    constexpr int trough = 3 * kCycleSteps / 4;
    if (*std::max_element(cycle.ugk.begin(), cycle.ugk.end()) > 0) {
        if (which)
            *which = SwingLimit::GridCurrent;
        return true;
    }
    if (cycle.ugk[trough] <= tube.gridCutoff(cycle.uak[trough])) {
        if (which)
            *which = SwingLimit::CutOff;
        return true;
    }
    return false;
}

} // namespace

FollowerCycle followerCycle(const model::TubeModel &tube, const FollowerCircuit &c, double drive)
{
    // A larger mean lifts the cathode by more than the grid (the tap is
    // below the cathode), so each instant's current rises by less than the
    // mean: mean − the period's mean rises and has one root. Its ends: no
    // current, and the anode at the cathode with nothing through the loads.
    const double rs = c.rb + c.rk;
    const double high = c.ea / (c.ra + rs);
    const double rest = c.ea / (c.ra + rs) / 2;
    const auto balance = [&](double mean) {
        const FollowerCycle cycle = cycleAt(tube, c, drive, mean);
        return mean - meanOf(cycle.ia);
    };
    const double mean = model::increasingRootNear(balance, rest, 0.05 * rest, 0, high, 1e-9);
    return cycleAt(tube, c, drive, mean);
}

FollowerPoint solveFollower(const model::TubeModel &tube, const FollowerCircuit &c)
{
    FollowerPoint p;
    const double whole = c.ra + c.rb + c.rk;
    if (!(c.ea > 0 && whole > 0 && c.rl > 0 && c.r1 > 0 && c.rk > 0) || !tube.valid())
        return p;
    countSolve();
    p.iq = model::increasingRoot([&](double i) { return i - tube.anodeCurrent(c.ea - i * whole, -i * c.rb); }, 0,
                                 c.ea / whole, 1e-12);
    if (!(p.iq > 0))
        return p;
    p.ugq = -p.iq * c.rb;
    p.uk = p.iq * (c.rb + c.rk);
    p.uq = c.ea - p.iq * whole;
    p.gm = tube.slope(p.uq, p.ugq);
    p.ga = inverse(tube.internalResistance(p.uq, p.ugq));

    const std::array<double, 3> signal = midBand(c, p.gm, p.ga, {1, 0, 0, true, true});
    p.anodeGain = signal[0];
    p.cathodeGain = signal[1];
    p.rin = c.r1 / (1 - signal[2]);
    p.cathodeOut = midBand(c, p.gm, p.ga, {0, 0, 1, true, false})[1];
    if (c.ra > 0)
        p.anodeOut = midBand(c, p.gm, p.ga, {0, 1, 0, false, true})[0];

    // The largest drive: doubled from the bias until the period is limited,
    // then halved down to a part in 10⁵. Whether a period is limited rises
    // with the drive: the crest only lifts the grid, the trough only lowers it.
    const auto at = [&](double drive) { return followerCycle(tube, c, drive); };
    double low = 0, high = std::max(std::abs(p.ugq), 1e-3 * c.ea);
    int doublings = 0;
    while (!limited(tube, at(high), nullptr) && doublings < 40) {
        low = high;
        high *= 2;
        ++doublings;
    }
    while (high - low > 1e-5 * high) {
        const double mid = (low + high) / 2;
        (limited(tube, at(mid), nullptr) ? high : low) = mid;
    }
    limited(tube, at(high), &p.limit);
    p.maxDrive = low;
    const FollowerCycle driven = at(low);
    p.cathodeSwing = spectrumOf(driven.cathodeOut).fundamental;
    p.anodeSwing = spectrumOf(driven.anodeOut).fundamental;
    return p;
}

} // namespace stage

double followerInputCapacitance(double cgk, double cga, double gain)
{
    return cga + cgk * (1 - gain);
}

namespace {

StageMessage error(const QString &text)
{
    return {QStringLiteral("Ошибка"), text};
}

const QString kCutOff = QStringLiteral("Рабочая точка не найдена: лампа заперта при этом напряжении питания");
const QString kSaturated = QStringLiteral("Рабочая точка не найдена: анод лампы опустился до катода; увеличьте Ea "
                                          "или уменьшите сопротивления");

// The record's figures the stages use and the tube's model; every refusal
// comes before the first output.
using Record = stage::RecordFigures;

// Zero divides somewhere below; a negative value gives no stage.
void requirePositive(std::initializer_list<std::pair<const char *, double>> values)
{
    QStringList negative;
    for (const auto &[name, value] : values) {
        if (value == 0)
            throw stage::Failure::DivisionByZero;
        if (value < 0)
            negative << QString::fromUtf8(name);
    }
    if (!negative.isEmpty())
        throw stage::notPositiveMessage(negative);
}

// A follower's or a splitter's cathode resistor and anode load: from 100 Ω,
// where a small triode's current would have to be tens of milliamperes, to
// 10 MΩ; the load behind each output from 100 Ω (a long cable's input) to
// 100 MΩ, past any grid leak.
constexpr stage::Range kResistorRange{"Rk", 0.1, 10000, "кОм"};
constexpr stage::Range kSplitterRange{"R", 0.1, 10000, "кОм"};
constexpr stage::Range kOutputLoadRange{"Rн", 0.1, 100000, "кОм"};

// The analyses of the same calculation take the stage from here instead of solving it again.
StageResult handedOn(StageResult result, const std::optional<stage::FollowerSolution> &solved)
{
    if (solved && !result.message) {
        stage::HandedSolution handed;
        handed.follower = solved;
        result.solved = std::make_shared<const stage::HandedSolution>(std::move(handed));
    }
    return result;
}

QString limitText(stage::SwingLimit limit)
{
    return limit == stage::SwingLimit::GridCurrent ? QStringLiteral("сеточный ток") : QStringLiteral("отсечка тока");
}

struct Prepared
{
    Record record;
    stage::FollowerCircuit circuit;
    double fmin = 0;
};

// Checks the boxes both stages share and fits the bias resistor below rk:
// the common start of both stages.
Prepared prepare(const stage::SetupReader &read, const QLocale &locale)
{
    Prepared p;
    if (!read.hasRecord())
        throw stage::Failure::InputError;
    p.circuit.ea = read.boxDouble("Ea");
    p.fmin = read.boxDouble("Fn1");
    p.circuit.r1 = read.boxDouble("R11");
    p.circuit.rl = read.boxDouble("Rn");
    p.record = read.recordFigures();
    const model::TubeFigures &f = p.record.figures;
    requirePositive({{"Ea", p.circuit.ea}, {"Fmin", p.fmin}, {"R1", p.circuit.r1}, {"Rн", p.circuit.rl},
                     {"Ia", f.ia0}, {"S", f.s}, {"μ", f.mu}, {"Ri", f.ri}});
    for (const auto &[range, value] : {std::pair{stage::kSupplyRange, p.circuit.ea},
                                       {stage::kLowestFrequencyRange, p.fmin}, {stage::kGridLeakRange, p.circuit.r1},
                                       {kOutputLoadRange, p.circuit.rl}})
        stage::checkRange(range, value, locale);
    // The bias resistor for the record's point: its current through it gives its bias.
    p.circuit.rb = std::abs(f.uc) / f.ia0;
    return p;
}

// The texts of old as the window would hold them, read as the window reads them.
stage::StageSetup readTexts(stage::Circuit circuit, std::initializer_list<std::pair<const char *, QString>> boxes,
                            const LoadedTube &tube, const QLocale &locale)
{
    QHash<QString, QString> texts;
    for (const auto &[name, text] : boxes)
        texts.insert(QString::fromLatin1(name), text);
    return stage::readStandardSetup(circuit, stage::textsOfBoxes(texts, tube), locale);
}

// The point the circuit works at on the record's model, or the refusal that
// says why it has none.
stage::FollowerPoint workingPoint(const Record &record, const stage::FollowerCircuit &c)
{
    const model::TubeModel model(model::TubeType::Triode, record.figures);
    if (!model.valid() || !std::isfinite(model.anodeCurrent(c.ea, 0)) || !std::isfinite(c.rb))
        throw stage::Failure::OutOfRange;
    const stage::FollowerPoint q = stage::solveFollower(model, c);
    if (!(q.iq > 0))
        throw error(kCutOff);
    // The cathode follows the grid, by less than all of it, wherever the
    // tube works; anything else is a point with the anode down at the
    // cathode, where the model's slopes mean nothing.
    if (!(q.cathodeGain > 0 && q.cathodeGain < 1) || !(q.uq > 0))
        throw error(kSaturated);
    return q;
}

} // namespace

StageResult CalculateCathodeFollowerStage(const stage::StageSetup &setup, const GridCapacitances &capacitances,
                                          const QLocale &locale)
{
    std::optional<stage::FollowerSolution> solved;
    return handedOn(stage::run(locale, [&](stage::Outputs &out) {
        const stage::SetupReader read(setup);
        Prepared p = prepare(read, locale);
        const double rk = read.boxDouble("Rk");
        requirePositive({{"Rk", rk}});
        stage::checkRange(kResistorRange, rk, locale);
        stage::FollowerCircuit &c = p.circuit;
        if (!(c.rb < rk))
            throw error(QStringLiteral("Сопротивление в цепи катода должно быть больше резистора смещения R2 = %1 кОм")
                            .arg(common::significantText(c.rb, 3, locale)));
        c.rk = rk - c.rb;
        const stage::FollowerPoint q = workingPoint(p.record, c);

        const double twoPiF = 2 * std::numbers::pi * p.fmin;
        const auto significant = [&](const char *name, double value, int digits) {
            out.plain(QString::fromLatin1(name), common::roundSignificant(value, digits));
        };
        out.plain(QStringLiteral("R1"), c.r1);
        out.rounded(QStringLiteral("R2"), c.rb, 3);
        out.rounded(QStringLiteral("R3"), c.rk, 3);
        // Each coupling capacitor alone at −3 dB on Fmin: C1 against the
        // bootstrapped input resistance, C2 against the output's resistance and the load.
        significant("C1", stage::divide(1000.0, twoPiF * q.rin), 4);
        significant("C2", stage::divide(1000.0, twoPiF * (q.cathodeOut + c.rl)), 4);
        out.rounded(QStringLiteral("Uq"), q.uq, 1);
        significant("Iq", q.iq, 3);
        out.rounded(QStringLiteral("Ugq"), q.ugq, 2);
        out.rounded(QStringLiteral("Uk"), q.uk, 1);
        out.rounded(QStringLiteral("Ku"), q.cathodeGain, 3);
        significant("Rvyh", q.cathodeOut * 1000, 3);
        out.rounded(QStringLiteral("Cvh"),
                    followerInputCapacitance(capacitances.cgk, capacitances.cga, q.cathodeGain), 2);
        out.rounded(QStringLiteral("Uvh"), q.maxDrive / std::numbers::sqrt2, 1);
        out.copy(QStringLiteral("Ogr"), limitText(q.limit));
        out.rounded(QStringLiteral("Vt"), p.record.un * p.record.in + c.ea * q.iq / 1000, 2);
        solved = stage::FollowerSolution{c, q};
    }), solved);
}

StageResult CalculateSplitLoadStage(const stage::StageSetup &setup, const QLocale &locale)
{
    std::optional<stage::FollowerSolution> solved;
    return handedOn(stage::run(locale, [&](stage::Outputs &out) {
        const stage::SetupReader read(setup);
        Prepared p = prepare(read, locale);
        const double r = read.boxDouble("Rak");
        requirePositive({{"R", r}});
        stage::checkRange(kSplitterRange, r, locale);
        stage::FollowerCircuit &c = p.circuit;
        c.ra = c.rk = r;
        const stage::FollowerPoint q = workingPoint(p.record, c);

        // A grid leak far below the cathode load passes the input to the
        // cathode around the tube: the cathode then moves more than the grid,
        // and the anode follows the input instead of inverting it.
        if (!(q.anodeGain < 0))
            throw error(QStringLiteral("Анодный выход не инвертирует сигнал: R1 слишком мал по сравнению с "
                                       "сопротивлением в цепи катода; увеличьте R1"));

        const double twoPiF = 2 * std::numbers::pi * p.fmin;
        const auto significant = [&](const char *name, double value, int digits) {
            out.plain(QString::fromLatin1(name), common::roundSignificant(value, digits));
        };
        const double anodeGain = -q.anodeGain;
        out.plain(QStringLiteral("R1"), c.r1);
        out.rounded(QStringLiteral("R2"), c.rb, 3);
        out.plain(QStringLiteral("R3"), r);
        out.plain(QStringLiteral("R4"), r);
        significant("C1", stage::divide(1000.0, twoPiF * q.rin), 4);
        significant("C2", stage::divide(1000.0, twoPiF * (q.anodeOut + c.rl)), 4);
        significant("C3", stage::divide(1000.0, twoPiF * (q.cathodeOut + c.rl)), 4);
        out.rounded(QStringLiteral("Uq"), q.uq, 1);
        significant("Iq", q.iq, 3);
        out.rounded(QStringLiteral("Ugq"), q.ugq, 2);
        out.rounded(QStringLiteral("Kua"), anodeGain, 3);
        out.rounded(QStringLiteral("Kuk"), q.cathodeGain, 3);
        out.rounded(QStringLiteral("Nebalans"), stage::divide(q.cathodeGain - anodeGain, anodeGain) * 100, 2);
        significant("Rvyha", q.anodeOut * 1000, 3);
        significant("Rvyhk", q.cathodeOut * 1000, 3);
        out.rounded(QStringLiteral("Uvyha"), q.anodeSwing / std::numbers::sqrt2, 1);
        out.rounded(QStringLiteral("Uvyhk"), q.cathodeSwing / std::numbers::sqrt2, 1);
        out.copy(QStringLiteral("Ogr"), limitText(q.limit));
        out.rounded(QStringLiteral("Vt"), p.record.un * p.record.in + c.ea * q.iq / 1000, 2);
        solved = stage::FollowerSolution{c, q};
    }), solved);
}

StageResult CalculateCathodeFollowerStage(const CathodeFollowerTexts &texts, const LoadedTube &tube,
                                          const GridCapacitances &capacitances, const QLocale &locale)
{
    const stage::StageSetup setup =
        readTexts(stage::Circuit::CathodeFollower,
                  {{"Ea", texts.ea}, {"Rk", texts.rk}, {"R11", texts.r1}, {"Fn1", texts.fmin}, {"Rn", texts.rl}}, tube,
                  locale);
    return CalculateCathodeFollowerStage(setup, capacitances, locale);
}

StageResult CalculateSplitLoadStage(const SplitLoadTexts &texts, const LoadedTube &tube, const QLocale &locale)
{
    const stage::StageSetup setup =
        readTexts(stage::Circuit::SplitLoad,
                  {{"Ea", texts.ea}, {"Rak", texts.r}, {"R11", texts.r1}, {"Fn1", texts.fmin}, {"Rn", texts.rl}}, tube,
                  locale);
    return CalculateSplitLoadStage(setup, locale);
}

} // namespace anodix
