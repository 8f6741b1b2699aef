// SPDX-License-Identifier: GPL-3.0-or-later
// The plot and the report as file contents: a PNG or SVG image of the plot,
// a one-page PDF report, and the report painted on a printer's page.
#pragma once

#include "anodix/analysis/characteristics.h"

#include <QByteArray>
#include <QStringList>

class QPainter;
class QRectF;

namespace anodix::charts {

class CharacteristicsPlot;

// What a report holds besides the plot.
struct ReportContent
{
    const analysis::Analysis &analysis;
    QStringList stageOutputs; // the stage window's outputs as it names them ("R1 = 470 кОм")
};

enum class ImageFormat { Png, Svg };

// A file's contents, or why they could not be made ("график не нарисован").
struct Rendering
{
    QByteArray bytes;
    QString failure;
};

Rendering plotImage(CharacteristicsPlot &plot, ImageFormat format);
Rendering pdfReport(CharacteristicsPlot &plot, const ReportContent &content);

// Lays the report out on one page: the tube, the inputs, the stage window's
// outputs and the results in two columns, the plot below them, the note under
// it. False when the plot could not be painted.
bool paintReport(QPainter &painter, const QRectF &page, CharacteristicsPlot &plot, const ReportContent &content);

} // namespace anodix::charts
