// SPDX-License-Identifier: GPL-3.0-or-later
// The operating point of each stage on it, the swing
// along the AC load line, and the curves and lines the plot draws.
#include "anodix/analysis/characteristics.h"

#include "anodix/analysis/followeranalysis.h"
#include "anodix/analysis/longtailedpairanalysis.h"

#include "anodix/stages/handedsolution.h"
#include "common/numbertext.h"
#include "anodix/stages/solvecount.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>

namespace anodix::analysis {
namespace {

using model::increasingRoot;

// Results beyond this are taken for figures out of range, not for a stage.
constexpr double kLargest = 1e12;
constexpr int kPointsPerCurve = 80;

double parallel(double a, double b)
{
    return a * b / (a + b);
}

// µF that bypass z kΩ at f Hz.
double bypassCapacitor(double f, double z)
{
    return 1000 / (2 * std::numbers::pi * f * z);
}

// The smallest step of the 1–2–5 series that spans span in at most maxSteps.
double step125(double span, int maxSteps)
{
    double decade = std::pow(10.0, std::floor(std::log10(span / maxSteps)));
    // As for the axes: without a normal starting decade the search never ends.
    if (!std::isnormal(decade) || !std::isfinite(span))
        return 0;
    for (; std::isfinite(decade); decade *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double step = decade * factor;
            if (std::ceil(span / step - 1e-9) <= maxSteps)
                return step;
        }
    }
    return 0;
}

// From 0 past limit in 4 to 10 round ticks, not yet labelled.
Axis roundAxis(double limit)
{
    if (!(limit > 0))
        limit = 1;
    Axis axis;
    // A subnormal or infinite limit has no decade to start from (the loop would
    // never end); no tick is the caller's sign that the figures are out of range.
    const double first = std::pow(10.0, std::floor(std::log10(limit / 10)));
    if (!std::isnormal(first) || !std::isfinite(limit))
        return axis;
    for (double decade = first; axis.tick == 0 && std::isfinite(decade); decade *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double ticks = std::floor(limit / (decade * factor)) + 1;
            if (ticks <= 10) {
                axis.tick = decade * factor;
                axis.max = ticks * axis.tick;
                break;
            }
        }
    }
    return axis;
}

