// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair's response from its nodal solution, and its netlist.
#include "anodix/response/longtailedpairresponse.h"

#include "anodix/response/netlisttext.h"
#include "anodix/response/spice.h"
#include "common/numbertext.h"
#include "anodix/tubemodel/rootfinding.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace anodix::response {

stage::PairSignalParts pairSignalParts(const stage::PairCapacitors &capacitors, double sourceKiloohms, double loadPf,
                                       const TubeCapacitances &tube)
{
    stage::PairSignalParts p;
    p.rs = sourceKiloohms * 1e3;
    p.c1 = capacitors.input * 1e-6;
    p.c2 = capacitors.bypass * 1e-6;
    p.cout = capacitors.output * 1e-6;
    p.cgk = tube.input * 1e-12;
    p.cga = tube.anodeGrid * 1e-12;
    p.cak = tube.output * 1e-12;
    p.load = loadPf * 1e-12;
    return p;
}

std::array<PairOutputResponse, 2> longTailedPairResponse(const stage::LongTailedPairCircuit &circuit,
                                                         const stage::LongTailedPairRest &rest,
                                                         const stage::PairSignalParts &parts, int points)
{
    std::array<PairOutputResponse, 2> out;
    const std::array<double, 2> mid = stage::longTailedPairMidBand(circuit, rest);
    for (int n = 0; n < 2; ++n) {
        PairOutputResponse &r = out[n];
        r.gain = mid[n];
        const double magnitude = std::abs(mid[n]);
        if (!(magnitude > 0))
            continue;
        // dB against the mid-band gain, as a function of log10(f).
        const auto db = [&](double logHz) {
            const double hz = std::pow(10.0, logHz);
            return 20 * std::log10(std::abs(stage::longTailedPairTransfer(circuit, rest, parts, hz)[n]) / magnitude);
        };
        // The couplings act below 1 kHz and the capacitances above it; the
        // corners are searched on each side from there, to 1 mHz and 1 GHz.
        const double centre = 3;
        if (db(-3) < -3 && db(centre) > -3)
            r.low = std::pow(10.0, model::increasingRoot([&](double x) { return db(x) + 3; }, -3, centre, 1e-9));
        if (db(9) < -3 && db(centre) > -3)
            r.high = std::pow(10.0, model::increasingRoot([&](double x) { return -3 - db(x); }, centre, 9, 1e-9));
        for (int i = 0; i < points; ++i) {
            const double hz = kFirstHz * std::pow(kLastHz / kFirstHz, double(i) / std::max(1, points - 1));
            r.points << ResponsePoint{hz, db(std::log10(hz))};
        }
    }
    return out;
}


