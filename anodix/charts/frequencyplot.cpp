// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/frequencyplot.h"

#include "common/numbertext.h"

#include <QCategoryAxis>
#include <QCursor>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace anodix::charts {
namespace {

const QColor kCurveColor(0x1f, 0x4e, 0x8c);
const QColor kMarkColor(0xc0, 0x1c, 0x1c);
const QColor kFminColor(0xe0, 0x7b, 0x00);

constexpr double kTopDb = 5, kHighestTop = 40;
constexpr double kLowestFloor = -120;

QString reading(const QLocale &locale, double value, int digits = 3)
{
    return common::significantText(value, digits, locale);
}

// Hz as the axis and the read-outs show it: "200 Гц", "1,5 кГц".
QString hzText(const QLocale &locale, double hz)
{
    return hz >= 1000 ? reading(locale, hz / 1000) + QStringLiteral(" кГц") : reading(locale, hz) + QStringLiteral(" Гц");
}

// The parts of a polyline between floor and top, each ending where it meets
// the edge: a curve beyond the axis stops there instead of lying along it.
QList<QList<QPointF>> withinRange(const QList<QPointF> &points, double floor, double top)
{
    QList<QList<QPointF>> runs;
    const auto inside = [&](QPointF p) { return p.y() >= floor && p.y() <= top; };
    const auto edge = [&](QPointF in, QPointF out) {
        const double y = out.y() < floor ? floor : top;
        const double t = (y - in.y()) / (out.y() - in.y());
        return QPointF(in.x() + t * (out.x() - in.x()), y);
    };
    QList<QPointF> run;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF p = points[i];
        if (inside(p)) {
            if (run.isEmpty() && i > 0)
                run.append(edge(p, points[i - 1]));
            run.append(p);
        } else if (!run.isEmpty()) {
            run.append(edge(points[i - 1], p));
            runs.append(run);
            run.clear();
        }
    }
    if (run.size() > 1)
        runs.append(run);
    return runs;
}

void clearAxis(QCategoryAxis *axis)
{
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
}

} // namespace

FrequencyPlot::FrequencyPlot(const QLocale &locale, QWidget *parent)
    : QChartView(parent), m_locale(locale), m_hzAxis(new QCategoryAxis), m_dbAxis(new QCategoryAxis)
{
    setRenderHint(QPainter::Antialiasing);
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    m_hzAxis->setTitleText(QStringLiteral("Частота, Гц"));
    m_dbAxis->setTitleText(QStringLiteral("Усиление, дБ"));
    for (QCategoryAxis *axis : {m_hzAxis, m_dbAxis})
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    chart()->addAxis(m_hzAxis, Qt::AlignBottom);
    chart()->addAxis(m_dbAxis, Qt::AlignLeft);
    m_hzAxis->setStartValue(kLogFirst);
    m_hzAxis->setRange(kLogFirst, kLogLast);
    // One label a decade: 1, 10, 100, 1000, 10000, 100000 Hz.
    for (int decade = 0; decade <= 5; ++decade)
        m_hzAxis->append(common::doubleText(std::pow(10.0, decade), locale), decade);
}

void FrequencyPlot::clear()
{
    chart()->removeAllSeries();
    m_simulated = nullptr;
    clearAxis(m_dbAxis);
}

void FrequencyPlot::attach(QXYSeries *series)
{
    chart()->addSeries(series);
    series->attachAxis(m_hzAxis);
    series->attachAxis(m_dbAxis);
    const QString name = series->name();
    connect(series, &QXYSeries::hovered, this,
            [this, name](const QPointF &point, bool state) { showReadOut(name, point, state); });
}

