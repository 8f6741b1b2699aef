// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended pentode power stage with its output transformer.
#pragma once

#include "anodix/stages/stageresult.h"

#include <QLocale>

namespace anodix {

// Outputs in order: R1, C1, R2, Uvh, Rt1, Vih, Kt, Vt.
StageResult CalculatePowerStage(const QString &ea, const QString &fmin, const QString &r1, const QString &rn,
                                const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
