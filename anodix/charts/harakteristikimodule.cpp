// SPDX-License-Identifier: GPL-3.0-or-later
// The root object of the module anodix_harakteristiki: makes the characteristics
// window, the frequency response window and the model window.
#include "anodix/charts/chastota.h"
#include "anodix/charts/companion.h"
#include "anodix/charts/harakteristiki.h"
#include "anodix/charts/modellampy.h"

#include <QObject>

namespace anodix::charts {

class HarakteristikiModule final : public QObject, public CompanionModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ANODIX_COMPANION_MODULE_IID)
    Q_INTERFACES(anodix::charts::CompanionModule)

public:
    std::unique_ptr<Companion> create(CompanionKind kind, Dialogs &dialogs, const QLocale &locale) override
    {
        if (kind == CompanionKind::Frequency)
            return std::make_unique<Chastota>(dialogs, locale);
        return std::make_unique<Harakteristiki>(dialogs, locale);
    }

    std::unique_ptr<ModelCompanion> createModelWindow(Dialogs &dialogs, const QLocale &locale) override
    {
        return std::make_unique<ModelLampy>(dialogs, locale);
    }
};

} // namespace anodix::charts

#include "harakteristikimodule.moc"
