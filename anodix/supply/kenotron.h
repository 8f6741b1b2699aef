// SPDX-License-Identifier: GPL-3.0-or-later
// A rectifier tube as its file in bd/kenotron describes it: the perveance law
// of one anode and the sheet's ratings, each of which may be unknown.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace anodix::supply {

struct Kenotron
{
    QString name;
    QString heater;                       // as the sheet gives it, e.g. "5 В, 2 А"
    double perveance = 0;                 // A/V^1.5 per anode: Ia = P · Ua^1.5
    std::optional<double> maxAcVoltage;   // V rms per anode
    std::optional<double> maxDcCurrent;   // A, output
    std::optional<double> maxPeakCurrent; // A per anode
    std::optional<double> maxCapacitance; // F, first capacitor
    std::optional<double> minResistance;  // Ω per anode, winding and any series resistor
    QString source;
};

// Reads one file of `key = value` lines; nothing, with the reason in Russian
// in error, when a key is unknown or repeated, a number is not a plain
// positive figure, or the name or the perveance is missing.
std::optional<Kenotron> ParseKenotron(const QByteArray &text, QString &error);

struct KenotronFolder
{
    QList<Kenotron> tubes;   // sorted by name
    QStringList rejected;    // "file: reason", one per malformed file
};

// Every *.txt file of folder that reads; the rest named in rejected.
KenotronFolder ReadKenotronFolder(const QString &folder);

} // namespace anodix::supply
