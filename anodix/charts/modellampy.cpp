// SPDX-License-Identifier: GPL-3.0-or-later
// The model window: its form, the showing of the model over the measured
// points, the import, the fit in the background and the model file.
#include "anodix/charts/modellampy.h"

#include "anodix/charts/besidestage.h"
#include "anodix/charts/modelplot.h"
#include "anodix/charts/spiceexport.h"
#include "anodix/tubedb/modelstore.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <utility>

namespace anodix::charts {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans825;
constexpr FontSpec kSans825{"Arial", 8.25};

constexpr QSize kClientTwips{12600, 8220};

constexpr ControlRow kForm[] = {
    {K::Label, "Lampa",       -1, "",  120,  120, 8280,  375, kBoldSans12},
    {K::Label, "ModelPodpis", -1, "Модель:", 120, 540, 900, 255, L},
    {K::Label, "Model",       -1, "", 1020,  540, 7380,  255, L},
    {K::Label, "Soobshenie",  -1, "",  120, 1200, 8280,  735, kBoldSans975},
    {K::Label, "Zamechanie",  -1, "",  120, 7500, 8280,  615, kSans825},
    {K::Label, "Tochki",      -1, "", 8580, 4860, 3900,  735, kSans825},
    {K::Button, "Podobrat",   -1, "Подобрать", 8580, 6660, 1860, 375},
    {K::Button, "Otmena",     -1, "Отмена", 10620, 6660, 1860, 375},
};

constexpr ControlRow kPlotRow{K::Picture, "Grafik", -1, nullptr, 120, 900, 8280, 6540};
constexpr ControlRow kProgressRow{K::Picture, "Hod", -1, nullptr, 8580, 7140, 3900, 255};

// The parameters of the model in use; rows past its own stay empty.
constexpr int kParameterRows = 7, kParametersTop = 900, kParameterStep = 300;
// The two errors of the model over the measured points.
constexpr int kErrorRows = 2, kErrorsTop = 3180, kErrorStep = 780;

constexpr ControlRow parameterRow(int column, int index)
{
    const int top = kParametersTop + index * kParameterStep;
    switch (column) {
    case 0: return {K::Label, "Parametr", index, "", 8580, top, 1500, 255, L};
    case 1: return {K::Label, "ParametrZnachenie", index, "", 10140, top, 1500, 255, L};
    default: return {K::Label, "ParametrEdinica", index, "", 11700, top, 780, 255, L};
    }
}

constexpr ControlRow errorRow(int column, int index)
{
    const int top = kErrorsTop + index * kErrorStep;
    switch (column) {
    case 0: return {K::Label, "Nazvanie", index, "", 8580, top, 2400, 495, L};
    case 1: return {K::Label, "Znachenie", index, "", 11040, top, 900, 255, L};
    default: return {K::Label, "Edinica", index, "", 12000, top, 540, 255, L};
    }
}

constexpr auto kResultForm = [] {
    std::array<ControlRow, 3 * (kParameterRows + kErrorRows)> rows{};
    for (int column = 0; column < 3; ++column) {
        for (int i = 0; i < kParameterRows; ++i)
            rows[3 * i + column] = parameterRow(column, i);
        for (int i = 0; i < kErrorRows; ++i)
            rows[3 * (kParameterRows + i) + column] = errorRow(column, i);
    }
    return rows;
}();

const QString kPrompt = QStringLiteral("Выберите лампу в окне каскада");
const QString kErrorTitle = QStringLiteral("Ошибка");
const QString kTitle = QStringLiteral("Модель лампы");

void showRow(const analysis::AnalysisRow *row, QLabel *caption, QLabel *value, QLabel *unit)
{
    caption->setText(row ? row->caption : QString());
    value->setText(row ? row->value : QString());
    unit->setText(row ? row->unit : QString());
    value->setAccessibleName(row ? row->spoken() : QString());
}

} // namespace

ModelLampy::ModelLampy(Dialogs &dialogs, const QLocale &locale)
    : FormWindow(QStringLiteral("Anodix V1.0 - Модель лампы"), kClientTwips)
    , m_dialogs(dialogs)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("ModelLampy"));
}

ModelLampy::~ModelLampy() { stopFit(); }

void ModelLampy::createMenus()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Файл"));
    menu->setObjectName(QStringLiteral("Fail"));
    const auto addItem = [&](const char *name, const QString &title, void (ModelLampy::*handler)()) {
        QAction *item = menu->addAction(title);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, handler);
    };
    addItem("ImportIzmereniy", QStringLiteral("Импорт измерений…"), &ModelLampy::ImportIzmereniy_Click);
    addItem("SohranitModel", QStringLiteral("Сохранить модель"), &ModelLampy::SohranitModel_Click);
    addItem("UdalitModel", QStringLiteral("Удалить модель"), &ModelLampy::UdalitModel_Click);
    addItem("EksportModeli", QStringLiteral("Экспорт модели лампы SPICE…"), &ModelLampy::EksportModeli_Click);
}

