// SPDX-License-Identifier: GPL-3.0-or-later
// The characteristics window: its form, the showing of an analysis, and the
// saving and printing of the plot and the report.
#include "anodix/charts/harakteristiki.h"

#include "anodix/charts/besidestage.h"
#include "anodix/charts/characteristicsplot.h"
#include "anodix/charts/report.h"
#include "anodix/charts/spiceexport.h"
#include "anodix/forms/dialogs.h"
#include "anodix/analysis/ratings.h"
#include "anodix/forms/formlayout.h"
#include "anodix/forms/warningline.h"
#include "anodix/tubedb/tuberecord.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <array>

namespace anodix::charts {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;
constexpr FontSpec kSans825{"Arial", 8.25};

constexpr QSize kClientTwips{12600, 8220};

constexpr ControlRow kForm[] = {
    {K::Label, "Lampa",       -1, "",  120,  120, 8280,  375, kBoldSans12},
    {K::Label, "Ishodnye",    -1, "",  120,  540, 12360, 495, kBoldSans825},
    {K::Label, "Soobshenie",  -1, "",  120, 1200, 8280,  735, L},
    {K::Label, "Primechanie", -1, "",  120, 7620, 8280,  495, kSans825},
};

// The plot fills the left part under the inputs; the results stand in a column on its right.
constexpr ControlRow kPlotRow{K::Picture, "Grafik", -1, nullptr, 120, 1080, 8280, 6480};

// Room for every result a stage has; rows past the stage's own stay empty.
constexpr int kResultRows = 10;
constexpr int kResultsTop = 1080, kResultStep = 600;

constexpr ControlRow resultRow(int column, int index)
{
    const int top = kResultsTop + index * kResultStep;
    switch (column) {
    case 0: return {K::Label, "Nazvanie", index, "", 8580, top, 2400, 495, L};
    case 1: return {K::Label, "Znachenie", index, "", 11040, top, 900, 255, L};
    default: return {K::Label, "Edinica", index, "", 12000, top, 540, 255, L};
    }
}

constexpr auto kResultForm = [] {
    std::array<ControlRow, 3 * kResultRows> rows{};
    for (int i = 0; i < kResultRows; ++i)
        for (int column = 0; column < 3; ++column)
            rows[3 * i + column] = resultRow(column, i);
    return rows;
}();

const QString kPrompt = QStringLiteral("Выберите лампу и нажмите «Рассчитать»");
const QString kErrorTitle = QStringLiteral("Ошибка");

} // namespace

Harakteristiki::Harakteristiki(Dialogs &dialogs, const QLocale &locale)
    : FormWindow(QStringLiteral("Anodix V1.0 - Характеристики и нагрузочная прямая"), kClientTwips)
    , m_dialogs(dialogs)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("Harakteristiki"));
}

void Harakteristiki::createMenus()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Файл"));
    menu->setObjectName(QStringLiteral("Fail"));
    const auto addItem = [&](const char *name, const QString &title, void (Harakteristiki::*handler)(),
                             const QKeySequence &shortcut = {}) {
        QAction *item = menu->addAction(title);
        item->setObjectName(QString::fromLatin1(name));
        item->setShortcut(shortcut);
        connect(item, &QAction::triggered, this, handler);
        m_needAnalysis.append(item);
    };
    addItem("SohranitGrafik", QStringLiteral("Сохранить график…"), &Harakteristiki::SohranitGrafik_Click);
    addItem("SohranitOtchet", QStringLiteral("Сохранить отчёт…"), &Harakteristiki::SohranitOtchet_Click);
    addItem("Pechat", QStringLiteral("Печать…"), &Harakteristiki::Pechat_Click, QKeySequence(Qt::CTRL | Qt::Key_P));
    addItem("EksportModeli", QStringLiteral("Экспорт модели лампы SPICE…"), &Harakteristiki::EksportModeli_Click);
    addItem("EksportSkhemy", QStringLiteral("Экспорт схемы каскада SPICE…"), &Harakteristiki::EksportSkhemy_Click);
    QMenu *utilities = menuBar()->addMenu(QStringLiteral("Утилиты"));
    utilities->setObjectName(QStringLiteral("a"));
    QAction *modelItem = utilities->addAction(QStringLiteral("Модель лампы"));
    modelItem->setObjectName(QStringLiteral("ModelLampy_Menu"));
    modelItem->setShortcut(QKeySequence(Qt::Key_F8));
    connect(modelItem, &QAction::triggered, this, [this] { openModel(); });
}

void Harakteristiki::createControls(QWidget *client)
{
    buildForm(client, kForm);
    buildForm(client, kResultForm);
    m_plot = new CharacteristicsPlot(m_locale, client);
    m_plot->setObjectName(QString::fromLatin1(kPlotRow.name));
    m_plot->setAccessibleName(QStringLiteral("Анодные характеристики и нагрузочные прямые"));
    placeControl(m_plot, kPlotRow);
    makeWarningLine(client);
    // Both tables' labels and the plot, checked by name once per opening.
    m_controls = FormControls::of(client);
}

void Harakteristiki::Form_Load() { refresh(); }

void Harakteristiki::showCalculation(std::shared_ptr<const analysis::SolvedStage> stage,
                                     const QStringList &stageOutputs)
{
    if (!stage)
        return;
    analysis::Analysis analysis = stage->analysis;
    if (analysis.ok())
        analysis.warnings = analysis::RatingWarnings(*stage);
    showAnalysis(std::move(analysis), stageOutputs);
    m_stage = std::move(stage);
}

void Harakteristiki::showAnalysis(analysis::Analysis analysis, QStringList stageOutputs)
{
    m_stage.reset();
    m_analysis = std::move(analysis);
    m_stageOutputs = std::move(stageOutputs);
    if (isOpen())
        refresh();
}

