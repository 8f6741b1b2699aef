// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair's characteristics plot and its point for the response.
#include "anodix/analysis/longtailedpairanalysis.h"

#include "anodix/stages/handedsolution.h"
#include "common/numbertext.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <cmath>

namespace anodix::analysis {
namespace {

constexpr int kPoints = 60;

Analysis refused(const QString &reason)
{
    Analysis a;
    a.problem = reason;
    return a;
}

// A round step of 1, 2 or 5 times a power of ten with at most steps of it in span.
double roundStep(double span, int steps)
{
    if (!(span > 0) || !std::isfinite(span))
        return 0;
    const double raw = span / steps;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0, 10.0})
        if (m * decade >= raw)
            return m * decade;
    return 10 * decade;
}

Curve curveAt(const model::TubeModel &tube, double ug, const Axis &ua, const Axis &ia, const QLocale &locale)
{
    Curve curve;
    curve.ug = ug;
    curve.label = QStringLiteral("Ug = ") + common::doubleText(ug, locale) + QStringLiteral(" В");
    const double start = std::min(tube.conductionStart(ug), ua.max);
    if (start >= ua.max) {
        curve.points = {QPointF(0, 0), QPointF(ua.max, 0)};
        return curve;
    }
    if (!(tube.anodeCurrent(start, ug) < ia.max))
        return curve;
    double end = ua.max;
    if (!(tube.anodeCurrent(end, ug) <= ia.max))
        end = model::increasingRoot([&](double u) { return tube.anodeCurrent(u, ug) - ia.max; }, start, end, 1e-7);
    for (int i = 0; i < kPoints; ++i) {
        const double u = start + (end - start) * i / (kPoints - 1);
        curve.points.append(QPointF(u, std::clamp(tube.anodeCurrent(u, ug), 0.0, ia.max)));
    }
    return curve;
}

// A line through q with slope −1/r (kΩ), from the current axis to the voltage axis, inside the plot.
QList<QPointF> lineThrough(QPointF q, double r, const Axis &ua, const Axis &ia)
{
    const double u0 = q.x() + q.y() * r; // where the current is zero
    const double i0 = u0 / r;            // where the voltage is zero
    QPointF a(0, i0), b(u0, 0);
    if (i0 > ia.max)
        a = QPointF((i0 - ia.max) * r, ia.max);
    if (u0 > ua.max)
        b = QPointF(ua.max, (u0 - ua.max) / r);
    return {a, b};
}

} // namespace

