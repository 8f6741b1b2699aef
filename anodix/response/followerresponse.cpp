// SPDX-License-Identifier: GPL-3.0-or-later
// The follower's and the splitter's small-signal network solved node by
// node at each frequency, and their netlist.
#include "anodix/response/followerresponse.h"

#include "anodix/response/netlisttext.h"
#include "anodix/response/spice.h"
#include "anodix/stages/nodal.h"
#include "common/numbertext.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace anodix::response {
namespace {

using Complex = std::complex<double>;

constexpr double kThreeDb = -3.0102999566398121;

// The nodes; the follower's anode and anode output stay unused (0 V).
enum Node { Source, Grid, Cathode, Tap, Anode, Out, OutA, NodeCount };
constexpr int kGround = stage::kGroundNode, kInput = stage::kDriveNode; // the input is held at 1 V

double conductance(double r)
{
    return r > 0 ? 1 / r : 0;
}

double capacitorFor(double hz, double ohms)
{
    return 1 / (2 * std::numbers::pi * hz * ohms);
}

double relativeDb(const FollowerNetwork &n, FollowerOutput output, double gain, double hz)
{
    return 20 * std::log10(std::abs(followerTransfer(n, output, hz)) / gain);
}

double crossing(const FollowerNetwork &n, FollowerOutput output, double gain, double inside, double outside)
{
    double a = std::log(inside), b = std::log(outside);
    for (int i = 0; i < 48; ++i) {
        const double m = (a + b) / 2;
        (relativeDb(n, output, gain, std::exp(m)) >= kThreeDb ? a : b) = m;
    }
    return std::exp((a + b) / 2);
}

} // namespace

FollowerNetwork followerNetwork(const stage::FollowerCircuit &c, const stage::FollowerPoint &p, double fmin,
                                const TubeCapacitances &tube, double source, double loadPf)
{
    FollowerNetwork n;
    n.ea = c.ea;
    n.rs = source * 1e3;
    n.r1 = c.r1 * 1e3;
    n.rb = c.rb * 1e3;
    n.rk = c.rk * 1e3;
    n.ra = c.ra * 1e3;
    n.rl = c.rl * 1e3;
    n.c1 = capacitorFor(fmin, p.rin * 1e3);
    n.cathodeCoupling = capacitorFor(fmin, (p.cathodeOut + c.rl) * 1e3);
    if (c.ra > 0)
        n.anodeCoupling = capacitorFor(fmin, (p.anodeOut + c.rl) * 1e3);
    n.load = loadPf * 1e-12;
    n.cgk = tube.input * 1e-12;
    n.cga = tube.anodeGrid * 1e-12;
    n.cak = tube.output * 1e-12;
    n.gm = p.gm * 1e-3;
    n.ga = p.ga * 1e-3;
    n.uq = p.uq;
    n.iq = p.iq * 1e-3;
    n.ugq = p.ugq;
    n.fmin = fmin;
    return n;
}

std::complex<double> followerTransfer(const FollowerNetwork &c, FollowerOutput output, double hz)
{
    const Complex jw(0, 2 * std::numbers::pi * hz);
    stage::NodalSystem<Complex> n(NodeCount);
    const bool splitter = c.splitter();
    // The follower's anode sits on the supply: a signal ground.
    const int anode = splitter ? Anode : kGround;
    const int fed = c.rs > 0 ? Source : kInput;
    if (c.rs > 0)
        n.branch(kInput, Source, 1 / c.rs);
    n.branch(fed, Grid, jw * c.c1);
    n.branch(Grid, Tap, conductance(c.r1));
    n.branch(Cathode, Tap, conductance(c.rb));
    n.branch(Tap, kGround, conductance(c.rk));
    n.branch(Grid, Cathode, jw * c.cgk);
    n.branch(Grid, anode, jw * c.cga);
    n.branch(anode, Cathode, jw * c.cak);
    // The tube's current from anode to cathode.
    n.add(anode, Grid, c.gm);
    n.add(anode, anode, c.ga);
    n.add(anode, Cathode, -c.gm - c.ga);
    n.add(Cathode, Grid, -c.gm);
    n.add(Cathode, anode, -c.ga);
    n.add(Cathode, Cathode, c.gm + c.ga);
    n.branch(Cathode, Out, jw * c.cathodeCoupling);
    n.branch(Out, kGround, conductance(c.rl) + jw * c.load);
    if (splitter) {
        n.branch(Anode, kGround, conductance(c.ra));
        n.branch(Anode, OutA, jw * c.anodeCoupling);
        n.branch(OutA, kGround, conductance(c.rl) + jw * c.load);
    }
    const stage::NodalSystem<Complex>::Voltages v = n.solve();
    return output == FollowerOutput::Anode ? (splitter ? v[OutA] : Complex(0)) : v[Out];
}

