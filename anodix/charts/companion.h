// SPDX-License-Identifier: GPL-3.0-or-later
// A companion window of a calculation window, kept in a module of its own
// because of the libraries it draws with: the characteristics window and the
// frequency response window. The calculation window knows only this
// interface; the module is loaded on the first opening of either.
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

    // Takes what a successful calculation used and the stage window's outputs
    // as it names them ("R1 = 470 кОм"); shown at once while the window is
    // open, and at its next opening otherwise. The stage window passes it
    // only while the window is open or as it opens, so a calculation costs
    // nothing more for a user who never opens it.
    virtual void showCalculation(const analysis::AnalysisInput &input, const QStringList &stageOutputs) = 0;
    // Opens the window beside window; an open one is raised.
    virtual void openBeside(QWidget *window) = 0;
    // The window itself, to ask whether it is open and to close it.
    virtual FormWindow &window() = 0;
};

enum class CompanionKind { Characteristics, Frequency };

// The root object of a companion module: it makes the module's windows.
class CompanionModule
{
public:
    virtual ~CompanionModule() = default;
    virtual std::unique_ptr<Companion> create(CompanionKind kind, Dialogs &dialogs, const QLocale &locale) = 0;
};

// The module of the characteristics and the frequency response windows.
inline const QString kCharacteristicsModule = QStringLiteral("anodix_harakteristiki");

} // namespace charts
} // namespace anodix

#define ANODIX_COMPANION_MODULE_IID "ru.anodix.CompanionModule/2"
Q_DECLARE_INTERFACE(anodix::charts::CompanionModule, ANODIX_COMPANION_MODULE_IID)

namespace anodix::charts {

// Loads the module (its first use only) and makes its window; null when the
// module cannot be loaded, with the reason in error.
inline std::unique_ptr<Companion> loadCompanion(const QString &module, CompanionKind kind, Dialogs &dialogs,
                                                const QLocale &locale, QString &error)
{
    CompanionModule *root = loadModule<CompanionModule>(module, error);
    return root ? root->create(kind, dialogs, locale) : nullptr;
}

} // namespace anodix::charts