void FrequencyPlot::setSimulated(const QList<response::ResponsePoint> &points)
{
    if (m_simulated) {
        chart()->removeSeries(m_simulated);
        delete m_simulated;
        m_simulated = nullptr;
    }
    if (points.isEmpty() || m_dbAxis->categoriesLabels().isEmpty())
        return;
    QList<QPointF> drawn;
    for (const response::ResponsePoint &p : points) {
        if (p.hz >= response::kFirstHz && p.hz <= response::kLastHz && std::isfinite(p.db))
            drawn.append(QPointF(std::log10(p.hz), p.db));
    }
    // The part within the axis: a simulation is smooth there, whatever lies beyond.
    const QList<QList<QPointF>> runs = withinRange(drawn, m_floor, m_top);
    m_simulated = new QLineSeries;
    m_simulated->setName(QStringLiteral("ngspice"));
    m_simulated->setPen(QPen(kMarkColor, 1.5, Qt::DashLine));
    const auto longest = std::max_element(runs.cbegin(), runs.cend(),
                                          [](const auto &a, const auto &b) { return a.size() < b.size(); });
    if (longest != runs.cend())
        m_simulated->replace(*longest);
    attach(m_simulated);
}

bool FrequencyPlot::setResponse(const response::ResponseFigures &figures, double fmin)
{
    clear();
    if (figures.points.isEmpty() || !(fmin > 0))
        return false;
    double lowest = 0, highest = 0;
    for (const response::ResponsePoint &p : figures.points) {
        lowest = std::min(lowest, p.db);
        highest = std::max(highest, p.db);
    }
    // Round steps down to the lowest point and up past a peak; beyond a
    // sensible depth the curve stops at the axis rather than lying along it.
    m_top = std::clamp(std::ceil(highest / 5) * 5, kTopDb, kHighestTop);
    const double step = m_top - lowest > 80 ? 20 : m_top - lowest > 35 ? 10 : 5;
    m_floor = std::clamp(std::floor(lowest / step) * step, kLowestFloor, -step);
    m_dbAxis->setStartValue(m_floor);
    m_dbAxis->setRange(m_floor, m_top);
    // Labels on the round steps, 0 dB among them.
    for (double db = m_floor; db <= m_top + 1e-9; db += step)
        m_dbAxis->append(common::doubleText(db, m_locale), db);

    const auto at = [&](double hz, double db) { return QPointF(std::log10(hz), db); };

    QList<QPointF> points;
    for (const response::ResponsePoint &p : figures.points)
        points.append(at(p.hz, p.db));
    const QList<QList<QPointF>> runs = withinRange(points, m_floor, m_top);
    for (qsizetype i = 0; i < runs.size(); ++i) {
        auto *curve = new QLineSeries;
        curve->setName(QStringLiteral("Расчёт"));
        curve->replace(runs[i]);
        curve->setPen(QPen(kCurveColor, 2));
        attach(curve);
        // Pieces of one curve share one legend entry.
        if (i > 0) {
            for (QLegendMarker *marker : chart()->legend()->markers(curve))
                marker->setVisible(false);
        }
    }

    auto *fminMark = new QScatterSeries;
    fminMark->setName(QStringLiteral("Fmin"));
    fminMark->setColor(kFminColor);
    fminMark->setMarkerSize(10);
    if (figures.atFmin >= m_floor && figures.atFmin <= m_top)
        fminMark->append(at(fmin, figures.atFmin));
    attach(fminMark);

    auto *corners = new QScatterSeries;
    corners->setName(QStringLiteral("−3 дБ"));
    corners->setColor(kMarkColor);
    corners->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    corners->setMarkerSize(9);
    for (const std::optional<double> &hz : {figures.low, figures.high}) {
        if (hz && *hz >= response::kFirstHz && *hz <= response::kLastHz)
            corners->append(at(*hz, -3.0103));
    }
    attach(corners);
    return true;
}

void FrequencyPlot::showReadOut(const QString &seriesName, const QPointF &point, bool hovered) const
{
    if (!hovered) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(),
                       QStringLiteral("%1\nf = %2, %3 дБ")
                           .arg(seriesName, hzText(m_locale, std::pow(10.0, point.x())),
                                common::fixedText(point.y(), 2, m_locale)),
                       viewport());
}

} // namespace anodix::charts
