// SPDX-License-Identifier: GPL-3.0-or-later
// What a stage will really do on the 3/2-power model of its tube: the
// stage's load lines over it, the settled
// operating point, the swing, the second harmonic and the bypass capacitors.
// Window-free, QtCore only: the characteristics window, its PDF report, the
// benchmark and the tests all draw on these numbers, solved once per
// calculation (SolvedStage) from the numbers the stage window read.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/followers.h"
#include "anodix/stages/longtailedpair.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/stageresult.h"
#include "anodix/tubedb/tubelimits.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QList>
#include <QLocale>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <memory>

namespace anodix::analysis {

using stage::Circuit;
using model::TubeFigures;
using model::TubeModel;

// A stage window's texts at its last successful calculation, for the tests,
// the fuzzers and the benchmarks that start from texts; the windows read
// theirs once into a stage::StageSetup and solve that.
struct AnalysisInput
{
    Circuit circuit = Circuit::TriodePreamp;
    QString tubeName;              // the record's file name without ".lamp"
    QStringList record;            // the record's lines; a power record may have 8 or 10
    QString ea, fmin, r1, rn;      // the window's box texts (rn: the power stages only)
    QList<DisplayUpdate> outputs;  // the stage window's outputs of that calculation, in order
    QString kn = {};               // the ratio Ra / Ri (triode output stage only)
    // Push-pull stage only: screen voltage, anode-to-anode load, cathode resistor.
    QString ug2 = {}, raa = {}, rk = {};
    // The ratings kept beside the record, where there are any.
    std::optional<TubeLimits> limits = {};
    // The record's fitted model as the stage window read it with the record;
    // none: the 3/2 law through the record's point.
    std::shared_ptr<const model::ModelFile> model = {};
    // Push-pull stage only: the screens' tap on the primary, % of each half;
    // empty or 0, the screens at ug2.
    QString tap = {};
    // The cathode follower's cathode resistor is rk (kΩ); the split-load
    // splitter's equal anode and cathode loads; the long-tailed pair's anode
    // resistors, tail and tail supply. Each output's load is rn (kΩ).
    QString rak = {}, ra = {}, tail = {}, et = {};
};

// The texts as the stage window would hold them, its boxes under their names.
stage::StageTexts textsOf(const AnalysisInput &input);

struct Curve
{
    double ug = 0;          // grid voltage of this curve, V
    QString label;          // "Ug = -2 В" in the program's number text
    QList<QPointF> points;  // (Ua V, Ia mA), Ua ascending, clipped to the axes
};

struct AnalysisRow
{
    const char *name;       // "Uq", "Iq", … as in the result table
    QString caption;        // "Напряжение на аноде"
    QString value;          // rounded, the locale's separator; never NaN or inf
    QString unit;           // "В"; empty for Gain
    // Caption, value and unit separated by blanks, for screen readers.
    QString spoken() const;
};

struct AxisTick
{
    double value = 0;
    QString text; // the program's number text of value
};

struct Axis
{
    double max = 0;  // the axis runs from 0 to max, a whole number of ticks
    double tick = 0; // from the 1–2–5 series
    // 0, tick, 2·tick … max with their labels; empty for a range that cannot
    // be labelled readably, which is then never drawn.
    QList<AxisTick> ticks;
};

// Most ticks an axis has, whatever its range: the plot makes an item for each.
inline constexpr int kMaxAxisTicks = 11;

// From 0 past limit in 4 to 10 round ticks, labelled in the locale's number
// text. No ticks when a label would need the exponent form or more than 7
// characters (a tick below 0.0001 or a top above 9999999), or for a limit
// that is not a finite number above zero.
Axis axisPast(double limit, const QLocale &locale);

struct Analysis
{
    // Empty when the analysis could be made; otherwise "Недостаточно данных
    // для построения характеристик: " and what is missing, and nothing below.
    // Figures outside what the model and the plot can show faithfully give
    // "Характеристики не построены: исходные данные вне допустимых пределов: "
    // and which: a supply outside 1 V … 100 kV, a point the solution cannot pin
    // down to its shown digits or that lies off the tube's curves, an axis
    // without readable labels.
    QString problem;
    bool ok() const { return problem.isEmpty(); }

