// SPDX-License-Identifier: GPL-3.0-or-later
// The cathode follower and the split-load phase splitter on the
// characteristics: their point, solved once (or taken from the stage's own
// calculation), and the lines the plot draws over the tube's curves.
#pragma once

#include "anodix/analysis/characteristics.h"

namespace anodix::analysis {

// The stage's circuit from its numbers: the bias resistor for the record's
// point, below it the rest of the follower's cathode resistor or the
// splitter's cathode load.
stage::FollowerCircuit followerCircuitOf(const stage::StageSetup &setup);

// Either stage: the point from the calculation's hand-over where there is
// one, otherwise solved here; the DC load line (anode to cathode against the
// whole resistance in series), the AC one through Q (the loads behind the
// capacitors beside the resistors), and the ends of the largest swing.
SolvedStage SolveFollowerStage(const stage::StageSetup &setup, const QLocale &locale);

} // namespace anodix::analysis
