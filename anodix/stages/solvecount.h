// SPDX-License-Identifier: GPL-3.0-or-later
// How many times a stage has been solved on its tube's model: every solver of
// an operating point counts itself, so a test or a benchmark can hold a
// calculation to one solve however many windows show it.
#pragma once

namespace anodix::stage {

// Solves since the program started, from every thread.
int solvesSoFar();
// Called by each solver of an operating point, once per solve.
void countSolve();

// The same for the reading of a stage window's texts into numbers: a
// calculation reads them once, and nothing after it reads them again.
int readsSoFar();
void countRead();

} // namespace anodix::stage
