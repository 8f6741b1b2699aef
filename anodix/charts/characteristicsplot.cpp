// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/characteristicsplot.h"

#include "common/numbertext.h"

#include <QCategoryAxis>
#include <QCursor>
#include <QFontMetrics>
#include <QGraphicsScene>
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
    return common::significantText(value, 3, locale);
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
    : AnodePlot(locale, parent)
{
    // A line's entry is a stroke of its own pen, so a dash tells it apart as the colour does.
    chart()->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
}

bool CharacteristicsPlot::setAnalysis(const analysis::Analysis &analysis)
{
    if (!analysis.ok()) {
        clear();
        return false;
    }
    if (!startPlot(analysis.ua, analysis.ia))
        return false;
    QChart *plot = chart();

    const auto add = [&](QXYSeries *series, const QString &name) {
        addSeries(series);
        connect(series, &QXYSeries::hovered, this,
                [this, name](const QPointF &point, bool state) { showReadOut(name, point, state); });
    };

    for (const analysis::Curve &curve : analysis.curves) {
        QLineSeries *series = lineSeries(curve.label, curve.points, pen(kCurveColor, 1.5));
        add(series, curve.label);
        // The curves are named beside them, not in the legend, where ten would crowd out the rest.
        for (QLegendMarker *marker : plot->legend()->markers(series))
            marker->setVisible(false);
        if (curve.points.isEmpty())
            continue;
        const qsizetype equals = curve.label.indexOf(QLatin1Char('='));
        addCurveLabel(curve.label, equals < 0 ? curve.label : curve.label.mid(equals + 1).trimmed(), curve.points.last(),
                      kCurveColor);
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
