// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/characteristicsplot.h"

#include <QCursor>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <cmath>

namespace anodix::charts {

namespace {

// Dark enough to read on paper; the load lines and marks in colours that stay
// apart from the curves in grey-scale print too.
const QColor kCurveColor(0x1f, 0x4e, 0x8c);
const QColor kDcLineColor(0x60, 0x60, 0x60);
const QColor kAcLineColor(0xc0, 0x1c, 0x1c);
const QColor kPointColor(Qt::black);
const QColor kSwingColor(0xe0, 0x7b, 0x00);

// Decimals that show a tick of the 1–2–5 series exactly.
int tickDecimals(double tick)
{
    return tick >= 1 || tick <= 0 ? 0 : int(std::ceil(-std::log10(tick) - 1e-9));
}

// A reading with three significant digits, never in exponent form.
QString reading(const QLocale &locale, double value)
{
    const double magnitude = std::abs(value);
    const int decimals = magnitude >= 100 ? 1 : magnitude >= 1 ? 2 : magnitude >= 0.01 ? 3 : 4;
    return locale.toString(value, 'f', decimals);
}

void setUpAxis(QValueAxis *axis, const QString &title, const analysis::Axis &range)
{
    axis->setTitleText(title);
    axis->setRange(0, range.max > 0 ? range.max : 1);
    if (range.tick > 0) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval(range.tick);
    }
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(tickDecimals(range.tick)));
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
    , m_uaAxis(new QValueAxis)
    , m_iaAxis(new QValueAxis)
{
    setRenderHint(QPainter::Antialiasing);
    QChart *plot = chart();
    plot->setTheme(QChart::ChartThemeLight);
    plot->setBackgroundRoundness(0);
    plot->setMargins(QMargins(4, 4, 4, 4));
    plot->setLocalizeNumbers(true);
    plot->setLocale(locale);
    plot->setAnimationOptions(QChart::NoAnimation);
    plot->legend()->setAlignment(Qt::AlignBottom);
    QFont small = font();
    small.setPointSizeF(8);
    plot->legend()->setFont(small);
    for (QValueAxis *axis : {m_uaAxis, m_iaAxis}) {
        axis->setLabelsFont(small);
        QFont titleFont = small;
        titleFont.setBold(true);
        axis->setTitleFont(titleFont);
        axis->setMinorTickCount(0);
    }
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

void CharacteristicsPlot::setAnalysis(const analysis::Analysis &analysis)
{
    clear();
    if (!analysis.ok())
        return;
    QChart *plot = chart();

    setUpAxis(m_uaAxis, QStringLiteral("Ua, В"), analysis.ua);
    setUpAxis(m_iaAxis, QStringLiteral("Ia, мА"), analysis.ia);

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
    add(lineSeries(QStringLiteral("По переменному току"), analysis.acLoadLine, pen(kAcLineColor, 2)),
        QStringLiteral("Нагрузочная прямая по переменному току"));
    // A push-pull stage's second line: one tube alone on a quarter of the anode-to-anode load.
    if (!analysis.compositeLoadLine.isEmpty())
        add(lineSeries(QStringLiteral("Составная"), analysis.compositeLoadLine, pen(kAcLineColor, 1.5, Qt::DashDotLine)),
            QStringLiteral("Составная нагрузочная прямая (класс B)"));
    add(pointSeries(QStringLiteral("Размах"), {analysis.swingLow, analysis.swingHigh}, kSwingColor,
                    QScatterSeries::MarkerShapeRectangle, 9),
        QStringLiteral("Граница размаха"));
    add(pointSeries(QStringLiteral("Рабочая точка"), {analysis.operatingPoint}, kPointColor,
                    QScatterSeries::MarkerShapeCircle, 10),
        QStringLiteral("Рабочая точка"));
    placeCurveLabels();
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
            const bool meets = std::any_of(taken.cbegin(), taken.cend(),
                                           [&box](const QRectF &other) { return other.intersects(box); });
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

void CharacteristicsPlot::paintInto(QPainter &painter, const QRectF &target)
{
    QGraphicsScene *drawing = scene();
    drawing->render(&painter, target, chart()->geometry(), Qt::KeepAspectRatio);
}

} // namespace anodix::charts
