// SPDX-License-Identifier: GPL-3.0-or-later
// The follower and the splitter on the characteristics; see followeranalysis.h.
#include "anodix/analysis/followeranalysis.h"

#include "anodix/stages/handedsolution.h"
#include "common/numbertext.h"

#include <algorithm>
#include <cmath>

namespace anodix::analysis {

namespace {

double parallel(double a, double b)
{
    return a * b / (a + b);
}

SolvedStage refusedWith(const stage::StageSetup &setup, const QLocale &locale, const QString &problem)
{
    SolvedStage solved{setup, {}, {}, locale};
    solved.point.problem = problem;
    solved.analysis.problem = problem;
    return solved;
}

} // namespace

stage::FollowerCircuit followerCircuitOf(const stage::StageSetup &setup)
{
    stage::FollowerCircuit c;
    const bool splitter = setup.circuit == stage::Circuit::SplitLoad;
    c.ea = setup.ea;
    c.r1 = setup.r1.value_or(0);
    c.rl = setup.outputLoad;
    c.rb = setup.tube.ia0 > 0 ? std::abs(setup.tube.uc) / setup.tube.ia0 : 0;
    c.ra = splitter ? setup.followerR : 0;
    c.rk = splitter ? setup.followerR : setup.followerR - c.rb;
    return c;
}

SolvedStage SolveFollowerStage(const stage::StageSetup &setup, const QLocale &locale)
{
    const bool splitter = setup.circuit == stage::Circuit::SplitLoad;
    const stage::FollowerCircuit c = followerCircuitOf(setup);
    QStringList missing;
    const auto need = [&](double value, const char *name) {
        if (!(value > 0))
            missing << QString::fromUtf8(name);
    };
    need(c.ea, "Ea");
    need(c.r1, "R1");
    need(c.rl, "Rн");
    need(setup.followerR, splitter ? "R" : "Rk");
    need(c.rk, "R3");
    for (const auto &[value, name] : {std::pair{setup.tube.ia0, "Ia"}, {setup.tube.s, "S"}, {setup.tube.mu, "μ"},
                                      {setup.tube.ri, "Ri"}})
        need(value, name);
    if (!missing.isEmpty())
        return refusedWith(setup, locale,
                           QStringLiteral("Недостаточно данных для построения характеристик: ")
                               + missing.join(QStringLiteral(", ")));
    const TubeModel model(model::TubeType::Triode, setup.tube);
    if (!model.valid())
        return refusedWith(setup, locale,
                           QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: "
                                          "данные лампы вне пределов модели"));
    const stage::FollowerSolution solution = setup.handed && setup.handed->follower
                                                 ? *setup.handed->follower
                                                 : stage::FollowerSolution{c, stage::solveFollower(model, c)};
    const stage::FollowerPoint &q = solution.point;
    if (!(q.iq > 0))
        return refusedWith(setup, locale,
                           QStringLiteral("Характеристики не построены: лампа заперта при этом напряжении питания"));

    SolvedStage solved{setup, {}, {}, locale};
    StagePoint &p = solved.point;
    p.tube = setup.tube;
    p.ea = c.ea;
    p.fmin = setup.fmin;
    p.ra = c.ra;
    p.rk = c.rb + c.rk;
    p.load = c.rl;
    p.uq = q.uq;
    p.iq = q.iq;
    p.ugq = q.ugq;
    p.sq = q.gm;
    p.gain = q.cathodeGain;
    p.amp = q.maxDrive;
    p.follower = solution;

