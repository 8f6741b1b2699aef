// SPDX-License-Identifier: GPL-3.0-or-later
// The discrete Fourier transform of one sampled period.
#include "anodix/stages/cycle.h"

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
    for (int n = 0; n < kCycleSteps; ++n) {
        const int m = (k * n) % kCycleSteps;
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
    double squares = 0;
    for (int k = 2; k < kCycleSteps / 2; ++k) {
        const double h = amplitude(x, k) / s.fundamental * 100;
        if (k <= 5)
            s.harmonics[k - 2] = h;
        squares += h * h;
    }
    s.thd = std::sqrt(squares);
    return s;
}

} // namespace anodix::stage