void ModelLampy::createControls(QWidget *client)
{
    buildForm(client, kForm);
    buildForm(client, kResultForm);
    m_plot = new ModelPlot(m_locale, client);
    m_plot->setObjectName(QString::fromLatin1(kPlotRow.name));
    m_plot->setAccessibleName(QStringLiteral("Анодные характеристики модели и измеренные точки"));
    placeControl(m_plot, kPlotRow);
    auto *progress = new QProgressBar(client);
    progress->setObjectName(QString::fromLatin1(kProgressRow.name));
    progress->setAccessibleName(QStringLiteral("Идёт подбор модели"));
    progress->setRange(0, 100);
    progress->setTextVisible(false);
    placeControl(progress, kProgressRow);
    m_controls = FormControls::of(client);
    m_controls.get<QLabel>("Model")->setAccessibleName(QStringLiteral("Модель:"));
    for (const char *name : {"Zamechanie", "Tochki", "Soobshenie"})
        m_controls.get<QLabel>(name)->setWordWrap(true);
    connect(m_controls.get<QPushButton>("Podobrat"), &QPushButton::clicked, this, &ModelLampy::Podobrat_Click);
    connect(m_controls.get<QPushButton>("Otmena"), &QPushButton::clicked, this, &ModelLampy::Otmena_Click);
}

void ModelLampy::Form_Load()
{
    refresh();
    showFitting(m_fit != nullptr);
}

void ModelLampy::showTube(const ModelSubject &tube)
{
    // Another tube drops what was imported and fitted for the last one; the
    // same record read again (changed in the editor, say) keeps its measurements.
    const bool sameTube =
        m_subject && m_subject->workingFolder == tube.workingFolder && m_subject->fileName == tube.fileName;
    if (!sameTube) {
        stopFit();
        m_candidate.reset();
        m_points = {};
        m_pointFiles.clear();
        m_fitNote.clear();
    }
    m_subject = tube;
    if (isOpen())
        refresh();
}

void ModelLampy::openBeside(QWidget *window, const QList<QWidget *> &keepClear)
{
    m_beside = window;
    m_keepClear.clear();
    for (QWidget *other : keepClear)
        m_keepClear.append(other);
    open();
}

void ModelLampy::placeOnScreen()
{
    if (!m_beside) {
        FormWindow::placeOnScreen();
        return;
    }
    QList<const QWidget *> others;
    for (const QPointer<QWidget> &other : std::as_const(m_keepClear))
        if (other && other->isVisible())
            others.append(other);
    placeBeside(*this, *m_beside, others);
}

void ModelLampy::closeEvent(QCloseEvent *event)
{
    stopFit();
    FormWindow::closeEvent(event);
}

std::shared_ptr<const model::ModelFile> ModelLampy::modelInUse() const
{
    if (m_candidate)
        return m_candidate;
    return m_subject ? m_subject->model : nullptr;
}

void ModelLampy::refresh()
{
    const auto label = [this](const char *name, int index = -1) {
        return m_controls.get<QLabel>(controlName(name, index));
    };
    m_view.reset();
    if (m_subject) {
        analysis::ModelViewInput input;
        input.type = stage::circuitData(m_subject->circuit).tube;
        input.record = m_subject->record;
        input.model = modelInUse();
        input.points = m_points;
        m_view = analysis::ViewModel(input, m_locale);
    }
    const bool drawn = m_view && m_view->ok() && m_plot->setView(*m_view);
    label("Lampa")->setText(m_subject ? QStringLiteral("Лампа: ") + QFileInfo(m_subject->fileName).completeBaseName()
                                      : QString());
    label("Model")->setText(m_view ? m_view->modelName : QString());
    label("Model")->setAccessibleName(QStringLiteral("Модель: ") + label("Model")->text());
    label("Soobshenie")->setText(!m_subject ? kPrompt : m_view->problem);
    label("Soobshenie")->setVisible(!drawn);
    m_plot->setVisible(drawn);
    if (!drawn)
        m_plot->clear();
    m_plot->setAccessibleDescription(drawn ? m_view->description : QString());
    showNotes();
    label("Tochki")->setText(m_pointFiles.isEmpty()
                                 ? QStringLiteral("Измерения не загружены")
                                 : QStringLiteral("Измерено точек: %1 (%2)")
                                       .arg(m_points.size())
                                       .arg(m_pointFiles.join(QStringLiteral(", "))));

    for (int i = 0; i < kParameterRows; ++i) {
        const bool has = m_view && i < m_view->parameters.size();
        showRow(has ? &m_view->parameters.at(i) : nullptr, label("Parametr", i), label("ParametrZnachenie", i),
                label("ParametrEdinica", i));
        placeValueAndUnit(label("ParametrZnachenie", i), label("ParametrEdinica", i), parameterRow(1, i), parameterRow(2, i));
    }
    for (int i = 0; i < kErrorRows; ++i) {
        const bool has = m_view && i < m_view->errors.size();
        showRow(has ? &m_view->errors.at(i) : nullptr, label("Nazvanie", i), label("Znachenie", i),
                label("Edinica", i));
        placeValueAndUnit(label("Znachenie", i), label("Edinica", i), errorRow(1, i), errorRow(2, i));
    }
    findChild<QAction *>(QStringLiteral("SohranitModel"))->setEnabled(m_candidate != nullptr);
    findChild<QAction *>(QStringLiteral("UdalitModel"))->setEnabled(m_subject && m_subject->modelPresent);
    findChild<QAction *>(QStringLiteral("ImportIzmereniy"))->setEnabled(m_subject.has_value() && !m_fit);
    findChild<QAction *>(QStringLiteral("EksportModeli"))->setEnabled(drawn);
    m_controls.get<QPushButton>("Podobrat")->setEnabled(!m_points.empty() && !m_fit);
}

