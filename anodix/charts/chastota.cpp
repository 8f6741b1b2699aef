// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response window: its form, the boxes, the figures and the plot.
#include "anodix/charts/chastota.h"

#include "anodix/charts/besidestage.h"
#include "anodix/charts/frequencyplot.h"
#include "anodix/charts/spiceexport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>

namespace anodix::charts {
namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans825;
constexpr FontSpec kSans825{"Arial", 8.25};

constexpr QSize kClientTwips{12600, 8220};

// The boxes, in the order of Chastota::m_boxes.
constexpr const char *kBoxes[] = {"Istochnik", "Nagruzka", "Cvh", "Cga", "Cvyh"};
constexpr int kBoxCount = 5;
constexpr int kBoxesTop = 540, kBoxStep = 360;

constexpr ControlRow kForm[] = {
    {K::Label, "Lampa",       -1, "",  120,  120, 8280,  375, kBoldSans12},
    {K::Label, "Soobshenie",  -1, "",  120, 1200, 8280,  735, kBoldSans975},
    {K::Label, "Zamechanie",  -1, "",  120, 7380, 8280,  735, kSans825},
    {K::Label, "Podpis",       0, "Сопротивление источника сигнала, кОм", 8580, kBoxesTop + 30, 2700, 255, kSans825},
    {K::Label, "Podpis",       1, "Ёмкость нагрузки, пФ", 8580, kBoxesTop + kBoxStep + 30, 2700, 255, kSans825},
    {K::Label, "Podpis",       2, "Cgk, пФ", 8580, kBoxesTop + 2 * kBoxStep + 30, 2700, 255, kSans825},
    {K::Label, "Podpis",       3, "Cga, пФ", 8580, kBoxesTop + 3 * kBoxStep + 30, 2700, 255, kSans825},
    {K::Label, "Podpis",       4, "Cak, пФ", 8580, kBoxesTop + 4 * kBoxStep + 30, 2700, 255, kSans825},
    {K::TextBox, "Istochnik", -1, "", 11340, kBoxesTop, 1140, 315},
    {K::TextBox, "Nagruzka",  -1, "", 11340, kBoxesTop + kBoxStep, 1140, 315},
    {K::TextBox, "Cvh",       -1, "", 11340, kBoxesTop + 2 * kBoxStep, 1140, 315},
    {K::TextBox, "Cga",       -1, "", 11340, kBoxesTop + 3 * kBoxStep, 1140, 315},
    {K::TextBox, "Cvyh",      -1, "", 11340, kBoxesTop + 4 * kBoxStep, 1140, 315},
    {K::Label, "Primechanie", -1, "типичные значения — уточните по справочнику", 8580, 2400, 3900, 255, kSans825},
    {K::Label, "Nuzhny",      -1, "", 8580, 5640, 3900, 255, L},
};

constexpr ControlRow kPlotRow{K::Picture, "Grafik", -1, nullptr, 120, 540, 8280, 6780};

// Room for every figure and every part a stage has; rows past the stage's own stay empty.
constexpr int kResultRows = 5, kResultsTop = 2760, kResultStep = 570;
constexpr int kPartRows = 4, kPartsTop = 5940, kPartStep = 330;

constexpr ControlRow resultRow(int column, int index)
{
    const int top = kResultsTop + index * kResultStep;
    switch (column) {
    case 0: return {K::Label, "Nazvanie", index, "", 8580, top, 2400, 495, L};
    case 1: return {K::Label, "Znachenie", index, "", 11040, top, 900, 255, L};
    default: return {K::Label, "Edinica", index, "", 12000, top, 540, 255, L};
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

// A value label that grows with its text, its unit moving along.
void fit(QLabel *value, QLabel *unit, const ControlRow &valueRow, const ControlRow &unitRow)
{
    placeControl(value, valueRow);
    placeControl(unit, unitRow);
    if (const int extra = value->sizeHint().width() - value->width(); extra > 0) {
        value->resize(value->width() + extra, value->height());
        unit->move(unit->x() + extra, unit->y());
    }
}

} // namespace

Chastota::Chastota(Dialogs &dialogs, const QLocale &locale)
    : FormWindow(QStringLiteral("Anodix V1.0 - Частотная характеристика"), kClientTwips)
    , m_dialogs(dialogs)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("Chastota"));
}

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
    m_controls = FormControls::of(client);
    m_controls.get<QLabel>("Primechanie")->setWordWrap(true);
    for (int i = 0; i < kBoxCount; ++i) {
        auto *box = m_controls.get<QLineEdit>(kBoxes[i]);
        // Each edit is worked at once: a response takes well under a millisecond.
        connect(box, &QLineEdit::textEdited, this, [this, i](const QString &text) {
            m_boxes[i] = text;
            refresh();
        });
    }
}

