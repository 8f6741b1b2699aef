// SPDX-License-Identifier: GPL-3.0-or-later
// SPICE texts of the program's own model: the tube as a .subckt of
// behavioural current sources (for an .inc file that ngspice and LTspice
// read) and the whole stage as calculated (a .cir netlist for ngspice -b).
// Pure functions: the texts are written to files by the caller.
#pragma once

#include "anodix/response/response.h"

#include <QString>

namespace anodix::response {

// The data files a stage netlist writes into ngspice's working folder, each a
// header line of column names and then rows of numbers:
//   the operating point: v(supply) v(anode) v(cathode) v(grid) and, for the
//   output stages, the primary's current l1#branch; the push-pull pair gives
//   its first tube's: v(anode1), v(grid1) and its half-primary's l1a#branch;
//   the small-signal response: frequency, then the output's magnitude over
//   the 1 V source (the anode's for the output stages, the first tube's for
//   the push-pull pair, its grids driven with 1 V in antiphase);
//   the transient at 1 kHz: time, v(out);
//   the Fourier analysis of that transient, as ngspice prints it.
inline constexpr char kOperatingPointFile[] = "op.data";
inline constexpr char kResponseFile[] = "ac.data";
inline constexpr char kTransientFile[] = "tran.data";
inline constexpr char kFourierFile[] = "four.data";

// A user's text (a tube's name, a path) as it may stand inside a line of a
// netlist or a report: control characters and line and paragraph separators
// (U+0085, U+2028, U+2029 among them) become spaces, so the text can never
// start a line of its own, such as a ".control" block that runs commands.
QString spiceSafeText(QStringView text);

// The tube's name as a SPICE name: Latin letters, digits and "_" ("6Н2П" -> "6N2P").
QString spiceName(const QString &tubeName);

// A number as SPICE reads it, independent of the locale ("1.6931e-08").
QString spiceNumber(double value);

// The .subckt text; empty when the figures give no model. Pins: anode, grid,
// cathode (triode); anode, screen, grid, cathode (pentodes). A pentode is
// modelled with its screen at the record's Ug2, or at screen volts to the
// cathode when that is above zero (the push-pull pair's screens); with
// screenFollows, at the voltage its screen pin has at each instant (screens
// on a tap of the output transformer's primary).
QString TubeSubcircuit(const QString &tubeName, Circuit kind, const model::TubeFigures &figures,
                       const TubeCapacitances &capacitances, double screen = 0, bool screenFollows = false);

// The .cir text of the stage the response was computed for, with the tube's
// subcircuit in it; empty when the response has a problem.
QString StageNetlist(const Response &response, const QString &tubeName);

// Writes a SPICE text to path through the program's one durable writer; empty
// on success, otherwise the reason in Russian.
QString SaveSpiceText(const QString &path, const QString &text);

} // namespace anodix::response
