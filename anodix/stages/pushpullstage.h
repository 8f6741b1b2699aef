// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage: two tubes driven in antiphase on one
// cathode resistor, their anodes at the ends of the transformer's primary.
#pragma once

#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <QString>

namespace anodix {

namespace stage {

// V, mA, kΩ; the cathode resistor in Ω.
struct PushPullCircuit
{
    double ea = 0, ug2 = 0, raa = 0, rk = 0;
};

// Where the pair settles and what it gives at full drive; the numbers the
// stage window and the characteristics window both show.
struct PushPullPoint
{
    double uk = 0;            // the shared cathode's voltage; bias −uk, full drive uk
    double eq = 0, u2 = 0;    // anode and screen voltages to the cathode at rest
    double iq = 0, ig2q = 0;  // one tube at rest
    double icMax = 0, icHalf = 0; // the composite current at full and at half drive
    double uaMin = 0, ipk = 0;    // the driven-on tube at full drive (its grid at 0 V)
    double ua2 = 0, ia2 = 0;      // the other tube at full drive
    double pout = 0, d3 = 0;      // W, %
    bool classA = false;          // the other tube still conducts at full drive
};

// On a pentode model made from the record (its screen at the record's Ug2).
PushPullPoint solvePushPull(const model::TubeModel &tube, const PushPullCircuit &circuit);

// One tube's anode dissipation averaged over a cycle of full drive (a sine of
// peak Uk on each grid, in antiphase) along the composite load line, W; on
// the record's model as solvePushPull takes it, with p what it returned.
double fullDriveAnodeDissipation(const model::TubeModel &tube, const PushPullPoint &p, const PushPullCircuit &circuit);

} // namespace stage

// The window's box texts.
struct PushPullTexts
{
    QString ea, ug2, fmin, r1, rn, raa, rk;
};

// Outputs in order: R1, C1, Ugq, Iq, Ig2q, Pa, Klass, Kt, L1, Uvh, Ipk, Uamin, Pout, D3, Vt.
StageResult CalculatePushPullStage(const PushPullTexts &texts, const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
