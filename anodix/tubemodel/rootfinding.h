// SPDX-License-Identifier: GPL-3.0-or-later
// Bracketed root finding for the tube model's equations: every caller solves
// a monotonic balance (a current against a load line), so a bracket is known.
#pragma once

#include <algorithm>
#include <cmath>

namespace anodix::model {

// Brent's method on a bracket [a, b] whose ends have values of opposite sign;
// stops when the root is known to relativeTolerance of its size.
template <class F>
double brent(F &&f, double a, double b, double fa, double fb, double relativeTolerance)
{
    const double floor = std::abs(b - a) * 1e-12;
    double c = a, fc = fa, d = b - a, e = d;
    for (int iteration = 0; iteration < 200; ++iteration) {
        if ((fb > 0) == (fc > 0)) {
            c = a;
            fc = fa;
            d = e = b - a;
        }
        if (std::abs(fc) < std::abs(fb)) {
            a = b;
            b = c;
            c = a;
            fa = fb;
            fb = fc;
            fc = fa;
        }
        const double tolerance = 0.5 * relativeTolerance * std::max(std::abs(b), floor);
        const double half = 0.5 * (c - b);
        if (std::abs(half) <= tolerance || fb == 0)
            return b;
        // Interpolate only between finite values; an overflowing model bisects.
        if (std::abs(e) >= tolerance && std::abs(fa) > std::abs(fb) && std::isfinite(fa) && std::isfinite(fc)) {
            const double s = fb / fa;
            double p, q;
            if (a == c) {
                p = 2 * half * s;
                q = 1 - s;
            } else {
                const double r = fb / fc;
                const double t = fa / fc;
                p = s * (2 * half * t * (t - r) - (b - a) * (r - 1));
                q = (t - 1) * (r - 1) * (s - 1);
            }
            if (p > 0)
                q = -q;
            else
                p = -p;
            if (2 * p < std::min(3 * half * q - std::abs(tolerance * q), std::abs(e * q))) {
                e = d;
                d = p / q;
            } else {
                d = e = half;
            }
        } else {
            d = e = half;
        }
        a = b;
        fa = fb;
        b += std::abs(d) > tolerance ? d : (half > 0 ? tolerance : -tolerance);
        fb = f(b);
    }
    return b;
}

// The root of an increasing f in [low, high]; an end when f keeps its sign.
template <class F>
double increasingRoot(F &&f, double low, double high, double relativeTolerance = 1e-9)
{
    const double fLow = f(low);
    if (!(fLow < 0))
        return low;
    const double fHigh = f(high);
    if (!(fHigh > 0))
        return high;
    return brent(f, low, high, fLow, fHigh, relativeTolerance);
}

// The same root searched from a guess: a bracket of width step beside it,
// doubled until f changes sign or an end of [low, high] is reached, then
// Brent's method inside it. Solvers that step along a curve pass the last
// root and converge in a few evaluations; a guess outside [low, high], a
// step not above zero or a value that is not finite searches the whole range.
template <class F>
double increasingRootNear(F &&f, double guess, double step, double low, double high,
                          double relativeTolerance = 1e-9)
{
    if (!(guess > low && guess < high && step > 0))
        return increasingRoot(f, low, high, relativeTolerance);
    const double fGuess = f(guess);
    if (fGuess == 0)
        return guess;
    if (!std::isfinite(fGuess))
        return increasingRoot(f, low, high, relativeTolerance);
    const bool above = fGuess < 0; // an increasing f: the root lies above a negative value
    const double end = above ? high : low;
    double near = guess, fNear = fGuess;
    for (int doubling = 0; doubling < 64; ++doubling) {
        const double far = above ? std::min(high, near + step) : std::max(low, near - step);
        const double fFar = f(far);
        if (!std::isfinite(fFar))
            return increasingRoot(f, low, high, relativeTolerance);
        if ((fFar > 0) == above || fFar == 0) {
            if (fFar == 0)
                return far;
            return above ? brent(f, near, far, fNear, fFar, relativeTolerance)
                         : brent(f, far, near, fFar, fNear, relativeTolerance);
        }
        if (far == end)
            return end; // f keeps its sign up to the end, as increasingRoot answers
        near = far;
        fNear = fFar;
        step *= 2;
    }
    return increasingRoot(f, low, high, relativeTolerance);
}

} // namespace anodix::model
