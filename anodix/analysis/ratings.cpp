// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings check; see ratings.h.
#include "anodix/analysis/ratings.h"

#include "common/numbertext.h"

namespace anodix::analysis {

QStringList RatingWarnings(const AnalysisInput &input, const QLocale &locale)
{
    return RatingWarnings(SolveTexts(input, locale));
}

QStringList RatingWarnings(const SolvedStage &solved)
{
    const QLocale &locale = solved.locale;
    if (!solved.setup.limits)
        return {};
    const StagePoint &point = solved.point;
    if (!point.ok())
        return {};
    const TubeLimits &limits = *solved.setup.limits;
    const stage::CircuitData &circuit = stage::circuitData(solved.setup.circuit);
    const bool pentode = circuit.tube == model::TubeType::Pentode;
    const bool pushPull = point.pair.has_value();
    const TubeModel record(circuit.tube, point.tube);
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
    // The pair's driven dissipation as it was solved with its point.
    if (pushPull && limits.anodeDissipation)
        check(limits.anodeDissipation, common::roundSignificant(point.pair->paDriven, 3),
              QStringLiteral("Средняя мощность на аноде при полном возбуждении %1 %3 больше допустимой %2 %3"), "Вт");
    // Screens on a tap of the primary swing with it and take more under drive.
    if (pushPull && point.tap > 0 && limits.screenDissipation)
        check(limits.screenDissipation, common::roundSignificant(point.pair->pg2Driven, 3),
              QStringLiteral("Средняя мощность на экранной сетке при полном возбуждении %1 %3 больше допустимой %2 %3"),
              "Вт");
    return warnings;
}

} // namespace anodix::analysis
