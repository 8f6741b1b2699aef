// SPDX-License-Identifier: GPL-3.0-or-later
// The supply plot drawn with Qt Charts.
#pragma once

#include "anodix/charts/supplyplot.h"

class QChart;
class QChartView;

namespace anodix::charts {

class SupplyPlotView final : public SupplyPlot
{
public:
    explicit SupplyPlotView(QWidget *parent);
    QWidget *widget() override;
    void showTrace(const QList<QPointF> &c1, const QList<QPointF> &output, std::optional<double> stepTime) override;

private:
    QChartView *m_view;
};

} // namespace anodix::charts
