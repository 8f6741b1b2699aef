// SPDX-License-Identifier: GPL-3.0-or-later
// A companion window of a calculation window, kept in a module of its own
// because of the libraries it draws with: the characteristics window, the
// frequency response window and the model window. The calculation window knows only this
// interface; the module is loaded on the first opening of either.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/forms/moduleloader.h"
#include "anodix/tubedb/tuberecord.h"

#include <QList>
#include <QStringList>
#include <QtPlugin>
#include <functional>
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

    // Takes the stage as a successful calculation solved it and the stage
    // window's outputs as it names them ("R1 = 470 кОм"); shown at once while
    // the window is open, and at its next opening otherwise. The stage is
    // solved once for all windows: none of them reads the stage window's
    // texts or solves it again.
    virtual void showCalculation(std::shared_ptr<const analysis::SolvedStage> stage,
                                 const QStringList &stageOutputs) = 0;
    // Opens the window beside window; an open one is raised.
    virtual void openBeside(QWidget *window) = 0;
    // The window itself, to ask whether it is open and to close it.
    virtual FormWindow &window() = 0;
    // What "Модель лампы" (F8) in the window does: the stage window opens the
    // model window of its tube.
    void setOpenModel(std::function<void()> open) { m_openModel = std::move(open); }

protected:
    void openModel() const
    {
        if (m_openModel)
            m_openModel();
    }

private:
    std::function<void()> m_openModel;
};

enum class CompanionKind { Characteristics, Frequency };

// The tube a model window shows: the record picked in a stage window, with
// the fitted model read beside it at that moment (none: the 3/2 law).
struct ModelSubject
{
    stage::Circuit circuit = stage::Circuit::TriodePreamp; // the stage window's
    TubeClass tubeClass = TubeClass::Triode;
    QString workingFolder; // the one bd/ is in
    QString fileName;      // "<name>.lamp"
    QStringList record;    // its lines
    std::shared_ptr<const model::ModelFile> model;
    bool modelPresent = false; // a model file is there, read or not
};

// The model window: the tube's model in use, measured points imported and a
// model fitted to them, kept in the file beside the record.
class ModelCompanion
{
public:
    virtual ~ModelCompanion() = default;
    virtual void showTube(const ModelSubject &tube) = 0;
    // Opens the window beside window, clear of the windows in keepClear where
    // the screen has room; an open one is raised.
    virtual void openBeside(QWidget *window, const QList<QWidget *> &keepClear) = 0;
    virtual FormWindow &window() = 0;
    // Told after the model file was written or removed, so that the stage
    // window reads it again and recalculates.
    void setModelChanged(std::function<void()> changed) { m_modelChanged = std::move(changed); }

protected:
    void tellModelChanged() const
    {
        if (m_modelChanged)
            m_modelChanged();
    }

private:
    std::function<void()> m_modelChanged;
};

// The root object of a companion module: it makes the module's windows.
class CompanionModule
{
public:
    virtual ~CompanionModule() = default;
    virtual std::unique_ptr<Companion> create(CompanionKind kind, Dialogs &dialogs, const QLocale &locale) = 0;
    virtual std::unique_ptr<ModelCompanion> createModelWindow(Dialogs &dialogs, const QLocale &locale) = 0;
};

// The module of the characteristics and the frequency response windows.
inline const QString kCharacteristicsModule = QStringLiteral("anodix_harakteristiki");

} // namespace charts
} // namespace anodix

#define ANODIX_COMPANION_MODULE_IID "ru.anodix.CompanionModule/4"
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

inline std::unique_ptr<ModelCompanion> loadModelWindow(Dialogs &dialogs, const QLocale &locale, QString &error)
{
    CompanionModule *root = loadModule<CompanionModule>(kCharacteristicsModule, error);
    return root ? root->createModelWindow(dialogs, locale) : nullptr;
}

} // namespace anodix::charts
