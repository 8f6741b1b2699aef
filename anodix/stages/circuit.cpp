// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a stage window's texts into numbers, once; see circuit.h.
#include "anodix/stages/circuit.h"

#include "anodix/stages/handedsolution.h"
#include "common/numbertext.h"

namespace anodix::stage {

double recordField(const QStringList &record, TubeField field, const QLocale &locale)
{
    const int index = static_cast<int>(field);
    if (index >= record.size())
        return 0;
    return common::toNumberEitherSeparator(record.at(index), locale).value_or(0);
}

StageSetup readStandardSetup(Circuit circuit, const StageTexts &texts, const QLocale &locale)
{
    const auto record = [&](TubeField field) { return recordField(texts.record, field, locale); };
    const auto typed = [&](const char *box) { return common::toNumber(texts.boxes.value(QLatin1String(box)), locale); };
    StageSetup s;
    s.circuit = circuit;
    s.tubeName = texts.tubeName;
    s.record = texts.record;
    s.limits = texts.limits;
    s.heaterVoltage = record(TubeField::HeaterVoltage);
    s.heaterCurrent = record(TubeField::HeaterCurrent);
    s.tube.ua0 = record(TubeField::AnodeVoltage);
    s.tube.ia0 = record(TubeField::AnodeCurrent);
    s.tube.uc = record(TubeField::GridBias);
    s.tube.s = record(TubeField::Transconductance);
    s.tube.ri = record(TubeField::InternalResistance);
    // Each tube type reads its own fields only: a triode's μ, a pentode's screen.
    if (circuitData(circuit).tube == model::TubeType::Pentode) {
        s.tube.ug2 = record(TubeField::ScreenVoltage);
        s.tube.ig2 = record(TubeField::ScreenCurrent);
    } else {
        s.tube.mu = record(TubeField::AmplificationFactor);
    }
    s.tube.model = texts.model;
    s.ea = typed("Ea").value_or(0);
    s.fmin = typed("Fn1").value_or(0);
    s.r1 = typed("R11");
    s.rn = typed("Rn");
    s.kn = typed("Kn").value_or(0);
    s.ug2 = typed("Ug2").value_or(0);
    s.raa = typed("Raa").value_or(0);
    s.rk = typed("Rk").value_or(0);
    if (circuit == Circuit::PushPull) {
        // The screens' tap, a share of each half-primary: an empty box is
        // none, a text that is no number NaN; on a tap the screens need no
        // voltage of their own and sit at the supply's.
        const QString tap = texts.boxes.value(QStringLiteral("Otvod")).trimmed();
        s.screenTap = tap.isEmpty() ? 0 : typed("Otvod").value_or(qQNaN()) / 100;
        if (s.screenTap != 0 && texts.boxes.value(QStringLiteral("Ug2")).trimmed().isEmpty())
            s.ug2 = s.ea;
    }
    // The power stage's primary is a result of its calculation, as its window shows it.
    if (circuit == Circuit::PentodePower) {
        for (const DisplayUpdate &output : texts.outputs) {
            if (output.output == QLatin1String("Rt1"))
                s.rp = common::toNumber(output.text, locale).value_or(0);
        }
    }
    if (circuit == Circuit::TriodeOutput)
        s.rp = s.kn * s.tube.ri;
    return s;
}

} // namespace anodix::stage