// The part of the segment from p to q inside [0, ua.max] × [0, ia.max]
// (Liang–Barsky); empty when it passes outside.
QList<QPointF> clipped(QPointF p, QPointF q, const Axis &ua, const Axis &ia)
{
    const double dx = q.x() - p.x(), dy = q.y() - p.y();
    double t0 = 0, t1 = 1;
    const auto edge = [&](double denominator, double distance) {
        if (denominator == 0)
            return distance >= 0;
        const double t = distance / denominator;
        if (denominator < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!edge(-dx, p.x()) || !edge(dx, ua.max - p.x()) || !edge(-dy, p.y()) || !edge(dy, ia.max - p.y()))
        return {};
    // Inside by construction; the clamp keeps a steep line's rounding there too.
    const auto at = [&](double t) {
        return QPointF(std::clamp(p.x() + t * dx, 0.0, ua.max), std::clamp(p.y() + t * dy, 0.0, ia.max));
    };
    return {at(t0), at(t1)};
}

bool isPentode(Circuit circuit)
{
    return stage::circuitData(circuit).tube == model::TubeType::Pentode;
}

// What the analysis works from, read from the record and the box texts.
struct Figures
{
    TubeFigures tube;
    double ea = 0, fmin = 0, rp = 0;
    double r1 = 0; // the grid leak, kΩ; the next stage's is taken equal to it
};

Figures figuresOf(const stage::StageSetup &setup)
{
    Figures f;
    f.tube = setup.tube;
    f.ea = setup.ea;
    f.fmin = setup.fmin;
    f.r1 = setup.r1.value_or(0);
    f.rp = setup.rp;
    return f;
}

// The figures that are missing or not above zero, by the names the user knows.
QStringList missingFigures(Circuit kind, const Figures &f)
{
    QStringList missing;
    const auto need = [&](bool present, const QString &name) {
        if (!present)
            missing << name;
    };
    need(f.tube.ua0 > 0, QStringLiteral("Ua"));
    need(f.tube.ia0 > 0, QStringLiteral("Ia"));
    // Without a bias the stage has no cathode resistor and no grid swing.
    need(f.tube.uc != 0, QStringLiteral("Uc"));
    need(f.tube.s > 0, QStringLiteral("S"));
    if (!isPentode(kind))
        need(f.tube.mu > 0, QStringLiteral("μ"));
    need(f.tube.ri > 0, QStringLiteral("Ri"));
    if (isPentode(kind)) {
        need(f.tube.ug2 > 0, QStringLiteral("Ug2"));
        need(f.tube.ig2 > 0, QStringLiteral("Ig2"));
    }
    need(f.ea > 0, QStringLiteral("Ea"));
    need(f.fmin > 0, QStringLiteral("Fmin"));
    if (kind == Circuit::TriodePreamp || kind == Circuit::PentodePreamp)
        need(f.r1 > 0, QStringLiteral("R1"));
    if (kind == Circuit::PentodePreamp && f.ea > 0 && f.tube.ug2 > 0)
        need(f.ea > f.tube.ug2, QStringLiteral("Ea выше Ug2"));
    if (kind == Circuit::PentodePower)
        need(f.rp > 0, QStringLiteral("R 1-й обмотки"));
    if (kind == Circuit::TriodeOutput)
        need(f.rp > 0, QStringLiteral("Ra / Ri"));
    return missing;
}

// The settled stage: Q, the swing and the figures below the plot.
struct Solution
{
    double ra = 0, rk = 0, load = 0; // kΩ; load: the AC load line's resistance
    double uq = 0, iq = 0, ugq = 0, sq = 0;
    double umin = 0, imax = 0, umax = 0, imin = 0;
    double amp = 0, gain = 0, d2 = 0, pout = 0, c2 = 0, c3 = 0;
    double d3 = 0, thd = 0; // the triode output stage: from the spectrum of a driven period
    bool precise = true; // every balance solved holds at its root
};

// Whether the balance solved for root still holds there to a millionth of
// scale. Where rounding cancels it (a supply far above the tube's voltages,
// a model too steep for doubles) the root has no trustworthy digits.
template <class F>
bool balanced(F &&balance, double root, double scale)
{
    return std::abs(balance(root)) <= 1e-6 * scale;
}

// Where the curve at ug meets the AC load line through Q; Ia of the curve
// rises with Ua and the line falls, so there is one crossing or none (then an
// end of the line: Ua = 0, or Ia = 0 where the tube is cut off).
QPointF swingEnd(const TubeModel &model, Solution &s, double ug)
{
    const double lineEnd = s.uq + s.iq * s.load; // where the line reaches Ia = 0
    const auto line = [&](double ua) { return s.iq - (ua - s.uq) / s.load; };
    if (!(model.anodeCurrent(lineEnd, ug) > 0))
        return {lineEnd, 0};
    const auto crossing = [&](double u) { return model.anodeCurrent(u, ug) - line(u); };
    const double ua = increasingRoot(crossing, 0, lineEnd);
    // At Ua = 0 the swing ends on the axis, not on the curve.
    if (ua > 0 && !balanced(crossing, ua, line(0)))
        s.precise = false;
    return {ua, std::max(0.0, line(ua))};
}

Solution solve(Circuit kind, const TubeModel &model, const Figures &f)
{
    stage::countSolve();
    const TubeFigures &t = f.tube;
    Solution s;
    s.ra = f.ea / (2 * t.ia0);
    s.rk = std::abs(t.uc) / t.ia0;
    // A preamplifier's anode feeds the next grid leak through its coupling
    // capacitor too, as the frequency response and the netlist load it.
    s.load = kind == Circuit::PentodePower ? f.rp : parallel(s.ra, f.r1);
    if (kind == Circuit::TriodePreamp) {
        const double dcLoad = s.ra + s.rk;
        const auto balance = [&](double i) { return i - model.anodeCurrent(f.ea - i * dcLoad, -i * s.rk); };
        s.iq = increasingRoot(balance, 0, f.ea / dcLoad);
        s.precise = balanced(balance, s.iq, s.iq);
        s.uq = f.ea - s.iq * dcLoad;
        s.ugq = -s.iq * s.rk;
    } else {
        // The cathode current sets the bias whatever the anode does.
        const auto bias = [&](double ug) { return ug + model.cathodeCurrentAboveKnee(ug) * s.rk; };
        s.ugq = increasingRoot(bias, model.gridCutoff(0), 0);
        s.precise = balanced(bias, s.ugq, std::abs(s.ugq));
        const double beforeAnode = f.ea - model.cathodeCurrentAboveKnee(s.ugq) * s.rk;
        if (kind == Circuit::PentodePreamp) {
            const double top = std::max(0.0, beforeAnode) / s.ra;
            const auto balance = [&](double i) { return i - model.anodeCurrent(beforeAnode - i * s.ra, s.ugq); };
            s.iq = increasingRoot(balance, 0, top);
            s.precise = s.precise && balanced(balance, s.iq, s.iq);
            s.uq = std::max(0.0, beforeAnode - s.iq * s.ra);
        } else {
            s.uq = std::max(0.0, beforeAnode);
            s.iq = model.anodeCurrent(s.uq, s.ugq);
        }
    }
    s.sq = model.slope(s.uq, s.ugq);

    const QPointF low = swingEnd(model, s, 0);
    const QPointF high = swingEnd(model, s, 2 * s.ugq);
    s.umin = low.x();
    s.imax = low.y();
    s.umax = high.x();
    s.imin = high.y();
    const double swing = s.umax - s.umin;
    s.amp = swing / 2;
    s.gain = s.ugq != 0 ? swing / (2 * std::abs(s.ugq)) : 0;
    if (kind != Circuit::PentodePower && s.ugq != 0) {
        // A preamplifier's gain is read on its load line at Q, between the
        // curves just either side of Ugq, as the frequency response takes it;
        // the full swing's curvature and clipping show in Amp and D2 instead.
        const double dg = 1e-3 * std::abs(s.ugq);
        s.gain = (swingEnd(model, s, s.ugq - dg).x() - swingEnd(model, s, s.ugq + dg).x()) / (2 * dg);
    }
    s.d2 = s.imax > s.imin ? (s.imax + s.imin - 2 * s.iq) / (2 * (s.imax - s.imin)) * 100 : 0;
    s.pout = (s.imax - s.imin) * swing / 8000;

    if (kind == Circuit::TriodePreamp) {
        s.c2 = bypassCapacitor(f.fmin, parallel(s.rk, (t.ri + s.ra) / (t.mu + 1)));
    } else if (kind == Circuit::PentodePreamp || kind == Circuit::PentodePower) {
        // The screen's current flows through the cathode resistor too.
        s.c2 = bypassCapacitor(f.fmin, parallel(s.rk, 1 / (t.s * (1 + t.ig2 / t.ia0))));
        if (kind == Circuit::PentodePreamp)
            s.c3 = bypassCapacitor(f.fmin / 10, (f.ea - t.ug2) / t.ig2);
    }
    return s;
}

// The triode output stage as its window computes it: the same point, and the
// swing and figures of a period at full drive.
Solution solveTriodeOutput(const TubeModel &model, const Figures &f, const stage::HandedSolution *handed)
{
    Solution s;
    s.rk = std::abs(f.tube.uc) / f.tube.ia0;
    s.ra = s.load = f.rp;
    // The stage calculation solved this very point on the same figures.
    const std::optional<TriodeOutputSwing> q =
        handed && handed->swing ? handed->swing : SolveTriodeOutput(model, f.ea, s.rk, s.load);
    if (!q) { // cut off: the point and the swing sit at (Ea, 0)
        s.uq = s.umin = s.umax = f.ea;
        return s;
    }
    s.uq = q->uq;
    s.iq = q->iq;
    s.ugq = q->ugq;
    s.sq = model.slope(s.uq, s.ugq);
    s.umin = q->umin;
    s.imax = q->imax;
    s.umax = q->umax;
    s.imin = q->imin;
    const double swing = s.umax - s.umin;
    s.amp = swing / 2;
    s.gain = s.ugq != 0 ? swing / (2 * std::abs(s.ugq)) : 0;
    s.d2 = q->d2;
    s.d3 = q->d3;
    s.thd = q->thd;
    s.pout = q->pout;
    const auto balance = [&](double i) { return i - model.anodeCurrent(f.ea - i * s.rk, -i * s.rk); };
    s.precise = balanced(balance, s.iq, s.iq);
    return s;
}

bool inRange(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(),
                       [](double v) { return std::isfinite(v) && std::abs(v) < kLargest; });
}

