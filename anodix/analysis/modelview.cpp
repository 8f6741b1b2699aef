// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/analysis/modelview.h"

#include "common/numbertext.h"
#include "anodix/tubedb/tuberecord.h"

#include <QMap>
#include <algorithm>
#include <cmath>

namespace anodix::analysis {

namespace {

constexpr int kPointsPerCurve = 60;

QString shown(double value, int digits, const QLocale &locale)
{
    return common::doubleText(common::roundSignificant(value, digits), locale);
}

AnalysisRow row(const char *name, const QString &caption, double value, const QString &unit, const QLocale &locale,
                int digits = 4)
{
    return {name, caption, shown(value, digits, locale), unit};
}

QList<AnalysisRow> parametersOf(const model::TubeModel &tube, const TubeFigures &f, const QLocale &locale)
{
    const QString none;
    // Koren's parameters have no units: the equations take volts and give amperes.
    const auto plain = [&](const char *name, const char *caption, double value) {
        return row(name, QString::fromUtf8(caption), value, none, locale);
    };
    if (const model::ModelFile *file = tube.file()) {
        if (const auto *p = std::get_if<model::KorenTriodeParameters>(&file->params))
            return {plain("Mu", "μ", p->mu), plain("Ex", "Ex", p->ex), plain("Kg1", "Kg1", p->kg1),
                    plain("Kp", "Kp", p->kp), plain("Kvb", "Kvb", p->kvb)};
        if (const auto *p = std::get_if<model::KorenPentodeParameters>(&file->params))
            return {plain("Mu", "μ", p->mu), plain("Ex", "Ex", p->ex), plain("Kg1", "Kg1", p->kg1),
                    plain("Kg2", "Kg2", p->kg2), plain("Kp", "Kp", p->kp), plain("Kvb", "Kvb", p->kvb)};
        return {};
    }
    // The 3/2 law has no parameters of its own: it goes through the record's point.
    QList<AnalysisRow> rows{row("Ua", QStringLiteral("Ua"), f.ua0, QStringLiteral("В"), locale),
                            row("Ia", QStringLiteral("Ia"), f.ia0, QStringLiteral("мА"), locale),
                            row("Ug", QStringLiteral("Ug"), -f.uc, QStringLiteral("В"), locale),
                            row("S", QStringLiteral("S"), f.s, QStringLiteral("мА/В"), locale)};
    if (tube.type() == model::TubeType::Triode)
        rows.append(row("Mu", QStringLiteral("μ"), f.mu, none, locale));
    else
        rows.append(row("Ug2", QStringLiteral("Ug2"), f.ug2, QStringLiteral("В"), locale));
    return rows;
}

// Ia(Ua) at ug (and a pentode's screen at u2) over the axis, stopping where it
// leaves the plot's top.
Curve curveAt(const model::TubeModel &tube, double ug, double u2, bool labelScreen, const Axis &ua, const Axis &ia,
              const QLocale &locale)
{
    Curve curve;
    curve.ug = ug;
    curve.label = QStringLiteral("Ug = ") + shown(ug, 3, locale) + QStringLiteral(" В");
    if (labelScreen)
        curve.label += QStringLiteral(", Ug2 = ") + shown(u2, 3, locale) + QStringLiteral(" В");
    const model::TubeModel at = tube.type() == model::TubeType::Pentode && u2 > 0 ? tube.withScreenAt(u2) : tube;
    for (int i = 0; i < kPointsPerCurve; ++i) {
        const double u = ua.max * i / (kPointsPerCurve - 1);
        const double current = at.anodeCurrent(u, ug);
        if (!std::isfinite(current))
            break;
        if (current > ia.max) {
            // The curve ends on the top edge, where it leaves the plot.
            if (!curve.points.isEmpty()) {
                const QPointF last = curve.points.last();
                const double t = (ia.max - last.y()) / (current - last.y());
                curve.points.append(QPointF(last.x() + t * (u - last.x()), ia.max));
            }
            break;
        }
        curve.points.append(QPointF(u, std::max(0.0, current)));
    }
    return curve;
}

} // namespace

TubeFigures RecordFigures(model::TubeType type, const QStringList &record, const QLocale &locale)
{
    const auto value = [&](TubeField field) {
        const int index = static_cast<int>(field);
        return index < record.size() ? common::toNumberEitherSeparator(record.at(index), locale).value_or(0) : 0.0;
    };
    TubeFigures f;
    f.ua0 = value(TubeField::AnodeVoltage);
    f.ia0 = value(TubeField::AnodeCurrent);
    f.uc = value(TubeField::GridBias);
    f.s = value(TubeField::Transconductance);
    f.ri = value(TubeField::InternalResistance);
    if (type == model::TubeType::Pentode) {
        f.ug2 = value(TubeField::ScreenVoltage);
        f.ig2 = value(TubeField::ScreenCurrent);
    } else {
        f.mu = value(TubeField::AmplificationFactor);
    }
    return f;
}

ModelView ViewModel(const ModelViewInput &input, const QLocale &locale)
{
    ModelView view;
    TubeFigures figures = RecordFigures(input.type, input.record, locale);
    figures.model = input.model;
    const model::TubeModel tube(input.type, figures);
    view.modelName = QString::fromStdString(tube.name());
    if (!tube.valid()) {
        view.problem = QStringLiteral("Модель не построена: данные лампы вне пределов модели");
        return view;
    }
    view.parameters = parametersOf(tube, figures, locale);

    // The axes hold every point measured, or twice the record's point.
    double uaMax = 0, iaMax = 0;
    for (const model::MeasuredPoint &p : input.points) {
        uaMax = std::max(uaMax, p.ua);
        iaMax = std::max(iaMax, p.ia);
    }
    if (input.points.empty()) {
        uaMax = 2 * figures.ua0;
        iaMax = 2.5 * figures.ia0;
    }
    view.ua = axisPast(uaMax, locale);
    view.ia = axisPast(iaMax * 1.05, locale);
    if (view.ua.ticks.isEmpty() || view.ia.ticks.isEmpty()) {
        view.problem = QStringLiteral("Модель не построена: точки или данные лампы вне допустимых пределов");
        return view;
    }

    // One curve for each grid (and screen) voltage measured, in 10 mV and 0.1 V.
    QMap<std::pair<qint64, qint64>, std::pair<double, double>> voltages;
    bool screens = false;
    for (const model::MeasuredPoint &p : input.points) {
        voltages.insert({std::llround(p.ug * 100), std::llround(p.ug2 * 10)}, {p.ug, p.ug2});
        if (p.ua <= view.ua.max && p.ia <= view.ia.max && p.ia >= 0)
            view.measured.append(QPointF(p.ua, p.ia));
    }
    for (auto it = voltages.cbegin(); it != voltages.cend(); ++it)
        screens = screens || it.value().second != voltages.first().second;
    // Without points: from Ug = 0 down past twice the record's bias, a round
    // step (1, 2 or 5 times a power of ten) apart, 6 to 10 curves.
    if (voltages.isEmpty() && !(std::abs(figures.uc) > 0 && std::isfinite(figures.uc)))
        voltages.insert({0, 0}, {0.0, 0.0}); // a record without a bias: the curve at Ug = 0 alone
    if (voltages.isEmpty()) {
        const double span = 2 * std::abs(figures.uc);
        const double decade = std::pow(10.0, std::floor(std::log10(span / 5)));
        double step = decade;
        for (double factor : {2.0, 5.0, 10.0})
            if (factor * decade <= span / 5 * 1.25)
                step = factor * decade;
        const int count = std::clamp(int(std::ceil(span / step - 1e-9)) + 1, 6, 10);
        for (int i = 0; i < count; ++i)
            voltages.insert({-i, 0}, {-i * step, 0.0});
    }
    // From Ug = 0 down, as the characteristics window lists them.
    for (auto it = voltages.cend(); it != voltages.cbegin();) {
        --it;
        view.curves.append(curveAt(tube, it.value().first, it.value().second, screens, view.ua, view.ia, locale));
    }

    if (!input.points.empty()) {
        const model::ModelError error = model::modelError(tube, input.points);
        // In fixed decimals: a perfect fit reads 0, never an exponent.
        view.errors = {{"Rms", QStringLiteral("Среднеквадратичная ошибка"),
                        common::doubleText(common::roundHalfEven(error.rmsMa, 3), locale), QStringLiteral("мА")},
                       {"RmsPercent", QStringLiteral("Ошибка, % от наибольшего тока"),
                        common::doubleText(common::roundHalfEven(error.rmsPercent, 2), locale), QStringLiteral("%")}};
    }
    if (input.model && model::operatingPointMoved(*input.model, figures))
        view.note = QStringLiteral("Модель подобрана по другим данным лампы: рабочая точка записи сдвинулась "
                                   "больше чем на 5 %.");
    const QString points =
        view.measured.isEmpty() ? QString() : QStringLiteral(" и %1 измеренных точек").arg(view.measured.size());
    view.description =
        QStringLiteral("%1 кривых модели «%2»%3").arg(view.curves.size()).arg(view.modelName, points);
    return view;
}

} // namespace anodix::analysis
