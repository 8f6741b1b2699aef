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

#include <QLocale>
#include <QPointer>
#include <array>
#include <optional>

namespace anodix::charts {

class FrequencyPlot;

class Chastota final : public FormWindow, public Companion
{
    Q_OBJECT
public:
    Chastota(Dialogs &dialogs, const QLocale &locale);

    void showCalculation(const analysis::AnalysisInput &input, const QStringList &stageOutputs) override;
    void openBeside(QWidget *window) override;
    FormWindow &window() override { return *this; }

    // What is shown: nothing before the first calculation.
    const std::optional<response::Response> &shownResponse() const { return m_response; }

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void placeOnScreen() override;

private:
    void EksportModeli_Click();
    void EksportSkhemy_Click();

    // The stage and the boxes' texts as the response takes them.
    response::ResponseInput currentInput() const;
    // Computes the response from what is held and fills the controls.
    void refresh();

    Dialogs &m_dialogs;
    QLocale m_locale;
    std::optional<analysis::AnalysisInput> m_stage;
    // The boxes' texts, kept across openings: source, load, the three capacitances.
    std::array<QString, 5> m_boxes;
    std::optional<response::Response> m_response;
    QPointer<QWidget> m_beside;
    FormControls m_controls;
    QPointer<FrequencyPlot> m_plot;
    QList<QAction *> m_needResponse; // the "Файл" items, usable once there is a response
};

} // namespace anodix::charts
