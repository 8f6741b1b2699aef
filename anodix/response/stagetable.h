// SPDX-License-Identifier: GPL-3.0-or-later
// The stage table: one entry per stage, and everything that shows a stage
// (its window, the characteristics, frequency and model windows, the SPICE
// exports, the ratings, the fuzzers, the benchmarks and the tests) looks the
// stage up here instead of asking which kind it is. One calculation runs
//
//   the window's texts --read--> stage::StageSetup (numbers, once, in the window)
//     --calculate--> the window's own results from those numbers (may hand on what it solved)
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

    // The window's texts -> numbers, each text once. No message: a text that
    // is no number is kept as such, for the calculation to refuse.
    stage::StageSetup (*read)(stage::Circuit circuit, const stage::StageTexts &texts, const QLocale &locale);
    // Those numbers -> the results the window shows, in order, or its
    // message. An output stage hands on the point it solved on the tube's
    // model (StageResult::solved). No text is converted again here.
    StageResult (*calculate)(const stage::StageSetup &setup, const QLocale &locale);
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

// A stage window's "Рассчитать" from its texts: read once, then calculated
// on those numbers. The setup goes on to solveCalculation.
struct Calculation
{
    stage::StageSetup setup;
    StageResult result;
};
Calculation calculateStage(stage::Circuit circuit, const stage::StageTexts &texts, const QLocale &locale);
// The same from the boxes and the record alone, as the tests give them.
StageResult calculateBoxes(stage::Circuit circuit, const QHash<QString, QString> &boxes, const LoadedTube &tube,
                           const QLocale &locale);

// What a successful calculation makes for its companion windows: its setup
// solved once, with what the calculation handed on.
std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::StageSetup setup,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale);
// The same from texts: read, then solved.
std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::Circuit circuit, const stage::StageTexts &texts,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale);

} // namespace anodix::response
