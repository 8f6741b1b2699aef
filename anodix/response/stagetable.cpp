// SPDX-License-Identifier: GPL-3.0-or-later
// The stages' entries; see stagetable.h. A new stage is one entry here,
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

// The push-pull pair's Ck is not among its parts: the two cathode currents
// cancel in it. Nor is the pentode's C3, as the small-signal circuit holds the
// screen at signal ground.
constexpr CornerPart kTriodeParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"C3", &C::coupling}};
constexpr CornerPart kPentodeParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"C4", &C::coupling}};
constexpr CornerPart kSingleEndedOutputParts[] = {{"C1", &C::c1}, {"C2", &C::ck}, {"L1", &C::l1}};
constexpr CornerPart kPushPullParts[] = {{"C1", &C::c1}, {"L1", &C::l1}};

constexpr TubeCapacitances kTriodeCapacitances{1.6, 1.7, 0.5};
constexpr TubeCapacitances kPentodeCapacitances{6, 0.05, 5};

const StageEntry kStages[] = {
    {&stage::circuitData(Circuit::TriodePreamp), "Предварительный усилитель на триоде", kTriodeCapacitances,
     kTriodeParts, stage::readStandardSetup, CalculateTriodeStage, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::PentodePreamp), "Предварительный усилитель на пентоде", kPentodeCapacitances,
     kPentodeParts, stage::readStandardSetup, CalculatePentodeStage, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::PentodePower), "Усилитель мощности на пентоде", kPentodeCapacitances,
     kSingleEndedOutputParts, stage::readStandardSetup, CalculatePowerStage, analysis::SolveSingleEnded, ComputeResponse,
     StageNetlist},
    {&stage::circuitData(Circuit::TriodeOutput), "Однотактный выходной каскад на триоде", kTriodeCapacitances,
     kSingleEndedOutputParts, stage::readStandardSetup, CalculateTriodeOutputStage, analysis::SolveSingleEnded,
     ComputeResponse, StageNetlist},
    {&stage::circuitData(Circuit::PushPull), "Двухтактный выходной каскад на пентодах", kPentodeCapacitances,
     kPushPullParts, stage::readStandardSetup, CalculatePushPullStage, analysis::SolvePushPullStage, ComputeResponse,
     StageNetlist},
    // Their response has its own network, its parts scaled there: no StageCircuit parts.
    {&stage::circuitData(Circuit::CathodeFollower), "Катодный повторитель", kFollowerCapacitances, {},
     stage::readStandardSetup, calculateCathodeFollower, analysis::SolveFollowerStage, followerStageResponse,
     followerStageNetlist},
    {&stage::circuitData(Circuit::SplitLoad), "Фазоинвертор с разделённой нагрузкой", kFollowerCapacitances, {},
     stage::readStandardSetup, calculateSplitLoad, analysis::SolveFollowerStage, followerStageResponse,
     followerStageNetlist},
    // Its own response and netlist: two outputs, and its capacitors are the stage window's.
    {&stage::circuitData(Circuit::LongTailedPair), "Фазоинвертор с катодной связью", kTriodeCapacitances, {},
     stage::readStandardSetup, CalculateLongTailedPair, analysis::SolveLongTailedPairStage,
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

Calculation calculateStage(stage::Circuit circuit, const stage::StageTexts &texts, const QLocale &locale)
{
    const StageEntry &entry = stageEntry(circuit);
    Calculation calculation{entry.read(circuit, texts, locale), {}};
    calculation.result = entry.calculate(calculation.setup, locale);
    return calculation;
}

StageResult calculateBoxes(stage::Circuit circuit, const QHash<QString, QString> &boxes, const LoadedTube &tube,
                           const QLocale &locale)
{
    return calculateStage(circuit, stage::textsOfBoxes(boxes, tube), locale).result;
}

std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::StageSetup setup,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale)
{
    setup.handed = std::move(handed);
    return std::make_shared<const analysis::SolvedStage>(stageEntry(setup.circuit).solve(setup, locale));
}

std::shared_ptr<const analysis::SolvedStage> solveCalculation(stage::Circuit circuit, const stage::StageTexts &texts,
                                                              std::shared_ptr<const stage::HandedSolution> handed,
                                                              const QLocale &locale)
{
    return solveCalculation(stageEntry(circuit).read(circuit, texts, locale), std::move(handed), locale);
}

} // namespace anodix::response
