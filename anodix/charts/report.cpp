// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/charts/report.h"

#include "anodix/charts/characteristicsplot.h"
#include "anodix/response/spice.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace anodix::charts {

namespace {

// Images are drawn at twice the plot's size on screen, so they stay sharp in print.
constexpr int kImageScale = 2;

const QString kNotPainted = QStringLiteral("график не нарисован");

Rendering pngImage(CharacteristicsPlot &plot)
{
    // A null image (no size, or no memory for it) gives a painter that cannot begin.
    QImage image(plot.size() * kImageScale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter;
    if (!painter.begin(&image))
        return {{}, kNotPainted};
    painter.setRenderHint(QPainter::Antialiasing);
    const bool painted = plot.paintInto(painter, QRectF(QPointF(0, 0), image.size()));
    painter.end();
    if (!painted)
        return {{}, kNotPainted};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {{}, QStringLiteral("изображение PNG не закодировано")};
    return {bytes, {}};
}

Rendering svgImage(CharacteristicsPlot &plot)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(plot.size());
    generator.setViewBox(QRect(QPoint(0, 0), plot.size()));
    generator.setTitle(QStringLiteral("Характеристики и нагрузочная прямая"));
    QPainter painter;
    if (!painter.begin(&generator))
        return {{}, kNotPainted};
    const bool painted = plot.paintInto(painter, QRectF(QPointF(0, 0), plot.size()));
    if (!painter.end() || !painted)
        return {{}, kNotPainted};
    return {bytes, {}};
}

// Draws lines of text from top down in width; returns where the next would start.
// A line stays one line (wrapped at most): a tube's name cannot start another.
double drawLines(QPainter &painter, const QStringList &lines, const QPointF &topLeft, double width)
{
    const QFontMetricsF metrics(painter.font(), painter.device());
    double y = topLeft.y();
    for (const QString &line : lines) {
        const QRectF box(topLeft.x(), y, width, 10000);
        QRectF used;
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, response::spiceSafeText(line), &used);
        y += std::max(used.height(), metrics.lineSpacing());
    }
    return y;
}

} // namespace

Rendering plotImage(CharacteristicsPlot &plot, ImageFormat format)
{
    return format == ImageFormat::Svg ? svgImage(plot) : pngImage(plot);
}

Rendering pdfReport(CharacteristicsPlot &plot, const ReportContent &content)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(QStringLiteral("Характеристики и нагрузочная прямая: ")
                    + response::spiceSafeText(content.analysis.title));
    writer.setCreator(QStringLiteral("Anodix V1.0"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);
    QPainter painter;
    if (!painter.begin(&writer))
        return {{}, QStringLiteral("отчёт PDF не создан")};
    const bool painted = paintReport(
        painter, QRectF(QPointF(0, 0), writer.pageLayout().paintRectPixels(writer.resolution()).size()), plot, content);
    if (!painter.end() || !painted)
        return {{}, painted ? QStringLiteral("отчёт PDF не создан") : kNotPainted};
    return {bytes, {}};
}

bool paintReport(QPainter &painter, const QRectF &page, CharacteristicsPlot &plot, const ReportContent &content)
{
    const analysis::Analysis &analysis = content.analysis;
    painter.save();
    painter.setPen(Qt::black);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(14);
    font.setBold(true);
    painter.setFont(font);
    double y = drawLines(painter, {QStringLiteral("Лампа: ") + analysis.title}, page.topLeft(), page.width());

    font.setPointSizeF(10);
    painter.setFont(font);
    const double column = page.width() / 2;
    const double gap = QFontMetricsF(font, painter.device()).lineSpacing() * 0.6;
    y += gap;
    const double headingsEnd = drawLines(painter, {QStringLiteral("Исходные данные")}, {page.left(), y}, column);
    drawLines(painter, {QStringLiteral("Расчёт каскада")}, {page.left() + column, y}, column);

    font.setBold(false);
    painter.setFont(font);
    const double inputsEnd = drawLines(painter, analysis.inputLines, {page.left(), headingsEnd}, column - gap);
    const double outputsEnd = drawLines(painter, content.stageOutputs, {page.left() + column, headingsEnd}, column);
    y = std::max(inputsEnd, outputsEnd) + gap;

    font.setBold(true);
    painter.setFont(font);
    y = drawLines(painter, {QStringLiteral("По характеристикам")}, {page.left(), y}, page.width());
    font.setBold(false);
    painter.setFont(font);
    QStringList rows;
    for (const analysis::AnalysisRow &row : analysis.rows)
        rows.append(row.spoken());
    // Results in two columns, the first half on the left.
    const qsizetype half = (rows.size() + 1) / 2;
    const double leftEnd = drawLines(painter, rows.mid(0, half), {page.left(), y}, column - gap);
    const double rightEnd = drawLines(painter, rows.mid(half), {page.left() + column, y}, column);
    y = std::max(leftEnd, rightEnd) + gap;

    font.setPointSizeF(8);
    painter.setFont(font);
    const QFontMetricsF noteMetrics(font, painter.device());
    const QRectF noteBox = noteMetrics.boundingRect(QRectF(0, 0, page.width(), 10000), Qt::TextWordWrap,
                                                    analysis.modelNote);
    const double plotBottom = page.bottom() - noteBox.height() - gap;
    const QRectF plotArea(page.left(), y, page.width(), std::max(0.0, plotBottom - y));
    // The plot keeps its proportions; the note goes right under it.
    const QSizeF shown = QSizeF(plot.size()).scaled(plotArea.size(), Qt::KeepAspectRatio);
    const QRectF target(plotArea.left() + (plotArea.width() - shown.width()) / 2, plotArea.top(), shown.width(),
                        shown.height());
    const bool painted = plot.paintInto(painter, target);
    drawLines(painter, {analysis.modelNote}, {page.left(), target.bottom() + gap}, page.width());
    painter.restore();
    return painted;
}

} // namespace anodix::charts
