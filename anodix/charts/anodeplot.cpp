// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/anodeplot.h"

#include <QCategoryAxis>
#include <QFontMetrics>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QXYSeries>
#include <algorithm>

namespace anodix::charts {

namespace {

// The old ticks go before the new range comes, and the new ones after it,
// so the axis never holds more than one range's few labels.
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

AnodePlot::AnodePlot(const QLocale &locale, QWidget *parent)
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
    connect(plot, &QChart::plotAreaChanged, this, &AnodePlot::placeCurveLabels);
}

void AnodePlot::clear()
{
    chart()->removeAllSeries();
    for (const CurveLabel &label : std::as_const(m_curveLabels))
        delete label.item;
    m_curveLabels.clear();
}

bool AnodePlot::startPlot(const analysis::Axis &ua, const analysis::Axis &ia)
{
    clear();
    if (!setUpAxis(m_uaAxis, ua) || !setUpAxis(m_iaAxis, ia))
        return false;
    // The last Ua label stands centred on the plot's right edge; the margin keeps
    // "120000" from being cut.
    const int overhang = QFontMetrics(m_uaAxis->labelsFont()).horizontalAdvance(ua.ticks.last().text) / 2;
    chart()->setMargins(QMargins(4, 4, 4 + overhang, 4));
    return true;
}

void AnodePlot::addSeries(QXYSeries *series)
{
    chart()->addSeries(series);
    series->attachAxis(m_uaAxis);
    series->attachAxis(m_iaAxis);
}

void AnodePlot::addCurveLabel(const QString &text, const QString &shortText, const QPointF &end, const QColor &color)
{
    auto *item = new QGraphicsSimpleTextItem(text, chart());
    QFont labelFont = font();
    labelFont.setPointSizeF(7.5);
    item->setFont(labelFont);
    item->setBrush(color);
    m_curveLabels.append({item, text, shortText, end});
}

void AnodePlot::placeCurveLabels()
{
    if (m_curveLabels.isEmpty())
        return;
    QChart *plot = chart();
    const QRectF area = plot->plotArea();
    QList<QRectF> taken;
    for (CurveLabel &label : m_curveLabels) {
        const QPointF end = plot->mapToPosition(label.end);
        bool placed = false;
        for (const QString &text : {label.text, label.shortText}) {
            label.item->setText(text);
            QRectF box = label.item->boundingRect();
            // Above and left of the curve's end, so the text stays over its own curve.
            box.moveBottomRight(end + QPointF(-3, -2));
            box.moveLeft(std::clamp(box.left(), area.left() + 2, std::max(area.left() + 2, area.right() - box.width() - 2)));
            box.moveTop(std::clamp(box.top(), area.top() + 2, std::max(area.top() + 2, area.bottom() - box.height() - 2)));
            // A pixel apart at least: touching boxes read as one label.
            const QRectF clear = box.adjusted(-1, -1, 1, 1);
            const bool meets = std::any_of(taken.cbegin(), taken.cend(),
                                           [&clear](const QRectF &other) { return other.intersects(clear); });
            if (meets)
                continue;
            label.item->setPos(box.topLeft());
            taken.append(box);
            placed = true;
            break;
        }
        label.item->setVisible(placed);
    }
}

QList<QRectF> AnodePlot::curveLabelBoxes() const
{
    QList<QRectF> boxes;
    for (const CurveLabel &label : m_curveLabels) {
        if (label.item->isVisible())
            boxes.append(label.item->mapRectToParent(label.item->boundingRect()));
    }
    return boxes;
}

} // namespace anodix::charts
