// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended pentode power stage with its output transformer.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"

#include <QLocale>

namespace anodix {

// Outputs in order: R1, C1, R2, Uvh, Rt1, Vih, Kt, Vt; from the boxes Ea,
// Fn1, R11, Rn and the record as read.
StageResult CalculatePowerStage(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read, then calculated.
StageResult CalculatePowerStage(const QString &ea, const QString &fmin, const QString &r1, const QString &rn,
                                const LoadedTube &tube, const QLocale &locale);

namespace stage {
// The primary's resistance Rt1 (kΩ) as the stage shows it, from the setup's
// numbers; 0 where the calculation stops before it.
double powerStagePrimary(const StageSetup &setup);
} // namespace stage

} // namespace anodix