void ModelLampy::showNotes()
{
    if (!isOpen())
        return;
    QStringList notes;
    if (m_view && !m_view->note.isEmpty())
        notes.append(m_view->note);
    if (!m_fitNote.isEmpty())
        notes.append(m_fitNote);
    m_controls.get<QLabel>("Zamechanie")->setText(notes.join(u' '));
}

void ModelLampy::showFitting(bool running, int percent)
{
    if (!isOpen())
        return;
    auto *progress = m_controls.get<QProgressBar>("Hod");
    progress->setVisible(running);
    progress->setValue(percent);
    m_controls.get<QPushButton>("Otmena")->setVisible(running);
    m_controls.get<QPushButton>("Podobrat")->setEnabled(!running && !m_points.empty());
    findChild<QAction *>(QStringLiteral("ImportIzmereniy"))->setEnabled(!running && m_subject.has_value());
}

void ModelLampy::ImportIzmereniy_Click()
{
    if (!m_subject || m_fit)
        return;
    // The curve tracer's data sets name their files ".dat"; the format is told by the text, not the name.
    static const QList<FileType> kTypes{{QStringLiteral("Измерения характериографа"), QStringLiteral("dat")},
                                        {QStringLiteral("Измерения характериографа"), QStringLiteral("txt")},
                                        {QStringLiteral("Таблица CSV"), QStringLiteral("csv")}};
    const QStringList paths = m_dialogs.openFileNames(this, QStringLiteral("Импорт измерений"), kTypes);
    if (paths.isEmpty())
        return;
    const MeasurementImport imported = ImportMeasurementFiles(paths);
    if (!imported.ok()) {
        tell(imported.error, kErrorTitle);
        return;
    }
    // A triode's points with screen columns, or a pentode's without, fit no model of the tube.
    const bool pentode = stage::circuitData(m_subject->circuit).tube == model::TubeType::Pentode;
    const auto wrong = std::ranges::find_if(imported.points, [&](const model::MeasuredPoint &p) {
        return p.hasScreen != pentode;
    });
    if (wrong != imported.points.end()) {
        tell(pentode ? QStringLiteral("В измерениях нет столбцов сетки 2 (Ug2, Ig2): по ним нельзя подобрать модель "
                                      "пентода.")
                     : QStringLiteral("В измерениях есть столбцы сетки 2 (Ug2, Ig2): это измерения пентода, а не "
                                      "триода."),
             kErrorTitle);
        return;
    }
    stopFit();
    m_points = imported.points;
    m_pointFiles = imported.files;
    m_candidate.reset();
    m_fitNote = imported.limitedRows > 0
        ? QStringLiteral("Строк на пределе тока источника пропущено: %1.").arg(imported.limitedRows)
        : QString();
    refresh();
}

