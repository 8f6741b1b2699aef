// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response window: its form, the boxes, the figures and the plot.
#include "anodix/charts/chastota.h"

#include "anodix/charts/besidestage.h"
#include "anodix/charts/frequencyplot.h"
#include "anodix/charts/spiceexport.h"

#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/stages/numbertext.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>

namespace anodix::charts {
namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans825;
constexpr FontSpec kSans825{"Arial", 8.25};

constexpr QSize kClientTwips{13500, 8220};

// The boxes, in the order of Chastota::m_boxes.
constexpr const char *kBoxes[] = {"Istochnik", "Nagruzka", "Cvh", "Cga", "Cvyh"};
constexpr int kBoxCount = 5;
constexpr int kBoxesTop = 540, kBoxStep = 360;

constexpr ControlRow kForm[] = {
    {K::Label, "Lampa",       -1, "",  120,  120, 8280,  375, kBoldSans12},
    {K::Label, "Soobshenie",  -1, "",  120, 1200, 8280,  735, kBoldSans975},
    {K::Label, "Garmoniki",   -1, "",  120, 7380, 8280,  315, L},
    {K::Label, "Zamechanie",  -1, "",  120, 7740, 8280,  435, kSans825},
    {K::Button, "Modelirovat", -1, "Моделировать в ngspice", 8580, 7380, 3000, 375},
    {K::Button, "Otmena",     -1, "Отмена", 11880, 7380, 1500, 375},
    {K::Label, "Podpis",       0, "Сопротивление источника сигнала, кОм", 8580, kBoxesTop + 30, 3500, 255, kSans825},
    {K::Label, "Podpis",       1, "Ёмкость нагрузки, пФ", 8580, kBoxesTop + kBoxStep + 30, 3500, 255, kSans825},
    {K::Label, "Podpis",       2, "Cgk, пФ", 8580, kBoxesTop + 2 * kBoxStep + 30, 3500, 255, kSans825},
    {K::Label, "Podpis",       3, "Cga, пФ", 8580, kBoxesTop + 3 * kBoxStep + 30, 3500, 255, kSans825},
    {K::Label, "Podpis",       4, "Cak, пФ", 8580, kBoxesTop + 4 * kBoxStep + 30, 3500, 255, kSans825},
    {K::TextBox, "Istochnik", -1, "", 12180, kBoxesTop, 1140, 315},
    {K::TextBox, "Nagruzka",  -1, "", 12180, kBoxesTop + kBoxStep, 1140, 315},
    {K::TextBox, "Cvh",       -1, "", 12180, kBoxesTop + 2 * kBoxStep, 1140, 315},
    {K::TextBox, "Cga",       -1, "", 12180, kBoxesTop + 3 * kBoxStep, 1140, 315},
    {K::TextBox, "Cvyh",      -1, "", 12180, kBoxesTop + 4 * kBoxStep, 1140, 315},
    {K::Label, "Primechanie", -1, "типичные значения — уточните по справочнику", 8580, 2400, 4800, 255, kSans825},
    {K::Label, "Nuzhny",      -1, "", 8580, 5640, 4800, 255, L},
};

constexpr ControlRow kPlotRow{K::Picture, "Grafik", -1, nullptr, 120, 540, 8280, 6780};
constexpr ControlRow kProgressRow{K::Picture, "Hod", -1, nullptr, 8580, 7860, 4800, 255};

// Room for every figure and every part a stage has; rows past the stage's own stay empty.
constexpr int kResultRows = 5, kResultsTop = 2760, kResultStep = 570;
constexpr int kPartRows = 4, kPartsTop = 5940, kPartStep = 330;

constexpr ControlRow resultRow(int column, int index)
{
    const int top = kResultsTop + index * kResultStep;
    switch (column) {
    case 0: return {K::Label, "Nazvanie", index, "", 8580, top, 3240, 495, L};
    case 1: return {K::Label, "Znachenie", index, "", 11880, top, 900, 255, L};
    default: return {K::Label, "Edinica", index, "", 12840, top, 540, 255, L};
    }
}

constexpr ControlRow partRow(int column, int index)
{
    const int top = kPartsTop + index * kPartStep;
    switch (column) {
    case 0: return {K::Label, "Detal", index, "", 8580, top, 900, 255, L};
    case 1: return {K::Label, "Velichina", index, "", 9540, top, 1200, 255, L};
    default: return {K::Label, "EdinicaDetali", index, "", 10800, top, 600, 255, L};
    }
}

constexpr auto kResultForm = [] {
    std::array<ControlRow, 3 * (kResultRows + kPartRows)> rows{};
    for (int column = 0; column < 3; ++column) {
        for (int i = 0; i < kResultRows; ++i)
            rows[3 * i + column] = resultRow(column, i);
        for (int i = 0; i < kPartRows; ++i)
            rows[3 * (kResultRows + i) + column] = partRow(column, i);
    }
    return rows;
}();

const QString kPrompt = QStringLiteral("Выберите лампу и нажмите «Рассчитать»");
const QString kErrorTitle = QStringLiteral("Ошибка");

} // namespace

