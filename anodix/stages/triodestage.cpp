// SPDX-License-Identifier: GPL-3.0-or-later
// The triode preamplifier stage: cathode resistor, anode load, coupling
// capacitors, gain and power drawn.
#include "anodix/stages/triodestage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {

StageResult CalculateTriodeStage(const stage::StageSetup &setup, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Inputs in = stage::readInputs(stage::SetupReader(setup));

        const double r1 = out.singleShown(QStringLiteral("R1"), in.r1);
        out.rounded(QStringLiteral("R2"), stage::cathodeResistor(in), 4, common::singleDigits);
        const double r3 = out.singleShown(QStringLiteral("R3"), stage::anodeLoad(in));
        const QString c1Text = out.capacitor(QStringLiteral("C1"), in.fmin, r1);
        out.rounded(QStringLiteral("Ku"), stage::gain(in, r3), 5);
        out.copy(QStringLiteral("C3"), c1Text);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 2);
    });
}

StageResult CalculateTriodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                 const LoadedTube &tube, const QLocale &locale)
{
    const stage::StageTexts texts = stage::textsOfBoxes({{"Ea", ea}, {"Fn1", fmin}, {"R11", r1}}, tube);
    return CalculateTriodeStage(stage::readStandardSetup(stage::Circuit::TriodePreamp, texts, locale), locale);
}

} // namespace anodix