void ModelLampy::Podobrat_Click()
{
    if (!m_subject || m_points.empty() || m_fit)
        return;
    const model::TubeType type = stage::circuitData(m_subject->circuit).tube;
    const model::ModelKind kind =
        type == model::TubeType::Triode ? model::ModelKind::KorenTriode : model::ModelKind::KorenPentode;
    // The fit starts from the record's 3/2 law and must beat it, whatever model is in use.
    const model::TubeFigures figures = analysis::RecordFigures(type, m_subject->record, m_locale);
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    m_cancel = cancel;
    const int run = ++m_fitRun;
    const std::string source = m_pointFiles.join(QStringLiteral(", ")).toStdString();
    // The window outlives the thread (it waits for it when closed or gone),
    // and what the thread posts to a deleted window is dropped by Qt.
    m_fit = QThread::create([this, run, kind, figures, points = m_points, cancel, source] {
        model::FitOptions options;
        options.cancel = cancel.get();
        options.source = source;
        options.progress = [this, run](int percent) {
            QMetaObject::invokeMethod(this, [this, run, percent] {
                if (run == m_fitRun && m_fit)
                    showFitting(true, percent);
            }, Qt::QueuedConnection);
        };
        const model::FitResult result = model::fitModel(kind, figures, points, options);
        QMetaObject::invokeMethod(this, [this, run, result] { fitFinished(run, result); }, Qt::QueuedConnection);
    });
    m_fit->start();
    // Only the note and the buttons change: the plot stays as it is while the fit runs.
    m_fitNote = QStringLiteral("Идёт подбор модели…");
    showNotes();
    showFitting(true, 0);
}

void ModelLampy::Otmena_Click()
{
    if (m_cancel)
        m_cancel->store(true);
}

void ModelLampy::fitFinished(int run, const model::FitResult &result)
{
    if (run != m_fitRun || !m_fit)
        return; // stopped because the tube or the points changed
    m_fit->wait();
    delete std::exchange(m_fit, nullptr);
    m_cancel.reset();
    if (result.ok()) {
        m_candidate = std::make_shared<const model::ModelFile>(result.model);
        m_fitNote = QStringLiteral("Модель подобрана по %1 точкам. Сохраните её, чтобы расчёты её использовали.")
                        .arg(result.model.points);
    } else if (result.status == model::FitStatus::Cancelled) {
        m_fitNote = QStringLiteral("Подбор отменён; используется прежняя модель.");
    } else {
        // The reason ends by saying that the model in use stays.
        const QString reason = QString::fromStdString(result.reason);
        m_fitNote = QStringLiteral("Модель не подобрана: %1.").arg(reason);
        tell(m_fitNote, kTitle);
    }
    refresh();
    showFitting(false);
}

void ModelLampy::stopFit()
{
    if (!m_fit)
        return;
    ++m_fitRun;
    m_cancel->store(true);
    m_fit->wait();
    delete std::exchange(m_fit, nullptr);
    m_cancel.reset();
    showFitting(false);
}

void ModelLampy::SohranitModel_Click()
{
    if (!m_subject || !m_candidate)
        return;
    const TubeDatabase database(m_subject->workingFolder);
    const QString file = modelFileName(m_subject->fileName);
    if (HasTubeModel(database, m_subject->tubeClass, m_subject->fileName)
        && !m_dialogs.askYesNo(this, QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file),
                               QStringLiteral("Сохранить модель")))
        return;
    const RecordOutcome outcome = WriteTubeModel(database, m_subject->tubeClass, m_subject->fileName, *m_candidate);
    if (!outcome.ok()) {
        tell(QStringLiteral("Не удалось сохранить модель: %1").arg(outcome.error), kErrorTitle);
        return;
    }
    m_subject->model = std::exchange(m_candidate, nullptr);
    m_subject->modelPresent = true;
    m_fitNote.clear();
    refresh();
    tellModelChanged();
}

void ModelLampy::UdalitModel_Click()
{
    if (!m_subject || !m_subject->modelPresent)
        return;
    const QString file = modelFileName(m_subject->fileName);
    if (!m_dialogs.askYesNo(this,
                            QStringLiteral("Удалить модель «%1»? Расчёты вернутся к степени 3/2 по рабочей точке.")
                                .arg(file),
                            QStringLiteral("Удалить модель")))
        return;
    const RecordOutcome outcome =
        DeleteTubeModel(TubeDatabase(m_subject->workingFolder), m_subject->tubeClass, m_subject->fileName);
    if (!outcome.ok()) {
        tell(QStringLiteral("Не удалось удалить модель: %1").arg(outcome.error), kErrorTitle);
        return;
    }
    // Back to the 3/2 law, on screen too: a fit not saved goes with the file.
    m_subject->model.reset();
    m_subject->modelPresent = false;
    m_candidate.reset();
    m_fitNote.clear();
    refresh();
    tellModelChanged();
}

void ModelLampy::EksportModeli_Click()
{
    if (!m_subject || !m_view || !m_view->ok())
        return;
    const model::TubeType type = stage::circuitData(m_subject->circuit).tube;
    model::TubeFigures figures = analysis::RecordFigures(type, m_subject->record, m_locale);
    figures.model = modelInUse();
    exportTubeModel(this, m_dialogs, QFileInfo(m_subject->fileName).completeBaseName(), m_subject->circuit, figures);
}

void ModelLampy::tell(const QString &text, const QString &title)
{
    m_dialogs.message(this, text, title, Dialogs::Icon::None);
}

} // namespace anodix::charts