OutputResponse followerResponse(const FollowerNetwork &network, FollowerOutput output, double gain, int points)
{
    OutputResponse r;
    r.gain = std::abs(gain);
    if (!(r.gain > 0 && std::isfinite(r.gain)))
        return r;
    points = std::max(points, 2);
    r.points.reserve(points);
    for (int i = 0; i < points; ++i) {
        const double hz = kFirstHz * std::pow(kLastHz / kFirstHz, double(i) / (points - 1));
        r.points.append({hz, relativeDb(network, output, r.gain, hz)});
    }
    // The corners bracketed on a coarse scan far past the plotted band.
    constexpr int kScan = 141; // 1 mHz to 10 GHz, 10 a decade
    std::array<double, kScan> scan{}, hz{};
    int peak = 0;
    for (int i = 0; i < kScan; ++i) {
        hz[i] = std::pow(10.0, -3 + i / 10.0);
        scan[i] = relativeDb(network, output, r.gain, hz[i]);
        if (scan[i] > scan[peak])
            peak = i;
    }
    if (scan[peak] >= kThreeDb) {
        for (int i = peak; i > 0; --i) {
            if (scan[i - 1] < kThreeDb) {
                r.low = crossing(network, output, r.gain, hz[i], hz[i - 1]);
                break;
            }
        }
        for (int i = peak; i + 1 < kScan; ++i) {
            if (scan[i + 1] < kThreeDb) {
                r.high = crossing(network, output, r.gain, hz[i], hz[i + 1]);
                break;
            }
        }
    }
    r.atFmin = relativeDb(network, output, r.gain, network.fmin);
    return r;
}

QString FollowerNetlist(const FollowerNetwork &c, const model::TubeFigures &tube, const QString &tubeName,
                        double drive)
{
    const QString subcircuit = TubeSubcircuit(tubeName, stage::Circuit::TriodePreamp, tube,
                                              {c.cgk / 1e-12, c.cga / 1e-12, c.cak / 1e-12});
    if (subcircuit.isEmpty())
        return {};
    const bool splitter = c.splitter();
    NetlistText t;
    netlistTitle(t, QString::fromUtf8(splitter ? "Фазоинвертор с разделённой нагрузкой" : "Катодный повторитель"),
                 tubeName);
    t << "* Ea = " << c.ea << " В, Fmin = " << c.fmin << " Гц; рабочая точка: Uq = " << c.uq << " В, Iq = "
      << c.iq * 1e3 << " мА, Ugq = " << c.ugq << " В";
    t.end();
    netlistSources(t, subcircuit, c.ea, drive);
    QString fed = QStringLiteral("input");
    if (c.rs > 0) {
        fed = QStringLiteral("source");
        t << "Rsource input source " << c.rs;
        t.end();
    }
    t << "C1 " << fed << " grid " << c.c1;
    t.end();
    // The grid leak returns to the tap between the bias resistor and the
    // cathode load; vmeter carries the tube's anode current.
    t << "R1 grid tap " << c.r1;
    t.end();
    if (splitter) {
        t << "R4 supply anode " << c.ra;
        t.end();
        t << "Vmeter anode plate DC 0";
        t.end();
    } else {
        t << "Vmeter supply plate DC 0";
        t.end();
    }
    t << "XVL1 plate grid cathode " << spiceName(tubeName);
    t.end();
    t << "R2 cathode tap " << c.rb;
    t.end();
    t << "R3 tap 0 " << c.rk;
    t.end();
    t << (splitter ? "C3" : "C2") << " cathode out " << c.cathodeCoupling;
    t.end();
    t << "Rload out 0 " << c.rl;
    t.end();
    if (splitter) {
        t << "C2 anode outa " << c.anodeCoupling;
        t.end();
        t << "Rloada outa 0 " << c.rl;
        t.end();
    }
    if (c.load > 0) {
        t << "Cload out 0 " << c.load;
        t.end();
        if (splitter) {
            t << "Cloada outa 0 " << c.load;
            t.end();
        }
    }
    // The couplings are the slowest: 1 / (2π·Fmin) each.
    netlistAnalyses(t, ".ac dec 20 1 200k", 1 / (2 * std::numbers::pi * c.fmin));
    controlOpening(t);
    t << "wrdata " << kOperatingPointFile << " v(supply) v(" << (splitter ? "anode" : "plate")
      << ") v(cathode) v(grid) v(tap) i(vmeter)";
    t.end();
    t << "setplot ac1";
    t.end();
    t << "let gain = mag(v(out))";
    t.end();
    if (splitter) {
        t << "let gaina = mag(v(outa))";
        t.end();
    }
    t << "wrdata " << kResponseFile << " gain" << (splitter ? " gaina" : "");
    t.end();
    t << "setplot tran1";
    t.end();
    t << "wrdata " << kTransientFile << " v(out)" << (splitter ? " v(outa)" : "")
      << " v(grid) v(cathode) v(plate) i(vmeter)";
    t.end();
    t << "fourier 1k v(out) > " << kFourierFile;
    t.end();
    controlClosing(t);
    return t.text();
}

} // namespace anodix::response

