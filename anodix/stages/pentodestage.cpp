// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode preamplifier stage: as the triode stage, plus the screen-grid
// resistor from the screen-grid voltage and current.
#include "anodix/stages/pentodestage.h"

#include "anodix/stages/stagecommon.h"

namespace anodix {

StageResult CalculatePentodeStage(const QString &ea, const QString &fmin, const QString &r1,
                                  const LoadedTube &tube, const QLocale &locale)
{
    return stage::run(locale, [&](stage::Outputs &out) {
        const stage::Reader read(locale, tube);
        const stage::Inputs in = stage::readInputs(read, ea, fmin, r1);
        const double ug2 = read.recordDouble(TubeField::ScreenVoltage);
        const double ig2 = read.recordDouble(TubeField::ScreenCurrent);

        const QString r1Text = out.single(QStringLiteral("R1"), in.r1);
        out.rounded(QStringLiteral("R2"), stage::cathodeResistor(in), 4, common::singleDigits);
        const QString r4Text = out.single(QStringLiteral("R4"), stage::anodeLoad(in));
        const QString c1Text = out.capacitor(QStringLiteral("C1"), in.fmin, out.readBack(r1Text));
        // The drop from the supply to the screen grid over the screen current, in kΩ.
        out.plain(QStringLiteral("R3"), stage::divide(in.ea - ug2, ig2 / 1000) / 1000);
        out.rounded(QStringLiteral("Ku"), stage::gain(in, out.readBack(r4Text)), 5);
        out.copy(QStringLiteral("C4"), c1Text);
        out.rounded(QStringLiteral("Vt"), stage::powerDrawn(in), 3);
    });
}

} // namespace anodix
