// SPDX-License-Identifier: GPL-3.0-or-later
// A stage as plain data, below everything that analyses it: which circuit it
// is, the tube it takes, and the numbers its window's boxes and its record
// hold, read once in the window. The stage table (anodix/response/stagetable.h)
// adds what is done with them; the layers below it look only here.
#pragma once

#include "anodix/stages/stageresult.h"
#include "anodix/tubedb/tubelimits.h"
#include "anodix/tubedb/tuberecord.h"
#include "anodix/tubemodel/tubemodel.h"

#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <span>

namespace anodix::stage {

// The circuit a stage window calculates; the tube it is built on is a datum
// of its own (CircuitData::tube).
enum class Circuit {
    TriodePreamp, PentodePreamp, PentodePower, TriodeOutput, PushPull, CathodeFollower, SplitLoad, LongTailedPair
};

// What is known of a circuit without analysing it, one datum each.
struct CircuitData
{
    Circuit circuit;
    const char *windowName;   // the stage window's objectName
    const char *caption;      // follows "Anodix V1.0 - " in its caption
    model::TubeType tube;     // the model a record is read into
    TubeClass tubeClass;      // the records its window lists
    bool outputTransformer;   // the anode feeds a primary, not a resistor and a coupling capacitor
    // Two tubes in antiphase on one cathode resistor: the cathode is a signal
    // ground, each anode drives half the anode-to-anode load.
    bool balancedPair;
    int tubes;                // heaters the supply does not feed, and tubes drawing anode current
};

inline constexpr CircuitData kCircuits[] = {
    {Circuit::TriodePreamp, "Triod", "Предварительный усилитель на триоде", model::TubeType::Triode,
     TubeClass::Triode, false, false, 1},
    {Circuit::PentodePreamp, "Pentod", "Предварительный усилитель на пентоде", model::TubeType::Pentode,
     TubeClass::PreampPentode, false, false, 1},
    {Circuit::PentodePower, "Tetrod", "Усилитель мощности на пентоде", model::TubeType::Pentode,
     TubeClass::PowerPentode, true, false, 1},
    {Circuit::TriodeOutput, "TriodVihod", "Усилитель мощности на триоде", model::TubeType::Triode,
     TubeClass::Triode, true, false, 1},
    {Circuit::PushPull, "Dvuhtakt", "Двухтактный усилитель мощности", model::TubeType::Pentode,
     TubeClass::PowerPentode, true, true, 2},
    {Circuit::CathodeFollower, "Povtoritel", "Катодный повторитель", model::TubeType::Triode, TubeClass::Triode,
     false, false, 1},
    {Circuit::SplitLoad, "FazoinvertorRN", "Фазоинвертор с разделённой нагрузкой", model::TubeType::Triode,
     TubeClass::Triode, false, false, 1},
    // Both sections of one double triode: one record, one heater.
    {Circuit::LongTailedPair, "FazoinvertorKS", "Фазоинвертор с катодной связью", model::TubeType::Triode,
     TubeClass::Triode, false, false, 1},
};

constexpr const CircuitData &circuitData(Circuit circuit)
{
    for (const CircuitData &data : kCircuits)
        if (data.circuit == circuit)
            return data;
    return kCircuits[0]; // unreachable while every circuit has its row
}

// The stage window's texts at a calculation, as they stood: every box by its
// objectName, the outputs the calculation showed, and the record it used.
struct StageTexts
{
    QHash<QString, QString> boxes; // "Ea" -> "250"
    QList<DisplayUpdate> outputs;  // the stage window's outputs of that calculation, in order
    QString tubeName;              // the record's file name without ".lamp"
    QStringList record;            // the record's lines
    std::optional<TubeLimits> limits = {};
    std::shared_ptr<const model::ModelFile> model = {}; // none: the 3/2 law through the record's point
};

// The model's solution the stage calculation came to, handed on so that
// nothing after it solves the same stage again.
struct HandedSolution;

// A box as read: blank, or its number, or neither (a text that is no number).
struct TypedBox
{
    bool blank = true;
    std::optional<double> number;
};

// A record's fields as read, in either separator: a field the record ends
// before is absent, one whose text is no number has no value.
struct RecordNumbers
{
    qsizetype lines = 0;
    std::array<std::optional<double>, 10> fields{};

    bool has(TubeField field) const { return static_cast<qsizetype>(field) < lines; }
    std::optional<double> operator[](TubeField field) const
    {
        return has(field) ? fields[static_cast<std::size_t>(field)] : std::nullopt;
    }
};

// A stage's inputs as numbers (V, Hz, kΩ; Rн in Ω, Rk of the pair in Ω). A
// box that is no number reads 0 and the solve names it as missing; r1 and rn
// are absent then, as a line of the plot's inputs is. The stage calculations
// take the boxes and the record as read (boxes, fields), where a message
// depends on which text was no number.
struct StageSetup
{
    Circuit circuit = Circuit::TriodePreamp;
    QString tubeName;
    QStringList record;
    QHash<QString, TypedBox> boxes;   // every box of the window by its objectName
    RecordNumbers fields;
    model::TubeFigures tube;          // the record's point, the fitted model with it
    double heaterVoltage = 0, heaterCurrent = 0;
    double ea = 0, fmin = 0;
    std::optional<double> r1, rn;
    double rp = 0;                    // a single-ended primary's load: Rt1, or Ra / Ri × Ri
    double kn = 0;                    // Ra / Ri of the triode output stage
    double ug2 = 0, raa = 0, rk = 0;  // the push-pull pair's screens, anode-to-anode load, cathode (Ω)
    // The cathode follower's whole cathode resistor, or the split-load
    // splitter's equal anode and cathode loads; the load behind each output. kΩ.
    double followerR = 0, outputLoad = 0;
    // Long-tailed pair: the anode resistors (kΩ), the tail (kΩ) and its
    // supply (V, ≤ 0; 0: the tail to ground); rn is each output's load in kΩ.
    double ra = 0, tail = 0, tailVoltage = 0;
    double screenTap = 0;             // the pair's screens on a tap, a share of each half-primary (0: none)
    std::optional<TubeLimits> limits;
    std::shared_ptr<const HandedSolution> handed; // what the stage calculation solved, if it did

    // A box the window does not have reads as blank.
    TypedBox box(const char *name) const { return boxes.value(QLatin1String(name)); }
};

// Every stage's reading, each text converted once: every box, and from them
// Ea, Fn1, R11, Rn, Kn, Ug2, Raa, Rk, Otvod, the followers' Rk or Rak and the
// pair's Ra, Rt, Et where the window has them; the record's fields, and from
// them the figures of the circuit's tube type; the power stage's primary from
// those numbers as its calculation shows it. Counted (readsSoFar).
StageSetup readStandardSetup(Circuit circuit, const StageTexts &texts, const QLocale &locale);

// The texts a stage calculation of old took, as the window would hold them.
StageTexts textsOfBoxes(const QHash<QString, QString> &boxes, const LoadedTube &tube);

// A record field as a number in either separator; 0 where it is absent or no number.
double recordField(const QStringList &record, TubeField field, const QLocale &locale);

} // namespace anodix::stage