    QString title;          // the tube name
    QStringList inputLines; // the inputs used, one per line ("Ea = 250 В", …)
    QList<Curve> curves;    // 6 to 10, from Ug = 0 down past 2·Ugq
    QList<QPointF> dcLoadLine, acLoadLine; // end points inside the axes
    // (Ua, Ia) of Q and the swing's ends: swingLow at the low anode voltage
    // (Umin, Imax; Ug = 0), swingHigh at the high one (Umax, Imin; Ug = 2·Ugq).
    QPointF operatingPoint, swingLow, swingHigh;
    Axis ua, ia;
    QList<AnalysisRow> rows; // in the result table's order, only the stage's own
    QString description;     // the plot's accessible description, stating the operating point
    QString modelNote;       // the line under the plot: an estimate, a 3/2-power model
    // Push-pull stage: the load one tube sees while the other is cut off,
    // Raa/4 from (Eq, 0); acLoadLine is then the class-A line, Raa/2 through Q.
    // With the screens on a tap of the primary the curves, Q and the swing
    // are of the current each tube drives into its half of the winding,
    // Ia + tap·Ig2, with the screen following the anode along the tap.
    QList<QPointF> compositeLoadLine;
    // The ratings the stage exceeds (RatingWarnings), shown in the window.
    QStringList warnings = {};
};


// The settled stage as numbers, for calculations built on the analysis (the
// frequency response, the SPICE netlist): V, mA, kΩ, mA/V, µF.
struct StagePoint
{
    QString problem; // as Analysis::problem; the numbers are zero when it is set
    bool ok() const { return problem.isEmpty(); }

    TubeFigures tube;               // the record's figures the model was fitted to
    double ea = 0, fmin = 0, rp = 0; // rp: the power stage's primary, from its Rt1
    double ra = 0, rk = 0, load = 0;
    double uq = 0, iq = 0, ugq = 0, sq = 0; // uq: anode to cathode; sq: dIa/dUg at Q
    double umin = 0, imax = 0, umax = 0, imin = 0, amp = 0, gain = 0;
    double c2 = 0, c3 = 0;          // the bypass capacitors, where the stage has them
    // Push-pull stage: the screen's voltage to the cathode at rest (the model
    // is taken there); rp is then the anode-to-anode load Raa, rk in kΩ.
    double u2 = 0;
    // Push-pull stage: the screens' tap as a fraction of each half-primary
    // (0: on their own supply); with a tap, sq is d(Ia + tap·Ig2)/dUg and
    // ga that current's slope along the anode with the screen following it.
    double tap = 0, ga = 0;
    // Push-pull stage: the pair as solved, at rest and driven.
    std::optional<stage::PushPullPoint> pair = {};
    // The cathode follower and the split-load splitter as solved.
    std::optional<stage::FollowerSolution> follower = {};
    // Long-tailed pair: both sections as solved; ra, rk and load are then
    // one anode resistor, the tail and one anode's signal load Ra ∥ Rн.
    std::optional<stage::LongTailedPairSolution> longTailedPair = {};
};

// A stage solved once on its tube's model: the numbers it was solved from,
// the operating point, and the characteristics plot drawn from that same
// point. What every window and export of one calculation shares.
struct SolvedStage
{
    stage::StageSetup setup;
    StagePoint point;
    Analysis analysis;
    QLocale locale; // the one the analysis's texts are in
};

// The four single-tube stages: the preamplifiers, the pentode power stage and
// the triode output stage (from the swing its calculation handed on, if any).
SolvedStage SolveSingleEnded(const stage::StageSetup &setup, const QLocale &locale);
// The push-pull pair, one tube of it at the screen voltage it settles at.
SolvedStage SolvePushPullStage(const stage::StageSetup &setup, const QLocale &locale);

// For a stage's own solve, the pieces the five stages' plots are drawn with:
// the tube's curves from Ug = 0 down past 2·|ugq| (past 2·bias where ugq is
// 0), a round step apart, 6 to 10 of them; a line from p to q clipped to the
// axes (empty when it passes outside); an input line "Ea = 250 В"; the note
// under the plot naming the model; whether every point lies inside the axes.
QList<Curve> curvesOnAxes(const TubeModel &model, double ugq, double bias, const Axis &ua, const Axis &ia,
                          const QLocale &locale);
QList<QPointF> lineOnAxes(QPointF p, QPointF q, const Axis &ua, const Axis &ia);
QString inputLine(const QString &name, double value, const QString &unit, const QLocale &locale);
QString modelNote(const model::ModelFile *fitted);
bool insideAxes(const Analysis &analysis);

// From texts, for tests, fuzzers and benchmarks: read, then solved as above.
// The texts read once and solved, for every stage; the windows read theirs
// themselves and solve the numbers.
SolvedStage SolveTexts(const AnalysisInput &input, const QLocale &locale);
Analysis AnalyzeStage(const AnalysisInput &input, const QLocale &locale);   // SolveTexts(…).analysis
StagePoint SolveStage(const AnalysisInput &input, const QLocale &locale);   // SolveTexts(…).point

} // namespace anodix::analysis
