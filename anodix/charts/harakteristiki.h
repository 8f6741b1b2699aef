// SPDX-License-Identifier: GPL-3.0-or-later
// The companion window of a calculation window: what the stage will really do
// at its last successful calculation, drawn and listed, saved and printed.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/forms/dialogs.h"
#include "anodix/charts/companion.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"

#include <QLocale>
#include <QPointer>
#include <QStringList>
#include <optional>

namespace anodix::charts {

class CharacteristicsPlot;
struct Rendering;

class Harakteristiki final : public FormWindow, public Companion
{
    Q_OBJECT
public:
    Harakteristiki(Dialogs &dialogs, const QLocale &locale);

    // Analyses the calculation and shows it as showAnalysis does; the SPICE
    // exports are made from it.
    void showCalculation(std::shared_ptr<const analysis::SolvedStage> stage, const QStringList &stageOutputs) override;
    // Takes the analysis of a successful calculation and the stage window's
    // outputs as it names them ("R1 = 470 кОм"); shown at once while the window
    // is open, and at its next opening otherwise.
    void showAnalysis(analysis::Analysis analysis, QStringList stageOutputs);
    const std::optional<analysis::Analysis> &shownAnalysis() const { return m_analysis; }

    // Opens the window beside window; an open one is raised.
    void openBeside(QWidget *window) override;
    FormWindow &window() override { return *this; }

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void placeOnScreen() override;

private:
    void SohranitGrafik_Click();
    void SohranitOtchet_Click();
    void Pechat_Click();
    void EksportModeli_Click();
    void EksportSkhemy_Click();

    // Fills the controls from the analysis held, or says why there is nothing to show.
    void refresh();
    // Asks for the file to save as one of types. The chosen type's suffix is
    // added to a name without it, and replacing an existing file is asked
    // about under that name; nothing when the user cancels or declines.
    std::optional<SaveChoice> chooseFile(const QString &title, const QList<FileType> &types);
    // Writes contents made for path; a failed rendering or a refused write is
    // told in an "Ошибка" box and leaves any file there as it was.
    void save(const QString &path, const Rendering &contents);

    Dialogs &m_dialogs;
    QLocale m_locale;
    std::optional<analysis::Analysis> m_analysis;
    std::shared_ptr<const analysis::SolvedStage> m_stage; // what m_analysis was made from
    QStringList m_stageOutputs;
    QPointer<QWidget> m_beside;
    FormControls m_controls;               // bound at each opening
    // A control of the current opening. Guarded rather than cleared by a
    // signal: a closed opening's plot may go after the reopened one exists.
    QPointer<CharacteristicsPlot> m_plot;
    QList<QAction *> m_needAnalysis;       // the "Файл" items, usable once there is a plot
};

} // namespace anodix::charts
