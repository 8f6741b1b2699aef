// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair phase splitter: two equal sections of one double
// triode on a shared cathode tail, the signal on the first grid, the second
// grid held at signal ground by its capacitor. Worked out on the tube model:
// the rest point both sections settle on together, the small-signal circuit
// of both outputs, and the largest swing over the whole period.
#pragma once

#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <QString>
#include <array>
#include <complex>

namespace anodix {

namespace stage {

// V, kΩ. With eneg = 0 the tail runs to ground and the cathodes sit on a bias
// resistor above it; both grid leaks return to the junction of the two. With
// eneg below zero the tail runs to that supply, there is no bias resistor and
// the grid leaks return to ground.
struct LongTailedPairCircuit
{
    double ea = 0;
    double ra1 = 0, ra2 = 0;   // the first (driven) and the second section's anode resistors
    double tail = 0, bias = 0; // Rt and, tail to ground only, Rb between the cathodes and the junction
    double eneg = 0;           // the tail's supply, ≤ 0
    double r1 = 0;             // each grid leak
    double rn = 0;             // the load behind each output's coupling capacitor

    bool toGround() const { return !(eneg < 0); }
};

// One section at rest: V to its cathode, mA, mA/V.
struct PairSection
{
    double ua = 0, ia = 0, ugk = 0;
    double anode = 0;   // to ground
    double gm = 0, ga = 0; // dIa/dUg, dIa/dUa
};

struct LongTailedPairRest
{
    bool found = false;     // false: the sections carry no current at that supply
    double tailCurrent = 0; // both sections, mA
    double cathode = 0;     // to ground
    double grid = 0;        // both grids to ground (the junction, or 0 V)
    std::array<PairSection, 2> sections{};
};

LongTailedPairRest solveLongTailedPairRest(const model::TubeModel &tube, const LongTailedPairCircuit &circuit);

// The signal parts, in Ω and F: the source's resistance in series with the
// input coupling, the couplings and the second grid's bypass, each section's
// capacitances and a capacitance across each output.
struct PairSignalParts
{
    double rs = 0;
    double c1 = 0, c2 = 0, cout = 0;
    double cgk = 0, cga = 0, cak = 0;
    double load = 0;
};

// Each output (behind its coupling, on its load) over the source's voltage at
// hz: the first anode's output inverts, the second's follows.
std::array<std::complex<double>, 2> longTailedPairTransfer(const LongTailedPairCircuit &circuit,
                                                           const LongTailedPairRest &rest,
                                                           const PairSignalParts &parts, double hz);
// The same with the couplings and the bypass ideal, no stray capacitance and
// no source resistance: the band's middle.
std::array<double, 2> longTailedPairMidBand(const LongTailedPairCircuit &circuit, const LongTailedPairRest &rest);

// What stops the swing first.
enum class PairLimit { None, GridCurrent1, GridCurrent2, CutOff1, CutOff2 };

// The pair driven on the first grid with a 1 kHz sine well inside the band:
// the couplings and the bypass hold the means they settle on.
struct PairSwing
{
    double drive = 0;                 // the sine's amplitude at the first grid, V
    std::array<double, 2> output{};   // each output's fundamental, V amplitude
    std::array<double, 2> thd{};      // each output's harmonics, % of its fundamental
    std::array<double, 2> peakUgk{};  // each section's highest grid-to-cathode voltage
    std::array<double, 2> leastIa{};  // each section's lowest anode current, mA
    // The first section, anode to cathode, at the drive's crest (its lowest
    // anode voltage, highest current) and trough.
    double crestUa = 0, crestIa = 0, troughUa = 0, troughIa = 0;
    PairLimit limit = PairLimit::None;
};

// The current below which a section counts as cut off, mA (a fitted model's
// current only approaches zero).
inline constexpr double kPairCutoffCurrent = 1e-3;

PairSwing driveLongTailedPair(const model::TubeModel &tube, const LongTailedPairCircuit &circuit,
                              const LongTailedPairRest &rest, double drive);
// The largest drive before either grid reaches its cathode or either
// section's current falls to kPairCutoffCurrent anywhere in the period, and
// the pair at that drive.
PairSwing largestLongTailedPairSwing(const model::TubeModel &tube, const LongTailedPairCircuit &circuit,
                                     const LongTailedPairRest &rest);

// The second anode's resistor that makes both outputs' mid-band gains equal,
// the first's kept; zero when none up to ten times the first does.
double balancingAnodeResistor(const model::TubeModel &tube, const LongTailedPairCircuit &circuit);

// Bias resistor for the record's point: both sections at its current at its bias, kΩ.
double pairBiasResistor(const model::TubeFigures &record);

// The coupling capacitors for the lowest frequency, µF: each on its own gives
// −3 dB there with its resistance. The bypass is ten times larger, so its
// grid takes a tenth of the junction's signal at most at that frequency.
struct PairCapacitors
{
    double input = 0, bypass = 0, output = 0;
};
PairCapacitors pairCapacitors(double fmin, double r1, double rn);
// Those three scaled alike until the weaker output, from an ideal source, is
// 3 dB down at fmin with all of them at once.
PairCapacitors pairCapacitorsFor(const LongTailedPairCircuit &circuit, const LongTailedPairRest &rest, double fmin);

// The whole stage as the window shows it, from one solve.
struct LongTailedPairSolution
{
    LongTailedPairCircuit circuit;
    LongTailedPairRest rest;
    std::array<double, 2> gain{}; // mid-band, each output
    PairSwing swing;
    double balancingRa2 = 0;      // zero where none up to ten times Ra
    PairCapacitors capacitors;    // for the lowest frequency, pairCapacitorsFor()
};

// The rest point, the gains, the largest swing, the balancing resistor and
// the capacitors for fmin; counted as one solve of the stage.
LongTailedPairSolution solveLongTailedPair(const model::TubeModel &tube, const LongTailedPairCircuit &circuit,
                                           double fmin);

struct StageSetup;
// The circuit the setup describes, the bias resistor for the record's point included.
LongTailedPairCircuit longTailedPairCircuit(const StageSetup &setup);

} // namespace stage

// The window's box texts, as the tests and the fuzzer give them; eneg may be
// empty (the tail to ground).
struct LongTailedPairTexts
{
    QString ea, ra, tail, eneg, r1, fmin, rn;
};

// From the window's boxes as read (Ea, Ra, Rt, Et, R11, Fn1, Rn; a blank Et is
// the tail to ground) and the record's fields.
// Outputs in order: R1, Rb (or "—" with a negative tail supply), Ia, Ua, Ugk, Uk, Ku1, Ku2, Dk, Ra2, Uvh,
// Uvyh1, Uvyh2, Ogr, C1, C2, C3, Vt.
StageResult CalculateLongTailedPair(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read as the window reads them, then calculated.
StageResult CalculateLongTailedPair(const LongTailedPairTexts &texts, const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
