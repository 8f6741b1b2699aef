// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair on its section's anode characteristics: one section's
// curves (both are alike), the load lines both anodes share with equal
// resistors, the point at rest and the first section's swing at the limit.
#pragma once

#include "anodix/analysis/characteristics.h"

namespace anodix::analysis {

// Solved once: from the solution the window's calculation handed on, or here.
SolvedStage SolveLongTailedPairStage(const stage::StageSetup &setup, const QLocale &locale);

} // namespace anodix::analysis
