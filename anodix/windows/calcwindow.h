// SPDX-License-Identifier: GPL-3.0-or-later
// The frame that the calculation windows share: caption, menus, the
// tube list of one class, the loaded record and the showing of results.
#pragma once

#include "anodix/analysis/characteristics.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/forms/navigator.h"
#include "anodix/stages/circuit.h"
#include "anodix/stages/stageresult.h"
#include "anodix/tubedb/tubelimits.h"
#include "anodix/tubedb/tuberecord.h"

#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <optional>
#include <span>

class QLabel;

namespace anodix {

class FileListBox;
namespace response {
struct Calculation;
}
namespace charts {
class Companion;
class ModelCompanion;
struct ModelSubject;
enum class CompanionKind;
}

// What one calculation window is made of; each window keeps one as a constant.
struct CalcWindowSpec
{
    // Its stage: the window's name and caption, the records it lists, its
    // calculation and what its companion windows show come from the stage table.
    stage::Circuit circuit;
    QSize clientTwips;
    const char *fileMenuName; // "dd", or "fa12" in Pentod
    int recordLines;          // how many lines of a record the window reads
    WindowId editor;          // opened by Redaktor
    std::span<const ControlRow> form;
    std::span<const BuddyPair> buddies;
    std::span<const char *const> focusOrder; // the first one has the focus at opening
    std::span<const OutputRow> outputs;
    const char *pictureDescription; // what the drawing shows, for screen readers
    // The fewest lines a record may have and still load (at most recordLines);
    // the stage then says what it lacks.
    int shortestRecord;

    const stage::CircuitData &stage() const { return stage::circuitData(circuit); }
};

class CalcWindow : public FormWindow
{
    Q_OBJECT
public:
    CalcWindow(const CalcWindowSpec &design, const AppContext &context);
    ~CalcWindow() override;

    const CalcWindowSpec &design() const { return m_design; }
    // The record read last; it outlives the controls, for the whole run.
    const LoadedTube &loadedTube() const { return m_loadedTube; }

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;
    void afterShow() override;
    void closeEvent(QCloseEvent *event) override;

    // Every box of the form by its objectName, with its text.
    QHash<QString, QString> boxTexts() const;

private:
    void File_Click(const QString &fileName);
    void Command1_Click();
    void Exit_Click();
    void Redaktor_Click();
    void Harakteristiki_Click();
    void Chastota_Click();
    void ModelLampy_Click();
    void Help_Abaut_Click();
    void BlokPitaniya_Click();

    void showError(const QString &text);
    // Fits the outputs to their texts and names them after each change of values.
    void refreshOutputs();
    void fitOutputs();
    // Solves a successful calculation's numbers once for the companion
    // windows, and passes it at once only to those that are open.
    void keepForCompanions(stage::StageTexts texts, response::Calculation calculation);
    void passLastSuccess(charts::CompanionKind kind); // passes the kept calculation once, into the window
    // Makes a companion window from the module on first use; false, with the
    // reason told, when the module cannot be loaded.
    bool loadCompanion(charts::CompanionKind kind);
    void openCompanion(charts::CompanionKind kind);
    // Reads the model beside the loaded record; a file that cannot be used is
    // told, and the 3/2 law is used.
    void loadTubeModel();
    charts::ModelSubject modelSubject() const;
    // The model window saved or removed the model: read it again and
    // recalculate, so the stage and its companions show it.
    void modelChanged();

    const CalcWindowSpec &m_design;
    AppContext m_context;
    TubeDatabase m_database;
    LoadedTube m_loadedTube;
    QString m_loadedName; // the list entry m_loadedTube was read from
    // Bound at each opening: the form's controls, the results among them, the list.
    FormControls m_controls;
    FormControls m_outputs;
    FileListBox *m_file = nullptr;
    // The loaded record's name without ".lamp", and its lines up to the class's
    // full count where the file has them (the stage may read fewer).
    QString m_tubeName;
    QStringList m_recordLines;
    // The characteristics and the frequency response windows, made on first use.
    struct CompanionSlot
    {
        std::unique_ptr<charts::Companion> window;
        bool current = false; // the window has the last calculation already
    };
    std::map<charts::CompanionKind, CompanionSlot> m_companions;
    std::unique_ptr<charts::ModelCompanion> m_modelWindow; // made on first use
    bool m_modelPresent = false; // a model file lies beside the loaded record
    // The last successful calculation, solved; shared with the companions.
    std::shared_ptr<const analysis::SolvedStage> m_lastSuccess;
    stage::StageTexts m_lastTexts; // what it was read from
    QStringList m_lastShown;      // its outputs as spoken
    QString m_listError; // why the list could not be filled, told once the window shows
    // The ratings beside the loaded record, and the limits files already
    // refused: each is named once, not at every pick of its tube.
    std::optional<TubeLimits> m_limits;
    QSet<QString> m_refusedLimits;
    QLabel *m_warning = nullptr; // the warning line of the current opening
    QStringList m_toldRefused; // the record files left out of the list that were told
};

} // namespace anodix
