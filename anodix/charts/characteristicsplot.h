// SPDX-License-Identifier: GPL-3.0-or-later
// The plot of a stage's analysis: the anode characteristics labelled with
// their grid voltages, the DC and AC load lines, the operating point and the
// ends of the swing, with read-outs where the pointer rests on them.
#pragma once

#include "anodix/charts/anodeplot.h"

namespace anodix::charts {

class CharacteristicsPlot : public AnodePlot
{
    Q_OBJECT
public:
    explicit CharacteristicsPlot(const QLocale &locale, QWidget *parent = nullptr);

    // Draws the analysis in place of what was drawn; one with a problem, or
    // with an axis that has no labelled ticks, leaves the plot empty (false).
    bool setAnalysis(const analysis::Analysis &analysis);

    // Paints the plot as it stands on screen into target, keeping its proportions,
    // on any device: an image, an SVG drawing, a PDF page, a printer. False
    // when there is nothing to paint: a plot or a target without area.
    bool paintInto(QPainter &painter, const QRectF &target);

private:
    void showReadOut(const QString &seriesName, const QPointF &point, bool hovered) const;
};

} // namespace anodix::charts
