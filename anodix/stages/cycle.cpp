// SPDX-License-Identifier: GPL-3.0-or-later
// The discrete Fourier transform of one sampled period, for the harmonics
// it names; their whole by Parseval.
#include "anodix/stages/cycle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace anodix::stage {

namespace {

struct Table
{
    Cycle cos{}, sin{};
    Table()
    {
        for (int n = 0; n < kCycleSteps; ++n) {
            const double phase = 2 * std::numbers::pi * n / kCycleSteps;
            cos[n] = std::cos(phase);
            sin[n] = std::sin(phase);
        }
    }
};

const Table &table()
{
    static const Table t;
    return t;
}

// The amplitude of harmonic k.
double amplitude(const Cycle &x, int k)
{
    const Table &t = table();
    double re = 0, im = 0;
    static_assert((kCycleSteps & (kCycleSteps - 1)) == 0, "the phase index wraps by a mask");
    for (int n = 0, m = 0; n < kCycleSteps; ++n, m = (m + k) & (kCycleSteps - 1)) {
        re += x[n] * t.cos[m];
        im += x[n] * t.sin[m];
    }
    return 2 * std::hypot(re, im) / kCycleSteps;
}

} // namespace

double meanOf(const Cycle &x)
{
    double sum = 0;
    for (const double v : x)
        sum += v;
    return sum / kCycleSteps;
}

const Cycle &sineCycle()
{
    return table().sin;
}

Spectrum spectrumOf(const Cycle &x)
{
    Spectrum s;
    s.mean = meanOf(x);
    s.fundamental = amplitude(x, 1);
    if (!(s.fundamental > 0))
        return s;
    double lowSquares = 0;
    for (int k = 2; k <= 5; ++k) {
        const double h = amplitude(x, k) / s.fundamental * 100;
        s.harmonics[k - 2] = h;
        lowSquares += h * h;
    }
    // Every harmonic's power at once (Parseval): what the samples hold
    // beyond the mean and the fundamental.
    double power = 0;
    for (const double v : x)
        power += (v - s.mean) * (v - s.mean);
    power /= kCycleSteps;
    const double beyond = std::max(0.0, 2 * power / (s.fundamental * s.fundamental) - 1) * 1e4;
    s.thd = std::sqrt(std::max(beyond, lowSquares));
    return s;
}

} // namespace anodix::stage
