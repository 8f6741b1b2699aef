// SPDX-License-Identifier: GPL-3.0-or-later
// What the model window shows: the model a calculation would use for a
// record, its parameters, its curves at the grid voltages of the points
// measured on the tube, and how far it is from them. Window-free, QtCore
// only, so the window, its tests and the labels draw on the same numbers.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/tubemodel/measurements.h"

#include <memory>
#include <vector>

namespace anodix::analysis {

// The record's figures the 3/2 law goes through, read in either decimal
// separator; a figure that is missing or no number is zero.
TubeFigures RecordFigures(model::TubeType type, const QStringList &record, const QLocale &locale);

struct ModelViewInput
{
    model::TubeType type = model::TubeType::Triode;
    QStringList record;
    std::shared_ptr<const model::ModelFile> model; // the fitted model in use; none: the 3/2 law
    std::vector<model::MeasuredPoint> points;      // the points measured on the tube, if any
};

struct ModelView
{
    // Empty when the view could be made; otherwise why not, and nothing below.
    QString problem;
    bool ok() const { return problem.isEmpty(); }

    QString modelName;             // "степень 3/2 по рабочей точке" or the fitted model's name
    QList<AnalysisRow> parameters; // the model's parameters (the 3/2 law: the record's point)
    // The model's curves at the measured points' grid (and screen) voltages,
    // or from Ug = 0 down to 2·Uc without points.
    QList<Curve> curves;
    QList<QPointF> measured;       // (Ua V, Ia mA) of each point inside the axes
    Axis ua, ia;
    // The model's error on the points: RMS in mA and in % of the largest
    // current measured; empty without points.
    QList<AnalysisRow> errors;
    // Set when the model was fitted to other figures than the record's now
    // (its operating point moved by more than 5 %).
    QString note;
    QString description; // the plot's accessible description
};

ModelView ViewModel(const ModelViewInput &input, const QLocale &locale);

} // namespace anodix::analysis