// A current I(Ua) from start, where it begins, to where it leaves the plot's
// top; the points crowd where the curve bends (the pentode's knee at low Ua).
// current rises with Ua.
template <class Current>
Curve curveAlong(bool pentode, Current &&current, double start, double ug, const Axis &ua, const Axis &ia,
                 const QLocale &locale)
{
    Curve curve;
    curve.ug = ug;
    curve.label = QStringLiteral("Ug = ") + common::doubleText(ug, locale) + QStringLiteral(" В");
    start = std::min(start, ua.max);
    if (start >= ua.max) { // cut off across the plot: it lies on the axis
        curve.points = {QPointF(0, 0), QPointF(ua.max, 0)};
        return curve;
    }
    if (!(current(start) < ia.max))
        return curve;
    double end = ua.max;
    if (!(current(end) <= ia.max))
        end = increasingRoot([&](double u) { return current(u) - ia.max; }, start, end, 1e-7);
    // Fractions of the span, evenly for a triode, crowded towards Ua = 0 for a pentode.
    static const auto fractions = [] {
        std::array<std::array<double, kPointsPerCurve>, 2> made{};
        for (int i = 0; i < kPointsPerCurve; ++i) {
            made[0][i] = double(i) / (kPointsPerCurve - 1);
            made[1][i] = std::pow(made[0][i], 1.6);
        }
        return made;
    }();
    const auto &fraction = fractions[pentode ? 1 : 0];
    curve.points.reserve(kPointsPerCurve);
    for (int i = 0; i < kPointsPerCurve; ++i) {
        const double u = start + (end - start) * fraction[i];
        curve.points.append(QPointF(u, std::clamp(current(u), 0.0, ia.max)));
    }
    return curve;
}

// Ia(Ua) at ug from where current begins to where it leaves the plot's top.
Curve curveAt(Circuit kind, const TubeModel &model, double ug, const Axis &ua, const Axis &ia,
              const QLocale &locale)
{
    return curveAlong(
        isPentode(kind), [&](double u) { return model.anodeCurrent(u, ug); }, model.conductionStart(ug), ug, ua, ia,
        locale);
}

// 6 to 10 curves from Ug = 0 down past 2·Ugq, a round step apart, each made by curveAt(ug).
template <class CurveAt>
QList<Curve> curvesBy(CurveAt &&curveAt, const Solution &s, double bias)
{
    const double span = s.ugq != 0 ? 2 * std::abs(s.ugq) : 2 * bias;
    const double step = step125(span, 9);
    if (step == 0)
        return {}; // the caller reports the figures out of range
    const int count = std::max(6, int(std::ceil(span / step - 1e-9)) + 1);
    QList<Curve> curves;
    curves.reserve(count);
    for (int i = 0; i < count; ++i)
        curves.append(curveAt(i == 0 ? 0.0 : -(i * step)));
    return curves;
}

