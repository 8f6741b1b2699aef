// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a stage window's texts into numbers, once; see circuit.h.
#include "anodix/stages/circuit.h"

#include "anodix/stages/handedsolution.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/solvecount.h"
#include "common/numbertext.h"

#include <algorithm>
#include <cmath>

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
    countRead();
    StageSetup s;
    s.circuit = circuit;
    s.tubeName = texts.tubeName;
    s.record = texts.record;
    s.limits = texts.limits;
    for (auto box = texts.boxes.cbegin(); box != texts.boxes.cend(); ++box)
        s.boxes.insert(box.key(), {box.value().trimmed().isEmpty(), common::toNumber(box.value(), locale)});
    s.fields.lines = texts.record.size();
    for (qsizetype i = 0; i < std::min<qsizetype>(texts.record.size(), s.fields.fields.size()); ++i)
        s.fields.fields[std::size_t(i)] = common::toNumberEitherSeparator(texts.record.at(i), locale);

    const auto record = [&](TubeField field) { return s.fields[field].value_or(0); };
    const auto typed = [&](const char *box) { return s.box(box).number; };
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
    switch (circuit) {
    case Circuit::PushPull:
        // The screens' tap, a share of each half-primary: an empty box is
        // none, a text that is no number NaN; on a tap the screens need no
        // voltage of their own and sit at the supply's.
        s.screenTap = s.box("Otvod").blank ? 0 : typed("Otvod").value_or(qQNaN()) / 100;
        if (s.screenTap != 0 && s.box("Ug2").blank)
            s.ug2 = s.ea;
        break;
    case Circuit::PentodePower:
        // The primary as the stage's calculation shows it.
        s.rp = powerStagePrimary(s);
        break;
    case Circuit::TriodeOutput:
        s.rp = s.kn * s.tube.ri;
        break;
    case Circuit::CathodeFollower:
    case Circuit::SplitLoad:
        s.followerR = typed(circuit == Circuit::SplitLoad ? "Rak" : "Rk").value_or(0);
        s.outputLoad = s.rn.value_or(0);
        s.rk = 0; // the follower's Rk is followerR, in kΩ
        break;
    case Circuit::LongTailedPair:
        s.ra = typed("Ra").value_or(0);
        s.tail = typed("Rt").value_or(0);
        s.tailVoltage = -std::abs(typed("Et").value_or(0));
        break;
    case Circuit::TriodePreamp:
    case Circuit::PentodePreamp:
        break;
    }
    return s;
}

StageTexts textsOfBoxes(const QHash<QString, QString> &boxes, const LoadedTube &tube)
{
    StageTexts texts;
    texts.boxes = boxes;
    texts.record = tube.lines;
    texts.model = tube.model;
    return texts;
}

} // namespace anodix::stage
