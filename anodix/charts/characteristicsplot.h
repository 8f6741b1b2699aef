// SPDX-License-Identifier: GPL-3.0-or-later
// The plot of a stage's analysis: the anode characteristics labelled with
// their grid voltages, the DC and AC load lines, the operating point and the
// ends of the swing, with read-outs where the pointer rests on them.
#pragma once

#include "anodix/analysis/characteristics.h"

#include <QChartView>
#include <QList>
#include <QLocale>

class QCategoryAxis;
class QGraphicsSimpleTextItem;

namespace anodix::charts {

class CharacteristicsPlot : public QChartView
{
    Q_OBJECT
public:
    explicit CharacteristicsPlot(const QLocale &locale, QWidget *parent = nullptr);

    // Draws the analysis in place of what was drawn; one with a problem, or
    // with an axis that has no labelled ticks, leaves the plot empty (false).
    bool setAnalysis(const analysis::Analysis &analysis);
    void clear();

    // Paints the plot as it stands on screen into target, keeping its proportions,
    // on any device: an image, an SVG drawing, a PDF page, a printer. False
    // when there is nothing to paint: a plot or a target without area.
    bool paintInto(QPainter &painter, const QRectF &target);

    // Where the shown curve labels stand, in the chart's coordinates, as the
    // plot area is; they never meet one another.
    QList<QRectF> curveLabelBoxes() const;

private:
    // The curve labels stand at the ends of their curves inside the plot area;
    // where they would meet, the short form is tried, then the label is left out.
    void placeCurveLabels();
    void showReadOut(const QString &seriesName, const QPointF &point, bool hovered) const;

    QLocale m_locale;
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
