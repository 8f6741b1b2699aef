// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode preamplifier stage: as the triode stage, plus the screen-grid
// resistor from the screen-grid voltage and current.
#include "anodix/stages/pentodestage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {

StageResult CalculatePentodeStage(const stage::StageSetup &setup, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::SetupReader read(setup);
        const stage::Inputs in = stage::readInputs(read);
        const double ug2 = read.fieldDouble(TubeField::ScreenVoltage);
        const double ig2 = read.fieldDouble(TubeField::ScreenCurrent);

        const double r1 = out.singleShown(QStringLiteral("R1"), in.r1);
        out.rounded(QStringLiteral("R2"), stage::cathodeResistor(in), 4, common::singleDigits);
        const double r4 = out.singleShown(QStringLiteral("R4"), stage::anodeLoad(in));
        const QString c1Text = out.capacitor(QStringLiteral("C1"), in.fmin, r1);
        // The drop from the supply to the screen grid over the screen current, in kΩ.
        out.plain(QStringLiteral("R3"), stage::divide(in.ea - ug2, ig2 / 1000) / 1000);
        out.rounded(QStringLiteral("Ku"), stage::gain(in, r4), 5);
        out.copy(QStringLiteral("C4"), c1Text);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 3);
    });
}

StageResult CalculatePentodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                  const LoadedTube &tube, const QLocale &locale)
{
    const stage::StageTexts texts = stage::textsOfBoxes({{"Ea", ea}, {"Fn1", fmin}, {"R11", r1}}, tube);
    return CalculatePentodeStage(stage::readStandardSetup(stage::Circuit::PentodePreamp, texts, locale), locale);
}

} // namespace anodix
