// SPDX-License-Identifier: GPL-3.0-or-later
// The root object of the module anodix_harakteristiki: makes the characteristics
// window, the frequency response window, the model window and the supply
// window's plot.
#include "anodix/charts/chastota.h"
#include "anodix/charts/companion.h"
#include "anodix/charts/harakteristiki.h"
#include "anodix/charts/modellampy.h"
#include "anodix/charts/supplyplotview.h"

#include <QObject>

namespace anodix::charts {

class HarakteristikiModule final : public QObject, public CompanionModule, public SupplyPlotFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ANODIX_COMPANION_MODULE_IID FILE "buildidentity.json")
    Q_INTERFACES(anodix::charts::CompanionModule anodix::charts::SupplyPlotFactory)

public:
    std::unique_ptr<Companion> create(CompanionKind kind, Dialogs &dialogs, const QLocale &locale) override
    {
        if (kind == CompanionKind::Frequency)
            return std::make_unique<Chastota>(dialogs, locale);
        return std::make_unique<Harakteristiki>(dialogs, locale);
    }

    std::unique_ptr<SupplyPlot> createSupplyPlot(QWidget *parent, const QLocale &locale) override
    {
        return std::make_unique<SupplyPlotView>(parent, locale);
    }

    std::unique_ptr<ModelCompanion> createModelWindow(Dialogs &dialogs, const QLocale &locale) override
    {
        return std::make_unique<ModelLampy>(dialogs, locale);
    }
};

} // namespace anodix::charts

#include "harakteristikimodule.moc"
