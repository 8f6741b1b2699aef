// SPDX-License-Identifier: GPL-3.0-or-later
// The shared calculation-window frame.
#include "anodix/windows/calcwindow.h"

#include "anodix/analysis/characteristics.h"
#include "anodix/analysis/ratings.h"
#include "anodix/charts/companion.h"
#include "anodix/forms/dialogs.h"
#include "anodix/forms/filelistbox.h"
#include "anodix/forms/warningline.h"
#include "anodix/response/stagetable.h"
#include "common/numbertext.h"
#include "anodix/windows/blokpitaniya.h"
#include "anodix/tubedb/modelstore.h"

#include <QAction>
#include <QCloseEvent>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <utility>

namespace anodix {

namespace {

const QString kErrorTitle = QStringLiteral("Ошибка");

// The room a label's text takes in its parent, wrapped as the label wraps it.
QRect textRect(const QLabel *label)
{
    if (label->text().isEmpty())
        return {};
    return label->fontMetrics()
        .boundingRect(QRect(0, 0, label->width(), 10000), Qt::AlignLeft | Qt::TextWordWrap, label->text())
        .translated(label->pos());
}

} // namespace

CalcWindow::CalcWindow(const CalcWindowSpec &design, const AppContext &context)
    : FormWindow(QStringLiteral("Anodix V1.0 - ") + QString::fromUtf8(design.stage().caption), design.clientTwips)
    , m_design(design)
    , m_context(context)
    , m_database(context.workingFolder)
{
    setObjectName(QString::fromLatin1(design.stage().windowName));
}

CalcWindow::~CalcWindow() = default;

void CalcWindow::createMenus()
{
    const auto addMenu = [this](const char *name, const char *title, const char *itemName, const char *itemTitle,
                                const QKeySequence &shortcut, void (CalcWindow::*handler)()) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(title));
        menu->setObjectName(QString::fromLatin1(name));
        QAction *item = menu->addAction(QString::fromUtf8(itemTitle));
        item->setObjectName(QString::fromLatin1(itemName));
        item->setShortcut(shortcut);
        connect(item, &QAction::triggered, this, handler);
        return menu;
    };
    addMenu(m_design.fileMenuName, "Файл", "Exit", "Выход", QKeySequence(Qt::CTRL | Qt::Key_X), &CalcWindow::Exit_Click);
    QMenu *utilities = addMenu("a", "Утилиты", "Redaktor", "Редактор параметров радиоламп",
                               QKeySequence(Qt::CTRL | Qt::Key_R), &CalcWindow::Redaktor_Click);
    QAction *characteristicsItem = utilities->addAction(QStringLiteral("Характеристики и нагрузочная прямая"));
    characteristicsItem->setObjectName(QStringLiteral("Harakteristiki_Menu"));
    characteristicsItem->setShortcut(QKeySequence(Qt::Key_F6));
    connect(characteristicsItem, &QAction::triggered, this, &CalcWindow::Harakteristiki_Click);
    QAction *frequencyItem = utilities->addAction(QStringLiteral("Частотная характеристика"));
    frequencyItem->setObjectName(QStringLiteral("Chastota_Menu"));
    frequencyItem->setShortcut(QKeySequence(Qt::Key_F7));
    connect(frequencyItem, &QAction::triggered, this, &CalcWindow::Chastota_Click);
    QAction *supplyItem = utilities->addAction(QStringLiteral("Блок питания для этого каскада"));
    supplyItem->setObjectName(QStringLiteral("BlokPitaniya_Menu"));
    connect(supplyItem, &QAction::triggered, this, &CalcWindow::BlokPitaniya_Click);
    QAction *modelItem = utilities->addAction(QStringLiteral("Модель лампы"));
    modelItem->setObjectName(QStringLiteral("ModelLampy_Menu"));
    modelItem->setShortcut(QKeySequence(Qt::Key_F8));
    connect(modelItem, &QAction::triggered, this, &CalcWindow::ModelLampy_Click);
    addMenu("Help", "Справка", "Help_Abaut", "О программе", QKeySequence(Qt::CTRL | Qt::Key_A),
            &CalcWindow::Help_Abaut_Click);
}