namespace anodix::response {

namespace {

FollowerNetwork networkOf(const stage::FollowerSolution &s, double fmin, const TubeCapacitances &tube, double source,
                          double loadPf)
{
    return followerNetwork(s.circuit, s.point, fmin, tube, source, loadPf);
}

// Every coupling capacitor times factor.
FollowerNetwork scaledNetwork(FollowerNetwork n, double factor)
{
    n.c1 *= factor;
    n.cathodeCoupling *= factor;
    n.anodeCoupling *= factor;
    return n;
}

// The lower of both outputs at hz, dB relative to each one's mid-band.
double worstAt(const FollowerNetwork &n, double cathodeGain, double anodeGain, double hz)
{
    double db = 20 * std::log10(std::abs(followerTransfer(n, FollowerOutput::Cathode, hz)) / cathodeGain);
    if (n.splitter())
        db = std::min(db, 20 * std::log10(std::abs(followerTransfer(n, FollowerOutput::Anode, hz)) / anodeGain));
    return db;
}

} // namespace

StageResult calculateCathodeFollower(const stage::StageSetup &setup, const QLocale &locale)
{
    return CalculateCathodeFollowerStage(setup, {kFollowerCapacitances.input, kFollowerCapacitances.anodeGrid},
                                         locale);
}

StageResult calculateSplitLoad(const stage::StageSetup &setup, const QLocale &locale)
{
    return CalculateSplitLoadStage(setup, locale);
}

Response followerStageResponse(const analysis::SolvedStage &stage, const ResponseBoxes &input, const QLocale &locale)
{
    Response response;
    response.point = stage.point;
    if (!response.point.ok() || !response.point.follower) {
        response.problem = response.point.ok() ? QStringLiteral("Частотная характеристика не построена: каскад не рассчитан")
                                               : response.point.problem;
        return response;
    }
    QStringList wrong;
    const ResponseValues values = readResponseBoxes(input, false, locale, wrong);
    if (!wrong.isEmpty()) {
        response.problem = wrongBoxesProblem(wrong);
        return response;
    }
    const double source = values.source, loadPf = values.load;
    const TubeCapacitances tube = values.tube;
    const stage::FollowerSolution &s = *response.point.follower;
    const double fmin = response.point.fmin;
    const FollowerNetwork n = networkOf(s, fmin, tube, source, loadPf);
    const double divider = s.point.rin / (s.point.rin + source);
    const double cathodeGain = s.point.cathodeGain * divider, anodeGain = -s.point.anodeGain * divider;
    const OutputResponse cathode = followerResponse(n, FollowerOutput::Cathode, cathodeGain);
    const OutputResponse anode = n.splitter() ? followerResponse(n, FollowerOutput::Anode, anodeGain) : OutputResponse{};

    // The plotted output is the cathode's, as the netlist's ac.data has it first.
    StageCircuit &c = response.circuit;
    c.circuit = stage.setup.circuit;
    c.rs = n.rs;
    c.c1 = n.c1;
    c.r1 = n.r1;
    c.rk = n.rk;
    c.ra = n.ra;
    c.coupling = n.cathodeCoupling;
    c.rNext = n.rl;
    c.load = n.load;
    c.cgk = n.cgk;
    c.cga = n.cga;
    c.cak = n.cak;
    c.gm = n.gm;
    c.ga = n.ga;
    c.ea = n.ea;
    c.uq = n.uq;
    c.iq = n.iq;
    c.ugq = n.ugq;
    ResponseFigures &f = response.figures;
    f.gain = cathode.gain;
    f.gainDb = 20 * std::log10(f.gain);
    f.low = cathode.low;
    f.high = cathode.high;
    f.atFmin = cathode.atFmin;
    f.points = cathode.points;
    bool finite = std::isfinite(f.gainDb) && f.gain > 0 && std::isfinite(f.atFmin);
    for (const ResponsePoint &p : f.points)
        finite = finite && std::isfinite(p.db);
    if (!finite) {
        Response refused;
        refused.problem = QStringLiteral("Частотная характеристика не построена: исходные данные вне допустимых пределов");
        return refused;
    }

    // Larger capacitors pass more at Fmin: the factor that gives exactly −3 dB
    // there on the lower of the outputs.
    const auto atFmin = [&](double logFactor) {
        return worstAt(scaledNetwork(n, std::exp(logFactor)), cathodeGain, anodeGain, fmin);
    };
    double a = std::log(1e-6), b = std::log(1e6);
    if (atFmin(a) < kThreeDb && atFmin(b) >= kThreeDb) {
        for (int i = 0; i < 60; ++i) {
            const double m = (a + b) / 2;
            (atFmin(m) < kThreeDb ? a : b) = m;
        }
        f.factor = std::exp(b);
        const FollowerNetwork scaled = scaledNetwork(n, *f.factor);
        f.needed = {{"C1", scaled.c1}};
        if (n.splitter())
            f.needed.append({{"C2", scaled.anodeCoupling}, {"C3", scaled.cathodeCoupling}});
        else
            f.needed.append({"C2", scaled.cathodeCoupling});
    }

    const QString none = QStringLiteral("—");
    const auto hertz = [&](const std::optional<double> &hz, double unit) {
        return hz ? common::significantText(*hz / unit, 3, locale) : none;
    };
    const auto row = [&](const char *name, const QString &caption, const QString &value, const char *unit) {
        response.rows.append({name, caption, value, QString::fromUtf8(unit)});
    };
    const auto gainText = [&](double gain) {
        return QStringLiteral("%1 (%2 дБ)").arg(common::fixedText(gain, 3, locale), common::fixedText(20 * std::log10(gain), 2, locale));
    };
    if (n.splitter()) {
        row("Gain", QStringLiteral("Передача на катод"), gainText(cathodeGain), "");
        row("Gain2", QStringLiteral("Передача на анод"), gainText(anodeGain), "");
        row("Low", QStringLiteral("Нижняя граничная частота катода (−3 дБ)"), hertz(cathode.low, 1), "Гц");
        row("Low2", QStringLiteral("Нижняя граничная частота анода (−3 дБ)"), hertz(anode.low, 1), "Гц");
        row("High2", QStringLiteral("Верхняя граничная частота анода (−3 дБ)"), hertz(anode.high, 1000), "кГц");
        row("High", QStringLiteral("Верхняя граничная частота катода (−3 дБ)"), hertz(cathode.high, 1000), "кГц");
    } else {
        row("Gain", QStringLiteral("Коэффициент передачи в середине полосы"), gainText(cathodeGain), "");
        row("Low", QStringLiteral("Нижняя граничная частота (−3 дБ)"), hertz(cathode.low, 1), "Гц");
        row("AtFmin", QStringLiteral("Ослабление на Fmin"), common::fixedText(cathode.atFmin, 2, locale), "дБ");
        row("High", QStringLiteral("Верхняя граничная частота (−3 дБ)"), hertz(cathode.high, 1000), "кГц");
    }
    response.neededCaption = QStringLiteral("Для спада 3 дБ на Fmin нужны");
    for (const Part &part : f.needed)
        response.needed.append({part.name, QString::fromLatin1(part.name), common::significantText(part.value * 1e6, 3, locale),
                                QStringLiteral("мкФ")});
    response.notes << QStringLiteral("типичные значения — уточните по справочнику");
    response.notes << QStringLiteral("R1 возвращён к отводу катодного резистора: его сопротивление для входа "
                                     "увеличено обратной связью, C1 рассчитан на это сопротивление.");
    if (n.splitter())
        response.notes << QStringLiteral("На графике — выход с катода; выход с анода — в строках справа.");
    return response;
}

QString followerStageNetlist(const Response &response, const QString &tubeName)
{
    if (!response.ok() || !response.point.follower)
        return {};
    const StageCircuit &c = response.circuit;
    const FollowerNetwork n = networkOf(*response.point.follower, response.point.fmin,
                                        {c.cgk / 1e-12, c.cga / 1e-12, c.cak / 1e-12}, c.rs / 1e3, c.load / 1e-12);
    return FollowerNetlist(n, response.point.tube, tubeName, response.point.follower->point.maxDrive);
}

} // namespace anodix::response
