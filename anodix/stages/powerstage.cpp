// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended pentode power stage: cathode resistor, drive voltage and
// the output transformer's primary resistance, output power and turns ratio.
#include "anodix/stages/powerstage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {
namespace {

// The usable anode swing: single precision up to the double 0.1 × Ea.
double anodeSwing(const stage::Inputs &in)
{
    const float swingLessDrop = in.ea - in.ia / 100.0f * in.ri * 2.0f;
    return swingLessDrop - 0.1 * in.ea;
}

} // namespace

StageResult CalculatePowerStage(const stage::StageSetup &setup, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::SetupReader read(setup);
        const stage::Inputs in = stage::readInputs(read);
        const float load = read.boxSingle("Rn");

        const double r1 = out.singleShown(QStringLiteral("R1"), in.r1);
        out.capacitor(QStringLiteral("C1"), in.fmin, r1);
        // Uc / (Ia / 1000) / 1000: a zero anode current stops the stage here.
        out.rounded(QStringLiteral("R2"), stage::divide(in.uc, in.ia / 1000.0f) / 1000.0f, 3, common::singleDigits);
        out.rounded(QStringLiteral("Uvh"), stage::divide(in.ia, in.s), 2, common::singleDigits);
        const double swing = anodeSwing(in);
        const double primary = out.roundedShown(QStringLiteral("Rt1"), stage::divide(swing, double(in.ia)), 2);
        out.rounded(QStringLiteral("Vih"), swing * (in.ia / 1000.0f) / 2, 2);
        const double ratioSquared = stage::divide(primary * 1000.0, double(load));
        out.rounded(QStringLiteral("Kt"), stage::squareRoot(ratioSquared), 3);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 2);
    });
}

StageResult CalculatePowerStage(const QString &ea, const QString &fmin, const QString &r1, const QString &rn,
                                const LoadedTube &tube, const QLocale &locale)
{
    const stage::StageTexts texts =
        stage::textsOfBoxes({{"Ea", ea}, {"Fn1", fmin}, {"R11", r1}, {"Rn", rn}}, tube);
    return CalculatePowerStage(stage::readStandardSetup(stage::Circuit::PentodePower, texts, locale), locale);
}

namespace stage {

double powerStagePrimary(const StageSetup &setup)
{
    // The calculation's own steps up to Rt1, shown nowhere: where one of
    // them stops it, the window shows no primary.
    double primary = 0;
    run(QLocale::c(), [&](Outputs &out) {
        const Inputs in = readInputs(SetupReader(setup));
        out.capacitor(QStringLiteral("C1"), in.fmin, out.singleShown(QStringLiteral("R1"), in.r1));
        out.rounded(QStringLiteral("R2"), divide(in.uc, in.ia / 1000.0f) / 1000.0f, 3, common::singleDigits);
        out.rounded(QStringLiteral("Uvh"), divide(in.ia, in.s), 2, common::singleDigits);
        primary = out.roundedShown(QStringLiteral("Rt1"), divide(anodeSwing(in), double(in.ia)), 2);
    });
    return primary;
}

} // namespace stage
} // namespace anodix
