// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended pentode power stage: cathode resistor, drive voltage and
// the output transformer's primary resistance, output power and turns ratio.
#include "anodix/stages/powerstage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {

StageResult CalculatePowerStage(const QString &ea, const QString &fmin, const QString &r1, const QString &rn,
                                const LoadedTube &tube, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Reader read(locale, tube);
        const stage::Inputs in = stage::readInputs(read, ea, fmin, r1);
        const float load = read.typedSingle(rn);

        const QString r1Text = out.single(QStringLiteral("R1"), in.r1);
        out.capacitor(QStringLiteral("C1"), in.fmin, out.readBack(r1Text));
        // Uc / (Ia / 1000) / 1000: a zero anode current stops the stage here.
        out.rounded(QStringLiteral("R2"), stage::divide(in.uc, in.ia / 1000.0f) / 1000.0f, 3, common::singleDigits);
        out.rounded(QStringLiteral("Uvh"), stage::divide(in.ia, in.s), 2, common::singleDigits);
        // The usable anode swing: single precision up to the double 0.1 × Ea.
        const float swingLessDrop = in.ea - in.ia / 100.0f * in.ri * 2.0f;
        const double swing = swingLessDrop - 0.1 * in.ea;
        const QString primaryText = out.rounded(QStringLiteral("Rt1"), stage::divide(swing, double(in.ia)), 2);
        out.rounded(QStringLiteral("Vih"), swing * (in.ia / 1000.0f) / 2, 2);
        const double ratioSquared = stage::divide(out.readBack(primaryText) * 1000.0, double(load));
        out.rounded(QStringLiteral("Kt"), stage::squareRoot(ratioSquared), 3);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 2);
    });
}

} // namespace anodix
