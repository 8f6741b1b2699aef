// SPDX-License-Identifier: GPL-3.0-or-later
// The stage table: one entry per stage, and everything that shows a stage
// (its window, the characteristics, frequency and model windows, the SPICE
// exports, the ratings, the fuzzers, the benchmarks and the tests) looks the
// stage up here instead of asking which kind it is. One calculation runs
//
//   the window's texts --read--> stage::StageSetup (numbers, once, in the window)
//     --calculate--> the window's own results (may hand on what it solved)
//     --solve-->     analysis::SolvedStage (the point, the plot's lines; once)
//     --response-->  Response (the frequency window, once per change of its boxes)
//     --netlist-->   the .cir text of that response
//
// and the companion windows get the SolvedStage, never texts.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/response/response.h"
#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"

#include <QHash>
#include <QLocale>
#include <QString>
#include <memory>
#include <span>

namespace anodix::response {

struct StageEntry
{
    const stage::CircuitData *data; // circuit, window, caption, tube, record class, transformer, tubes
    const char *netlistTitle;       // the netlist's first line names the stage so
    TubeCapacitances capacitances;  // handbook-typical for the tube's class; the records hold none
    // The parts that set the lowest frequency, every coupling and bypass
    // capacitor the signal passes and, behind a transformer, the primary: one
    // list serves the response's rows and its scaling to Fmin.
    std::span<const CornerPart> cornerParts;

    // The window's box texts (by objectName) and its record -> the results
    // it shows, in order, or its message. An output stage hands on the point
    // it solved on the tube's model (StageResult::solved).
    StageResult (*calculate)(const QHash<QString, QString> &boxes, const LoadedTube &tube, const QLocale &locale);
    // The texts of a successful calculation -> numbers. No message: what is
    // missing for the model is the solve's to say, in the companion windows.
    stage::StageSetup (*read)(stage::Circuit circuit, const stage::StageTexts &texts, const QLocale &locale);
    // Numbers -> the operating point, the signal figures and the
    // characteristics plot's lines and rows; the only solve of a calculation.
    analysis::SolvedStage (*solve)(const stage::StageSetup &setup, const QLocale &locale);
    // The solved stage and the frequency window's boxes -> the small-signal
    // circuit, its response and its rows.
    Response (*response)(const analysis::SolvedStage &stage, const ResponseBoxes &boxes, const QLocale &locale);
    // A response -> the stage's .cir text for ngspice; empty when it has a problem.
    QString (*netlist)(const Response &response, const QString &tubeName);
};

// Every stage, in the order of the main window's buttons.
std::span<const StageEntry> stageTable();
// The entry of a circuit; every circuit has one.
const StageEntry &stageEntry(stage::Circuit circuit);
// The entry whose window has that objectName; null for none.
const StageEntry *stageEntryOfWindow(const QString &windowName);

// What a stage window's "Рассчитать" makes for its companion windows: the
// texts read once and solved once.
std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::Circuit circuit, const stage::StageTexts &texts,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale);

} // namespace anodix::response