QList<Curve> curvesOf(Circuit kind, const TubeModel &model, const Solution &s, double bias, const Axis &ua,
                      const Axis &ia, const QLocale &locale)
{
    return curvesBy([&](double ug) { return curveAt(kind, model, ug, ua, ia, locale); }, s, bias);
}

QString resistanceLine(const QString &name, double value, const QString &unit, const QLocale &locale)
{
    return name + QStringLiteral(" = ") + common::doubleText(value, locale) + u' ' + unit;
}

// The note names the model the curves come from: a fitted one says what it was fitted to.
QString modelNoteText(const model::ModelFile *fitted)
{
    if (fitted)
        return QStringLiteral("Кривые построены по модели «%1», подобранной по измерениям: %2.")
            .arg(QString::fromStdString(model::modelDisplayName(fitted->type)),
                 QString::fromStdString(fitted->source));
    return QStringLiteral("Кривые — оценка: они построены по рабочей точке из данных лампы "
                          "по модели «степени 3/2» и могут отличаться от снятых характеристик.");
}

// Every point inside the axes (false for NaN); the margin forgives the last bit of rounding.
bool drawable(const Analysis &a)
{
    QList<QPointF> points = a.dcLoadLine + a.acLoadLine + a.compositeLoadLine;
    points << a.operatingPoint << a.swingLow << a.swingHigh;
    for (const Curve &curve : a.curves)
        points += curve.points;
    return std::all_of(points.cbegin(), points.cend(), [&](QPointF p) {
        return p.x() >= -1e-9 * a.ua.max && p.x() <= a.ua.max * (1 + 1e-9) && p.y() >= -1e-9 * a.ia.max
            && p.y() <= a.ia.max * (1 + 1e-9);
    });
}

const QString kOutOfRange = QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: ");
// Beyond these supplies the figures shown lose their digits to rounding.
constexpr double kLowestSupply = 1, kHighestSupply = 100000;

QString beyondModel()
{
    return QStringLiteral("данные лампы вне пределов модели");
}

// Why the supply cannot be analysed; empty when it can.
QString supplyProblem(double ea, const QLocale &locale)
{
    if (ea >= kLowestSupply && ea <= kHighestSupply)
        return {};
    return common::rangeText(QStringLiteral("Ea"), ea, kLowestSupply, kHighestSupply, QStringLiteral("В"), locale);
}

Analysis refused(const QString &reason)
{
    Analysis refusal;
    refusal.problem = kOutOfRange + reason;
    return refusal;
}

// The push-pull pair's circuit as the setup read it (the tap NaN when it is no number).
stage::PushPullCircuit pushPullCircuit(const stage::StageSetup &setup)
{
    return {setup.ea, setup.ug2, setup.raa, setup.rk, setup.screenTap};
}

