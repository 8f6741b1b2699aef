// SPDX-License-Identifier: GPL-3.0-or-later
// The five stages' entries; see stagetable.h. A new stage is one entry here,
// one row of stage::kCircuits and the functions the entry names.
#include "anodix/response/stagetable.h"

#include "anodix/analysis/followeranalysis.h"
#include "anodix/response/followerresponse.h"
#include "anodix/analysis/longtailedpairanalysis.h"
#include "anodix/response/longtailedpairresponse.h"
#include "anodix/response/spice.h"
#include "anodix/stages/longtailedpair.h"
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"

#include <algorithm>

namespace anodix::response {
namespace {

using C = StageCircuit;
using stage::Circuit;
using Boxes = QHash<QString, QString>;

// The push-pull pair's Ck is not among its parts: the two cathode currents
// cancel in it. Nor is the pentode's C3, as the small-signal circuit holds the
// screen at signal ground.
constexpr CornerPart kTriodeParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"C3", &C::coupling}};
constexpr CornerPart kPentodeParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"C4", &C::coupling}};
constexpr CornerPart kSingleEndedOutputParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"L1", &C::l1}};
constexpr CornerPart kPushPullParts[] = {{"C1", &C::c1}, {"L1", &C::l1}};

constexpr TubeCapacitances kTriodeCapacitances{1.6, 1.7, 0.5};
constexpr TubeCapacitances kPentodeCapacitances{6, 0.05, 5};

QString box(const Boxes &boxes, const char *name)
{
    return boxes.value(QLatin1String(name));
}

StageResult calculateTriode(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    return CalculateTriodeStage(box(b, "Ea"), box(b, "Fn1"), box(b, "R11"), tube, locale);
}

StageResult calculatePentode(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    return CalculatePentodeStage(box(b, "Ea"), box(b, "Fn1"), box(b, "R11"), tube, locale);
}

StageResult calculatePower(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    return CalculatePowerStage(box(b, "Ea"), box(b, "Fn1"), box(b, "R11"), box(b, "Rn"), tube, locale);
}

StageResult calculateTriodeOutput(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    return CalculateTriodeOutputStage(box(b, "Ea"), box(b, "Fn1"), box(b, "R11"), box(b, "Rn"), box(b, "Kn"), tube,
                                      locale);
}

StageResult calculatePushPull(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    const PushPullTexts texts{box(b, "Ea"), box(b, "Ug2"), box(b, "Fn1"), box(b, "R11"),
                              box(b, "Rn"), box(b, "Raa"), box(b, "Rk"), box(b, "Otvod")};
    return CalculatePushPullStage(texts, tube, locale);
}

StageResult calculateLongTailedPair(const Boxes &b, const LoadedTube &tube, const QLocale &locale)
{
    const LongTailedPairTexts texts{box(b, "Ea"),  box(b, "Ra"),  box(b, "Rt"), box(b, "Et"),
                                    box(b, "R11"), box(b, "Fn1"), box(b, "Rn")};
    return CalculateLongTailedPair(texts, tube, locale);
}

const StageEntry kStages[] = {
    {&stage::circuitData(Circuit::TriodePreamp), "Предварительный усилитель на триоде", kTriodeCapacitances,
     kTriodeParts, calculateTriode, stage::readStandardSetup, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::PentodePreamp), "Предварительный усилитель на пентоде", kPentodeCapacitances,
     kPentodeParts, calculatePentode, stage::readStandardSetup, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::PentodePower), "Усилитель мощности на пентоде", kPentodeCapacitances,
     kSingleEndedOutputParts, calculatePower, stage::readStandardSetup, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::TriodeOutput), "Однотактный выходной каскад на триоде", kTriodeCapacitances,
     kSingleEndedOutputParts, calculateTriodeOutput, stage::readStandardSetup, analysis::SolveSingleEnded,
     ComputeResponse, StageNetlist},
    {&stage::circuitData(Circuit::PushPull), "Двухтактный выходной каскад на пентодах", kPentodeCapacitances,
     kPushPullParts, calculatePushPull, stage::readStandardSetup, analysis::SolvePushPullStage, ComputeResponse,
     StageNetlist},
    // Their response has its own network, its parts scaled there: no StageCircuit parts.
    {&stage::circuitData(Circuit::CathodeFollower), "Катодный повторитель", kFollowerCapacitances, {},
     calculateCathodeFollower, readFollowerSetup, analysis::SolveFollowerStage, followerStageResponse,
     followerStageNetlist},
    {&stage::circuitData(Circuit::SplitLoad), "Фазоинвертор с разделённой нагрузкой", kFollowerCapacitances, {},
     calculateSplitLoad, readFollowerSetup, analysis::SolveFollowerStage, followerStageResponse,
     followerStageNetlist},
    // Its own response and netlist: two outputs, and its capacitors are the stage window's.
    {&stage::circuitData(Circuit::LongTailedPair), "Фазоинвертор с катодной связью", kTriodeCapacitances, {},
     calculateLongTailedPair, stage::readLongTailedPairSetup, analysis::SolveLongTailedPairStage,
     LongTailedPairResponse, LongTailedPairStageNetlist},
};

} // namespace

std::span<const StageEntry> stageTable()
{
    return kStages;
}

const StageEntry &stageEntry(stage::Circuit circuit)
{
    const auto *found =
        std::find_if(std::begin(kStages), std::end(kStages), [&](const StageEntry &e) { return e.data->circuit == circuit; });
    return found != std::end(kStages) ? *found : kStages[0];
}

const StageEntry *stageEntryOfWindow(const QString &windowName)
{
    for (const StageEntry &entry : kStages)
        if (windowName == QLatin1String(entry.data->windowName))
            return &entry;
    return nullptr;
}

std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::Circuit circuit, const stage::StageTexts &texts,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale)
{
    const StageEntry &entry = stageEntry(circuit);
    stage::StageSetup setup = entry.read(circuit, texts, locale);
    setup.handed = std::move(handed);
    return std::make_shared<const analysis::SolvedStage>(entry.solve(setup, locale));
}

} // namespace anodix::response
