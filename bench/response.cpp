// SPDX-License-Identifier: GPL-3.0-or-later
// One frequency response of each stage, from the texts to its rows, 200 points
// and the common scale factor, and the stage's netlist: the median time of one
// call over many.
#include "benchsupport.h"

#include "anodix/response/spice.h"

#include <QLocale>

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
    return 0;
}
