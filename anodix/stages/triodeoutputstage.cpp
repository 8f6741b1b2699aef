// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage: the operating point that the cathode
// resistor settles on, the swing into the transformer's reflected load, and
// the parts and figures that follow from them.
#include "anodix/stages/triodeoutputstage.h"

#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

namespace anodix {

namespace {

// Where the curve at ug meets the load line of slope −1/ra through Q: the
// curve rises with Ua and the line falls, so they cross once, or the line's
// end (Ia = 0) holds where the tube is cut off. The line may run past Ea: the
// transformer's primary lifts the anode above the supply.
std::pair<double, double> swingEnd(const model::TubeModel &model, const TriodeOutputSwing &q, double ra, double ug)
{
    const double lineEnd = q.uq + q.iq * ra;
    const auto line = [&](double ua) { return q.iq - (ua - q.uq) / ra; };
    if (!(model.anodeCurrent(lineEnd, ug) > 0))
        return {lineEnd, 0.0};
    const double ua =
        model::increasingRoot([&](double u) { return model.anodeCurrent(u, ug) - line(u); }, 0, lineEnd);
    return {ua, std::max(0.0, line(ua))};
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

} // namespace

std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra)
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
    std::tie(q.umin, q.imax) = swingEnd(model, q, ra, 0);
    std::tie(q.umax, q.imin) = swingEnd(model, q, ra, 2 * q.ugq);
    q.pout = (q.imax - q.imin) * (q.umax - q.umin) / 8 / 1000;
    q.d2 = q.imax > q.imin ? (q.imax + q.imin - 2 * q.iq) / (2 * (q.imax - q.imin)) * 100 : 0;
    return q;
}

StageResult CalculateTriodeOutputStage(const QString &ea, const QString &fmin, const QString &r1,
                                       const QString &rn, const QString &kn, const LoadedTube &tube,
                                       const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Reader read(locale, tube);
        using F = TubeField;
        Values v;
        v.ea = stage::Reader::required(read.typedNumber(ea));
        v.fmin = stage::Reader::required(read.typedNumber(fmin));
        v.r1 = stage::Reader::required(read.typedNumber(r1));
        v.rn = stage::Reader::required(read.typedNumber(rn));
        v.kn = stage::Reader::required(read.typedNumber(kn));
        v.un = read.recordDouble(F::HeaterVoltage);
        v.in = read.recordDouble(F::HeaterCurrent);
        v.tube.ua0 = read.recordDouble(F::AnodeVoltage);
        v.tube.ia0 = read.recordDouble(F::AnodeCurrent);
        v.tube.uc = read.recordDouble(F::GridBias);
        v.tube.s = read.recordDouble(F::Transconductance);
        v.tube.mu = read.recordDouble(F::AmplificationFactor);
        v.tube.model = tube.model;
        v.tube.ri = read.recordDouble(F::InternalResistance);

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

        const auto significant = [&](const char *name, double value, int digits) {
            out.plain(QString::fromLatin1(name), roundSignificant(value, digits));
        };
        const auto decimals = [&](const char *name, double value, int count) {
            out.rounded(QString::fromLatin1(name), value, count);
        };
        const double twoPiF = 2 * std::numbers::pi * v.fmin;
        const double cathodeSource = (v.tube.ri + ra) / (v.tube.mu + 1); // the tube seen from its cathode
        const double supplyPower = v.ea * q->iq / 1000;

        out.plain(QStringLiteral("R1"), v.r1);
        significant("C1", stage::divide(1000.0, twoPiF * v.r1), 4);
        decimals("R2", rk, 3);
        significant("C2", stage::divide(1000.0, twoPiF * parallel(rk, cathodeSource)), 3);
        decimals("PR2", q->iq * q->iq * rk / 1000, 2);
        decimals("Uq", q->uq, 1);
        significant("Iq", q->iq, 3);
        decimals("Ugq", q->ugq, 2);
        decimals("Pa", q->uq * q->iq / 1000, 2);
        significant("Ra", ra, 3);
        decimals("Kt", stage::squareRoot(ra * 1000 / v.rn), 3);
        // The primary's reactance equals the source resistance at the lowest frequency.
        significant("L1", parallel(v.tube.ri, ra) * 1000 / twoPiF, 3);
        significant("Imag", q->iq, 3);
        decimals("Uvh", std::abs(q->ugq), 1);
        decimals("Pout", q->pout, 2);
        decimals("D2", q->d2, 1);
        decimals("Eff", stage::divide(q->pout, supplyPower) * 100, 1);
        decimals("Vt", v.un * v.in + supplyPower, 2);
    });
}

} // namespace anodix
