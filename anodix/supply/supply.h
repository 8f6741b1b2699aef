// SPDX-License-Identifier: GPL-3.0-or-later
// The anode supply: mains transformer, rectifier, C1, a choke or resistor,
// C2 and the load, simulated in time from switch-on with empty capacitors.
// Window-free, QtCore only. Texts in, numbers once (ParseSupplyInputs), then
// SimulateSupply, then the warnings of SupplyWarnings; formatting is the window's.
#pragma once

#include "anodix/supply/kenotron.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace anodix::supply {

enum class Circuit { Bridge, CentreTap, HalfWave };
enum class FilterElement { Choke, Resistor };

// The silicon diode of the program and of the exported netlist.
struct DiodeModel
{
    static constexpr double is = 7.03e-9;   // A
    static constexpr double n = 1.81;
    static constexpr double rs = 0.034;     // Ω
    // kT/q at ngspice's nominal 27 °C, so both sides use the same diode.
    static constexpr double vt = 1.380649e-23 * 300.15 / 1.602176634e-19;
};

struct SupplyCircuit
{
    double frequency = 50;           // Hz
    Circuit circuit = Circuit::Bridge;
    double secondaryVoltage = 0;     // V rms, per half for the centre tap
    double windingResistance = 0;    // Ω, per half for the centre tap
    std::optional<Kenotron> tube;    // none: silicon diodes
    double c1 = 0;                   // F
    FilterElement filter = FilterElement::Choke;
    double inductance = 0;           // H, choke only
    double filterResistance = 0;     // Ω, the choke's or the resistor's
    double c2 = 0;                   // F
    double loadCurrent = 0;          // A
    std::optional<double> stepCurrent;   // A, from half-way
    std::optional<double> targetVoltage; // V
};

// The window's texts, in the order of its inputs.
struct SupplyInputs
{
    QString frequency;
    int circuit = 0;                 // index of Circuit
    QString secondaryVoltage;
    QString windingResistance;
    std::optional<Kenotron> tube;
    QString c1;                      // µF
    int filter = 0;                  // index of FilterElement
    QString inductance;              // H
    QString filterResistance;        // Ω
    QString c2;                      // µF
    QString loadCurrent;             // mA
    QString stepCurrent;             // mA, empty: none
    QString targetVoltage;           // V, empty: none
};

// The numbers of inputs, or nothing with the message in error: a text that is
// no number, zero, negative or beyond what a valve supply can be.
std::optional<SupplyCircuit> ParseSupplyInputs(const SupplyInputs &inputs, const QLocale &locale,
                                               QString &error);

inline const QString collapseMessage = QStringLiteral("Выпрямитель не обеспечивает ток нагрузки");

struct TracePoint
{
    double t = 0;     // s
    double c1 = 0;    // V
    double out = 0;   // V
};

struct SupplyResult
{
    double c1Voltage = 0;         // V, average over the last mains period before any step
    double c1Ripple = 0;          // V peak to peak
    double outputVoltage = 0;     // V
    double outputRipple = 0;      // V peak to peak
    double peakCurrent = 0;       // A, per diode or anode, settled
    double windingCurrent = 0;    // A rms, per half for the centre tap
    double transformerPower = 0;  // VA, both halves for the centre tap
    double surgeCurrent = 0;      // A, highest per diode or anode from switch-on
    double averageCurrent = 0;    // A, the settled output current of the rectifier
    double settlingTime = 0;      // s, output within 1 % of its settled value from then on
    bool settled = true;          // false: 10 s simulated without settling
    std::optional<double> stepTime; // s, when the load stepped
    std::optional<double> sag;    // V, settled output before the step less the lowest after it
    std::optional<double> resonance; // Hz, choke filter only
    double simulatedTime = 0;     // s
    long steps = 0;               // accepted integration steps
    QList<TracePoint> trace;      // the plot: from switch-on to the end
};

// Reports the simulated time as a fraction of the most there can be; false cancels.
using Progress = std::function<bool(double fraction)>;

struct SupplyOutcome
{
    std::optional<SupplyResult> result;
    QString error;               // collapse or a value the simulation cannot take
    bool cancelled = false;
};

// Most simulated time, and the band the output must stay within.
inline constexpr double maxSimulatedTime = 10;   // s
inline constexpr double settlingBand = 0.01;

SupplyOutcome SimulateSupply(const SupplyCircuit &circuit, const Progress &progress = {});

// The warnings the window shows under the results, in Russian.
QStringList SupplyWarnings(const SupplyCircuit &circuit, const SupplyResult &result, const QLocale &locale);

// The names of the circuits and filter elements, as the window lists them.
QStringList CircuitNames();
QStringList FilterNames();

} // namespace anodix::supply
