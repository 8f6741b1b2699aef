// SPDX-License-Identifier: GPL-3.0-or-later
// The stages whose output is taken from the cathode: the cathode follower and
// the split-load phase splitter (cathodyne). Both bias their grid from a tap
// on the cathode resistor: the bias resistor R2 between the cathode and the
// tap is set for the record's point, R1 returns from the grid to the tap, so
// the signal on the tap lifts R1's far end (bootstrapping). Worked out on the
// tube's model: the operating point, the mid-band figures and one period of
// the drive along the AC loads for the largest swing.
#pragma once

#include "anodix/stages/circuit.h"
#include "anodix/stages/cycle.h"
#include "anodix/stages/stageresult.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QLocale>
#include <QString>

namespace anodix {

namespace stage {

// V, kΩ. The cathode follower leaves ra at zero: its anode is at +Ea.
// The splitter's loads are equal: ra = rk (the part of the cathode resistor
// below the tap). Each output feeds rl through a coupling capacitor.
struct FollowerCircuit
{
    double ea = 0;
    double ra = 0; // anode resistor; zero for the cathode follower
    double rb = 0; // bias resistor, cathode to tap (R2)
    double rk = 0; // cathode load, tap to ground (R3)
    double r1 = 0; // grid leak, grid to tap
    double rl = 0; // the load of each output
};

enum class SwingLimit { GridCurrent, CutOff };

// The stage at rest and at mid-band with an ideal source (V, mA, kΩ).
struct FollowerPoint
{
    double iq = 0, ugq = 0, uq = 0; // anode current, grid and anode to cathode
    double uk = 0;                  // cathode to ground
    double gm = 0, ga = 0;          // dIa/dUg and dIa/dUa at Q, mA/V
    // Cathode and (splitter) anode over the grid's signal, each output
    // loaded with rl; the anode's is negative.
    double cathodeGain = 0, anodeGain = 0;
    // Each output's resistance with the input at signal ground and the other
    // output loaded; anodeOut zero for the follower.
    double cathodeOut = 0, anodeOut = 0;
    double rin = 0; // the grid's input resistance: R1 lifted by the tap's signal
    // The largest drive (amplitude, V) before the grid draws current or the
    // tube cuts off anywhere in the period, and which of the two came first.
    double maxDrive = 0;
    SwingLimit limit = SwingLimit::GridCurrent;
    // The outputs' fundamentals at that drive (amplitude, V).
    double cathodeSwing = 0, anodeSwing = 0;
};

// One settled period at a drive: each output as its load sees it (the
// coupling capacitor holds the node's mean), grid and anode to the cathode,
// the anode current; samples as in cycle.h.
struct FollowerCycle
{
    double meanCurrent = 0;
    Cycle cathodeOut{}, anodeOut{};
    Cycle ugk{}, uak{}, ia{};
};

// What a calculation solved, handed on to the analyses of the same stage.
struct FollowerSolution
{
    FollowerCircuit circuit;
    FollowerPoint point;
};

// The cathode follower when ra is zero; nothing flows (iq zero) when the
// tube is cut off at rest or the circuit cannot be (rb not below the whole
// cathode resistor is the caller's to refuse).
FollowerPoint solveFollower(const model::TubeModel &tube, const FollowerCircuit &circuit);
FollowerCycle followerCycle(const model::TubeModel &tube, const FollowerCircuit &circuit, double drive);

} // namespace stage

// The windows' box texts, as the tests and the fuzzer give them.
struct CathodeFollowerTexts
{
    QString ea, rk, r1, fmin, rl; // rk the whole cathode resistor, R2 and R3 together
};

struct SplitLoadTexts
{
    QString ea, r, r1, fmin, rl; // r the anode resistor and the cathode's, each
};

// The tube's grid-to-cathode and grid-to-anode capacitances, pF; the
// records hold none, the caller passes the handbook-typical ones.
struct GridCapacitances
{
    double cgk = 0, cga = 0;
};

// From the window's boxes as read (Ea, Rk, R11, Fn1, Rn) and the record's fields.
// Outputs in order: R1, R2, R3, C1, C2, Uq, Iq, Ugq, Uk, Ku, Rvyh, Cvh, Uvh, Ogr, Vt
// (Ogr: what limits the input, "сеточный ток" or "отсечка тока").
StageResult CalculateCathodeFollowerStage(const stage::StageSetup &setup, const GridCapacitances &capacitances,
                                          const QLocale &locale);
// From the boxes Ea, Rak, R11, Fn1, Rn as read and the record's fields.
// Outputs in order: R1, R2, R3, R4, C1, C2, C3, Uq, Iq, Ugq, Kua, Kuk, Nebalans, Rvyha,
// Rvyhk, Uvyha, Uvyhk, Ogr, Vt.
StageResult CalculateSplitLoadStage(const stage::StageSetup &setup, const QLocale &locale);
// The same from texts: read as the window reads them, then calculated.
StageResult CalculateCathodeFollowerStage(const CathodeFollowerTexts &texts, const LoadedTube &tube,
                                          const GridCapacitances &capacitances, const QLocale &locale);
StageResult CalculateSplitLoadStage(const SplitLoadTexts &texts, const LoadedTube &tube, const QLocale &locale);

// The input capacitance, pF, of a triode whose cathode follows its grid with
// gain: Cga + Cgk·(1 − gain).
double followerInputCapacitance(double cgk, double cga, double gain);

} // namespace anodix
