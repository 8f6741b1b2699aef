// SPDX-License-Identifier: GPL-3.0-or-later
// Rebuilding the characteristics plot: a new analysis set into the open
// window, drawn to the end, as after each "Рассчитать" while it is open.
#include "benchsupport.h"

#include "anodix/analysis/characteristics.h"
#include "anodix/charts/harakteristiki.h"
#include "anodix/forms/dialogs.h"

#include <QApplication>
#include <QLocale>

namespace {

constexpr double kTargetNs = 16e6;

anodix::analysis::Analysis triodeAnalysis(const char *ea, const QLocale &locale)
{
    anodix::analysis::AnalysisInput input;
    input.circuit = anodix::analysis::Circuit::TriodePreamp;
    input.tubeName = QStringLiteral("ECC83");
    input.record = {"6,3", "0,3", "250", "1,2", "2", "1,6", "100", "62,5"};
    input.ea = QString::fromLatin1(ea);
    input.fmin = QStringLiteral("20");
    input.r1 = QStringLiteral("470");
    return anodix::analysis::AnalyzeStage(input, locale);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    const QLocale locale(QLocale::Russian, QLocale::Russia);
    anodix::QtDialogs dialogs;
    anodix::charts::Harakteristiki window(dialogs, locale);
    window.open();
    // Two calculations in turn, so every run draws a plot that differs from the last.
    const anodix::analysis::Analysis analyses[] = {triodeAnalysis("250", locale), triodeAnalysis("200", locale)};
    const QStringList outputs{QStringLiteral("R1 = 470 кОм"), QStringLiteral("R2 = 1,6667 кОм")};
    int turn = 0;
    std::vector<double> wallNs;
    const double cpuNs = bench::medianNsPerRun([&] {
        const bench::Stopwatch watch;
        window.showAnalysis(analyses[turn++ % 2], outputs);
        window.repaint();
        wallNs.push_back(watch.wallNs());
    }, 41);
    bench::printRow("Characteristics plot rebuilt for a new calculation (showAnalysis, drawn)",
                    bench::formatNs(cpuNs) + " (wall " + bench::formatNs(bench::median(wallNs)) + ")", "< 16 ms", cpuNs < kTargetNs);
    window.close();
    return 0;
}
