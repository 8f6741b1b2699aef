// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response of each output of the cathode follower and the
// split-load phase splitter, small-signal at the operating point the stage
// settles at, and the stage's netlist for ngspice. Window-free, QtCore only.
//
//   stage::FollowerCircuit + FollowerPoint (the stage's solution)
//     -> FollowerNetwork (parts and the tube at Q)
//     -> OutputResponse for each output, and FollowerNetlist.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/response/response.h"
#include "anodix/stages/followers.h"

#include <QHash>

#include <QList>
#include <QString>
#include <complex>
#include <optional>

namespace anodix::response {

enum class FollowerOutput { Cathode, Anode };

// Ω, F, S, V. The follower has no anode resistor (ra zero): its anode is at +Ea.
struct FollowerNetwork
{
    double ea = 0;
    double rs = 0;          // the source's resistance in series with C1
    double c1 = 0, r1 = 0;  // input coupling; grid leak to the tap
    double rb = 0, rk = 0;  // bias resistor R2 (cathode to tap), R3 (tap to ground)
    double ra = 0;          // the splitter's anode resistor
    double cathodeCoupling = 0, anodeCoupling = 0; // into each output's load
    double rl = 0;          // each output's load
    double load = 0;        // the capacitance across each output
    double cgk = 0, cga = 0, cak = 0;
    double gm = 0, ga = 0;  // the tube at Q
    double uq = 0, iq = 0, ugq = 0; // V and A, anode and grid to the cathode
    double fmin = 0;
    bool splitter() const { return ra > 0; }
};

// The stage's parts as its window computes them: each coupling capacitor
// alone at −3 dB on fmin, against the input's and each output's resistance
// and load. source in kΩ, loadPf in pF.
FollowerNetwork followerNetwork(const stage::FollowerCircuit &circuit, const stage::FollowerPoint &point, double fmin,
                                const TubeCapacitances &tube, double source = 0, double loadPf = 0);

// Output over the source's voltage at hz, the phase included.
std::complex<double> followerTransfer(const FollowerNetwork &network, FollowerOutput output, double hz);

struct OutputResponse
{
    double gain = 0;                  // mid-band, the magnitude
    std::optional<double> low, high;  // the −3 dB points, Hz
    double atFmin = 0;                // dB relative to the mid-band
    QList<ResponsePoint> points;      // kFirstHz to kLastHz, evenly on a log scale
};

// gain is the stage's mid-band figure (point's gain times the source's divider).
OutputResponse followerResponse(const FollowerNetwork &network, FollowerOutput output, double gain, int points = 200);

// The .cir text: the tube's subcircuit, the stage driven at 1 kHz with a sine
// of amplitude drive, its operating point, the small-signal sweep and the
// transient. Data files as spice.h names them, with more columns:
//   op.data: v(supply) v(anode) v(cathode) v(grid) v(tap) i(vmeter);
//   ac.data: frequency, the cathode output's magnitude (and the anode's);
//   tran.data: time, v(out) (and v(outa)), v(grid), v(cathode), v(plate), i(vmeter);
// v(out) is the cathode's output, v(outa) the splitter's anode output, and
// vmeter carries the tube's anode current into the plate. Empty when the
// figures give no model or a number is not finite.
QString FollowerNetlist(const FollowerNetwork &network, const model::TubeFigures &tube, const QString &tubeName,
                        double drive);

// The stage table's functions for both stages (see stagetable.h): the
// window's calculation from its boxes as read (Ea, Rk or Rak, R11, Fn1, Rn), the response of each output from the solved stage (the cathode's
// output plotted and both outputs' rows), and the netlist of that response
// driven at the largest input.
StageResult calculateCathodeFollower(const stage::StageSetup &setup, const QLocale &locale);
StageResult calculateSplitLoad(const stage::StageSetup &setup, const QLocale &locale);
Response followerStageResponse(const analysis::SolvedStage &stage, const ResponseBoxes &boxes,
                               const QLocale &locale);
QString followerStageNetlist(const Response &response, const QString &tubeName);

// Handbook-typical capacitances of a small triode, pF, as for every triode stage.
inline constexpr TubeCapacitances kFollowerCapacitances{1.6, 1.7, 0.5};

} // namespace anodix::response