// One tube of the push-pull pair at the screen voltage it settles at, with the
// stage calculation's own numbers, so the window and the plot agree.
Analysis analyzePushPull(const stage::StageSetup &setup, const QLocale &locale, stage::PushPullPoint &solved)
{
    Analysis analysis;
    const Figures f = figuresOf(setup);
    const stage::PushPullCircuit c = pushPullCircuit(setup);
    const double ug2 = setup.ug2;
    const double raa = setup.raa;
    const double rk = setup.rk;
    QStringList missing = missingFigures(Circuit::PushPull, f);
    const auto need = [&](double value, const char *name) {
        if (!(value > 0))
            missing << QString::fromUtf8(name);
    };
    need(ug2, "Ug2 на экранных сетках");
    need(raa, "Raa");
    need(rk, "Rk");
    if (!std::isfinite(c.tap))
        missing << QStringLiteral("отвод экранных сеток");
    if (!missing.isEmpty()) {
        analysis.problem =
            QStringLiteral("Недостаточно данных для построения характеристик: ") + missing.join(QStringLiteral(", "));
        return analysis;
    }
    if (const QString problem = supplyProblem(f.ea, locale); !problem.isEmpty())
        return refused(problem);
    if (!(c.tap >= 0 && c.tap <= 1))
        return refused(common::rangeText(QStringLiteral("Отвод экранных сеток"), c.tap * 100, 0, 100, QStringLiteral("%"),
                                 locale));
    const TubeModel record(model::TubeType::Pentode, f.tube);
    // The stage calculation hands on the pair it solved on the same figures.
    const stage::PushPullPoint p = !record.valid()                          ? stage::PushPullPoint{}
                                   : setup.handed && setup.handed->pair ? *setup.handed->pair
                                                                        : stage::solvePushPull(record, c);
    solved = p;
    const TubeModel tube = record.withScreenAt(p.u2);
    // What each tube drives into its half of the primary: with the screens on
    // a tap, the anode's current and tap times the screen's, the screen moving
    // along with the anode; without one, the anode's current alone.
    const bool tapped = c.tap > 0;
    const auto winding = [&](double ua, double ug) {
        return tapped ? stage::windingCurrent(record, c, p.uk, ua, ug) : tube.anodeCurrent(ua, ug);
    };
    const double iq = winding(p.eq, -p.uk);
    const double drive = p.uk;
    const double ipk = tapped ? stage::windingCurrent(record, c, p.ukDriven, p.uaMin, -p.ukDriven + drive) : p.ipk;
    const double ia2 = tapped ? stage::windingCurrent(record, c, p.ukDriven, p.ua2, -p.ukDriven - drive) : p.ia2;
    const Axis ua = axisPast(std::max(f.ea, p.ua2), locale);
    const Axis ia = axisPast(std::max(ipk, iq), locale);
    if (!record.valid()
        || !inRange({p.uk, p.eq, p.u2, p.iq, p.ig2q, p.ukDriven, p.icMax, p.uaMin, p.ipk, p.ua2, p.ia2, p.pout, p.d2,
                     p.d3, p.thd,
                     ua.max, ia.max}))
        return refused(beyondModel());
    // The shared bias must still balance at its root: 2·Ik·Rk = Uk.
    const double cathodes = 2 * tube.cathodeCurrent(p.eq, -p.uk) * rk / 1000;
    if (!(std::abs(cathodes - p.uk) <= 1e-6 * std::max(p.uk, 1e-300)))
        return refused(QStringLiteral("рабочая точка не находится с нужной точностью"));
    if (!(p.iq > 0 && p.eq > 0))
        return refused(QStringLiteral("рабочая точка вне характеристик лампы"));
    if (ua.ticks.isEmpty())
        return refused(QStringLiteral("напряжение на аноде вне шкалы графика"));
    if (ia.ticks.isEmpty())
        return refused(QStringLiteral("ток анода вне шкалы графика"));

    analysis.title = setup.tubeName;
    const auto inputLine = [&](const char *name, const std::optional<double> &value, const char *unit) {
        if (value)
            analysis.inputLines << resistanceLine(QString::fromUtf8(name), *value, QString::fromUtf8(unit), locale);
    };
    inputLine("Ea", f.ea, "В");
    if (!tapped) // on a tap the screens take the supply's voltage, not this one
        inputLine("Ug2", ug2, "В");
    inputLine("Fmin", f.fmin, "Гц");
    inputLine("R1", setup.r1, "кОм");
    inputLine("Rн", setup.rn, "Ом");
    inputLine("Raa", raa, "кОм");
    inputLine("Rk", rk, "Ом");
    if (tapped)
        inputLine("Отвод экранных сеток", c.tap * 100, "%");

    analysis.ua = ua;
    analysis.ia = ia;
    Solution s;
    s.ugq = -p.uk;
    if (tapped) {
        // The tap moves the screen with the anode about its rest at Eq; the
        // winding takes current from Ua = 0, where the screen still sits at
        // (1 − tap)·Eq.
        analysis.curves = curvesBy(
            [&](double ug) {
                return curveAlong(
                    true, [&](double u) { return winding(u, ug); }, 0.0, ug, ua, ia, locale);
            },
            s, std::abs(f.tube.uc));
    } else {
        analysis.curves = curvesOf(Circuit::PushPull, tube, s, std::abs(f.tube.uc), ua, ia, locale);
    }
    // The half-primary's resistance is neglected: the DC line stands upright at Eq.
    analysis.dcLoadLine = clipped({p.eq, 0}, {p.eq, ia.max}, ua, ia);
    analysis.acLoadLine = clipped({0, iq + p.eq * 2 / raa}, {p.eq + iq * raa / 2, 0}, ua, ia);
    // At full drive the cathode has risen: the composite line starts from the
    // anode voltage the pair then idles at, so the full-drive end lies on it.
    analysis.compositeLoadLine = clipped({p.eqDriven, 0}, {0, p.eqDriven * 4 / raa}, ua, ia);
    const auto inside = [&](double u, double i) {
        return QPointF(std::clamp(u, 0.0, ua.max), std::clamp(i, 0.0, ia.max));
    };
    analysis.operatingPoint = inside(p.eq, iq);
    analysis.swingLow = inside(p.uaMin, ipk);
    analysis.swingHigh = inside(p.ua2, ia2);

    // As the stage window shows them.
    const auto decimals = [&](double v, int n) { return common::fixedText(v, n, locale); };
    const auto significant = [&](double v, int n) { return common::significantText(v, n, locale); };
    const auto row = [&](const char *name, const char *caption, const QString &value, const char *unit) {
        analysis.rows.append({name, QString::fromUtf8(caption), value, QString::fromUtf8(unit)});
    };
    const QString klass = p.classA ? QStringLiteral("A") : QStringLiteral("AB1");
    row("Ugq", "Смещение на сетке", decimals(-p.uk, 2), "В");
    row("Iq", "Ток покоя одной лампы", significant(p.iq, 3), "мА");
    row("Pout", "Выходная мощность", decimals(p.pout, 2), "Вт");
    row("D2", "Вторая гармоника", decimals(p.d2, 1), "%");
    row("D3", "Третья гармоника", decimals(p.d3, 1), "%");
    row("THD", "Коэффициент гармоник", decimals(p.thd, 1), "%");
    row("Klass", "Класс усиления", klass, "");

    analysis.description =
        QStringLiteral("Рабочая точка одной лампы: напряжение на аноде %1 В, ток анода %2 мА, смещение на сетке %3 В. "
                       "При полном возбуждении напряжение на аноде падает до %4 В, ток анода достигает %5 мА; "
                       "класс усиления %6.")
            .arg(decimals(p.eq, 1), analysis.rows[1].value, analysis.rows[0].value, decimals(p.uaMin, 1),
                 significant(p.ipk, 3), klass);
    analysis.modelNote = modelNoteText(setup.tube.model.get());
    // The load lines hold for what each tube drives into its half of the
    // winding, so the curves are of that, and the plot says so.
    if (tapped)
        analysis.modelNote += QStringLiteral(" Экранные сетки на отводе %1 % первичной обмотки: по вертикали ток, "
                                             "который лампа отдаёт в свою половину обмотки, Ia + %2·Ig2, "
                                             "при Ug2, следующем за анодом.")
                                  .arg(common::doubleText(c.tap * 100, locale), common::doubleText(c.tap, locale));
    return analysis.curves.isEmpty() || !drawable(analysis) ? refused(beyondModel()) : analysis;
}

} // namespace

