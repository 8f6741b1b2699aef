// SPDX-License-Identifier: GPL-3.0-or-later
// The triode preamplifier stage: cathode resistor, anode load, coupling
// capacitors, gain and power drawn.
#include "anodix/stages/triodestage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {

StageResult CalculateTriodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                 const LoadedTube &tube, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Inputs in = stage::readInputs(stage::Reader(locale, tube), ea, fmin, r1);

        const QString r1Text = out.single(QStringLiteral("R1"), in.r1);
        out.rounded(QStringLiteral("R2"), stage::cathodeResistor(in), 4, common::singleDigits);
        const QString r3Text = out.single(QStringLiteral("R3"), stage::anodeLoad(in));
        const QString c1Text = out.capacitor(QStringLiteral("C1"), in.fmin, out.readBack(r1Text));
        out.rounded(QStringLiteral("Ku"), stage::gain(in, out.readBack(r3Text)), 5);
        out.copy(QStringLiteral("C3"), c1Text);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 2);
    });
}

} // namespace anodix