Chastota::Chastota(Dialogs &dialogs, const QLocale &locale)
    : FormWindow(QStringLiteral("Anodix V1.0 - Частотная характеристика"), kClientTwips)
    , m_dialogs(dialogs)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("Chastota"));
    m_findNgspice = [] { return QStandardPaths::findExecutable(QStringLiteral("ngspice")); };
    connect(&m_run, &response::SpiceRun::finished, this, &Chastota::runFinished);
}

// A run still going ends with the window, quietly: the run's own destructor.
Chastota::~Chastota() = default;

void Chastota::createMenus()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Файл"));
    menu->setObjectName(QStringLiteral("Fail"));
    const auto addItem = [&](const char *name, const QString &title, void (Chastota::*handler)()) {
        QAction *item = menu->addAction(title);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
        m_needResponse.append(item);
    };
    addItem("EksportModeli", QStringLiteral("Экспорт модели лампы SPICE…"), &Chastota::EksportModeli_Click);
    addItem("EksportSkhemy", QStringLiteral("Экспорт схемы каскада SPICE…"), &Chastota::EksportSkhemy_Click);
}

void Chastota::createControls(QWidget *client)
{
    buildForm(client, kForm);
    buildForm(client, kResultForm);
    m_plot = new FrequencyPlot(m_locale, client);
    m_plot->setObjectName(QString::fromLatin1(kPlotRow.name));
    m_plot->setAccessibleName(QStringLiteral("Частотная характеристика каскада"));
    placeControl(m_plot, kPlotRow);
    auto *progress = new QProgressBar(client);
    progress->setObjectName(QString::fromLatin1(kProgressRow.name));
    progress->setAccessibleName(QStringLiteral("Идёт моделирование в ngspice"));
    progress->setRange(0, 0); // a run tells nothing of how far it is
    progress->setTextVisible(false);
    placeControl(progress, kProgressRow);
    m_controls = FormControls::of(client);
    connect(m_controls.get<QPushButton>("Modelirovat"), &QPushButton::clicked, this, &Chastota::Modelirovat_Click);
    connect(m_controls.get<QPushButton>("Otmena"), &QPushButton::clicked, this, &Chastota::Otmena_Click);
    m_controls.get<QLabel>("Primechanie")->setWordWrap(true);
    for (int i = 0; i < kBoxCount; ++i) {
        auto *box = m_controls.get<QLineEdit>(kBoxes[i]);
        // Each edit is worked at once: a response takes well under a millisecond.
        connect(box, &QLineEdit::textEdited, this, [this, i](const QString &text) {
            m_boxes[i] = text;
            ++m_generation;
            m_simulation.reset();
            refresh();
        });
    }
}

void Chastota::Form_Load()
{
    refresh();
    showRunning(m_run.isRunning());
}

