// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode preamplifier stage with a screen-grid resistor.
#pragma once

#include "anodix/stages/stageresult.h"

#include <QLocale>

namespace anodix {

// Outputs in order: R1, R2, R4, C1, R3, Ku, C4, Vt.
StageResult CalculatePentodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                  const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