Axis axisPast(double limit, const QLocale &locale)
{
    if (!(limit > 0) || !std::isfinite(limit))
        return {};
    Axis axis = roundAxis(limit);
    if (!(std::isnormal(axis.tick) && axis.tick > 0))
        return axis;
    const int count = int(std::lround(axis.max / axis.tick)) + 1;
    if (count > kMaxAxisTicks)
        return axis;
    QList<AxisTick> ticks;
    for (int i = 0; i < count; ++i) {
        const double value = i * axis.tick;
        const QString text = common::doubleText(value, locale);
        // Beyond these a label crowds its neighbours or reads as a formula.
        if (text.size() > 7 || text.contains(u'E'))
            return axis;
        ticks.append({value, text});
    }
    axis.ticks = std::move(ticks);
    return axis;
}

QString AnalysisRow::spoken() const
{
    return unit.isEmpty() ? caption + u' ' + value : caption + u' ' + value + u' ' + unit;
}

namespace {

// What AnalyzeStage and SolveStage share: the figures read, the stage solved
// and checked, or the problem that stops both.
struct Solved
{
    QString problem;
    Figures f;
    Solution s;
};

Solved solveSetup(const stage::StageSetup &setup, const QLocale &locale)
{
    Solved solved;
    const auto stop = [&](const QString &problem) {
        solved.problem = problem;
        return solved;
    };
    solved.f = figuresOf(setup);
    const Figures &f = solved.f;
    if (const QStringList missing = missingFigures(setup.circuit, f); !missing.isEmpty())
        return stop(QStringLiteral("Недостаточно данных для построения характеристик: ")
                    + missing.join(QStringLiteral(", ")));
    if (const QString problem = supplyProblem(f.ea, locale); !problem.isEmpty())
        return stop(kOutOfRange + problem);
    const TubeModel model(stage::circuitData(setup.circuit).tube, f.tube);
    if (!model.valid())
        return stop(kOutOfRange + beyondModel());
    const Solution &s = solved.s = setup.circuit == Circuit::TriodeOutput
                                       ? solveTriodeOutput(model, f, setup.handed.get())
                                       : solve(setup.circuit, model, f);
    if (!inRange({s.ra, s.rk, s.load, s.uq, s.iq, s.ugq, s.sq, s.umin, s.imax, s.umax, s.imin, s.amp, s.gain, s.d2,
                  s.d3, s.thd, s.pout, s.c2, s.c3}))
        return stop(kOutOfRange + beyondModel());
    if (!s.precise)
        return stop(kOutOfRange + QStringLiteral("рабочая точка не находится с нужной точностью"));
    // A stage whose tube carries no current at its operating point is marked off its curves.
    if (!(s.iq > 0))
        return stop(kOutOfRange + QStringLiteral("рабочая точка вне характеристик лампы"));
    return solved;
}

} // namespace

SolvedStage SolvePushPullStage(const stage::StageSetup &setup, const QLocale &locale)
{
    SolvedStage solved{setup, {}, {}, locale};
    StagePoint &point = solved.point;
    // The point carries the plot's checks too: what cannot be drawn is not
    // taken for a stage by the response either.
    stage::PushPullPoint p;
    solved.analysis = analyzePushPull(setup, locale, p);
    if (!solved.analysis.ok()) {
        point.problem = solved.analysis.problem;
        return solved;
    }
    const Figures f = figuresOf(setup);
    const TubeModel tube = TubeModel(model::TubeType::Pentode, f.tube).withScreenAt(p.u2);
    point.tube = f.tube;
    point.ea = f.ea;
    point.fmin = f.fmin;
    point.rp = setup.raa;
    point.rk = setup.rk / 1000;
    point.load = setup.raa / 2;
    point.uq = p.eq;
    point.iq = p.iq;
    point.ugq = -p.uk;
    point.sq = tube.slope(p.eq, -p.uk);
    point.u2 = p.u2;
    point.pair = p;
    const stage::PushPullCircuit c = pushPullCircuit(setup);
    point.tap = c.tap;
    if (c.tap > 0) {
        // The tube as the winding sees it: its slopes with the screen on the tap.
        const stage::WindingSlopes slopes =
            stage::windingSlopes(TubeModel(model::TubeType::Pentode, f.tube), c, p.uk, p.eq, -p.uk);
        point.sq = slopes.gm;
        point.ga = slopes.ga;
    }
    if (!inRange({point.sq, point.ga}) || !(point.sq > 0)) {
        point = StagePoint{};
        point.problem = kOutOfRange + beyondModel();
    }
    return solved;
}