void CalcWindow::createControls(QWidget *client)
{
    // Every name the frame uses is looked up here, so a renamed row stops the
    // first opening with its name instead of failing later.
    m_controls = buildForm(client, m_design.form);
    setBuddies(m_controls, m_design.buddies);
    setFocusOrder(m_controls, m_design.focusOrder);
    m_outputs = FormControls();
    for (const OutputRow &row : m_design.outputs)
        m_outputs.add(m_controls.get<QLabel>(row.output));
    m_file = m_controls.get<FileListBox>("File");
    auto *picture = m_controls.get<QWidget>("Image1");
    picture->setAccessibleName(QStringLiteral("Схема каскада"));
    picture->setAccessibleDescription(QString::fromUtf8(m_design.pictureDescription));
    m_warning = makeWarningLine(client);
    connect(m_file, &FileListBox::fileClicked, this, &CalcWindow::File_Click);
    connect(m_controls.get<QPushButton>("Command1"), &QPushButton::clicked, this, &CalcWindow::Command1_Click);
}

void CalcWindow::Form_Load()
{
    const RecordList records = m_database.ListTubeRecords(m_design.stage().tubeClass);
    // A missing folder is told over the opened window, which shows an empty list.
    m_file->setNames(records.names);
    m_listError = records.error;
    // Files left out are told once, not at every opening.
    if (records.refused != m_toldRefused) {
        m_toldRefused = records.refused;
        if (!records.refusedMessage.isEmpty())
            m_listError += (m_listError.isEmpty() ? QString() : QStringLiteral("\n")) + records.refusedMessage;
    }
    m_outputs.get<QLabel>("R1")->setText(QStringLiteral("0"));
    refreshOutputs();
}

void CalcWindow::afterShow()
{
    if (!m_listError.isEmpty())
        showError(std::exchange(m_listError, QString()));
}

QHash<QString, QString> CalcWindow::boxTexts() const
{
    QHash<QString, QString> texts;
    for (const ControlRow &row : m_design.form)
        if (row.kind == ControlKind::TextBox)
            texts.insert(QString::fromLatin1(row.name), m_controls.get<QLineEdit>(row.name)->text());
    return texts;
}

void CalcWindow::File_Click(const QString &fileName)
{
    // The characteristics want every line of the class; a stage that reads fewer
    // still takes a record that ends after its own lines, and gets only those.
    RecordLines record = m_database.ReadTubeRecord(m_design.stage().tubeClass, fileName);
    if (!record.ok() && m_design.shortestRecord < recordLineCount(m_design.stage().tubeClass))
        record = m_database.ReadTubeRecord(m_design.stage().tubeClass, fileName, m_design.shortestRecord);
    // A record that cannot be read leaves the tube read before in place, and
    // the list points at that tube again (or at none), so what is highlighted
    // is what "Рассчитать" uses.
    if (!record.ok()) {
        const QSignalBlocker quiet(m_file);
        if (m_loadedName.isEmpty() || !m_file->selectName(m_loadedName))
            m_file->clearSelection();
        showError(record.error);
        return;
    }
    m_recordLines = record.lines;
    m_loadedTube.lines = record.lines.mid(0, m_design.recordLines);
    m_tubeName = fileName.endsWith(QLatin1String(".lamp"), Qt::CaseInsensitive) ? fileName.chopped(5) : fileName;
    m_loadedName = fileName;
    // A limits file that cannot be used leaves the tube without ratings: the
    // record itself is fine, and a wrong rating would be worse than none.
    const LimitsRead limits = ReadTubeLimits(m_database, m_design.stage().tubeClass, fileName);
    m_limits = limits.limits;
    if (!limits.ok() && !m_refusedLimits.contains(fileName)) {
        m_refusedLimits.insert(fileName);
        showError(limits.error);
    }
    loadTubeModel();
    if (m_modelWindow)
        m_modelWindow->showTube(modelSubject());
}

void CalcWindow::loadTubeModel()
{
    const ModelLoad load = ReadTubeModel(m_database, m_design.stage().tubeClass, m_loadedName);
    m_loadedTube.model = load.model;
    m_modelPresent = load.present;
    if (!load.ok())
        showError(load.error);
}

charts::ModelSubject CalcWindow::modelSubject() const
{
    charts::ModelSubject subject;
    subject.circuit = m_design.circuit;
    subject.tubeClass = m_design.stage().tubeClass;
    subject.workingFolder = m_database.workingFolder();
    subject.fileName = m_loadedName;
    subject.record = m_recordLines;
    subject.model = m_loadedTube.model;
    subject.modelPresent = m_modelPresent;
    return subject;
}

void CalcWindow::modelChanged()
{
    if (m_loadedName.isEmpty())
        return;
    loadTubeModel();
    if (m_modelWindow)
        m_modelWindow->showTube(modelSubject());
    // Only a stage already calculated is calculated again, on the boxes as they are.
    if (m_lastSuccess && m_lastSuccess->setup.tubeName == m_tubeName)
        Command1_Click();
}

