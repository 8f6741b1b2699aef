// SPDX-License-Identifier: GPL-3.0-or-later
// The plot of a stage's frequency response: gain in dB relative to the
// mid-band against frequency on a logarithmic axis from 1 Hz to 200 kHz, with
// marks at Fmin and at the −3 dB points and read-outs where the pointer rests.
#pragma once

#include "anodix/response/response.h"

#include <QChartView>
#include <QLocale>

class QCategoryAxis;
class QLineSeries;
class QXYSeries;

namespace anodix::charts {

class FrequencyPlot : public QChartView
{
    Q_OBJECT
public:
    explicit FrequencyPlot(const QLocale &locale, QWidget *parent = nullptr);

    // Draws the response at fmin in place of what was drawn; false (and an
    // empty plot) for figures without points.
    bool setResponse(const response::ResponseFigures &figures, double fmin);
    void clear();
    // Draws what ngspice gave over the computed response (dashed); an empty
    // list takes it away.
    void setSimulated(const QList<response::ResponsePoint> &points);

    // The dB axis's ends: it follows the curve down to a sensible depth, and
    // the curve stops where it leaves the axis.
    double floorDb() const { return m_floor; }
    double topDb() const { return m_top; }

private:
    void showReadOut(const QString &seriesName, const QPointF &point, bool hovered) const;

    QLocale m_locale;
    // Category axes: the frequency axis is log10 of the frequency with a label
    // at each decade, the gain axis a few round dB steps; neither ever makes
    // more than a dozen labels, whatever the figures.
    QCategoryAxis *m_hzAxis;
    QCategoryAxis *m_dbAxis;
    QLineSeries *m_simulated = nullptr; // ngspice's curve, while shown
    void attach(QXYSeries *series);
    double m_floor = -30, m_top = 5;
};

// The frequency axis's span: log10 of 1 Hz to 200 kHz.
inline constexpr double kLogFirst = 0, kLogLast = 5.301029995663981;

} // namespace anodix::charts
