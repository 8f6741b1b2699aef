// SPDX-License-Identifier: GPL-3.0-or-later
// What the plots of anode characteristics share: the Ua and Ia axes that take
// their ticks from the analysis, the look, and the curves' grid-voltage
// labels that never meet. The characteristics and model windows' plots build
// their series on it.
#pragma once

#include "anodix/analysis/characteristics.h"

#include <QChartView>
#include <QList>
#include <QLocale>

class QCategoryAxis;
class QGraphicsSimpleTextItem;
class QXYSeries;

namespace anodix::charts {

class AnodePlot : public QChartView
{
    Q_OBJECT
public:
    explicit AnodePlot(const QLocale &locale, QWidget *parent = nullptr);

    void clear();

    // Where the shown curve labels stand, in the chart's coordinates, as the
    // plot area is; they never meet one another.
    QList<QRectF> curveLabelBoxes() const;

protected:
    // Takes the axes' ticks after clearing the plot; false when either has no
    // labelled ticks (the plot then stays empty).
    bool startPlot(const analysis::Axis &ua, const analysis::Axis &ia);
    // Adds series on both axes.
    void addSeries(QXYSeries *series);
    // Names a curve at its end inside the plot: text where it fits, else
    // shortText, else not at all.
    void addCurveLabel(const QString &text, const QString &shortText, const QPointF &end, const QColor &color);
    // The curve labels stand at the ends of their curves inside the plot area;
    // where they would meet, the short form is tried, then the label is left out.
    void placeCurveLabels();

    QLocale m_locale;

private:
    // Category axes: their ticks and labels are exactly the analysis's, so no
    // range ever meets a tick interval that would make thousands of labels.
    QCategoryAxis *m_uaAxis;
    QCategoryAxis *m_iaAxis;
    struct CurveLabel
    {
        QGraphicsSimpleTextItem *item;
        QString text, shortText;
        QPointF end; // (Ua, Ia) of the curve's last point
    };
    QList<CurveLabel> m_curveLabels;
};

} // namespace anodix::charts
