// SPDX-License-Identifier: GPL-3.0-or-later
// What a run of ngspice on a stage netlist left behind, read back as numbers:
// the small-signal response and the harmonics of the 1 kHz transient.
// Window-free, QtCore only; the run itself is the window's.
#pragma once

#include "anodix/response/response.h"

#include <QString>
#include <array>
#include <optional>

namespace anodix::response {

struct Simulation
{
    QList<ResponsePoint> points;     // dB relative to the computed mid-band gain
    std::array<double, 4> harmonics{}; // H2…H5, % of the fundamental
    double thd = 0;                  // %
};

// Reads the data files of spice.h in folder; nothing, with the reason in
// Russian in error, when one is missing or holds no numbers.
std::optional<Simulation> ReadSimulation(const QString &folder, double midBandGain, QString &error);

// The line of ngspice's output that says what went wrong: the first that
// names an error, else the first line it wrote to stderr; empty for none.
QString FirstErrorLine(const QString &errorOutput, const QString &output);

} // namespace anodix::response
