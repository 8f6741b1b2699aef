// SPDX-License-Identifier: GPL-3.0-or-later
// The model window beside a calculation window: the tube's model in use over
// the points measured on it, the import of measurements, the fit in the
// background, and the model file beside the record kept or removed.
#pragma once

#include "anodix/analysis/modelview.h"
#include "anodix/charts/companion.h"
#include "anodix/forms/dialogs.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/tubemodel/fit.h"

#include <QLocale>
#include <QPointer>
#include <atomic>
#include <memory>
#include <optional>

class QThread;

namespace anodix::charts {

class ModelPlot;

class ModelLampy final : public FormWindow, public ModelCompanion
{
    Q_OBJECT
public:
    ModelLampy(Dialogs &dialogs, const QLocale &locale);
    ~ModelLampy() override;

    void showTube(const ModelSubject &tube) override;
    void openBeside(QWidget *window, const QList<QWidget *> &keepClear) override;
    FormWindow &window() override { return *this; }

    // What is shown, for tests: the model in use over the points imported.
    const std::optional<analysis::ModelView> &shownView() const { return m_view; }
    // True while a fit runs in the background.
    bool fitting() const { return m_fit != nullptr; }

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void placeOnScreen() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void ImportIzmereniy_Click();
    void SohranitModel_Click();
    void UdalitModel_Click();
    void EksportModeli_Click();
    void Podobrat_Click();
    void Otmena_Click();

    // The model shown: the one fitted here and not yet saved, else the one
    // the calculations use (none: the 3/2 law).
    std::shared_ptr<const model::ModelFile> modelInUse() const;
    void fitFinished(int run, const model::FitResult &result);
    void stopFit(); // the running fit is cancelled and waited for; nothing is told
    void showFitting(bool running, int percent = 0);
    void showNotes(); // the record's note and what the last fit came to
    // Computes the view from what is held and fills the controls.
    void refresh();
    void tell(const QString &text, const QString &title);

    Dialogs &m_dialogs;
    QLocale m_locale;
    std::optional<ModelSubject> m_subject;
    std::shared_ptr<const model::ModelFile> m_candidate; // fitted here, not saved yet
    std::vector<model::MeasuredPoint> m_points;          // the points imported last
    QStringList m_pointFiles;                      // their files' names
    QString m_fitNote;                             // what the last fit came to
    std::optional<analysis::ModelView> m_view;
    QPointer<QWidget> m_beside;
    QList<QPointer<QWidget>> m_keepClear;
    FormControls m_controls;
    QPointer<ModelPlot> m_plot;

    // The fit running in the background: its thread, its cancel flag, and its
    // number (a fit stopped because the tube changed is dropped when it ends).
    QThread *m_fit = nullptr;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    int m_fitRun = 0;
};

} // namespace anodix::charts