void Chastota::showCalculation(std::shared_ptr<const analysis::SolvedStage> stage, const QStringList &)
{
    if (!stage)
        return;
    // The boxes get their typical values with the first calculation; what the
    // user types then stays for the later ones.
    if (!m_stage) {
        const response::ResponseBoxes typical = response::typicalBoxes(stage->setup.circuit, m_locale);
        m_boxes = {typical.source, typical.load, typical.input, typical.anodeGrid, typical.output};
    }
    m_stage = std::move(stage);
    ++m_generation;
    m_simulation.reset();
    if (isOpen())
        refresh();
}

response::ResponseBoxes Chastota::currentBoxes() const
{
    return {m_boxes[0], m_boxes[1], m_boxes[2], m_boxes[3], m_boxes[4]};
}

void Chastota::refresh()
{
    const auto label = [this](const char *name, int index = -1) {
        return m_controls.get<QLabel>(controlName(name, index));
    };
    if (m_stage)
        m_response = response::stageEntry(m_stage->setup.circuit).response(*m_stage, currentBoxes(), m_locale);
    const response::Response *r = m_response && m_stage ? &*m_response : nullptr;
    const bool drawn = r && r->ok() && m_plot->setResponse(r->figures, r->point.fmin);
    if (!drawn)
        m_plot->clear();
    m_plot->setVisible(drawn);

    label("Lampa")->setText(m_stage && !m_stage->setup.tubeName.isEmpty()
                                ? QStringLiteral("Лампа: ") + m_stage->setup.tubeName
                                : QString());
    label("Soobshenie")->setText(!r ? kPrompt : r->problem);
    label("Soobshenie")->setVisible(!drawn);
    label("Zamechanie")->setText(drawn ? r->notes.mid(1).join(u' ') : QString());

    // The boxes, named for the stage's tube: a pentode's input and output capacitances.
    const bool pentode = m_stage && stage::circuitData(m_stage->setup.circuit).tube == model::TubeType::Pentode;
    const char *captions[] = {"Сопротивление источника сигнала, кОм", "Ёмкость нагрузки, пФ",
                              pentode ? "Cвх, пФ" : "Cgk, пФ", "Cga, пФ", pentode ? "Cвых, пФ" : "Cak, пФ"};
    for (int i = 0; i < kBoxCount; ++i) {
        auto *box = m_controls.get<QLineEdit>(kBoxes[i]);
        const QString caption = QString::fromUtf8(captions[i]);
        label("Podpis", i)->setText(caption);
        box->setAccessibleName(caption);
        if (box->text() != m_boxes[i])
            box->setText(m_boxes[i]);
        box->setEnabled(m_stage != nullptr);
    }

    for (int i = 0; i < kResultRows; ++i) {
        const analysis::AnalysisRow *row = drawn && i < r->rows.size() ? &r->rows.at(i) : nullptr;
        QLabel *value = label("Znachenie", i);
        label("Nazvanie", i)->setText(row ? row->caption : QString());
        value->setText(row ? row->value : QString());
        label("Edinica", i)->setText(row ? row->unit : QString());
        value->setAccessibleName(row ? row->spoken() : QString());
        placeValueAndUnit(value, label("Edinica", i), resultRow(1, i), resultRow(2, i));
    }
    label("Nuzhny")->setText(drawn ? r->neededCaption : QString());
    for (int i = 0; i < kPartRows; ++i) {
        const analysis::AnalysisRow *row = drawn && i < r->needed.size() ? &r->needed.at(i) : nullptr;
        QLabel *value = label("Velichina", i);
        label("Detal", i)->setText(row ? row->caption : QString());
        value->setText(row ? row->value : QString());
        label("EdinicaDetali", i)->setText(row ? row->unit : QString());
        value->setAccessibleName(row ? r->neededCaption + u' ' + row->spoken() : QString());
        placeValueAndUnit(value, label("EdinicaDetali", i), partRow(1, i), partRow(2, i));
    }
    m_plot->setAccessibleDescription(
        drawn ? QStringList{r->rows.value(0).spoken(), r->rows.value(1).spoken(), r->rows.value(2).spoken()}
                    .join(QStringLiteral("; "))
              : QString());
    for (QAction *item : std::as_const(m_needResponse))
        item->setEnabled(drawn);
    m_controls.get<QPushButton>("Modelirovat")->setEnabled(drawn && !m_run.isRunning());
    showSimulation();
}