SolvedStage SolveLongTailedPairStage(const stage::StageSetup &setup, const QLocale &locale)
{
    SolvedStage solved{setup, {}, {}, locale};
    const auto fail = [&](const QString &reason) {
        solved.analysis = refused(reason);
        solved.point.problem = reason;
        return solved;
    };
    const model::TubeFigures &f = setup.tube;
    QStringList missing;
    for (const auto &[name, value] : {std::pair{"Ea", setup.ea}, {"Fmin", setup.fmin}, {"Ra", setup.ra},
                                      {"Rхв", setup.tail}, {"R1", setup.r1.value_or(0)}, {"Rн", setup.rn.value_or(0)},
                                      {"Ia", f.ia0}, {"Uc", std::abs(f.uc)}, {"S", f.s}, {"μ", f.mu}})
        if (!(value > 0) || !std::isfinite(value))
            missing << QString::fromUtf8(name);
    if (!missing.isEmpty())
        return fail(QStringLiteral("Недостаточно данных для построения характеристик: ") + missing.join(QStringLiteral(", ")));

    const model::TubeModel tube(model::TubeType::Triode, f);
    const stage::LongTailedPairCircuit circuit = stage::longTailedPairCircuit(setup);
    const stage::LongTailedPairSolution s = setup.handed && setup.handed->longTailedPair
                                                ? *setup.handed->longTailedPair
                                                : stage::solveLongTailedPair(tube, circuit, setup.fmin);
    const QString outOfRange = QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: ");
    if (!tube.valid() || !s.rest.found || !(s.rest.sections[0].ugk < 0))
        return fail(outOfRange + QStringLiteral("рабочая точка не найдена"));
    const stage::PairSection &q = s.rest.sections[0];
    const double load = circuit.ra1 * circuit.rn / (circuit.ra1 + circuit.rn);

    StagePoint &p = solved.point;
    p.tube = f;
    p.ea = setup.ea;
    p.fmin = setup.fmin;
    p.ra = circuit.ra1;
    p.rk = circuit.tail;
    p.load = load;
    p.uq = q.ua;
    p.iq = q.ia;
    p.ugq = q.ugk;
    p.sq = q.gm;
    p.umin = s.swing.crestUa;
    p.imax = s.swing.crestIa;
    p.umax = s.swing.troughUa;
    p.imin = s.swing.troughIa;
    p.amp = s.swing.output[0];
    p.gain = s.gain[0];
    p.longTailedPair = s;

    Analysis &a = solved.analysis;
    // The plane of one section, anode to its cathode; the cathode stands at its rest voltage.
    const double top = setup.ea - s.rest.cathode;
    a.ua = axisPast(std::max({top, s.swing.troughUa, q.ua}), locale);
    a.ia = axisPast(std::max({top / circuit.ra1, s.swing.crestIa, q.ia}) * 1.1, locale);
    if (a.ua.ticks.isEmpty() || a.ia.ticks.isEmpty())
        return fail(outOfRange + QStringLiteral("оси графика без читаемых делений"));
    const double span = 2 * std::abs(q.ugk);
    const double step = roundStep(span, 9);
    if (!(step > 0))
        return fail(outOfRange + QStringLiteral("смещение"));
    const int count = std::clamp(int(std::ceil(span / step - 1e-9)) + 1, 6, 10);
    for (int i = 0; i < count; ++i)
        a.curves.append(curveAt(tube, i == 0 ? 0.0 : -(i * step), a.ua, a.ia, locale));
    const QPointF rest(q.ua, q.ia);
    a.dcLoadLine = lineThrough(rest, circuit.ra1, a.ua, a.ia);
    a.acLoadLine = lineThrough(rest, load, a.ua, a.ia);
    a.operatingPoint = rest;
    a.swingLow = QPointF(s.swing.crestUa, s.swing.crestIa);
    a.swingHigh = QPointF(s.swing.troughUa, s.swing.troughIa);
    a.title = setup.tubeName;
    const auto line = [&](const char *name, double value, const char *unit) {
        a.inputLines << QString::fromUtf8(name) + QStringLiteral(" = ") + common::doubleText(value, locale) + u' '
                            + QString::fromUtf8(unit);
    };
    line("Ea", setup.ea, "В");
    line("Ra", circuit.ra1, "кОм");
    line("Rхв", circuit.tail, "кОм");
    if (!circuit.toGround())
        line("Eхв", circuit.eneg, "В");
    line("R1", circuit.r1, "кОм");
    line("Rн", circuit.rn, "кОм");
    const auto row = [&](const char *name, const char *caption, const QString &value, const char *unit) {
        a.rows.append({name, QString::fromUtf8(caption), value, QString::fromUtf8(unit)});
    };
    row("Ua", "Напряжение анод–катод", common::fixedText(q.ua, 1, locale), "В");
    row("Ia", "Ток каждого триода", common::significantText(q.ia, 3, locale), "мА");
    row("Ugk", "Смещение на сетках", common::fixedText(q.ugk, 2, locale), "В");
    row("Ku1", "Усиление к аноду VL1", common::fixedText(s.gain[0], 2, locale), "");
    row("Ku2", "Усиление к аноду VL2", common::fixedText(s.gain[1], 2, locale), "");
    a.description =
        QStringLiteral("Рабочая точка каждого триода: напряжение анод–катод %1 В, ток %2 мА, смещение %3 В. "
                       "При наибольшем размахе напряжение на аноде VL1 меняется от %4 до %5 В.")
            .arg(a.rows[0].value, a.rows[1].value, a.rows[2].value, common::fixedText(s.swing.crestUa, 1, locale),
                 common::fixedText(s.swing.troughUa, 1, locale));
    const model::ModelFile *fitted = tube.file();
    a.modelNote = fitted ? QStringLiteral("Кривые построены по модели «%1», подобранной по измерениям: %2.")
                               .arg(QString::fromStdString(tube.name()), QString::fromStdString(fitted->source))
                         : QStringLiteral("Кривые — оценка: они построены по рабочей точке из данных лампы "
                                          "по модели «степени 3/2» и могут отличаться от снятых характеристик.");
    return solved;
}

} // namespace anodix::analysis
