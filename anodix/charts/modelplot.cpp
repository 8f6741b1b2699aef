// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/modelplot.h"

#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>

namespace anodix::charts {

namespace {

// The characteristics window's curve colour; the points in a colour that
// stays apart from the curves in grey-scale print too.
const QColor kCurveColor(0x1f, 0x4e, 0x8c);
const QColor kPointColor(0xe0, 0x7b, 0x00);

} // namespace

ModelPlot::ModelPlot(const QLocale &locale, QWidget *parent)
    : AnodePlot(locale, parent)
{
}

bool ModelPlot::setView(const analysis::ModelView &view)
{
    if (!view.ok()) {
        clear();
        return false;
    }
    if (!startPlot(view.ua, view.ia))
        return false;
    QChart *plot = chart();
    bool first = true;
    for (const analysis::Curve &curve : view.curves) {
        auto *series = new QLineSeries;
        series->setName(first ? QStringLiteral("Модель") : curve.label);
        series->replace(curve.points);
        series->setPen(QPen(kCurveColor, 1.5));
        addSeries(series);
        // One legend entry stands for every curve of the model.
        for (QLegendMarker *marker : plot->legend()->markers(series))
            marker->setVisible(first);
        first = false;
        if (curve.points.isEmpty())
            continue;
        // "Ug = -10 В" stands as "-10" by its curve, as in the characteristics window.
        const qsizetype equals = curve.label.indexOf(u'=');
        QString text = equals < 0 ? curve.label : curve.label.mid(equals + 1).trimmed();
        if (const qsizetype comma = text.indexOf(u','); comma >= 0)
            text.truncate(comma);
        text.remove(QStringLiteral(" В"));
        addCurveLabel(text, text, curve.points.last(), kCurveColor);
    }
    if (!view.measured.isEmpty()) {
        auto *points = new QScatterSeries;
        points->setName(QStringLiteral("Измерено"));
        points->replace(view.measured);
        points->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        points->setMarkerSize(5);
        points->setColor(kPointColor);
        points->setBorderColor(kPointColor.darker(150));
        addSeries(points);
    }
    placeCurveLabels();
    return true;
}

} // namespace anodix::charts