void Chastota::showSimulation()
{
    const bool shown = m_simulation && m_plot && m_plot->isVisible();
    if (m_plot)
        m_plot->setSimulated(shown ? m_simulation->points : QList<response::ResponsePoint>{});
    QString text;
    if (shown) {
        const auto percent = [&](double value) { return fixedText(value, 2, m_locale); };
        QStringList parts;
        for (int i = 0; i < int(m_simulation->harmonics.size()); ++i)
            parts << QStringLiteral("H%1 = %2 %").arg(i + 2).arg(percent(m_simulation->harmonics[i]));
        parts << QStringLiteral("THD = %1 %").arg(percent(m_simulation->thd));
        text = QStringLiteral("ngspice: ") + parts.join(QStringLiteral(", "));
    }
    auto *label = m_controls.get<QLabel>("Garmoniki");
    label->setText(text);
    label->setAccessibleName(text);
}

void Chastota::showRunning(bool running)
{
    if (!isOpen())
        return;
    m_controls.get<QWidget>("Hod")->setVisible(running);
    m_controls.get<QPushButton>("Otmena")->setVisible(running);
    m_controls.get<QPushButton>("Modelirovat")->setEnabled(!running && m_response && m_response->ok());
}

void Chastota::Modelirovat_Click()
{
    if (m_run.isRunning() || !m_stage || !m_response || !m_response->ok())
        return;
    const QString ngspice = m_findNgspice ? m_findNgspice() : QString();
    if (ngspice.isEmpty()) {
        m_dialogs.message(this, QStringLiteral("Программа ngspice не найдена. Установите пакет ngspice."),
                          kErrorTitle, Dialogs::Icon::None);
        return;
    }
    m_runGeneration = m_generation;
    const QString failure =
        m_run.start(ngspice, response::stageEntry(m_stage->setup.circuit).netlist(*m_response, m_stage->setup.tubeName),
                    m_response->figures.gain);
    if (!failure.isEmpty()) {
        m_dialogs.message(this, QStringLiteral("Моделирование не запущено: ") + failure + u'.', kErrorTitle,
                          Dialogs::Icon::None);
        return;
    }
    showRunning(m_run.isRunning());
}

void Chastota::Otmena_Click() { stopRun(); }

void Chastota::stopRun()
{
    m_run.stop();
    showRunning(false);
}

void Chastota::runFinished(const std::optional<response::Simulation> &simulation, const QString &problem)
{
    showRunning(false);
    if (!problem.isEmpty()) {
        m_dialogs.message(this, problem, kErrorTitle, Dialogs::Icon::None);
        return;
    }
    // Figures for a stage or boxes that have changed since would mislead.
    if (m_runGeneration != m_generation)
        return;
    m_simulation = simulation;
    if (isOpen())
        showSimulation();
}

void Chastota::closeEvent(QCloseEvent *event)
{
    FormWindow::closeEvent(event);
    if (event->isAccepted())
        stopRun();
}

void Chastota::openBeside(QWidget *window)
{
    m_beside = window;
    open();
}

void Chastota::placeOnScreen()
{
    if (!m_beside) {
        FormWindow::placeOnScreen();
        return;
    }
    placeBeside(*this, *m_beside);
}

void Chastota::EksportModeli_Click()
{
    if (m_stage)
        exportTubeModel(this, m_dialogs, *m_stage, currentBoxes(), m_locale);
}

void Chastota::EksportSkhemy_Click()
{
    if (m_stage)
        exportStageNetlist(this, m_dialogs, *m_stage, currentBoxes(), m_locale);
}

} // namespace anodix::charts
