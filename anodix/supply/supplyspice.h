// SPDX-License-Identifier: GPL-3.0-or-later
// The supply as an ngspice netlist that runs as it is: the same winding,
// rectifier (the program's diode model, or the tube's perveance law as a
// behavioural source), filter and load, from switch-on with empty capacitors.
#pragma once

#include "anodix/supply/supply.h"

#include <QString>

namespace anodix::supply {

// The file the netlist's control block writes into ngspice's working folder:
// lines "name = value" of the figures measured over the last mains period
// before the step (and, with a step, the last period of the run):
//   vc1 vc1pp vo vopp (V), i1max i1min i1rms (A, the winding's source; for
//   the centre tap also i2max i2min i2rms), s1max s1min (A, from switch-on to
//   the step or the end), and with a step vostep (V).
inline constexpr char kSupplyDataFile[] = "supply.data";

// The .cir text, simulated to stopTime with the load stepping at stepTime
// when the circuit has a step; empty when a figure is not finite.
QString SupplyNetlist(const SupplyCircuit &circuit, double stopTime, std::optional<double> stepTime);

// Writes the text to path through the program's one durable writer; empty on
// success, otherwise the reason in Russian. Asking before replacing is the caller's.
QString SaveSupplyNetlist(const QString &path, const QString &text);

} // namespace anodix::supply
