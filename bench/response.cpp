// SPDX-License-Identifier: GPL-3.0-or-later
// One frequency response of each stage, from the texts to its rows, 200 points
// and the common scale factor, and the stage's netlist; and a press of
// "Рассчитать" as each stage's window makes it through the stage table, with
// the solves it takes: the median time of one call over many.
#include "benchsupport.h"

#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/stages/solvecount.h"

#include <QLocale>

#include <cstdio>

namespace {

constexpr double kTargetNs = 1e6;

void report(const char *what, double ns)
{
    bench::printRow(what, bench::formatNs(ns), "< 1 ms", ns < kTargetNs);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace anodix::response;
    using anodix::analysis::AnalysisInput;
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    const QLocale locale(QLocale::Russian, QLocale::Russia);
    const struct
    {
        const char *what;
        AnalysisInput input;
    } cases[] = {
        {"Frequency response, 200 points (ComputeResponse, ECC83)",
         {Circuit::TriodePreamp, "ECC83", {"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"}, "250", "20", "470", "", {}}},
        {"Frequency response, 200 points (ComputeResponse, EF86)",
         {Circuit::PentodePreamp, "EF86", {"6,3", "0,2", "250", "3", "2", "2", "0", "2500", "140", "0,6"},
          "300", "20", "470", "", {}}},
        {"Frequency response, 200 points (ComputeResponse, EL84)",
         {Circuit::PentodePower, "EL84", {"6,3", "0,76", "250", "48", "7,3", "11,3", "19", "38", "250", "5,5"},
          "250", "20", "470", "8", {{"Rt1", "3,93"}}}},
    };
    for (const auto &c : cases) {
        const ResponseInput in = withTypicalValues(c.input, locale);
        report(c.what, bench::medianNsPerCall([&] { bench::keep(ComputeResponse(in, locale)); }, 31, 5));
    }
    const Response ecc83 = ComputeResponse(withTypicalValues(cases[0].input, locale), locale);
    bench::printRow("Stage netlist text (StageNetlist, ECC83)",
                    bench::formatNs(bench::medianNsPerCall([&] { bench::keep(StageNetlist(ecc83, "ECC83")); }, 51, 50)));

    // The worked examples of the stage windows, by the boxes' names.
    const auto example = [](anodix::stage::Circuit circuit) -> std::pair<QStringList, QHash<QString, QString>> {
        using anodix::stage::Circuit;
        const QHash<QString, QString> three{{"Ea", "250"}, {"Fn1", "20"}, {"R11", "470"}};
        switch (circuit) {
        case Circuit::TriodePreamp:
            return {{"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"}, three};
        case Circuit::PentodePreamp:
            return {{"6,3", "0,2", "250", "3", "2", "2", "0", "2500", "140", "0,6"}, three};
        case Circuit::PentodePower:
            return {{"6,3", "0,76", "250", "48", "7,3", "11,3", "19", "38", "250", "5,5"},
                    {{"Ea", "250"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}}};
        case Circuit::TriodeOutput:
            return {{"5", "1,2", "300", "60", "61", "5,5", "3,85", "0,7"},
                    {{"Ea", "361"}, {"Fn1", "20"}, {"R11", "220"}, {"Rn", "8"}, {"Kn", "3"}}};
        case Circuit::PushPull:
            return {{"6,3", "0,76", "250", "48", "7,3", "11,3", "430", "38", "250", "5,5"},
                    {{"Ea", "250"}, {"Ug2", "250"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}, {"Raa", "8"},
                     {"Rk", "130"}}};
        // ECC83, the triode examples' record, in the three newer stages.
        case Circuit::CathodeFollower:
            return {{"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"},
                    {{"Ea", "250"}, {"Rk", "100"}, {"R11", "470"}, {"Fn1", "20"}, {"Rn", "470"}}};
        case Circuit::SplitLoad:
            return {{"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"},
                    {{"Ea", "300"}, {"Rak", "47"}, {"R11", "470"}, {"Fn1", "20"}, {"Rn", "470"}}};
        case Circuit::LongTailedPair:
            return {{"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"},
                    {{"Ea", "300"}, {"Ra", "100"}, {"Rt", "22"}, {"Et", ""}, {"R11", "470"}, {"Fn1", "20"},
                     {"Rn", "470"}}};
        }
        return {};
    };
    for (const StageEntry &entry : stageTable()) {
        const auto [record, boxes] = example(entry.data->circuit);
        const auto press = [&] {
            const anodix::StageResult result = calculateBoxes(entry.data->circuit, boxes, anodix::LoadedTube{record}, locale);
            anodix::stage::StageTexts texts{boxes, result.updates, QStringLiteral("T"), record};
            return solveCalculation(entry.data->circuit, texts, result.solved, locale);
        };
        const int before = anodix::stage::solvesSoFar();
        bench::keep(press());
        const int solves = anodix::stage::solvesSoFar() - before;
        // A refused example would time its message, not a calculation.
        if (solves != 1) {
            std::fprintf(stderr, "%s: the example solved %d times\n", entry.data->windowName, solves);
            return 1;
        }
        const QByteArray what = QStringLiteral("Calculation with both companions' solution (%1 solve(s), %2)")
                                    .arg(solves)
                                    .arg(QString::fromLatin1(entry.data->windowName))
                                    .toUtf8();
        report(what.constData(), bench::medianNsPerCall([&] { bench::keep(press()); }, 31, 5));
    }
    return 0;
}