void Chastota::Form_Load() { refresh(); }

void Chastota::showCalculation(const analysis::AnalysisInput &input, const QStringList &)
{
    // The boxes get their typical values with the first calculation; what the
    // user types then stays for the later ones.
    if (!m_stage) {
        const response::ResponseInput typical = response::withTypicalValues(input, m_locale);
        m_boxes = {typical.source, typical.load, typical.input, typical.anodeGrid, typical.output};
    }
    m_stage = input;
    if (isOpen())
        refresh();
}

response::ResponseInput Chastota::currentInput() const
{
    return {m_stage.value_or(analysis::AnalysisInput{}), m_boxes[0], m_boxes[1], m_boxes[2], m_boxes[3], m_boxes[4]};
}

void Chastota::refresh()
{
    const auto label = [this](const char *name, int index = -1) {
        return m_controls.get<QLabel>(controlName(name, index));
    };
    if (m_stage)
        m_response = response::ComputeResponse(currentInput(), m_locale);
    const response::Response *r = m_response && m_stage ? &*m_response : nullptr;
    const bool drawn = r && r->ok() && m_plot->setResponse(r->figures, r->point.fmin);
    if (!drawn)
        m_plot->clear();
    m_plot->setVisible(drawn);

    label("Lampa")->setText(m_stage && !m_stage->tubeName.isEmpty() ? QStringLiteral("Лампа: ") + m_stage->tubeName
                                                                     : QString());
    label("Soobshenie")->setText(!r ? kPrompt : r->problem);
    label("Soobshenie")->setVisible(!drawn);
    label("Zamechanie")->setText(drawn ? r->notes.mid(1).join(u' ') : QString());

    // The boxes, named for the stage's tube: a pentode's input and output capacitances.
    const bool pentode = m_stage && analysis::tubeTypeOf(m_stage->kind) == model::TubeType::Pentode;
    const char *captions[] = {"Сопротивление источника сигнала, кОм", "Ёмкость нагрузки, пФ",
                              pentode ? "Cвх, пФ" : "Cgk, пФ", "Cga, пФ", pentode ? "Cвых, пФ" : "Cak, пФ"};
    for (int i = 0; i < kBoxCount; ++i) {
        auto *box = m_controls.get<QLineEdit>(kBoxes[i]);
        const QString caption = QString::fromUtf8(captions[i]);
        label("Podpis", i)->setText(caption);
        box->setAccessibleName(caption);
        if (box->text() != m_boxes[i])
            box->setText(m_boxes[i]);
        box->setEnabled(m_stage.has_value());
    }

    for (int i = 0; i < kResultRows; ++i) {
        const analysis::AnalysisRow *row = drawn && i < r->rows.size() ? &r->rows.at(i) : nullptr;
        QLabel *value = label("Znachenie", i);
        label("Nazvanie", i)->setText(row ? row->caption : QString());
        value->setText(row ? row->value : QString());
        label("Edinica", i)->setText(row ? row->unit : QString());
        value->setAccessibleName(row ? row->spoken() : QString());
        fit(value, label("Edinica", i), resultRow(1, i), resultRow(2, i));
    }
    label("Nuzhny")->setText(drawn ? r->neededCaption : QString());
    for (int i = 0; i < kPartRows; ++i) {
        const analysis::AnalysisRow *row = drawn && i < r->needed.size() ? &r->needed.at(i) : nullptr;
        QLabel *value = label("Velichina", i);
        label("Detal", i)->setText(row ? row->caption : QString());
        value->setText(row ? row->value : QString());
        label("EdinicaDetali", i)->setText(row ? row->unit : QString());
        value->setAccessibleName(row ? r->neededCaption + u' ' + row->spoken() : QString());
        fit(value, label("EdinicaDetali", i), partRow(1, i), partRow(2, i));
    }
    m_plot->setAccessibleDescription(
        drawn ? QStringList{r->rows.value(0).spoken() + u' ' + r->rows.value(1).value + u' ' + r->rows.value(1).unit,
                            r->rows.value(2).spoken(), r->rows.value(3).spoken()}
                    .join(QStringLiteral("; "))
              : QString());
    for (QAction *item : std::as_const(m_needResponse))
        item->setEnabled(drawn);
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
        exportTubeModel(this, m_dialogs, currentInput(), m_locale);
}

void Chastota::EksportSkhemy_Click()
{
    if (m_stage)
        exportStageNetlist(this, m_dialogs, currentInput(), m_locale);
}

} // namespace anodix::charts
