// SPDX-License-Identifier: GPL-3.0-or-later
// The stage's small-signal circuit solved node by node at each frequency, its
// figures, and their texts.
#include "anodix/response/response.h"

#include "anodix/response/stagetable.h"
#include "anodix/stages/nodal.h"
#include "common/numbertext.h"

#include <array>
#include <cmath>
#include <numbers>

namespace anodix::response {
namespace {

using analysis::StagePoint;
using model::TubeModel;
using Complex = std::complex<double>;

constexpr double kThreeDb = -3.0102999566398121; // half the power
constexpr double kPf = 1e-12;

bool isPentode(Circuit circuit)
{
    return stage::circuitData(circuit).tube == model::TubeType::Pentode;
}

bool hasOutputTransformer(Circuit circuit)
{
    return stage::circuitData(circuit).outputTransformer;
}


// The nodes the solver works on; the source node drops out when the source
// has no resistance and C1 is fed straight from it.
enum Node { Source, Grid, Cathode, Anode, Out, NodeCount };
constexpr int kGround = stage::kGroundNode, kInput = stage::kDriveNode; // the input is held at 1 V

using Network = stage::NodalSystem<Complex>;

double conductance(double r)
{
    return r > 0 ? 1 / r : 0;
}

// dIa/dUa of the model at Q, mA/V; a central difference, as the pentode's
// knee gives no closed form worth keeping in step with the model.
double anodeConductance(const TubeModel &model, double ua, double ug)
{
    const double h = 1e-6 * std::max(1.0, std::abs(ua));
    return (model.anodeCurrent(ua + h, ug) - model.anodeCurrent(ua - h, ug)) / (2 * h);
}

double cathodeTransconductance(const TubeModel &model, double ua, double ug)
{
    const double h = 1e-6 * std::max(1.0, std::abs(ug));
    return (model.cathodeCurrent(ua, ug + h) - model.cathodeCurrent(ua, ug - h)) / (2 * h);
}

// Ω, F and H of a capacitor or an inductor that sets a corner at f over r.
double cornerCapacitor(double f, double r)
{
    return 1 / (2 * std::numbers::pi * f * r);
}

double relativeDb(const StageCircuit &circuit, double gain, double hz)
{
    return 20 * std::log10(std::abs(transfer(circuit, hz)) / gain);
}

// Where the response crosses −3 dB between a (inside the band) and b, on a log scale.
double crossing(const StageCircuit &circuit, double gain, double inside, double outside)
{
    double a = std::log(inside), b = std::log(outside);
    for (int i = 0; i < 48; ++i) {
        const double m = (a + b) / 2;
        (relativeDb(circuit, gain, std::exp(m)) >= kThreeDb ? a : b) = m;
    }
    return std::exp((a + b) / 2);
}

const QString kNone = QStringLiteral("—");

struct Extras
{
    double rs = 0, load = 0, rn = 0;
    TubeCapacitances tube;
};

} // namespace

ResponseValues readResponseBoxes(const ResponseBoxes &boxes, bool pentodeNames, const QLocale &locale,
                                 QStringList &wrong)
{
    const auto read = [&](const QString &text, const QString &name) {
        const std::optional<double> value = common::toNumber(text, locale);
        if (!value || *value < 0)
            wrong << name;
        return value.value_or(0);
    };
    ResponseValues v;
    v.source = read(boxes.source, QStringLiteral("сопротивление источника"));
    v.load = read(boxes.load, QStringLiteral("ёмкость нагрузки"));
    v.tube.input = read(boxes.input, pentodeNames ? QStringLiteral("Cвх") : QStringLiteral("Cgk"));
    v.tube.anodeGrid = read(boxes.anodeGrid, QStringLiteral("Cga"));
    v.tube.output = read(boxes.output, pentodeNames ? QStringLiteral("Cвых") : QStringLiteral("Cak"));
    return v;
}

QString wrongBoxesProblem(const QStringList &wrong)
{
    return QStringLiteral("Частотная характеристика не построена: нужно число не меньше нуля — ")
        + wrong.join(QStringLiteral(", "));
}

ResponseBoxes typicalBoxes(Circuit circuit, const QLocale &locale)
{
    const TubeCapacitances typical = stageEntry(circuit).capacitances;
    const auto text = [&](double value) { return common::doubleText(value, locale); };
    return {text(1), text(50), text(typical.input), text(typical.anodeGrid), text(typical.output)};
}

ResponseInput withTypicalValues(const analysis::AnalysisInput &stage, const QLocale &locale)
{
    const ResponseBoxes b = typicalBoxes(stage.circuit, locale);
    return {stage, b.source, b.load, b.input, b.anodeGrid, b.output};
}

QList<Part> frequencyParts(const StageCircuit &c)
{
    QList<Part> parts;
    for (const CornerPart &part : stageEntry(c.circuit).cornerParts)
        parts.append({part.name, c.*part.value});
    return parts;
}

StageCircuit scaled(const StageCircuit &circuit, double factor)
{
    StageCircuit c = circuit;
    for (const CornerPart &part : stageEntry(c.circuit).cornerParts)
        c.*part.value *= factor;
    return c;
}

std::complex<double> transfer(const StageCircuit &c, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    const Complex jw(0, w);
    Network n(NodeCount);
    // The push-pull pair in antiphase, as one tube's half of it: the two
    // cathode currents cancel in Rk, so the shared cathode is a signal ground,
    // and each anode drives half of the anode-to-anode load.
    const bool pushPull = stage::circuitData(c.circuit).balancedPair;
    const int cathode = pushPull ? kGround : Cathode;
    const int fed = c.rs > 0 ? Source : kInput;
    if (c.rs > 0)
        n.branch(kInput, Source, 1 / c.rs);
    n.branch(fed, Grid, jw * c.c1);
    n.branch(Grid, kGround, conductance(c.r1));
    n.branch(Grid, cathode, jw * c.cgk);
    n.branch(Grid, Anode, jw * c.cga);
    n.branch(Anode, cathode, jw * c.cak);
    n.branch(cathode, kGround, conductance(c.rk) + jw * c.ck);

    // The anode current leaves the anode node and, for a triode, is the cathode
    // current; a pentode's cathode current follows its grid alone, the screen
    // taking what the anode does not.
    n.add(Anode, Grid, c.gm);
    n.add(Anode, Anode, c.ga);
    n.add(Anode, cathode, -c.gm - c.ga);
    if (isPentode(c.circuit)) {
        n.add(cathode, Grid, -c.gk);
        n.add(cathode, cathode, c.gk);
    } else {
        n.add(cathode, Grid, -c.gm);
        n.add(cathode, Anode, -c.ga);
        n.add(cathode, cathode, c.gm + c.ga);
    }

    if (hasOutputTransformer(c.circuit)) {
        // Ideal coupling: the loudspeaker and the load capacitance seen on the
        // primary through the turns ratio squared (rp / rn).
        const double ratio = c.rp > 0 ? c.rn / c.rp : 0;
        Complex y = conductance(c.rp) + jw * c.load * ratio;
        if (c.l1 > 0)
            y += 1.0 / (jw * c.l1);
        n.branch(Anode, kGround, pushPull ? 2.0 * y : y);
        return n.solve()[Anode];
    }
    n.branch(Anode, kGround, conductance(c.ra));
    n.branch(Anode, Out, jw * c.coupling);
    n.branch(Out, kGround, conductance(c.rNext) + jw * c.load);
    return n.solve()[Out];
}

double midBandGain(const StageCircuit &c)
{
    const double divider = c.r1 / (c.r1 + c.rs);
    const double load = stage::circuitData(c.circuit).balancedPair ? 2 * conductance(c.rp)
                        : hasOutputTransformer(c.circuit)             ? conductance(c.rp)
                                                       : conductance(c.ra) + conductance(c.rNext);
    return divider * c.gm / (c.ga + load);
}

ResponseFigures responseFigures(const StageCircuit &circuit, double fmin, int points)
{
    ResponseFigures f;
    f.gain = midBandGain(circuit);
    f.gainDb = 20 * std::log10(f.gain);
    if (!(f.gain > 0 && std::isfinite(f.gain)))
        return f;

    points = std::max(points, 2);
    f.points.reserve(points);
    for (int i = 0; i < points; ++i) {
        const double hz = kFirstHz * std::pow(kLastHz / kFirstHz, double(i) / (points - 1));
        f.points.append({hz, relativeDb(circuit, f.gain, hz)});
    }

    // The corners are bracketed on a coarse scan far past the plotted band.
    constexpr int kScan = 141; // 1 mHz to 10 GHz, 10 a decade
    std::array<double, kScan> scan{}, hz{};
    int peak = 0;
    for (int i = 0; i < kScan; ++i) {
        hz[i] = std::pow(10.0, -3 + i / 10.0);
        scan[i] = relativeDb(circuit, f.gain, hz[i]);
        if (scan[i] > scan[peak])
            peak = i;
    }
    if (scan[peak] >= kThreeDb) {
        for (int i = peak; i > 0; --i) {
            if (scan[i - 1] < kThreeDb) {
                f.low = crossing(circuit, f.gain, hz[i], hz[i - 1]);
                break;
            }
        }
        for (int i = peak; i + 1 < kScan; ++i) {
            if (scan[i + 1] < kThreeDb) {
                f.high = crossing(circuit, f.gain, hz[i], hz[i + 1]);
                break;
            }
        }
    }
    f.atFmin = relativeDb(circuit, f.gain, fmin);

    // Larger parts pass more at Fmin; the factor that gives exactly −3 dB there.
    const auto atFmin = [&](double logFactor) {
        return relativeDb(scaled(circuit, std::exp(logFactor)), f.gain, fmin);
    };
    double a = std::log(1e-6), b = std::log(1e6);
    if (atFmin(a) < kThreeDb && atFmin(b) >= kThreeDb) {
        for (int i = 0; i < 60; ++i) {
            const double m = (a + b) / 2;
            (atFmin(m) < kThreeDb ? a : b) = m;
        }
        f.factor = std::exp(b);
        f.needed = frequencyParts(scaled(circuit, *f.factor));
    }
    return f;
}

namespace {

// Every figure a netlist and a plot need, finite and of the right sign.
bool usable(const StageCircuit &c)
{
    const double all[] = {c.rs,   c.c1,      c.r1, c.rk, c.ck, c.ra, c.coupling, c.rNext, c.rScreen, c.cScreen,
                          c.l1,   c.rp,      c.rn, c.load, c.cgk, c.cga, c.cak,  c.gm,    c.ga,       c.gk,
                          c.ea,   c.uq,      c.iq, c.ugq};
    for (const double v : all) {
        if (!std::isfinite(v) || std::abs(v) > 1e30)
            return false;
    }
    const bool positive = c.r1 > 0 && c.rk > 0 && c.gm > 0 && c.ga > 0 && c.rs >= 0 && c.c1 > 0 && c.ck > 0;
    const bool output = hasOutputTransformer(c.circuit) ? c.rp > 0 && c.rn > 0 && c.l1 > 0
                                                    : c.ra > 0 && c.rNext > 0 && c.coupling > 0;
    const bool screen = c.circuit != Circuit::PentodePreamp || (c.rScreen > 0 && c.cScreen > 0);
    return positive && output && screen;
}

bool usable(const ResponseFigures &f)
{
    bool finite = std::isfinite(f.gain) && f.gain > 0 && std::isfinite(f.gainDb) && std::isfinite(f.atFmin);
    for (const ResponsePoint &p : f.points)
        finite = finite && std::isfinite(p.db);
    for (const Part &p : f.needed)
        finite = finite && std::isfinite(p.value);
    return finite;
}

StageCircuit circuitOf(const StagePoint &p, Circuit kind, double r1, const Extras &x)
{
    const TubeModel record(stage::circuitData(kind).tube, p.tube);
    const TubeModel model = kind == Circuit::PushPull ? record.withScreenAt(p.u2) : record;
    StageCircuit c;
    c.circuit = kind;
    c.rs = x.rs * 1e3;
    c.r1 = r1 * 1e3;
    c.c1 = cornerCapacitor(p.fmin, c.r1);
    c.rk = p.rk * 1e3;
    c.cgk = x.tube.input * kPf;
    c.cga = x.tube.anodeGrid * kPf;
    c.cak = x.tube.output * kPf;
    c.load = x.load * kPf;
    c.gm = p.sq * 1e-3;
    c.ga = anodeConductance(model, p.uq, p.ugq) * 1e-3;
    c.gk = cathodeTransconductance(model, p.uq, p.ugq) * 1e-3;
    c.ea = p.ea;
    c.uq = p.uq;
    c.iq = p.iq * 1e-3;
    c.ugq = p.ugq;
    switch (kind) {
    case Circuit::TriodePreamp:
    case Circuit::PentodePreamp:
        c.ck = p.c2 * 1e-6;
        c.ra = p.ra * 1e3;
        c.coupling = c.c1; // the next stage's grid leak is taken equal to R1
        c.rNext = c.r1;
        if (kind == Circuit::PentodePreamp) {
            c.rScreen = (p.ea - p.tube.ug2) / p.tube.ig2 * 1e3;
            c.cScreen = p.c3 * 1e-6;
        }
        break;
    case Circuit::PentodePower: {
        // The power window gives no C2: bypassed as the pentode preamplifier's
        // cathode, over its resistor beside the tube's 1 / (S·(1 + Ig2/Ia)).
        const double zk = 1 / (p.tube.s * (1 + p.tube.ig2 / p.tube.ia0));
        c.ck = cornerCapacitor(p.fmin, p.rk * zk / (p.rk + zk) * 1e3);
        c.rp = p.rp * 1e3;
        c.rn = x.rn;
        // The winding's reactance equals the resistance feeding it at Fmin.
        const double ri = p.tube.ri * 1e3;
        c.l1 = ri * c.rp / (ri + c.rp) / (2 * std::numbers::pi * p.fmin);
        break;
    }
    case Circuit::TriodeOutput: {
        // C2 and L1 as the triode output window computes them.
        const double fromCathode = (p.tube.ri + p.rp) / (p.tube.mu + 1);
        c.ck = cornerCapacitor(p.fmin, p.rk * fromCathode / (p.rk + fromCathode) * 1e3);
        c.rp = p.rp * 1e3;
        c.rn = x.rn;
        const double ri = p.tube.ri * 1e3;
        c.l1 = ri * c.rp / (ri + c.rp) / (2 * std::numbers::pi * p.fmin);
        break;
    }
    case Circuit::PushPull: {
        // The window computes no Ck: the power stage's rule for the two
        // cathodes in parallel, although in balance no signal reaches it.
        const double zk = 1 / (p.tube.s * (1 + p.tube.ig2 / p.tube.ia0)) / 2;
        c.ck = cornerCapacitor(p.fmin, p.rk * zk / (p.rk + zk) * 1e3);
        c.rp = p.rp * 1e3; // Raa, anode to anode
        c.rn = x.rn;
        // L1 = (Raa ∥ 2·Ri) / (2π·Fmin), as the push-pull window gives it; with
        // the screens on a tap each tube works into the winding through its
        // own slopes in that connection, and Ri is the connection's.
        if (p.tap > 0) {
            c.ga = p.ga * 1e-3;
        }
        const double twoRi = 2 * (p.tap > 0 && p.ga > 0 ? 1 / p.ga : p.tube.ri) * 1e3;
        c.l1 = twoRi * c.rp / (twoRi + c.rp) / (2 * std::numbers::pi * p.fmin);
        break;
    }
    case Circuit::CathodeFollower:
    case Circuit::SplitLoad:
    case Circuit::LongTailedPair: // their own networks: followerresponse.h, longtailedpairresponse.h
        break;
    }
    return c;
}

} // namespace

Response ComputeResponse(const ResponseInput &input, const QLocale &locale)
{
    return ComputeResponse(analysis::SolveTexts(input.stage, locale), input.boxes(), locale);
}

Response ComputeResponse(const analysis::SolvedStage &stage, const ResponseBoxes &input, const QLocale &locale)
{
    static const QString kOutOfRange =
        QStringLiteral("Частотная характеристика не построена: исходные данные вне допустимых пределов");
    Response response;
    const Circuit kind = stage.setup.circuit;
    response.point = stage.point;
    if (!response.point.ok()) {
        response.problem = response.point.problem;
        return response;
    }

    QStringList wrong;
    const ResponseValues values = readResponseBoxes(input, isPentode(kind), locale, wrong);
    Extras x;
    x.rs = values.source;
    x.load = values.load;
    x.tube = values.tube;
    const std::optional<double> r1 = stage.setup.r1;
    if (!r1 || !(*r1 > 0))
        wrong << QStringLiteral("R1");
    if (hasOutputTransformer(kind)) {
        x.rn = stage.setup.rn.value_or(0);
        if (!(x.rn > 0))
            wrong << QStringLiteral("Rн");
    }
    if (!wrong.isEmpty()) {
        response.problem = wrongBoxesProblem(wrong);
        return response;
    }

    response.circuit = circuitOf(response.point, kind, *r1, x);
    if (usable(response.circuit))
        response.figures = responseFigures(response.circuit, response.point.fmin);
    if (!usable(response.circuit) || !usable(response.figures)) {
        response = Response{};
        response.problem = kOutOfRange;
        return response;
    }

    const ResponseFigures &f = response.figures;
    const auto row = [&](QList<AnalysisRow> &rows, const char *name, const QString &caption, const QString &value,
                         const char *unit) { rows.append({name, caption, value, QString::fromUtf8(unit)}); };
    const auto optional = [&](const std::optional<double> &hz, double unit) {
        return hz ? common::significantText(*hz / unit, 3, locale) : kNone;
    };
    // One row for the ratio and its decibels, as the plot's 0 dB stands for it.
    row(response.rows, "Gain", QStringLiteral("Усиление в середине полосы"),
        QStringLiteral("%1 (%2 дБ)").arg(common::fixedText(f.gain, 1, locale), common::fixedText(f.gainDb, 1, locale)), "");
    row(response.rows, "Low", QStringLiteral("Нижняя граничная частота (−3 дБ)"), optional(f.low, 1), "Гц");
    row(response.rows, "AtFmin", QStringLiteral("Ослабление на Fmin"), common::fixedText(f.atFmin, 2, locale), "дБ");
    if (!hasOutputTransformer(kind))
        row(response.rows, "High", QStringLiteral("Верхняя граничная частота (−3 дБ)"), optional(f.high, 1000),
            "кГц");

    response.neededCaption = QStringLiteral("Для спада 3 дБ на Fmin нужны");
    const QList<Part> parts = f.factor ? f.needed : frequencyParts(response.circuit);
    for (const Part &part : parts) {
        const bool inductor = part.name[0] == 'L';
        const QString value = f.factor ? common::significantText(part.value * (inductor ? 1 : 1e6), 3, locale) : kNone;
        row(response.needed, part.name, QString::fromLatin1(part.name), value, inductor ? "Гн" : "мкФ");
    }

    response.notes << QStringLiteral("типичные значения — уточните по справочнику");
    if (hasOutputTransformer(kind))
        response.notes << QStringLiteral("Индуктивность рассеяния и ёмкость обмоток трансформатора не учтены.");
    if (kind == Circuit::PentodePreamp)
        response.notes << QStringLiteral("Экранная сетка считается заземлённой по переменному току; "
                                         "C3 — как в окне каскада (на Fmin / 10).");
    if (kind == Circuit::PushPull)
        response.notes << QStringLiteral("Лампы работают в противофазе: ток сигнала через Rk и Ck не идёт, "
                                         "и Ck на частотную характеристику не влияет.");
    return response;
}

} // namespace anodix::response
