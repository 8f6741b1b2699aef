// SPDX-License-Identifier: GPL-3.0-or-later
// One calculation of each stage, from texts to texts, on the worked examples'
// inputs: the median time of one call over many.
#include "benchsupport.h"

#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"
#include "grideon/stagecalc.h"

#include <QLocale>

namespace {

constexpr double kTargetNs = 5000;

anodix::LoadedTube tube(std::initializer_list<const char *> lines)
{
    anodix::LoadedTube loaded;
    for (const char *line : lines)
        loaded.lines << QString::fromLatin1(line);
    return loaded;
}

void report(const char *what, double ns)
{
    bench::printRow(what, bench::formatNs(ns), "< 5 µs", ns < kTargetNs);
}

// A stage solved on the tube model (the operating point, the swing, a
// composite load line) may take as long as a characteristics analysis.
constexpr double kModelTargetNs = 50000;

void reportModelStage(const char *what, double ns)
{
    bench::printRow(what, bench::formatNs(ns), "< 50 µs", ns < kModelTargetNs);
}

} // namespace

int main(int argc, char **argv)
{
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    // The locale the program passes is the user's; a comma locale shows the
    // same work with the other separator.
    const QLocale locale(QLocale::Russian, QLocale::Russia);
    const QString ea = QStringLiteral("250"), fmin = QStringLiteral("20"), r1 = QStringLiteral("470");

    const anodix::LoadedTube triode = tube({"6,3", "0,3", "150", "2", "1,5", "2", "20", "10"});
    report("Calculation, triode stage (CalculateTriodeStage)", bench::medianNsPerCall([&] {
               bench::keep(anodix::CalculateTriodeStage(ea, fmin, r1, triode, locale));
           }));

    const anodix::LoadedTube pentode = tube({"6,3", "0,3", "250", "3", "2", "2", "2000", "1000", "100", "0,8"});
    report("Calculation, pentode stage (CalculatePentodeStage)", bench::medianNsPerCall([&] {
               bench::keep(anodix::CalculatePentodeStage(ea, fmin, r1, pentode, locale));
           }));

    const anodix::LoadedTube power = tube({"6,3", "1,5", "250", "100", "13,5", "11", "165", "15"});
    const QString rn = QStringLiteral("8");
    report("Calculation, power stage (CalculatePowerStage)", bench::medianNsPerCall([&] {
               bench::keep(anodix::CalculatePowerStage(ea, fmin, r1, rn, power, locale));
           }));

    const anodix::LoadedTube t300B = tube({"5", "1,2", "300", "60", "61", "5,5", "3,85", "0,7"});
    const QString outputEa = QStringLiteral("361"), outputR1 = QStringLiteral("220"), kn = QStringLiteral("3");
    reportModelStage("Calculation, triode output stage (CalculateTriodeOutputStage, 300B)",
                     bench::medianNsPerCall([&] {
                         bench::keep(
                             anodix::CalculateTriodeOutputStage(outputEa, fmin, outputR1, rn, kn, t300B, locale));
                     }));
    const anodix::LoadedTube el84 = tube({"6,3", "0,76", "250", "48", "7,3", "11,3", "430", "38", "250", "5,5"});
    const anodix::PushPullTexts pushPull{ea, ea, fmin, r1, rn, QStringLiteral("8"), QStringLiteral("130")};
    reportModelStage("Calculation, push-pull stage (CalculatePushPullStage, EL84)", bench::medianNsPerCall([&] {
                         bench::keep(anodix::CalculatePushPullStage(pushPull, el84, locale));
                   }));

    // Grideon: the seven results from the stored inputs, and the whole click
    // from the six box texts (check, convert, compute).
    const grideon::StageTexts grideonTexts{QStringLiteral("44"), QStringLiteral("1"), QStringLiteral("1500"),
                                           QStringLiteral("250"), QStringLiteral("470"), QStringLiteral("20")};
    const grideon::StageInputs grideonInputs = grideon::ReadStageInputs(grideonTexts, locale);
    report("Calculation, Grideon stage (ComputeStage)", bench::medianNsPerCall([&] {
               bench::keep(grideon::ComputeStage(grideonInputs, locale));
           }));
    report("Calculation, Grideon click from box texts (CalculateStage)", bench::medianNsPerCall([&] {
               bench::keep(grideon::CalculateStage(grideonTexts, locale));
           }));
    return 0;
}
