// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair's frequency response, both outputs, and its netlist
// for ngspice: the pair on the tube's subcircuit with the parts the stage
// chose, its operating point, both outputs' response and a 1 kHz transient.
// Window-free, QtCore only.
#pragma once

#include "anodix/response/response.h"
#include "anodix/stages/longtailedpair.h"

#include <QList>
#include <QString>
#include <array>
#include <optional>

namespace anodix::response {

// The signal parts in Ω and F from the stage's capacitors (µF), the source's
// resistance (kΩ), the capacitance across each output and the tube's (pF).
stage::PairSignalParts pairSignalParts(const stage::PairCapacitors &capacitors, double sourceKiloohms, double loadPf,
                                       const TubeCapacitances &tube);

struct PairOutputResponse
{
    double gain = 0;                 // mid-band, the sign of the output
    std::optional<double> low, high; // the −3 dB points, Hz
    QList<ResponsePoint> points;     // kFirstHz to kLastHz, dB relative to |gain|
};

// Each output's response; the mid-band gain as longTailedPairMidBand() gives it.
std::array<PairOutputResponse, 2> longTailedPairResponse(const stage::LongTailedPairCircuit &circuit,
                                                         const stage::LongTailedPairRest &rest,
                                                         const stage::PairSignalParts &parts, int points = 200);

// The data files the netlist writes into ngspice's working folder, each a
// header of column names, then rows:
//   kOperatingPointFile: v(supply) v(anode1) v(anode2) v(cathode) v(grid1) v(grid2) and each section's
//   anode current i(vm1) i(vm2);
//   kResponseFile: frequency, |v(out1)| and |v(out2)| over the 1 V source;
//   kTransientFile: time, v(out1), v(out2), each section's grid to cathode (ugk1, ugk2) and anode
//   current i(vm1), i(vm2), over the last 20 periods;
//   kFourierFile, kSecondFourierFile: ngspice's Fourier analysis of v(out1), of v(out2).
inline constexpr char kSecondFourierFile[] = "four2.data";
struct PairNetlistInput
{
    QString tubeName;
    model::TubeFigures figures;
    stage::LongTailedPairCircuit circuit;
    stage::PairSignalParts parts;
    double fmin = 0;
    double drive = 0; // the 1 kHz sine's amplitude at the source, V
};

// Empty when the figures give no subcircuit or a value is not finite.
QString LongTailedPairNetlist(const PairNetlistInput &input);

// The stage table's functions: the response of the solved pair with the
// frequency window's boxes (the plot shows the first output, the rows both),
// and its netlist driven at the largest swing.
Response LongTailedPairResponse(const analysis::SolvedStage &stage, const ResponseBoxes &boxes, const QLocale &locale);
QString LongTailedPairStageNetlist(const Response &response, const QString &tubeName);

} // namespace anodix::response
