// SPDX-License-Identifier: GPL-3.0-or-later
// The triode preamplifier stage with cathode bias.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"

#include <QLocale>

namespace anodix {

// Outputs in order: R1, R2, R3, C1, Ku, C3, Vt; from the boxes Ea, Fn1, R11
// and the record as read.
StageResult CalculateTriodeStage(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read, then calculated.
StageResult CalculateTriodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                 const LoadedTube &tube, const QLocale &locale);

} // namespace anodix
