// SPDX-License-Identifier: GPL-3.0-or-later
// One characteristics analysis of each stage, from texts to rows and plot
// data, on the worked examples' inputs: the median time of one call over many.
#include "benchsupport.h"

#include "anodix/analysis/characteristics.h"

#include <QLocale>

namespace {

constexpr double kTargetNs = 50000;

void report(const char *what, double ns)
{
    bench::printRow(what, bench::formatNs(ns), "< 50 µs", ns < kTargetNs);
}

} // namespace

int main(int argc, char **argv)
{
    using namespace anodix::analysis;
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    const QLocale locale(QLocale::Russian, QLocale::Russia);
    const struct
    {
        const char *what;
        AnalysisInput input;
    } cases[] = {
        {"Analysis, triode stage (AnalyzeStage, ECC83)",
         {Circuit::TriodePreamp, "ECC83", {"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"}, "250", "20", "470", "", {}, {}, {}, {}}},
        {"Analysis, pentode stage (AnalyzeStage, EF86)",
         {Circuit::PentodePreamp, "EF86", {"6,3", "0,2", "250", "3", "2", "2", "0", "2500", "140", "0,6"},
          "300", "20", "470", "", {}, {}, {}, {}}},
        {"Analysis, power stage (AnalyzeStage, EL84)",
         {Circuit::PentodePower, "EL84", {"6,3", "0,76", "250", "48", "7,3", "11,3", "19", "38", "250", "5,5"},
          "250", "20", "470", "8", {{"Rt1", "3,93"}}}},
        {"Analysis, triode output stage (AnalyzeStage, 300B)",
         {Circuit::TriodeOutput, "300B", {"5", "1,2", "300", "60", "61", "5,5", "3,85", "0,7"}, "361", "20", "220",
          "8", {}, "3"}},
        {"Analysis, push-pull stage (AnalyzeStage, EL84)",
         {Circuit::PushPull, "EL84", {"6,3", "0,76", "250", "48", "7,3", "11,3", "430", "38", "250", "5,5"},
          "250", "20", "470", "8", {}, {}, "250", "8", "130"}},
    };
    for (const auto &c : cases) {
        report(c.what, bench::medianNsPerCall([&] { bench::keep(AnalyzeStage(c.input, locale)); }, 51, 50));
    }
    return 0;
}
