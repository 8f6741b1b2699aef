// SPDX-License-Identifier: GPL-3.0-or-later
// The voltages on C1 and at the output from switch-on, with the load step marked.
#include "anodix/charts/supplyplotview.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>

namespace anodix::charts {

SupplyPlotView::SupplyPlotView(QWidget *parent, const QLocale &locale)
    : m_view(new QChartView(parent))
    , m_locale(locale)
{
    m_view->setObjectName(QStringLiteral("Grafik"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(QStringLiteral("Напряжения на C1 и на выходе от включения"));
    m_view->chart()->legend()->setAlignment(Qt::AlignTop);
}

QWidget *SupplyPlotView::widget() { return m_view; }

void SupplyPlotView::showTrace(const QList<QPointF> &c1, const QList<QPointF> &output, std::optional<double> stepTime)
{
    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setLocale(m_locale);
    chart->setLocalizeNumbers(true);
    auto *c1Series = new QLineSeries;
    c1Series->setName(QStringLiteral("Напряжение на C1"));
    c1Series->replace(c1);
    auto *outSeries = new QLineSeries;
    outSeries->setName(QStringLiteral("Напряжение на выходе"));
    outSeries->replace(output);
    chart->addSeries(c1Series);
    chart->addSeries(outSeries);
    double low = 0, high = 1, end = 0;
    for (const QList<QPointF> *trace : {&c1, &output})
        for (const QPointF &p : *trace) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
            end = std::max(end, p.x());
        }
    high *= 1.05;
    if (stepTime) {
        auto *step = new QLineSeries;
        step->setName(QStringLiteral("Скачок нагрузки"));
        step->append(*stepTime, low);
        step->append(*stepTime, high);
        QPen pen(Qt::darkGray);
        pen.setStyle(Qt::DashLine);
        step->setPen(pen);
        chart->addSeries(step);
    }
    auto *time = new QValueAxis;
    time->setTitleText(QStringLiteral("t, с"));
    time->setRange(0, end > 0 ? end : 1);
    time->setLabelFormat(QStringLiteral("%.2g"));
    auto *volts = new QValueAxis;
    volts->setTitleText(QStringLiteral("U, В"));
    volts->setRange(low, high);
    volts->applyNiceNumbers();
    volts->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(volts, Qt::AlignLeft);
    for (QAbstractSeries *s : chart->series()) {
        s->attachAxis(time);
        s->attachAxis(volts);
    }
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
}

} // namespace anodix::charts