QString LongTailedPairNetlist(const PairNetlistInput &in)
{
    const stage::LongTailedPairCircuit &c = in.circuit;
    const stage::PairSignalParts &p = in.parts;
    const QString subcircuit = TubeSubcircuit(in.tubeName, stage::Circuit::LongTailedPair, in.figures,
                                              {p.cgk / 1e-12, p.cga / 1e-12, p.cak / 1e-12});
    if (subcircuit.isEmpty() || !(in.fmin > 0))
        return {};
    const QString name = spiceName(in.tubeName);
    const auto ohms = [](double kiloohms) { return kiloohms * 1e3; };
    NetlistText t;
    netlistTitle(t, QStringLiteral("Фазоинвертор с катодной связью"), in.tubeName);
    t << "* Ea = " << c.ea << " В, Ra = " << c.ra1 << " и " << c.ra2 << " кОм, хвост " << c.tail << " кОм";
    if (c.toGround())
        t << " на землю, смещение " << c.bias << " кОм";
    else
        t << " на " << c.eneg << " В";
    t << ", Fmin = " << in.fmin << " Гц";
    t.end();
    netlistSources(t, subcircuit, c.ea, in.drive);
    QString fed = QStringLiteral("input");
    if (p.rs > 0) {
        fed = QStringLiteral("source");
        t << "Rsource input source " << p.rs;
        t.end();
    }
    // The grid leaks return to the junction above the tail, or to ground.
    const char *ret = c.toGround() ? "junction" : "0";
    t << "C1 " << fed << " grid1 " << p.c1;
    t.end();
    t << "R1A grid1 " << ret << " " << ohms(c.r1);
    t.end();
    t << "R1B grid2 " << ret << " " << ohms(c.r1);
    t.end();
    t << "C2 grid2 0 " << p.c2;
    t.end();
    // Zero-volt sources in the anode leads measure each section's own current.
    t << "XVL1 plate1 grid1 cathode " << name;
    t.end();
    t << "XVL2 plate2 grid2 cathode " << name;
    t.end();
    t << "Vm1 anode1 plate1 DC 0";
    t.end();
    t << "Vm2 anode2 plate2 DC 0";
    t.end();
    t << "Ra1 supply anode1 " << ohms(c.ra1);
    t.end();
    t << "Ra2 supply anode2 " << ohms(c.ra2);
    t.end();
    if (c.toGround()) {
        t << "Rb cathode junction " << ohms(c.bias);
        t.end();
        t << "Rt junction 0 " << ohms(c.tail);
        t.end();
    } else {
        t << "Vtail negative 0 DC " << c.eneg;
        t.end();
        t << "Rt cathode negative " << ohms(c.tail);
        t.end();
    }
    for (const char *n : {"1", "2"}) {
        t << "C" << (n[0] == '1' ? "3" : "4") << " anode" << n << " out" << n << " " << p.cout;
        t.end();
        t << "Rn" << n << " out" << n << " 0 " << ohms(c.rn);
        t.end();
        if (p.load > 0) {
            t << "Cload" << n << " out" << n << " 0 " << p.load;
            t.end();
        }
    }
    // The transient starts from the operating point; what the drive rectifies
    // settles with the slowest coupling (the bypass's, ten times the input's).
    const double slowest = std::max({ohms(c.r1) * p.c2, ohms(c.r1) * p.c1, ohms(c.rn) * p.cout});
    netlistAnalyses(t, ".ac dec 50 0.1 10Meg", slowest);
    controlOpening(t);
    t << "wrdata " << kOperatingPointFile << " v(supply) v(anode1) v(anode2) v(cathode) v(grid1) v(grid2) i(vm1) i(vm2)";
    t.end();
    t << "setplot ac1";
    t.end();
    t << "let gain1 = mag(v(out1))";
    t.end();
    t << "let gain2 = mag(v(out2))";
    t.end();
    t << "wrdata " << kResponseFile << " gain1 gain2";
    t.end();
    t << "setplot tran1";
    t.end();
    t << "let ugk1 = v(grid1) - v(cathode)";
    t.end();
    t << "let ugk2 = v(grid2) - v(cathode)";
    t.end();
    t << "wrdata " << kTransientFile << " v(out1) v(out2) ugk1 ugk2 i(vm1) i(vm2)";
    t.end();
    // One file per output: the frequency window reads the first as any stage's.
    t << "fourier 1k v(out1) > " << kFourierFile;
    t.end();
    t << "fourier 1k v(out2) > " << kSecondFourierFile;
    t.end();
    controlClosing(t);
    return t.text();
}

