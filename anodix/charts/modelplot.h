// SPDX-License-Identifier: GPL-3.0-or-later
// The plot of the model window: the model's anode curves labelled with their
// grid voltages and the measured points as markers over them, in the look
// of the characteristics window.
#pragma once

#include "anodix/analysis/modelview.h"

#include <QChartView>
#include <QLocale>

class QCategoryAxis;
class QGraphicsSimpleTextItem;

namespace anodix::charts {

class ModelPlot : public QChartView
{
    Q_OBJECT
public:
    explicit ModelPlot(const QLocale &locale, QWidget *parent = nullptr);

    // Draws the view in place of what was drawn; one with a problem, or with
    // an axis that has no labelled ticks, leaves the plot empty (false).
    bool setView(const analysis::ModelView &view);
    void clear();

private:
    // Each curve is named by its grid voltage at its end inside the plot; a
    // name that would meet another is left out (the read-out has it all).
    void placeCurveLabels();

    QLocale m_locale;
    QCategoryAxis *m_uaAxis;
    QCategoryAxis *m_iaAxis;
    struct CurveLabel
    {
        QGraphicsSimpleTextItem *item;
        QPointF end; // (Ua, Ia) of the curve's last point
    };
    QList<CurveLabel> m_curveLabels;
};

} // namespace anodix::charts
