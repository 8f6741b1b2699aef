// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage with its output transformer, worked out
// on the tube's model: the operating point, one period of full drive along the
// AC load line and the transformer the stage needs.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <array>
#include <optional>

namespace anodix {

// The settled stage in numbers (V, mA, kΩ, W, %), shared with the
// characteristics window so that both show the same figures.
struct TriodeOutputSwing
{
    double uq = 0, iq = 0, ugq = 0;  // at rest: anode to cathode, anode current, grid to cathode
    // Driven with a sine of amplitude |Ugq|: the cathode's voltage and the
    // mean anode current it settles at (the bypassed cathode resistor follows
    // the mean), and the ends of the swing along the AC load line, at the
    // crest (Umin, Imax) and the trough (Umax, Imin) of the drive.
    double uk = 0, mean = 0;
    double umin = 0, imax = 0, umax = 0, imin = 0;
    // From the spectrum of the anode current: the fundamental's power in the
    // load (W), H2…H5 and the total harmonic distortion (%).
    double pout = 0, d2 = 0, d3 = 0, thd = 0;
    std::array<double, 4> harmonics{};
};

// The stage on model with the cathode resistor rk and the primary's reflected
// load ra; the primary's own resistance is neglected, so the anode sits at ea.
// Nothing when no current flows at that supply (the tube is cut off).
std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra);

// The same stage driven with a sine of amplitude drive volts instead of |Ugq|.
std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra,
                                                   double drive);

// Outputs in order: R1, C1, R2, C2, PR2, Uq, Iq, Ugq, Pa, Ra, Kt, L1, Imag,
// Uvh, Pout, D2, D3, THD, Eff, Vt; from the boxes Ea, Fn1, R11, Rn and Kn
// (the ratio of the primary's load to Ri) and the record as read. Hands on
// the point it solved.
StageResult CalculateTriodeOutputStage(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read, then calculated.
StageResult CalculateTriodeOutputStage(const QString &ea, const QString &fmin, const QString &r1,
                                       const QString &rn, const QString &kn, const LoadedTube &tube,
                                       const QLocale &locale);

} // namespace anodix
