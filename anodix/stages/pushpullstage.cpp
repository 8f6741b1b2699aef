// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage on the 3/2-power pentode model: the bias
// the shared cathode resistor settles at, the composite load line at half and
// full drive, and the transformer's figures.
#include "anodix/stages/pushpullstage.h"

#include "anodix/stages/numbertext.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/tubemodel/rootfinding.h"

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <utility>

namespace anodix {

namespace stage {

namespace {

// The composite current at drive u: tube 1 at Ugq + u sees Raa/4 below Eq,
// tube 2 at Ugq − u as much above it; Ic = Ia1 − Ia2 rises with Ic on the
// right side and falls on the left, so there is one root, below Ua1 = 0.
double compositeCurrent(const model::TubeModel &tube, const PushPullPoint &p, double raa, double u)
{
    const double quarter = raa / 4;
    const double ugq = -p.uk;
    const auto balance = [&](double ic) {
        return ic - (tube.anodeCurrent(p.eq - ic * quarter, ugq + u) - tube.anodeCurrent(p.eq + ic * quarter, ugq - u));
    };
    return model::increasingRoot(balance, 0, p.eq / quarter);
}

} // namespace

PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &c)
{
    PushPullPoint p;
    // Both cathode currents through Rk lift the cathode, which lowers the
    // screen against it too: Uk = 2·Ik(−Uk)·Rk/1000 at u2 = Ug2 − Uk.
    const auto bias = [&](double uk) {
        return uk - 2 * tube.withScreenAt(c.ug2 - uk).cathodeCurrent(0, -uk) * c.rk / 1000;
    };
    p.uk = model::increasingRoot(bias, 0, std::max(0.0, c.ug2));
    p.eq = c.ea - p.uk;
    p.u2 = c.ug2 - p.uk;
    const model::TubeModel screened = tube.withScreenAt(p.u2);
    p.iq = screened.anodeCurrent(p.eq, -p.uk);
    p.ig2q = screened.screenCurrent(p.eq, -p.uk);
    if (!(p.iq > 0 && p.eq > 0))
        return p;

    p.icMax = compositeCurrent(screened, p, c.raa, p.uk);
    p.icHalf = compositeCurrent(screened, p, c.raa, p.uk / 2);
    p.uaMin = p.eq - p.icMax * c.raa / 4;
    p.ipk = screened.anodeCurrent(p.uaMin, 0);
    p.ua2 = p.eq + p.icMax * c.raa / 4;
    p.ia2 = screened.anodeCurrent(p.ua2, -2 * p.uk);
    p.classA = p.ia2 > 0;
    p.pout = p.icMax * p.icMax * c.raa / 8 / 1000;
    // Five points of an odd composite: the even harmonics cancel.
    const double sum = p.icMax + p.icHalf;
    p.d3 = sum > 0 ? std::abs(p.icMax - 2 * p.icHalf) / (2 * sum) * 100 : 0;
    return p;
}

} // namespace stage

namespace {

const QString kNoScreen = QStringLiteral("В записи лампы нет данных экранной сетки (строки 9 и 10)");
const QString kCutOff = QStringLiteral("Лампы заперты в покое: уменьшите Rk или увеличьте Ug2");

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

StageResult CalculatePushPullStage(const PushPullTexts &texts, const LoadedTube &tube, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Reader read(locale, tube);
        using stage::Reader;
        if (tube.lines.isEmpty())
            throw stage::Failure::InputError;
        if (!tube.has(TubeField::ScreenCurrent))
            throw error(kNoScreen);
        // Every value is read before the first output, so bad input changes none.
        const double ea = Reader::required(read.typedNumber(texts.ea));
        const double ug2 = Reader::required(read.typedNumber(texts.ug2));
        const double fmin = Reader::required(read.typedNumber(texts.fmin));
        const double r1 = Reader::required(read.typedNumber(texts.r1));
        const double rn = Reader::required(read.typedNumber(texts.rn));
        const double raa = Reader::required(read.typedNumber(texts.raa));
        const double rk = Reader::required(read.typedNumber(texts.rk));
        model::TubeFigures figures;
        const double un = read.recordDouble(TubeField::HeaterVoltage);
        const double in = read.recordDouble(TubeField::HeaterCurrent);
        figures.ua0 = read.recordDouble(TubeField::AnodeVoltage);
        figures.ia0 = read.recordDouble(TubeField::AnodeCurrent);
        figures.uc = read.recordDouble(TubeField::GridBias);
        figures.s = read.recordDouble(TubeField::Transconductance);
        figures.ri = read.recordDouble(TubeField::InternalResistance);
        figures.ug2 = read.recordDouble(TubeField::ScreenVoltage);
        figures.ig2 = read.recordDouble(TubeField::ScreenCurrent);
        figures.model = tube.model;
        const QStringList missing = notPositive(
            {{"Ea", ea}, {"Ug2", ug2}, {"Fmin", fmin}, {"R1", r1}, {"Rн", rn}, {"Raa", raa}, {"Rk", rk}},
            {{"Ua", figures.ua0}, {"Ia", figures.ia0}, {"Uc", figures.uc}, {"S", figures.s}, {"Ri", figures.ri},
             {"Ug2", figures.ug2}, {"Ig2", figures.ig2}});
        if (!missing.isEmpty())
            throw stage::notPositiveMessage(missing);
        const model::TubeModel tubeModel(model::TubeType::Pentode, figures);
        if (!tubeModel.valid())
            throw stage::Failure::OutOfRange;

        const stage::PushPullPoint p = stage::solvePushPull(tubeModel, {ea, ug2, raa, rk});
        if (!(p.iq > 0 && p.eq > 0))
            throw error(kCutOff);

        const auto significant = [&](const char *name, double value, int digits) {
            out.plain(QString::fromLatin1(name), roundSignificant(value, digits));
        };
        out.plain(QStringLiteral("R1"), r1);
        significant("C1", 1000 / (2 * std::numbers::pi * fmin * r1), 4);
        out.rounded(QStringLiteral("Ugq"), -p.uk, 2);
        significant("Iq", p.iq, 3);
        significant("Ig2q", p.ig2q, 3);
        out.rounded(QStringLiteral("Pa"), p.eq * p.iq / 1000, 2);
        out.copy(QStringLiteral("Klass"), p.classA ? QStringLiteral("A") : QStringLiteral("AB1"));
        out.rounded(QStringLiteral("Kt"), std::sqrt(raa * 1000 / rn), 3);
        const double primary = raa * 2 * figures.ri / (raa + 2 * figures.ri); // Raa ∥ 2·Ri
        significant("L1", primary * 1000 / (2 * std::numbers::pi * fmin), 3);
        out.rounded(QStringLiteral("Uvh"), p.uk, 1);
        significant("Ipk", p.ipk, 3);
        out.rounded(QStringLiteral("Uamin"), p.uaMin, 1);
        out.rounded(QStringLiteral("Pout"), p.pout, 2);
        out.rounded(QStringLiteral("D3"), p.d3, 1);
        out.rounded(QStringLiteral("Vt"), 2 * un * in + ea * 2 * (p.iq + p.ig2q) / 1000, 2);
    });
}

} // namespace anodix
