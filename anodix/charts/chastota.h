// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response window beside a calculation window: the response of
// the stage at its last successful calculation, with the boxes the records do
// not hold (the source, the load and the tube's capacitances), the figures,
// the parts that put the stage's −3 dB point on Fmin, and the SPICE exports.
#pragma once

#include "anodix/charts/companion.h"
#include "anodix/forms/dialogs.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/response/response.h"
#include "anodix/response/simulation.h"

#include <QLocale>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace anodix::charts {

class FrequencyPlot;

class Chastota final : public FormWindow, public Companion
{
    Q_OBJECT
public:
    Chastota(Dialogs &dialogs, const QLocale &locale);
    ~Chastota() override;

    void showCalculation(std::shared_ptr<const analysis::SolvedStage> stage, const QStringList &stageOutputs) override;
    void openBeside(QWidget *window) override;
    FormWindow &window() override { return *this; }

    // What is shown: nothing before the first calculation.
    const std::optional<response::Response> &shownResponse() const { return m_response; }
    // What the last run of ngspice gave for the response shown.
    const std::optional<response::Simulation> &shownSimulation() const { return m_simulation; }

    // Where ngspice is: its path, or empty when it is not installed. Looked up
    // on PATH unless a test puts its own look-up here.
    void setNgspiceFinder(std::function<QString()> find) { m_findNgspice = std::move(find); }
    // The longest a run may take before it is stopped.
    void setRunLimit(int milliseconds) { m_run.setTimeLimit(milliseconds); }
    // The run of ngspice, for tests: whether one is going, and its folder.
    const response::SpiceRun &run() const { return m_run; }

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void placeOnScreen() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void EksportModeli_Click();
    void EksportSkhemy_Click();
    void Modelirovat_Click();
    void Otmena_Click();

    // The end of a run: its figures drawn, or its failure told.
    void runFinished(const std::optional<response::Simulation> &simulation, const QString &problem);
    void stopRun();              // the run and its folder go; nothing is told
    void showRunning(bool running);
    void showSimulation();

    // The boxes' texts as the response takes them.
    response::ResponseBoxes currentBoxes() const;
    // Computes the response from what is held and fills the controls.
    void refresh();

    Dialogs &m_dialogs;
    QLocale m_locale;
    std::shared_ptr<const analysis::SolvedStage> m_stage; // as the stage window solved it
    // The boxes' texts, kept across openings: source, load, the three capacitances.
    std::array<QString, 5> m_boxes;
    std::optional<response::Response> m_response;
    QPointer<QWidget> m_beside;
    FormControls m_controls;
    QPointer<FrequencyPlot> m_plot;
    QList<QAction *> m_needResponse; // the "Файл" items, usable once there is a response

    std::function<QString()> m_findNgspice;
    std::optional<response::Simulation> m_simulation;
    // A run of ngspice in the background, in a folder of its own.
    response::SpiceRun m_run;
    // Counts the changes of what is shown; a run finished after one is dropped.
    int m_generation = 0, m_runGeneration = 0;
};

} // namespace anodix::charts
