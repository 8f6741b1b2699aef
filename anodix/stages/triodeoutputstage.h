// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage with its output transformer, worked out
// on the 3/2-power model of the tube: the operating point, the swing along the
// AC load line and the transformer the stage needs.
#pragma once

#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <optional>

namespace anodix {

// The settled stage in numbers (V, mA, kΩ, W, %), shared with the
// characteristics window so that both show the same figures.
struct TriodeOutputSwing
{
    double uq = 0, iq = 0, ugq = 0;  // anode to cathode, anode current, grid to cathode
    // The swing's ends on the AC load line: at Ug = 0 (Umin, Imax) and at
    // Ug = 2·Ugq (Umax, Imin).
    double umin = 0, imax = 0, umax = 0, imin = 0;
    double pout = 0, d2 = 0;
};

// The stage on model with the cathode resistor rk and the primary's reflected
// load ra; the primary's own resistance is neglected, so the anode sits at ea.
// Nothing when no current flows at that supply (the tube is cut off).
std::optional<TriodeOutputSwing> SolveTriodeOutput(const model::TubeModel &model, double ea, double rk, double ra);

// Outputs in order: R1, C1, R2, C2, PR2, Uq, Iq, Ugq, Pa, Ra, Kt, L1, Imag,
// Uvh, Pout, D2, Eff, Vt. kn is the ratio of the primary's load to Ri.
StageResult CalculateTriodeOutputStage(const QString &ea, const QString &fmin, const QString &r1,
                                       const QString &rn, const QString &kn, const LoadedTube &tube,
                                       const QLocale &locale);

} // namespace anodix