namespace {

Analysis analyzeSingleEnded(const stage::StageSetup &setup, const Solved &solved, const QLocale &locale);

} // namespace

SolvedStage SolveSingleEnded(const stage::StageSetup &setup, const QLocale &locale)
{
    SolvedStage result{setup, {}, {}, locale};
    const Solved solved = solveSetup(setup, locale);
    if (!solved.problem.isEmpty()) {
        result.point.problem = result.analysis.problem = solved.problem;
        return result;
    }
    const Figures &f = solved.f;
    const Solution &s = solved.s;
    result.point = StagePoint{{}, f.tube, f.ea, f.fmin, f.rp, s.ra, s.rk, s.load, s.uq, s.iq, s.ugq, s.sq,
                              s.umin, s.imax, s.umax, s.imin, s.amp, s.gain, s.c2, s.c3};
    result.analysis = analyzeSingleEnded(setup, solved, locale);
    return result;
}

stage::StageTexts textsOf(const AnalysisInput &input)
{
    stage::StageTexts texts;
    const std::pair<const char *, const QString &> boxes[] = {
        {"Ea", input.ea}, {"Fn1", input.fmin}, {"R11", input.r1}, {"Rn", input.rn},
        {"Kn", input.kn}, {"Ug2", input.ug2},  {"Raa", input.raa}, {"Rk", input.rk},
        {"Otvod", input.tap}, {"Rak", input.rak}, {"Ra", input.ra}, {"Rt", input.tail}, {"Et", input.et},
    };
    for (const auto &[name, text] : boxes)
        texts.boxes.insert(QString::fromLatin1(name), text);
    texts.outputs = input.outputs;
    texts.tubeName = input.tubeName;
    texts.record = input.record;
    texts.limits = input.limits;
    texts.model = input.model;
    return texts;
}

QList<Curve> curvesOnAxes(const TubeModel &model, double ugq, double bias, const Axis &ua, const Axis &ia,
                          const QLocale &locale)
{
    Solution s;
    s.ugq = ugq;
    const Circuit spacing = model.type() == model::TubeType::Pentode ? Circuit::PentodePreamp : Circuit::TriodePreamp;
    return curvesOf(spacing, model, s, bias, ua, ia, locale);
}

QList<QPointF> lineOnAxes(QPointF p, QPointF q, const Axis &ua, const Axis &ia)
{
    return clipped(p, q, ua, ia);
}

QString inputLine(const QString &name, double value, const QString &unit, const QLocale &locale)
{
    return resistanceLine(name, value, unit, locale);
}

QString modelNote(const model::ModelFile *fitted)
{
    return modelNoteText(fitted);
}

bool insideAxes(const Analysis &analysis)
{
    return drawable(analysis);
}

SolvedStage SolveTexts(const AnalysisInput &input, const QLocale &locale)
{
    const stage::StageSetup setup = stage::readStandardSetup(input.circuit, textsOf(input), locale);
    switch (input.circuit) {
    case Circuit::PushPull:
        return SolvePushPullStage(setup, locale);
    case Circuit::CathodeFollower:
    case Circuit::SplitLoad:
        return SolveFollowerStage(setup, locale);
    case Circuit::LongTailedPair:
        return SolveLongTailedPairStage(setup, locale);
    case Circuit::TriodePreamp:
    case Circuit::PentodePreamp:
    case Circuit::PentodePower:
    case Circuit::TriodeOutput:
        break;
    }
    return SolveSingleEnded(setup, locale);
}

StagePoint SolveStage(const AnalysisInput &input, const QLocale &locale)
{
    return SolveTexts(input, locale).point;
}

Analysis AnalyzeStage(const AnalysisInput &input, const QLocale &locale)
{
    return SolveTexts(input, locale).analysis;
}

