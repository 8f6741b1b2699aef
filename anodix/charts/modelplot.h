// SPDX-License-Identifier: GPL-3.0-or-later
// The plot of the model window: the model's anode curves labelled with their
// grid voltages and the measured points as markers over them, in the look
// of the characteristics window.
#pragma once

#include "anodix/analysis/modelview.h"
#include "anodix/charts/anodeplot.h"

namespace anodix::charts {

class ModelPlot : public AnodePlot
{
    Q_OBJECT
public:
    explicit ModelPlot(const QLocale &locale, QWidget *parent = nullptr);

    // Draws the view in place of what was drawn; one with a problem, or with
    // an axis that has no labelled ticks, leaves the plot empty (false).
    bool setView(const analysis::ModelView &view);
};

} // namespace anodix::charts
