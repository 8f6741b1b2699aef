// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/characteristicsplot.h"

#include "anodix/stages/numbertext.h"

#include <QCategoryAxis>
#include <QCursor>
#include <QFontMetrics>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <cmath>

namespace anodix::charts {

namespace {

// Dark enough to read on paper; each load line has a colour and a dash of its
// own, so they stay apart from the curves and each other in grey-scale print too.
const QColor kCurveColor(0x1f, 0x4e, 0x8c);
const QColor kDcLineColor(0x60, 0x60, 0x60);
const QColor kAcLineColor(0xc0, 0x1c, 0x1c);
const QColor kCompositeLineColor(0x2e, 0x7d, 0x32);
const QColor kPointColor(Qt::black);
const QColor kSwingColor(0xe0, 0x7b, 0x00);

// A reading with three significant digits.
QString reading(const QLocale &locale, double value)
{
    return significantText(value, 3, locale);
}

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

QLineSeries *lineSeries(const QString &name, const QList<QPointF> &points, const QPen &pen)
{
    auto *series = new QLineSeries;
    series->setName(name);
    series->replace(points);
    series->setPen(pen);
    return series;
}

QScatterSeries *pointSeries(const QString &name, const QList<QPointF> &points, const QColor &color,
                            QScatterSeries::MarkerShape shape, double size)
{
    auto *series = new QScatterSeries;
    series->setName(name);
    series->replace(points);
    series->setMarkerShape(shape);
    series->setMarkerSize(size);
    series->setColor(color);
    series->setBorderColor(Qt::black);
    return series;
}

QPen pen(const QColor &color, double width, Qt::PenStyle style = Qt::SolidLine)
{
    // Not cosmetic: the lines grow with the plot when it is drawn larger for print.
    return QPen(color, width, style);
}

} // namespace

CharacteristicsPlot::CharacteristicsPlot(const QLocale &locale, QWidget *parent)
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
    // A line's entry is a stroke of its own pen, so a dash tells it apart as the colour does.
    plot->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
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
    connect(plot, &QChart::plotAreaChanged, this, &CharacteristicsPlot::placeCurveLabels);
}

void CharacteristicsPlot::clear()
{
    chart()->removeAllSeries();
    for (const CurveLabel &label : std::as_const(m_curveLabels))
        delete label.item;
    m_curveLabels.clear();
}

bool CharacteristicsPlot::setAnalysis(const analysis::Analysis &analysis)
{
    clear();
    if (!analysis.ok() || !setUpAxis(m_uaAxis, analysis.ua) || !setUpAxis(m_iaAxis, analysis.ia))
        return false;
    QChart *plot = chart();
    // The last Ua label stands centred on the plot's right edge; the margin keeps
    // "120000" from being cut.
    const int overhang = QFontMetrics(m_uaAxis->labelsFont()).horizontalAdvance(analysis.ua.ticks.last().text) / 2;
    plot->setMargins(QMargins(4, 4, 4 + overhang, 4));

    const auto add = [&](QXYSeries *series, const QString &name) {
        plot->addSeries(series);
        series->attachAxis(m_uaAxis);
        series->attachAxis(m_iaAxis);
        connect(series, &QXYSeries::hovered, this,
                [this, name](const QPointF &point, bool state) { showReadOut(name, point, state); });
    };

    QFont labelFont = font();
    labelFont.setPointSizeF(7.5);
    for (const analysis::Curve &curve : analysis.curves) {
        QLineSeries *series = lineSeries(curve.label, curve.points, pen(kCurveColor, 1.5));
        add(series, curve.label);
        // The curves are named beside them, not in the legend, where ten would crowd out the rest.
        for (QLegendMarker *marker : plot->legend()->markers(series))
            marker->setVisible(false);
        if (curve.points.isEmpty())
            continue;
        auto *item = new QGraphicsSimpleTextItem(curve.label, plot);
        item->setFont(labelFont);
        item->setBrush(kCurveColor);
        const qsizetype equals = curve.label.indexOf(QLatin1Char('='));
        m_curveLabels.append({item, curve.label, equals < 0 ? curve.label : curve.label.mid(equals + 1).trimmed(),
                              curve.points.last()});
    }
    // Short names keep the legend on one line; the read-outs say the whole.
    add(lineSeries(QStringLiteral("По постоянному току"), analysis.dcLoadLine, pen(kDcLineColor, 1.5, Qt::DashLine)),
        QStringLiteral("Нагрузочная прямая по постоянному току"));
    // A push-pull pair has two AC lines; the legend names them by class so that
    // five entries still fit on one line.
    const bool pushPull = !analysis.compositeLoadLine.isEmpty();
    add(lineSeries(pushPull ? QStringLiteral("Класс A") : QStringLiteral("По переменному току"), analysis.acLoadLine,
                   pen(kAcLineColor, 2)),
        pushPull ? QStringLiteral("Нагрузочная прямая класса A") : QStringLiteral("Нагрузочная прямая по переменному току"));
    // A push-pull stage's second line: one tube alone on a quarter of the anode-to-anode load.
    if (pushPull)
        add(lineSeries(QStringLiteral("Составная"), analysis.compositeLoadLine, pen(kCompositeLineColor, 2, Qt::DashDotLine)),
            QStringLiteral("Составная нагрузочная прямая (класс B)"));
    add(pointSeries(QStringLiteral("Размах"), {analysis.swingLow, analysis.swingHigh}, kSwingColor,
                    QScatterSeries::MarkerShapeRectangle, 9),
        QStringLiteral("Граница размаха"));
    add(pointSeries(QStringLiteral("Рабочая точка"), {analysis.operatingPoint}, kPointColor,
                    QScatterSeries::MarkerShapeCircle, 10),
        QStringLiteral("Рабочая точка"));
    placeCurveLabels();
    return true;
}

void CharacteristicsPlot::placeCurveLabels()
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

QList<QRectF> CharacteristicsPlot::curveLabelBoxes() const
{
    QList<QRectF> boxes;
    for (const CurveLabel &label : m_curveLabels) {
        if (label.item->isVisible())
            boxes.append(label.item->mapRectToParent(label.item->boundingRect()));
    }
    return boxes;
}

void CharacteristicsPlot::showReadOut(const QString &seriesName, const QPointF &point, bool hovered) const
{
    if (!hovered) {
        QToolTip::hideText();
        return;
    }
    QToolTip::showText(QCursor::pos(),
                       QStringLiteral("%1\nUa = %2 В, Ia = %3 мА")
                           .arg(seriesName, reading(m_locale, point.x()), reading(m_locale, point.y())),
                       viewport());
}

bool CharacteristicsPlot::paintInto(QPainter &painter, const QRectF &target)
{
    const QRectF source = chart()->geometry();
    if (source.isEmpty() || target.isEmpty() || !painter.isActive())
        return false;
    scene()->render(&painter, target, source, Qt::KeepAspectRatio);
    return true;
}

} // namespace anodix::charts