namespace {

Analysis analyzeSingleEnded(const stage::StageSetup &setup, const Solved &solved, const QLocale &locale)
{
    Analysis analysis;
    const Figures &f = solved.f;
    const Solution &s = solved.s;
    const TubeModel model(stage::circuitData(setup.circuit).tube, f.tube);
    const Axis ua = axisPast(std::max(f.ea, s.umax), locale);
    const Axis ia = axisPast(std::max(s.imax, s.iq), locale);
    if (!inRange({ua.max, ia.max}))
        return refused(beyondModel());
    // Axes without readable labels (a current of picoamperes) are never drawn.
    if (ua.ticks.isEmpty())
        return refused(QStringLiteral("напряжение на аноде вне шкалы графика"));
    if (ia.ticks.isEmpty())
        return refused(QStringLiteral("ток анода вне шкалы графика"));

    const bool power = stage::circuitData(setup.circuit).outputTransformer;

    analysis.title = setup.tubeName;
    analysis.inputLines << resistanceLine(QStringLiteral("Ea"), f.ea, QStringLiteral("В"), locale)
                        << resistanceLine(QStringLiteral("Fmin"), f.fmin, QStringLiteral("Гц"), locale);
    if (const std::optional<double> r1 = setup.r1)
        analysis.inputLines << resistanceLine(QStringLiteral("R1"), *r1, QStringLiteral("кОм"), locale);
    if (power) {
        if (const std::optional<double> rn = setup.rn)
            analysis.inputLines << resistanceLine(QStringLiteral("Rн"), *rn, QStringLiteral("Ом"), locale);
        analysis.inputLines << resistanceLine(QStringLiteral("R 1-й обмотки"), f.rp, QStringLiteral("кОм"), locale);
    }

    analysis.ua = ua;
    analysis.ia = ia;
    analysis.curves = curvesOf(setup.circuit, model, s, std::abs(f.tube.uc), ua, ia, locale);
    if (analysis.curves.isEmpty())
        return refused(beyondModel());
    if (power) {
        // The DC load is the cathode resistor alone (the winding's resistance
        // is neglected): a steep line from (Ea, 0) through Q.
        const double top = s.iq > 0 ? f.ea - ia.max * (f.ea - s.uq) / s.iq : f.ea;
        analysis.dcLoadLine = clipped({f.ea, 0}, {top, ia.max}, ua, ia);
    } else {
        analysis.dcLoadLine = clipped({f.ea, 0}, {0, f.ea / (s.ra + s.rk)}, ua, ia);
    }
    analysis.acLoadLine = clipped({0, s.iq + s.uq / s.load}, {s.uq + s.iq * s.load, 0}, ua, ia);
    // The points lie inside the axes by construction; clamping keeps a root
    // found a rounding error outside (near Ua = 0 with tiny supplies) on the plot.
    const auto inside = [&](double u, double i) {
        return QPointF(std::clamp(u, 0.0, ua.max), std::clamp(i, 0.0, ia.max));
    };
    analysis.operatingPoint = inside(s.uq, s.iq);
    analysis.swingLow = inside(s.umin, s.imax);
    analysis.swingHigh = inside(s.umax, s.imin);

    const auto row = [&](const char *name, const char *caption, const QString &value, const char *unit) {
        analysis.rows.append({name, QString::fromUtf8(caption), value, QString::fromUtf8(unit)});
    };
    row("Uq", "Напряжение на аноде", common::fixedText(s.uq, 1, locale), "В");
    row("Iq", "Ток анода", common::significantText(s.iq, 3, locale), "мА");
    row("Ugq", "Смещение на сетке", common::fixedText(s.ugq, 2, locale), "В");
    row("Sq", "Крутизна в рабочей точке", common::significantText(s.sq, 3, locale), "мА/В");
    row("Amp", "Амплитуда выходного напряжения", common::fixedText(s.amp, 1, locale), "В");
    row("Gain", "Коэффициент усиления по графику", common::fixedText(s.gain, 1, locale), "");
    row("D2", "Вторая гармоника", common::fixedText(s.d2, 1, locale), "%");
    // The triode output stage's window shows its own C2 beside the point.
    if (setup.circuit != Circuit::TriodeOutput)
        row("C2", "C2 не менее", common::significantText(s.c2, 3, locale), "мкФ");
    if (setup.circuit == Circuit::PentodePreamp)
        row("C3", "C3 не менее", common::significantText(s.c3, 3, locale), "мкФ");
    if (setup.circuit == Circuit::TriodeOutput) {
        // The window's figures: the fundamental's power and the spectrum of a driven period.
        row("D3", "Третья гармоника", common::fixedText(s.d3, 1, locale), "%");
        row("THD", "Коэффициент гармоник", common::fixedText(s.thd, 1, locale), "%");
        row("Pout", "Выходная мощность", common::fixedText(s.pout, 2, locale), "Вт");
    } else if (power) {
        row("Pout", "Выходная мощность по графику", common::fixedText(s.pout, 2, locale), "Вт");
    }

    analysis.description =
        QStringLiteral("Рабочая точка: напряжение на аноде %1 В, ток анода %2 мА, смещение на сетке %3 В. "
                       "По нагрузочной прямой напряжение на аноде меняется от %4 до %5 В, ток анода от %6 до %7 мА.")
            .arg(analysis.rows[0].value, analysis.rows[1].value, analysis.rows[2].value,
                 common::fixedText(s.umin, 1, locale), common::fixedText(s.umax, 1, locale), common::significantText(s.imin, 3, locale),
                 common::significantText(s.imax, 3, locale));
    analysis.modelNote = modelNoteText(setup.tube.model.get());

    // Figures at the edge of the double range can still lose a curve point to
    // NaN on the way (inf − inf); nothing unusable is ever drawn.
    return drawable(analysis) ? analysis : refused(beyondModel());
}

} // namespace

} // namespace anodix::analysis