    // The period at the largest drive: its crest and trough on the plot.
    const stage::FollowerCycle cycle = stage::followerCycle(model, c, q.maxDrive);
    constexpr int crest = stage::kCycleSteps / 4, trough = 3 * stage::kCycleSteps / 4;
    const double whole = c.ra + c.rb + c.rk;
    const double ac = (c.ra > 0 ? parallel(c.ra, c.rl) : 0) + parallel(c.rb + c.rk, c.rl);
    Analysis &a = solved.analysis;
    a.ua = axisPast(std::max({c.ea, cycle.uak[trough], q.uq + q.iq * ac}), locale);
    a.ia = axisPast(std::max({cycle.ia[crest], c.ea / whole, q.iq * 1.5}), locale);
    if (a.ua.ticks.isEmpty() || a.ia.ticks.isEmpty()) {
        const QString problem =
            QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: ")
            + (a.ua.ticks.isEmpty() ? QStringLiteral("напряжение на аноде вне шкалы графика")
                                    : QStringLiteral("ток анода вне шкалы графика"));
        solved.analysis = Analysis{};
        solved.analysis.problem = problem;
        return solved;
    }
    a.title = setup.tubeName;
    const auto inputLine = [&](const char *name, double value, const char *unit) {
        a.inputLines << QString::fromUtf8(name) + QStringLiteral(" = ") + common::doubleText(value, locale) + u' '
                            + QString::fromUtf8(unit);
    };
    inputLine("Ea", c.ea, "В");
    inputLine(splitter ? "R" : "Rk", setup.followerR, "кОм");
    inputLine("R1", c.r1, "кОм");
    inputLine("Fmin", setup.fmin, "Гц");
    inputLine("Rн", c.rl, "кОм");
    a.curves = curvesOnAxes(model, q.ugq, std::abs(q.ugq), a.ua, a.ia, locale);
    // Anode to cathode: the supply less the drop on every resistor in series.
    a.dcLoadLine = lineOnAxes({c.ea, 0}, {0, c.ea / whole}, a.ua, a.ia);
    a.acLoadLine = lineOnAxes({q.uq + q.iq * ac, 0}, {0, q.iq + q.uq / ac}, a.ua, a.ia);
    const auto inside = [&](double u, double i) {
        return QPointF(std::clamp(u, 0.0, a.ua.max), std::clamp(i, 0.0, a.ia.max));
    };
    a.operatingPoint = inside(q.uq, q.iq);
    a.swingLow = inside(cycle.uak[crest], cycle.ia[crest]);
    a.swingHigh = inside(cycle.uak[trough], cycle.ia[trough]);

    const auto row = [&](const char *name, const char *caption, const QString &value, const char *unit) {
        a.rows.append({name, QString::fromUtf8(caption), value, QString::fromUtf8(unit)});
    };
    const auto decimals = [&](double v, int n) { return common::fixedText(v, n, locale); };
    row("Uq", "Напряжение анод–катод", decimals(q.uq, 1), "В");
    row("Iq", "Ток покоя", common::significantText(q.iq, 3, locale), "мА");
    row("Ugq", "Смещение на сетке", decimals(q.ugq, 2), "В");
    if (splitter) {
        row("Kua", "Коэффициент передачи на анод", decimals(-q.anodeGain, 3), "");
        row("Kuk", "Коэффициент передачи на катод", decimals(q.cathodeGain, 3), "");
    } else {
        row("Ku", "Коэффициент передачи", decimals(q.cathodeGain, 3), "");
    }
    row("Uvh", "Максимальное входное напряжение", decimals(q.maxDrive / std::sqrt(2.0), 1), "В");
    a.description = QStringLiteral("Рабочая точка: напряжение анод–катод %1 В, ток анода %2 мА, смещение на сетке "
                                   "%3 В. При наибольшем входном напряжении ток анода меняется от %4 до %5 мА.")
                        .arg(a.rows[0].value, a.rows[1].value, a.rows[2].value,
                             common::significantText(cycle.ia[trough], 3, locale), common::significantText(cycle.ia[crest], 3, locale));
    a.modelNote = modelNote(setup.tube.model.get());
    if (a.curves.isEmpty()) {
        solved.analysis = Analysis{};
        solved.analysis.problem = QStringLiteral("Характеристики не построены: исходные данные вне допустимых "
                                                 "пределов: данные лампы вне пределов модели");
    }
    return solved;
}

} // namespace anodix::analysis
