// SPDX-License-Identifier: GPL-3.0-or-later
// The companion window of a calculation window: what the stage will really do
// at its last successful calculation, drawn and listed, saved and printed.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/charts/companion.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"

#include <QLocale>
#include <QPointer>
#include <QStringList>
#include <optional>

namespace anodix {

class Dialogs;

namespace charts {

class CharacteristicsPlot;

class Harakteristiki final : public FormWindow, public Companion
{
    Q_OBJECT
public:
    Harakteristiki(Dialogs &dialogs, const QLocale &locale);

    // Takes the analysis of a successful calculation and the stage window's
    // outputs as it names them ("R1 = 470 кОм"); shown at once while the window
    // is open, and at its next opening otherwise.
    void showAnalysis(analysis::Analysis analysis, QStringList stageOutputs) override;
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

    // Fills the controls from the analysis held, or says why there is nothing to show.
    void refresh();
    // Writes a file the user named; a refusal is told in an "Ошибка" box.
    void save(const QString &path, const QByteArray &bytes);

    Dialogs &m_dialogs;
    QLocale m_locale;
    std::optional<analysis::Analysis> m_analysis;
    QStringList m_stageOutputs;
    QPointer<QWidget> m_beside;
    FormControls m_controls;               // bound at each opening
    CharacteristicsPlot *m_plot = nullptr; // a control: null while the window is closed
    QList<QAction *> m_needAnalysis;       // the "Файл" items, usable once there is a plot
};

} // namespace charts
} // namespace anodix