Response LongTailedPairResponse(const analysis::SolvedStage &stage, const ResponseBoxes &boxes, const QLocale &locale)
{
    Response response;
    response.point = stage.point;
    if (!response.point.ok() || !response.point.longTailedPair) {
        response.problem = response.point.ok() ? QStringLiteral("Частотная характеристика не построена")
                                               : response.point.problem;
        return response;
    }
    QStringList wrong;
    const ResponseValues values = readResponseBoxes(boxes, false, locale, wrong);
    if (!wrong.isEmpty()) {
        response.problem = wrongBoxesProblem(wrong);
        return response;
    }
    const double source = values.source, load = values.load;
    const TubeCapacitances tube = values.tube;
    const stage::LongTailedPairSolution &pair = *response.point.longTailedPair;
    const stage::LongTailedPairCircuit &c = pair.circuit;
    const stage::PairSignalParts parts =
        pairSignalParts(pair.capacitors, source, load, tube);
    const std::array<PairOutputResponse, 2> outputs = longTailedPairResponse(c, pair.rest, parts);
    const double fmin = response.point.fmin;
    const PairOutputResponse &first = outputs[0];
    const double magnitude = std::abs(first.gain);
    if (!(magnitude > 0) || !std::isfinite(magnitude)) {
        response.problem = QStringLiteral("Частотная характеристика не построена: исходные данные вне допустимых пределов");
        return response;
    }
    // The circuit's parts where the frequency window and the netlist find them.
    StageCircuit &sc = response.circuit;
    sc.circuit = stage::Circuit::LongTailedPair;
    sc.rs = parts.rs;
    sc.c1 = parts.c1;
    sc.r1 = c.r1 * 1e3;
    sc.ck = parts.c2;
    sc.ra = c.ra1 * 1e3;
    sc.rk = c.tail * 1e3;
    sc.coupling = parts.cout;
    sc.rNext = c.rn * 1e3;
    sc.load = parts.load;
    sc.cgk = parts.cgk;
    sc.cga = parts.cga;
    sc.cak = parts.cak;
    sc.ea = c.ea;

    ResponseFigures &f = response.figures;
    f.gain = magnitude;
    f.gainDb = 20 * std::log10(magnitude);
    f.low = first.low;
    f.high = first.high;
    f.points = first.points;
    f.atFmin = 20 * std::log10(std::abs(stage::longTailedPairTransfer(c, pair.rest, parts, fmin)[0]) / magnitude);

    const auto hertz = [&](const std::optional<double> &hz, double unit) {
        return hz ? common::significantText(*hz / unit, 3, locale) : QStringLiteral("—");
    };
    // Both outputs within 3 dB: from the higher of the low corners to the lower of the high ones.
    std::optional<double> low, high;
    for (const PairOutputResponse &out : outputs) {
        if (out.low)
            low = std::max(low.value_or(0), *out.low);
        if (out.high)
            high = high ? std::min(*high, *out.high) : *out.high;
    }
    const auto row = [&](const char *name, const char *caption, const QString &value, const char *unit) {
        response.rows.append({name, QString::fromUtf8(caption), value, QString::fromUtf8(unit)});
    };
    for (int n = 0; n < 2; ++n) {
        const double k = std::abs(outputs[n].gain);
        row(n == 0 ? "Gain1" : "Gain2", n == 0 ? "Усиление к аноду VL1" : "Усиление к аноду VL2",
            QStringLiteral("%1 (%2 дБ)").arg(common::fixedText(k, 1, locale), common::fixedText(20 * std::log10(k), 1, locale)), "");
    }
    row("Low", "Нижняя граничная частота обоих выходов (−3 дБ)", hertz(low, 1), "Гц");
    row("High", "Верхняя граничная частота обоих выходов (−3 дБ)", hertz(high, 1000), "кГц");
    row("AtFmin", "Ослабление VL1 на Fmin", common::fixedText(f.atFmin, 2, locale), "дБ");
    response.notes << QStringLiteral("типичные значения — уточните по справочнику")
                   << QStringLiteral("На графике — выход VL1; C1, C2 и C3 — как в окне каскада, на спад 3 дБ на Fmin без источника.");
    return response;
}

QString LongTailedPairStageNetlist(const Response &response, const QString &tubeName)
{
    if (!response.ok() || !response.point.longTailedPair)
        return {};
    const StageCircuit &sc = response.circuit;
    const stage::LongTailedPairSolution &pair = *response.point.longTailedPair;
    stage::PairSignalParts parts;
    parts.rs = sc.rs;
    parts.c1 = sc.c1;
    parts.c2 = sc.ck;
    parts.cout = sc.coupling;
    parts.cgk = sc.cgk;
    parts.cga = sc.cga;
    parts.cak = sc.cak;
    parts.load = sc.load;
    // The transient at the largest swing the stage window shows.
    return LongTailedPairNetlist({tubeName, response.point.tube, pair.circuit, parts, response.point.fmin,
                                  pair.swing.drive});
}

} // namespace anodix::response
