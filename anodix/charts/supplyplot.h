// SPDX-License-Identifier: GPL-3.0-or-later
// The supply window's plot of the voltages against time. It draws with Qt
// Charts, so it lives in the module of the companion windows, loaded when
// the first calculation is drawn; the supply window knows only this interface.
#pragma once

#include "anodix/forms/moduleloader.h"

#include <QList>
#include <QPointF>
#include <QtPlugin>
#include <memory>
#include <optional>

class QLocale;
class QWidget;

namespace anodix::charts {

class SupplyPlot
{
public:
    virtual ~SupplyPlot() = default;
    // The plot's widget, a child of the parent it was made with.
    virtual QWidget *widget() = 0;
    // Voltage on C1 and at the output (V) against time (s); the load step, if any, marked at stepTime.
    virtual void showTrace(const QList<QPointF> &c1, const QList<QPointF> &output, std::optional<double> stepTime) = 0;
};

class SupplyPlotFactory
{
public:
    virtual ~SupplyPlotFactory() = default;
    // The axes' numbers are written in locale, as the window's are.
    virtual std::unique_ptr<SupplyPlot> createSupplyPlot(QWidget *parent, const QLocale &locale) = 0;
};

} // namespace anodix::charts

#define ANODIX_SUPPLY_PLOT_IID "ru.anodix.SupplyPlotFactory/2"
Q_DECLARE_INTERFACE(anodix::charts::SupplyPlotFactory, ANODIX_SUPPLY_PLOT_IID)