void CalcWindow::Command1_Click()
{
    stage::StageTexts texts;
    texts.boxes = boxTexts();
    texts.tubeName = m_tubeName;
    texts.record = m_recordLines;
    texts.limits = m_limits;
    texts.model = m_loadedTube.model;
    // The texts are read once, here; everything after works on the numbers.
    response::Calculation calculation = response::calculateStage(m_design.circuit, texts, m_context.locale);
    const StageResult &result = calculation.result;
    // A result this window has no label for stops the program with its name.
    for (const DisplayUpdate &update : result.updates)
        m_outputs.get<QLabel>(update.output)->setText(update.text);
    refreshOutputs();
    if (result.message) {
        showWarningLine(m_warning, twips(m_design.clientTwips.height()), {});
        m_context.dialogs.message(this, result.message->text, result.message->title, Dialogs::Icon::None);
        return;
    }
    texts.outputs = result.updates;
    keepForCompanions(std::move(texts), std::move(calculation));
    showWarningLine(m_warning, twips(m_design.clientTwips.height()), analysis::RatingWarnings(*m_lastSuccess));
}

void CalcWindow::keepForCompanions(stage::StageTexts texts, response::Calculation calculation)
{
    m_lastSuccess =
        response::solveCalculation(std::move(calculation.setup), calculation.result.solved, m_context.locale);
    m_lastTexts = std::move(texts);
    // The outputs as a screen reader names them: caption, value and unit.
    m_lastShown.clear();
    for (const OutputRow &row : m_design.outputs)
        m_lastShown.append(m_outputs.get<QLabel>(row.output)->accessibleName());
    // Only an open window is drawn at once; a closed one is given it when opened.
    for (auto &[kind, slot] : m_companions) {
        slot.current = false;
        if (slot.window && slot.window->window().isOpen())
            passLastSuccess(kind);
    }
}

void CalcWindow::passLastSuccess(charts::CompanionKind kind)
{
    CompanionSlot &slot = m_companions[kind];
    if (!slot.window || !m_lastSuccess || slot.current)
        return;
    slot.window->showCalculation(m_lastSuccess, m_lastShown);
    slot.current = true;
}

bool CalcWindow::loadCompanion(charts::CompanionKind kind)
{
    CompanionSlot &slot = m_companions[kind];
    if (slot.window)
        return true;
    QString reason;
    slot.window = charts::loadCompanion(charts::kCharacteristicsModule, kind, m_context.dialogs, m_context.locale,
                                        reason);
    if (slot.window)
        slot.window->setOpenModel([this] { ModelLampy_Click(); });
    if (!slot.window)
        showError((kind == charts::CompanionKind::Characteristics ? QStringLiteral("Окно характеристик не открывается: ")
                                  : QStringLiteral("Окно частотной характеристики не открывается: "))
                  + reason);
    return slot.window != nullptr;
}

void CalcWindow::openCompanion(charts::CompanionKind kind)
{
    if (!loadCompanion(kind))
        return;
    passLastSuccess(kind);
    m_companions[kind].window->openBeside(this);
}

void CalcWindow::closeEvent(QCloseEvent *event)
{
    FormWindow::closeEvent(event);
    // Leaving the stage window, by any way, takes its companion windows along.
    if (!event->isAccepted())
        return;
    for (auto &[kind, slot] : m_companions) {
        if (slot.window)
            slot.window->window().close();
    }
    if (m_modelWindow)
        m_modelWindow->window().close();
}

void CalcWindow::refreshOutputs()
{
    fitOutputs();
    nameOutputs(m_controls, m_design.outputs);
}

