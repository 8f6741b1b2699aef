// SPDX-License-Identifier: GPL-3.0-or-later
// The anode supply window: transformer, rectifier, filter and load in, the
// supply simulated in time out, with its warnings and a plot of the voltages.
#pragma once

#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/forms/navigator.h"
#include "anodix/supply/supply.h"

#include <QPointer>
#include <atomic>
#include <memory>
#include <optional>
#include <span>

class QComboBox;
class QLabel;
class QProgressBar;
class QThread;

namespace anodix {

namespace charts {
class SupplyPlot;
}

class BlokPitaniya final : public FormWindow
{
    Q_OBJECT
public:
    explicit BlokPitaniya(const AppContext &context);
    ~BlokPitaniya() override;

    static std::span<const ControlRow> form();
    static QSize clientSize(); // twips
    // The controls made beside the form's table: the lists, Cancel, the progress and the plot's place.
    static std::span<const char *const> controlsBeyondTheForm();

    // Opens beside a stage window with its load current (mA) and Ea (V) as texts.
    void openFor(QWidget *stageWindow, const QString &loadMilliamps, const QString &ea);

    // The last circuit simulated and its result, for the export and the tests.
    const std::optional<supply::SupplyCircuit> &lastCircuit() const { return m_lastCircuit; }
    const std::optional<supply::SupplyResult> &lastResult() const { return m_lastResult; }
    bool isCalculating() const { return m_job != nullptr; }

signals:
    // A calculation ended: shown, refused or cancelled.
    void calculationFinished();

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void afterShow() override;
    void placeOnScreen() override;
    void closeEvent(QCloseEvent *event) override;

private:
    struct Job;

    void Command1_Click();
    void Cancel_Click();
    void Exit_Click();
    void Export_Click();
    void Help_Abaut_Click();
    void showPicture();
    void showFilterInputs();
    void finish();
    void showResult(const supply::SupplyCircuit &circuit, const supply::SupplyResult &result);
    void clearOutputs();
    void showError(const QString &text);
    QString text(const char *name) const;

    AppContext m_context;
    FormControls m_controls;
    QComboBox *m_circuit = nullptr;
    QComboBox *m_rectifier = nullptr;
    QComboBox *m_filter = nullptr;
    QProgressBar *m_progress = nullptr;
    QWidget *m_plotArea = nullptr;
    QList<supply::Kenotron> m_tubes;
    QString m_folderError;         // told once, over the first opening
    bool m_folderErrorTold = false;
    QPointer<QWidget> m_beside;    // the stage window it opens beside, if any
    std::shared_ptr<Job> m_job;    // the simulation running, if any
    QThread *m_thread = nullptr;
    std::unique_ptr<charts::SupplyPlot> m_plot;
    std::optional<supply::SupplyCircuit> m_lastCircuit;
    std::optional<supply::SupplyResult> m_lastResult;
};

} // namespace anodix
