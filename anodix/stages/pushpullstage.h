// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage: two tubes driven in antiphase on one
// cathode resistor, their anodes at the ends of the transformer's primary.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <QString>
#include <array>

namespace anodix {

namespace stage {

// V, mA, kΩ; the cathode resistor in Ω.
struct PushPullCircuit
{
    double ea = 0, ug2 = 0, raa = 0, rk = 0;
    // Where the screens sit on each half of the primary, as a fraction of its
    // turns from the centre tap: 0 puts them on their own supply ug2 (the
    // pentode connection), 1 on the anodes (triode-connected), between them
    // the ultralinear connection with the screens fed through the centre at Ea.
    double tap = 0;
};

// The screen's voltage to the cathode with the cathode at uk and the anode at
// ua: Ug2 − uk without a tap, else Eq − tap·(Eq − Ua) with Eq = Ea − uk.
double screenVoltage(const PushPullCircuit &circuit, double uk, double ua);
// What one tube drives into its half of the primary, referred to the anode's
// turns: Ia + tap·Ig2, its screen on the tap (mA). Without a tap, Ia.
double windingCurrent(const model::TubeModel &tube, const PushPullCircuit &circuit, double uk, double ua, double ug);

// One tube at a point as the primary sees it, its screen following the tap.
struct WindingSlopes
{
    double gm = 0; // d(Ia + tap·Ig2)/dUg, mA/V
    double ga = 0; // d(Ia + tap·Ig2)/dUa with the screen moving tap·dUa along, mA/V
    // 1 / ga, kΩ; infinity where the current does not follow the anode.
    double ri() const;
};
WindingSlopes windingSlopes(const model::TubeModel &tube, const PushPullCircuit &circuit, double uk, double ua,
                            double ug);

// Where the pair settles and what it gives at full drive; the numbers the
// stage window and the characteristics window both show.
struct PushPullPoint
{
    double uk = 0;            // the shared cathode's voltage at rest; bias −uk, full drive uk
    double eq = 0, u2 = 0;    // anode and screen voltages to the cathode at rest
    double iq = 0, ig2q = 0;  // one tube at rest
    // Driven with a sine of amplitude uk in antiphase: the cathode rises to
    // ukDriven (the bypassed Rk follows the mean of both cathode currents),
    // and with it the anodes and screens sink to eqDriven and u2Driven.
    double ukDriven = 0, eqDriven = 0, u2Driven = 0;
    double icMax = 0;             // the composite current Ia1 − Ia2 at the drive's crest
    double uaMin = 0, ipk = 0;    // the driven-on tube at the crest
    double ua2 = 0, ia2 = 0;      // the other tube at the crest
    // From the spectrum of the composite current: the fundamental's power in
    // Raa (W), H2…H5 and the total harmonic distortion (%).
    double pout = 0, d2 = 0, d3 = 0, thd = 0;
    std::array<double, 4> harmonics{};
    double paDriven = 0;          // one tube's anode dissipation averaged over the driven period, W
    double pg2Driven = 0;         // and its screen's, W
    bool classA = false;          // neither tube is cut off anywhere in the period
    // Small-signal at rest, both tubes conducting, the transformer ideal and
    // no feedback: one tube's internal resistance in its connection (kΩ) and
    // the damping factor, Raa over the two tubes' 2·ri in series across the
    // primary (the loudspeaker over the source resistance the secondary
    // shows it, by the same turns ratio).
    double ri = 0, damping = 0;
};

// On a pentode model made from the record (its screen moved to where the
// circuit puts it), driven with a sine of amplitude equal to the bias at rest.
PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &circuit);
// The same pair driven with drive volts instead.
PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &circuit, double drive);


} // namespace stage

// The window's box texts.
struct PushPullTexts
{
    QString ea, ug2, fmin, r1, rn, raa, rk;
    // The screens' tap in % of each half-primary; empty or 0: the screens at ug2.
    QString tap = {};
};

// Outputs in order: R1, C1, Ugq, Iq, Ig2q, Pa, Klass, Kt, L1, Uvh, Ipk, Uamin, Pout, D2, D3, THD, Vt, Ri, Kd;
// Ri is the record's in the pentode connection, the connection's own on a tap.
// From the boxes Ea, Ug2, Fn1, R11, Rn, Raa, Rk, Otvod and the record as
// read; hands on the pair it solved.
StageResult CalculatePushPullStage(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read, then calculated.
StageResult CalculatePushPullStage(const PushPullTexts &texts, const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
