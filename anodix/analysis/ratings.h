// SPDX-License-Identifier: GPL-3.0-or-later
// The tube's ratings held against the operating point the stage really
// settles at: the warnings both the stage window and the characteristics
// window show. Window-free, QtCore only.
#pragma once

#include "anodix/analysis/characteristics.h"

#include <QLocale>
#include <QStringList>

namespace anodix::analysis {

// One sentence per rating the stage exceeds, in this order: the anode's and
// the screen's dissipation at rest, the anode voltage and the cathode current
// at rest, and for the push-pull pair the anode's dissipation averaged over
// full drive. A figure is compared as it is shown (to three significant
// digits; the voltage to a tenth of a volt), so "25 Вт больше допустимой
// 25 Вт" never appears. Empty when the input carries no limits or its point
// cannot be solved.
QStringList RatingWarnings(const SolvedStage &solved);
// The same from texts, for the tests: read and solved first.
QStringList RatingWarnings(const AnalysisInput &input, const QLocale &locale);

} // namespace anodix::analysis
