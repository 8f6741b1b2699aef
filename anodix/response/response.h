// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response of a stage, small-signal at the operating point the
// characteristics analysis settles: numbers first (ResponseFigures), then the
// rows a window, a report and the tests show. Window-free, QtCore only.
//
//   analysis::SolvedStage (solved once per calculation) + the response's own boxes
//     -> StageCircuit (parts and the tube at Q)
//     -> ResponseFigures (gain, corners, the common scale factor, points)
//     -> Response::rows, and the SPICE texts of spice.h.
#pragma once

#include "anodix/analysis/characteristics.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <complex>
#include <optional>

namespace anodix::response {

using analysis::AnalysisRow;
using analysis::Circuit;

// The tube's interelectrode capacitances, pF: grid to cathode (a pentode's
// input), grid to anode, anode to cathode (a pentode's output).
struct TubeCapacitances
{
    double input = 0, anodeGrid = 0, output = 0;
};

// The frequency window's own boxes, in the locale's form.
struct ResponseBoxes
{
    QString source;                 // the signal source's resistance, kΩ
    QString load;                   // the capacitance across the output, pF
    QString input, anodeGrid, output; // TubeCapacitances, pF
};

// The boxes filled with the typical values of the stage's tube, in the locale's form.
ResponseBoxes typicalBoxes(Circuit circuit, const QLocale &locale);

// The boxes as numbers not below zero (a source of 0 kΩ is a generator with no
// resistance); each box that is not adds its name to `wrong`, the capacitances
// by a pentode's names or a triode's. Wrong boxes read 0.
struct ResponseValues
{
    double source = 0; // kΩ
    double load = 0;   // pF
    TubeCapacitances tube;
};
ResponseValues readResponseBoxes(const ResponseBoxes &boxes, bool pentodeNames, const QLocale &locale,
                                 QStringList &wrong);
// The response's refusal naming those boxes.
QString wrongBoxesProblem(const QStringList &wrong);

// The stage from texts and the frequency window's boxes: for the tests, the
// fuzzers and the benchmarks, which start from texts.
struct ResponseInput
{
    analysis::AnalysisInput stage;
    QString source;                 // as ResponseBoxes
    QString load;
    QString input, anodeGrid, output;
    ResponseBoxes boxes() const { return {source, load, input, anodeGrid, output}; }
};

// The boxes filled with the typical values, in the locale's form.
ResponseInput withTypicalValues(const analysis::AnalysisInput &stage, const QLocale &locale);

// The stage as a small-signal circuit, in ohms, farads, henries and siemens.
// Parts are named as in the window's drawing; a part the stage lacks is zero.
struct StageCircuit
{
    Circuit circuit = Circuit::TriodePreamp;
    double rs = 0;                       // the source's resistance in series with C1
    double c1 = 0, r1 = 0;               // input coupling and grid leak
    double rk = 0, ck = 0;               // cathode resistor R2 and its bypass C2
    double ra = 0;                       // anode resistor (R3 triode, R4 pentode)
    double coupling = 0, rNext = 0;      // output coupling (C3, C4) into the next grid leak
    double rScreen = 0, cScreen = 0;     // pentode preamplifier: R3 and C3
    double l1 = 0, rp = 0, rn = 0;       // power stage: primary, reflected load, loudspeaker
    double load = 0;                     // across the output (the secondary for the power stage)
    double cgk = 0, cga = 0, cak = 0;    // the tube's capacitances
    // The tube at Q: dIa/dUg, dIa/dUa, and dIk/dUg (a pentode's cathode
    // current does not follow the anode).
    double gm = 0, ga = 0, gk = 0;
    double ea = 0, uq = 0, iq = 0, ugq = 0; // V and A; uq anode to cathode
};

// A stage capacitor (F) or inductor (H) by its name in the drawing.
struct Part
{
    const char *name;
    double value;
};

// A part of StageCircuit that sets the lowest frequency, by its name in the drawing.
struct CornerPart
{
    const char *name;
    double StageCircuit::*value;
};

// The parts the lowest frequency depends on: every coupling and bypass
// capacitor the signal passes and, behind a transformer, the primary.
QList<Part> frequencyParts(const StageCircuit &circuit);
StageCircuit scaled(const StageCircuit &circuit, double factor); // those parts times factor

// Output over source voltage at hz, the phase included.
std::complex<double> transfer(const StageCircuit &circuit, double hz);
// The same with every coupling and bypass part taken as ideal and no stray
// capacitance: what the band's middle tends to.
double midBandGain(const StageCircuit &circuit);

struct ResponsePoint
{
    double hz = 0;
    double db = 0; // relative to the mid-band gain
};

struct ResponseFigures
{
    double gain = 0, gainDb = 0;          // mid-band
    std::optional<double> low, high;      // the −3 dB points, Hz
    double atFmin = 0;                    // dB relative to the mid-band
    std::optional<double> factor;         // scales frequencyParts to −3 dB at Fmin
    QList<Part> needed;                   // those parts times factor
    QList<ResponsePoint> points;          // 1 Hz to 200 kHz, evenly on a log scale
};

inline constexpr double kFirstHz = 1, kLastHz = 200e3;

ResponseFigures responseFigures(const StageCircuit &circuit, double fmin, int points = 200);

struct Response
{
    // Empty when the response could be made; otherwise why not, and nothing below.
    QString problem;
    bool ok() const { return problem.isEmpty(); }

    analysis::StagePoint point;
    StageCircuit circuit;
    ResponseFigures figures;
    QList<AnalysisRow> rows;      // gain, corners, attenuation at Fmin
    QString neededCaption;        // "Для спада 3 дБ на Fmin нужны"
    QList<AnalysisRow> needed;    // the scaled parts, by their names
    QStringList notes;            // what the figures rest on
};

// The response of the five stages on their shared small-signal circuit:
// the stage as solved for its calculation, and the frequency window's boxes.
Response ComputeResponse(const analysis::SolvedStage &stage, const ResponseBoxes &boxes, const QLocale &locale);
// From texts: read and solved first.
Response ComputeResponse(const ResponseInput &input, const QLocale &locale);

} // namespace anodix::response