void Harakteristiki::refresh()
{
    const auto label = [this](const char *name, int index = -1) {
        return m_controls.get<QLabel>(controlName(name, index));
    };
    // An analysis the plot refuses (an axis without labels) is not shown at all.
    const bool drawn = m_analysis && m_analysis->ok() && m_plot->setAnalysis(*m_analysis);
    label("Lampa")->setText(m_analysis && !m_analysis->title.isEmpty() ? QStringLiteral("Лампа: ") + m_analysis->title
                                                                       : QString());
    label("Ishodnye")->setText(drawn ? m_analysis->inputLines.join(QStringLiteral("; ")) : QString());
    label("Soobshenie")->setText(!m_analysis ? kPrompt : m_analysis->problem);
    label("Soobshenie")->setVisible(!drawn);
    label("Primechanie")->setText(drawn ? m_analysis->modelNote : QString());
    m_plot->setVisible(drawn);
    if (!drawn)
        m_plot->clear();
    m_plot->setAccessibleDescription(drawn ? m_analysis->description : QString());

    for (int i = 0; i < kResultRows; ++i) {
        const analysis::AnalysisRow *row = drawn && i < m_analysis->rows.size() ? &m_analysis->rows.at(i) : nullptr;
        QLabel *caption = label("Nazvanie", i);
        QLabel *value = label("Znachenie", i);
        QLabel *unit = label("Edinica", i);
        caption->setText(row ? row->caption : QString());
        value->setText(row ? row->value : QString());
        unit->setText(row ? row->unit : QString());
        value->setAccessibleName(row ? row->spoken() : QString());
        // A value wider than its place widens it, and its unit moves along.
        const ControlRow valueRow = resultRow(1, i), unitRow = resultRow(2, i);
        placeControl(value, valueRow);
        placeControl(unit, unitRow);
        if (const int extra = value->sizeHint().width() - value->width(); extra > 0) {
            value->resize(value->width() + extra, value->height());
            unit->move(unit->x() + extra, unit->y());
        }
    }
    for (QAction *item : std::as_const(m_needAnalysis))
        item->setEnabled(drawn);
    showWarningLine(label("Preduprezhdenie"), twips(kClientTwips.height()),
                    drawn ? m_analysis->warnings : QStringList());
}

void Harakteristiki::openBeside(QWidget *window)
{
    m_beside = window;
    open();
}

void Harakteristiki::placeOnScreen()
{
    if (!m_beside) {
        FormWindow::placeOnScreen();
        return;
    }
    placeBeside(*this, *m_beside);
}

void Harakteristiki::SohranitGrafik_Click()
{
    if (!m_plot || !m_analysis || !m_analysis->ok())
        return;
    // In the order of ImageFormat.
    static const QList<FileType> kImageTypes{{QStringLiteral("Изображение PNG"), QStringLiteral("png")},
                                             {QStringLiteral("Рисунок SVG"), QStringLiteral("svg")}};
    if (const auto target = chooseFile(QStringLiteral("Сохранить график"), kImageTypes))
        save(target->path, plotImage(*m_plot, target->type == 1 ? ImageFormat::Svg : ImageFormat::Png));
}

void Harakteristiki::SohranitOtchet_Click()
{
    if (!m_plot || !m_analysis || !m_analysis->ok())
        return;
    static const QList<FileType> kReportTypes{{QStringLiteral("Отчёт PDF"), QStringLiteral("pdf")}};
    if (const auto target = chooseFile(QStringLiteral("Сохранить отчёт"), kReportTypes))
        save(target->path, pdfReport(*m_plot, {*m_analysis, m_stageOutputs}));
}

std::optional<SaveChoice> Harakteristiki::chooseFile(const QString &title, const QList<FileType> &types)
{
    return chooseSaveFile(this, m_dialogs, title, types);
}

// The stage's texts with the typical capacitances: this window has no boxes for them.
void Harakteristiki::EksportModeli_Click()
{
    if (m_stage && m_analysis && m_analysis->ok())
        exportTubeModel(this, m_dialogs, *m_stage, response::typicalBoxes(m_stage->setup.circuit, m_locale), m_locale);
}

void Harakteristiki::EksportSkhemy_Click()
{
    if (m_stage && m_analysis && m_analysis->ok())
        exportStageNetlist(this, m_dialogs, *m_stage, response::typicalBoxes(m_stage->setup.circuit, m_locale),
                           m_locale);
}

void Harakteristiki::Pechat_Click()
{
    if (!m_plot || !m_analysis || !m_analysis->ok())
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Характеристики: ") + m_analysis->title);
    if (!m_dialogs.choosePrinter(this, printer))
        return;
    QPainter painter;
    if (!painter.begin(&printer)) {
        m_dialogs.message(this, QStringLiteral("Не удалось начать печать."), kErrorTitle, Dialogs::Icon::None);
        return;
    }
    // The painter starts at the top left of the printable area.
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    const bool painted = paintReport(painter, QRectF(QPointF(0, 0), page), *m_plot, {*m_analysis, m_stageOutputs});
    if (!painter.end() || !painted)
        m_dialogs.message(this, QStringLiteral("Не удалось напечатать: график не нарисован."), kErrorTitle,
                          Dialogs::Icon::None);
}

void Harakteristiki::save(const QString &path, const Rendering &contents)
{
    // Nothing is written from a failed rendering: an empty file would replace a good one.
    const QString reason = contents.failure.isEmpty() ? SaveWholeFile(path, contents.bytes) : contents.failure;
    if (!reason.isEmpty())
        m_dialogs.message(this, QStringLiteral("Не удалось сохранить файл «%1»: %2.").arg(path, reason), kErrorTitle,
                          Dialogs::Icon::None);
}

} // namespace anodix::charts