// Results are laid out afresh from the form each time, so a label is never
// narrower than the form gave it and goes back to that once its text is short again.
void CalcWindow::fitOutputs()
{
    QWidget *area = client();
    struct Placed
    {
        QLabel *label;
        const ControlRow *row;
    };
    QList<Placed> labels;
    for (const ControlRow &row : m_design.form) {
        if (row.kind != ControlKind::Label)
            continue;
        auto *label = m_controls.get<QLabel>(controlName(row.name, row.index));
        placeControl(label, row);
        labels.append({label, &row});
    }
    const int designedWidth = twips(m_design.clientTwips.width());
    area->setFixedWidth(designedWidth);

    // A result wider than its label widens it, and the unit beside it moves by as much.
    QList<const QLabel *> moved;
    for (const OutputRow &row : m_design.outputs) {
        auto *output = m_outputs.get<QLabel>(row.output);
        const int extra = output->sizeHint().width() - output->width();
        if (extra <= 0)
            continue;
        output->resize(output->width() + extra, output->height());
        moved.append(output);
        if (auto *unit = row.unit ? m_controls.get<QLabel>(row.unit) : nullptr) {
            unit->move(unit->x() + extra, unit->y());
            moved.append(unit);
        }
    }
    if (moved.isEmpty())
        return;

    // Only extreme values get this far: text that now runs into a label further
    // right pushes it aside, and the window grows where the row runs out of room.
    QHash<const QLabel *, int> carried; // a pushed output takes its unit along
    std::ranges::stable_sort(labels, {}, [](const Placed &p) { return p.row->left; });
    for (qsizetype i = 0; i < labels.size(); ++i) {
        QLabel *label = labels[i].label;
        const QRect own = textRect(label);
        if (own.isEmpty())
            continue;
        int shift = carried.value(label);
        for (qsizetype j = 0; j < i; ++j) {
            const QLabel *before = labels[j].label;
            const QRect theirs = textRect(before);
            if (!moved.contains(before) || labels[j].row->left == labels[i].row->left || theirs.isEmpty()
                || theirs.bottom() < own.top() || own.bottom() < theirs.top())
                continue;
            const int gap = before->fontMetrics().horizontalAdvance(QLatin1Char(' '));
            shift = std::max(shift, theirs.right() + 1 + gap - own.left());
        }
        if (shift <= 0)
            continue;
        label->move(label->x() + shift, label->y());
        moved.append(label);
        for (const OutputRow &row : m_design.outputs)
            if (row.unit && label->objectName() == QLatin1String(row.output))
                carried.insert(m_controls.get<QLabel>(row.unit), shift);
    }
    int right = 0;
    for (const Placed &p : std::as_const(labels))
        right = std::max(right, textRect(p.label).right() + 1);
    area->setFixedWidth(std::max(designedWidth, right + twips(120)));
}

void CalcWindow::Exit_Click() { m_context.navigator.switchTo(this, WindowId::Obshaya); }
void CalcWindow::Redaktor_Click() { m_context.navigator.switchTo(this, m_design.editor); }
void CalcWindow::Harakteristiki_Click() { openCompanion(charts::CompanionKind::Characteristics); }
void CalcWindow::Chastota_Click() { openCompanion(charts::CompanionKind::Frequency); }
void CalcWindow::ModelLampy_Click()
{
    if (!m_modelWindow) {
        QString reason;
        m_modelWindow = charts::loadModelWindow(m_context.dialogs, m_context.locale, reason);
        if (!m_modelWindow) {
            showError(QStringLiteral("Окно модели лампы не открывается: ") + reason);
            return;
        }
        m_modelWindow->setModelChanged([this] { modelChanged(); });
        // Before a tube is picked the window asks for one; File_Click passes it.
        if (!m_loadedName.isEmpty())
            m_modelWindow->showTube(modelSubject());
    }
    QList<QWidget *> companions;
    for (const auto &[kind, slot] : m_companions)
        if (slot.window && slot.window->window().isOpen())
            companions.append(&slot.window->window());
    m_modelWindow->openBeside(this, companions);
}

void CalcWindow::Help_Abaut_Click() { m_context.navigator.openAbout(); }

void CalcWindow::BlokPitaniya_Click()
{
    // The anode supply carries what the stage draws less its heaters, which
    // have a winding of their own: both tubes of a push-pull pair, screens included.
    // Ea and the heaters as the calculation read them; the power drawn as shown.
    const QString eaText = m_lastTexts.boxes.value(QStringLiteral("Ea"));
    const std::optional<double> ea = m_lastSuccess ? m_lastSuccess->setup.box("Ea").number : std::nullopt;
    std::optional<double> drawn;
    if (m_lastSuccess)
        for (const DisplayUpdate &update : m_lastTexts.outputs)
            if (update.output == QLatin1String("Vt"))
                drawn = common::toNumber(update.text, m_context.locale);
    if (!ea || !(*ea > 0) || !drawn) {
        showError(QStringLiteral("Сначала выполните расчёт каскада: ток нагрузки блока питания берётся из него."));
        return;
    }
    const stage::StageSetup &setup = m_lastSuccess->setup;
    const int tubes = m_design.stage().tubes;
    const double heaters = tubes * setup.heaterVoltage * setup.heaterCurrent;
    const double milliamps = std::max(0.0, (*drawn - heaters) / *ea * 1000);
    if (auto *supplyWindow = qobject_cast<BlokPitaniya *>(m_context.navigator.window(WindowId::BlokPitaniya)))
        supplyWindow->openFor(this, common::doubleText(common::roundSignificant(milliamps, 3), m_context.locale), eaText);
}

void CalcWindow::showError(const QString &text)
{
    m_context.dialogs.message(this, text, kErrorTitle, Dialogs::Icon::None);
}

} // namespace anodix
