// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/modelplot.h"

#include <QCategoryAxis>
#include <QFontMetrics>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>

namespace anodix::charts {

namespace {

// The characteristics window's curve colour; the points in a colour that
// stays apart from the curves in grey-scale print too.
const QColor kCurveColor(0x1f, 0x4e, 0x8c);
const QColor kPointColor(0xe0, 0x7b, 0x00);

bool setUpAxis(QCategoryAxis *axis, const analysis::Axis &range)
{
    for (const QString &label : axis->categoriesLabels())
        axis->remove(label);
    if (range.ticks.isEmpty() || range.ticks.size() > analysis::kMaxAxisTicks || !(range.max > 0))
        return false;
    axis->setStartValue(0);
    axis->setRange(0, range.max);
    for (const analysis::AxisTick &tick : range.ticks)
        axis->append(tick.text, tick.value);
    return true;
}

} // namespace

ModelPlot::ModelPlot(const QLocale &locale, QWidget *parent)
    : QChartView(parent)
    , m_locale(locale)
    , m_uaAxis(new QCategoryAxis)
    , m_iaAxis(new QCategoryAxis)
{
    setRenderHint(QPainter::Antialiasing);
    QChart *plot = chart();
    plot->setTheme(QChart::ChartThemeLight);
    plot->setBackgroundRoundness(0);
    plot->setMargins(QMargins(4, 4, 4, 4));
    plot->setAnimationOptions(QChart::NoAnimation);
    plot->legend()->setAlignment(Qt::AlignBottom);
    QFont small = font();
    small.setPointSizeF(8);
    plot->legend()->setFont(small);
    for (QCategoryAxis *axis : {m_uaAxis, m_iaAxis}) {
        axis->setLabelsFont(small);
        QFont titleFont = small;
        titleFont.setBold(true);
        axis->setTitleFont(titleFont);
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    }
    m_uaAxis->setTitleText(QStringLiteral("Ua, В"));
    m_iaAxis->setTitleText(QStringLiteral("Ia, мА"));
    plot->addAxis(m_uaAxis, Qt::AlignBottom);
    plot->addAxis(m_iaAxis, Qt::AlignLeft);
    connect(plot, &QChart::plotAreaChanged, this, &ModelPlot::placeCurveLabels);
}

void ModelPlot::clear()
{
    chart()->removeAllSeries();
    for (const CurveLabel &label : std::as_const(m_curveLabels))
        delete label.item;
    m_curveLabels.clear();
}

bool ModelPlot::setView(const analysis::ModelView &view)
{
    clear();
    if (!view.ok() || !setUpAxis(m_uaAxis, view.ua) || !setUpAxis(m_iaAxis, view.ia))
        return false;
    QChart *plot = chart();
    const int overhang = QFontMetrics(m_uaAxis->labelsFont()).horizontalAdvance(view.ua.ticks.last().text) / 2;
    plot->setMargins(QMargins(4, 4, 4 + overhang, 4));
    const auto add = [&](QXYSeries *series) {
        plot->addSeries(series);
        series->attachAxis(m_uaAxis);
        series->attachAxis(m_iaAxis);
    };
    bool first = true;
    for (const analysis::Curve &curve : view.curves) {
        auto *series = new QLineSeries;
        series->setName(first ? QStringLiteral("Модель") : curve.label);
        series->replace(curve.points);
        series->setPen(QPen(kCurveColor, 1.5));
        add(series);
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
        auto *item = new QGraphicsSimpleTextItem(text.remove(QStringLiteral(" В")), plot);
        QFont labelFont = font();
        labelFont.setPointSizeF(7.5);
        item->setFont(labelFont);
        item->setBrush(kCurveColor);
        m_curveLabels.append({item, curve.points.last()});
    }
    if (!view.measured.isEmpty()) {
        auto *points = new QScatterSeries;
        points->setName(QStringLiteral("Измерено"));
        points->replace(view.measured);
        points->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        points->setMarkerSize(5);
        points->setColor(kPointColor);
        points->setBorderColor(kPointColor.darker(150));
        add(points);
    }
    placeCurveLabels();
    return true;
}

void ModelPlot::placeCurveLabels()
{
    QChart *plot = chart();
    const QRectF area = plot->plotArea();
    QList<QRectF> taken;
    for (CurveLabel &label : m_curveLabels) {
        QRectF box = label.item->boundingRect();
        // Left of the curve's end and below the top, so the text stays by its own curve.
        box.moveTopRight(plot->mapToPosition(label.end) + QPointF(-3, 2));
        const double right = std::max(area.left() + 2, area.right() - box.width() - 2);
        const double bottom = std::max(area.top() + 2, area.bottom() - box.height() - 2);
        box.moveLeft(std::clamp(box.left(), area.left() + 2, right));
        box.moveTop(std::clamp(box.top(), area.top() + 2, bottom));
        const bool meets = std::any_of(taken.cbegin(), taken.cend(), [&](const QRectF &o) { return o.intersects(box); });
        label.item->setVisible(!meets);
        if (meets)
            continue;
        label.item->setPos(box.topLeft());
        taken.append(box);
    }
}

} // namespace anodix::charts
