// SPDX-License-Identifier: GPL-3.0-or-later
// A companion window of a calculation window, kept in a module of its own
// because of the libraries it draws with: the characteristics window now, any
// other window of the kind (a frequency response) the same way. The calculation
// window knows only this interface; the module is loaded on the first opening.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/forms/moduleloader.h"

#include <QStringList>
#include <QtPlugin>
#include <memory>

class QLocale;
class QWidget;

namespace anodix {

class Dialogs;
class FormWindow;

namespace charts {

class Companion
{
public:
    virtual ~Companion() = default;

    // Takes the analysis of a successful calculation and the stage window's
    // outputs as it names them ("R1 = 470 кОм"); shown at once while the window
    // is open, and at its next opening otherwise.
    virtual void showAnalysis(analysis::Analysis analysis, QStringList stageOutputs) = 0;
    // Opens the window beside window; an open one is raised.
    virtual void openBeside(QWidget *window) = 0;
    // The window itself, to ask whether it is open and to close it.
    virtual FormWindow &window() = 0;
};

// The root object of a companion module: it makes the module's window.
class CompanionModule
{
public:
    virtual ~CompanionModule() = default;
    virtual std::unique_ptr<Companion> create(Dialogs &dialogs, const QLocale &locale) = 0;
};

// The module of the characteristics window.
inline const QString kCharacteristicsModule = QStringLiteral("anodix_harakteristiki");

} // namespace charts
} // namespace anodix

#define ANODIX_COMPANION_MODULE_IID "ru.anodix.CompanionModule/1"
Q_DECLARE_INTERFACE(anodix::charts::CompanionModule, ANODIX_COMPANION_MODULE_IID)

namespace anodix::charts {

// Loads the module (its first use only) and makes its window; null when the
// module cannot be loaded, with the reason in error.
inline std::unique_ptr<Companion> loadCompanion(const QString &module, Dialogs &dialogs, const QLocale &locale,
                                                QString &error)
{
    CompanionModule *root = loadModule<CompanionModule>(module, error);
    return root ? root->create(dialogs, locale) : nullptr;
}

} // namespace anodix::charts
