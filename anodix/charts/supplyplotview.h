// SPDX-License-Identifier: GPL-3.0-or-later
// The supply plot drawn with Qt Charts.
#pragma once

#include "anodix/charts/supplyplot.h"

#include <QLocale>

class QChart;
class QChartView;

namespace anodix::charts {

class SupplyPlotView final : public SupplyPlot
{
public:
    SupplyPlotView(QWidget *parent, const QLocale &locale);
    QWidget *widget() override;
    void showTrace(const QList<QPointF> &c1, const QList<QPointF> &output, std::optional<double> stepTime) override;

private:
    QChartView *m_view;
    QLocale m_locale;
};

} // namespace anodix::charts
