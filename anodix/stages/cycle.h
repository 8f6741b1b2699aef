// SPDX-License-Identifier: GPL-3.0-or-later
// One period of a sine drive sampled at equal steps, and the spectrum of what
// the output stages compute along it: the mean, the fundamental and the
// harmonics, as a Fourier analysis of the steady state gives them.
#pragma once

#include <array>

namespace anodix::stage {

// Steps per period: a power of two (so a multiple of four: the crest, the
// trough and both zero crossings of the drive are samples), and enough that
// the harmonics up to the fifth take almost nothing folded back from the
// kinks of a cut-off tube (a half-wave rectified sine's H2 is 0.03 % of the
// fundamental off at 64 steps).
inline constexpr int kCycleSteps = 64;

// Sample n is taken at the drive's phase 2π·n / kCycleSteps (the drive is sin).
using Cycle = std::array<double, kCycleSteps>;

struct Spectrum
{
    double mean = 0;        // the DC part
    double fundamental = 0; // the first harmonic's amplitude
    // H2…H5 in % of the fundamental.
    std::array<double, 4> harmonics{};
    // Every harmonic the samples resolve (H2 to H32), root-sum-square, in %
    // of the fundamental; zero when there is no fundamental.
    double thd = 0;
};

Spectrum spectrumOf(const Cycle &samples);
double meanOf(const Cycle &samples);

// sin of each sample's phase: the drive's shape.
const Cycle &sineCycle();

} // namespace anodix::stage
