// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings check; see ratings.h.
#include "anodix/analysis/ratings.h"

#include "common/numbertext.h"
#include "anodix/stages/pushpullstage.h"

namespace anodix::analysis {

QStringList RatingWarnings(const AnalysisInput &input, const QLocale &locale)
{
    if (!input.limits)
        return {};
    const StagePoint point = SolveStage(input, locale);
    if (!point.ok())
        return {};
    const TubeLimits &limits = *input.limits;
    const bool pentode = tubeTypeOf(input.kind) == model::TubeType::Pentode;
    const bool pushPull = input.kind == StageKind::PushPull;
    const TubeModel record(tubeTypeOf(input.kind), point.tube);
    // The pair's screens sit at the voltage the shared cathode leaves them;
    // a single stage's screen at the record's own.
    const double screenVoltage = pushPull ? point.u2 : point.tube.ug2;
    const double screenCurrent = pentode ? record.withScreenAt(screenVoltage).screenCurrent(point.uq, point.ugq) : 0;

    QStringList warnings;
    const auto check = [&](const std::optional<double> &limit, double shownValue, const QString &text,
                           const char *unit) {
        if (limit && shownValue > *limit)
            warnings << text.arg(common::doubleText(shownValue, locale), common::doubleText(*limit, locale), QString::fromUtf8(unit));
    };
    const QString power = QStringLiteral("Мощность на аноде %1 %3 больше допустимой %2 %3");
    // Three digits, as the windows show currents: a preamplifier's tenth of a
    // watt as closely as an output tube's tens.
    check(limits.anodeDissipation, common::roundSignificant(point.uq * point.iq / 1000, 3), power, "Вт");
    check(limits.screenDissipation, common::roundSignificant(screenVoltage * screenCurrent / 1000, 3),
          QStringLiteral("Мощность на экранной сетке %1 %3 больше допустимой %2 %3"), "Вт");
    check(limits.anodeVoltage, common::roundHalfEven(point.uq, 1),
          QStringLiteral("Напряжение на аноде %1 %3 больше допустимого %2 %3"), "В");
    check(limits.cathodeCurrent, common::roundSignificant(point.iq + screenCurrent, 3),
          QStringLiteral("Ток катода %1 %3 больше допустимого %2 %3"), "мА");
    if (pushPull && limits.anodeDissipation) {
        const stage::PushPullCircuit circuit{point.ea, common::toNumber(input.ug2, locale).value_or(0), point.rp,
                                             point.rk * 1000};
        const stage::PushPullPoint p = stage::solvePushPull(record, circuit);
        check(limits.anodeDissipation, common::roundSignificant(p.paDriven, 3),
              QStringLiteral("Средняя мощность на аноде при полном возбуждении %1 %3 больше допустимой %2 %3"), "Вт");
    }
    return warnings;
}

} // namespace anodix::analysis
