// SPDX-License-Identifier: GPL-3.0-or-later
// The supply window: its form, the simulation run off the window's thread,
// its results, warnings, plot and netlist.
#include "anodix/windows/blokpitaniya.h"

#include "anodix/charts/besidestage.h"
#include "anodix/charts/supplyplot.h"
#include "anodix/forms/dialogs.h"
#include "anodix/response/spice.h"
#include "common/numbertext.h"
#include "anodix/supply/supplyspice.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <mutex>

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans825;
constexpr FontSpec R = kBoldSans975;

// Captions left, boxes right of them; the three lists are placed by kLists.
constexpr ControlRow kForm[] = {
    {K::Label,   "Label1",    0, "Частота сети, Гц",                               120,  240, 4200, 255, L},
    {K::TextBox, "Fs",       -1, "50",                                            4440,  240, 1200, 285},
    {K::Label,   "Label1",    1, "Схема выпрямителя",                              120,  600, 4200, 255, L},
    {K::Label,   "Label1",    2, "Напряжение вторичной обмотки, В (действующее)",  120,  960, 4200, 255, L},
    {K::TextBox, "U2",       -1, "",                                              4440,  960, 1200, 285},
    {K::Label,   "Label1",    3, "Сопротивление обмотки, Ом",                      120, 1320, 4200, 255, L},
    {K::TextBox, "Rw",       -1, "",                                              4440, 1320, 1200, 285},
    {K::Label,   "Label1",    4, "Выпрямитель",                                    120, 1680, 4200, 255, L},
    {K::Label,   "Label1",    5, "C1, мкФ",                                        120, 2040, 4200, 255, L},
    {K::TextBox, "C1",       -1, "",                                              4440, 2040, 1200, 285},
    {K::Label,   "Label1",    6, "Звено фильтра",                                  120, 2400, 4200, 255, L},
    {K::Label,   "Label1",    7, "L, Гн",                                          120, 2760, 4200, 255, L},
    {K::TextBox, "L",        -1, "",                                              4440, 2760, 1200, 285},
    {K::Label,   "Label1",    8, "Сопротивление, Ом",                              120, 3120, 4200, 255, L},
    {K::TextBox, "Rf",       -1, "",                                              4440, 3120, 1200, 285},
    {K::Label,   "Label1",    9, "C2, мкФ",                                        120, 3480, 4200, 255, L},
    {K::TextBox, "C2",       -1, "",                                              4440, 3480, 1200, 285},
    {K::Label,   "Label1",   10, "Ток нагрузки, мА",                               120, 3840, 4200, 255, L},
    {K::TextBox, "In",       -1, "",                                              4440, 3840, 1200, 285},
    {K::Label,   "Label1",   11, "Скачок нагрузки до, мА",                         120, 4200, 4200, 255, L},
    {K::TextBox, "Istep",    -1, "",                                              4440, 4200, 1200, 285},
    {K::Label,   "Label1",   12, "Требуемое напряжение, В",                        120, 4560, 4200, 255, L},
    {K::TextBox, "Ut",       -1, "",                                              4440, 4560, 1200, 285},
    {K::Picture, "Image1",   -1, ":/anodix/pitanie_bridge_choke.svg",             7080,  240, 4320, 2880},
    {K::Button,  "Command1", -1, "Рассчитать",                                    7080, 3360, 2640, 375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                                          120, 5040, 11400, 5040},
    // Results in two columns: caption, value, unit.
    {K::Label,   "Label2",    0, "Напряжение на C1",                               120, 5280, 3360, 255, R},
    {K::Label,   "Uc1",      -1, "0",                                             3600, 5280, 1200, 255, R},
    {K::Label,   "Label3",    0, "В",                                             4920, 5280,  600, 255, R},
    {K::Label,   "Label2",    1, "Пульсации на C1, размах",                        120, 5640, 3360, 255, R},
    {K::Label,   "Pc1",      -1, "0",                                             3600, 5640, 1200, 255, R},
    {K::Label,   "Label3",    1, "В",                                             4920, 5640,  600, 255, R},
    {K::Label,   "Label2",    2, "Напряжение на выходе",                           120, 6000, 3360, 255, R},
    {K::Label,   "Uout",     -1, "0",                                             3600, 6000, 1200, 255, R},
    {K::Label,   "Label3",    2, "В",                                             4920, 6000,  600, 255, R},
    {K::Label,   "Label2",    3, "Пульсации на выходе, размах",                    120, 6360, 3360, 255, R},
    {K::Label,   "Pout",     -1, "0",                                             3600, 6360, 1200, 255, R},
    {K::Label,   "Label3",    3, "мВ",                                            4920, 6360,  600, 255, R},
    {K::Label,   "Label2",    4, "Пиковый ток выпрямителя",                        120, 6720, 3360, 255, R},
    {K::Label,   "Ipk",      -1, "0",                                             3600, 6720, 1200, 255, R},
    {K::Label,   "Label3",    4, "мА",                                            4920, 6720,  600, 255, R},
    {K::Label,   "Label2",    5, "Действующий ток обмотки",                        120, 7080, 3360, 255, R},
    {K::Label,   "Irms",     -1, "0",                                             3600, 7080, 1200, 255, R},
    {K::Label,   "Label3",    5, "мА",                                            4920, 7080,  600, 255, R},
    {K::Label,   "Label2",    6, "Мощность трансформатора",                       5880, 5280, 3360, 255, R},
    {K::Label,   "Ptr",      -1, "0",                                             9360, 5280, 1200, 255, R},
    {K::Label,   "Label3",    6, "ВА",                                           10680, 5280,  720, 255, R},
    {K::Label,   "Label2",    7, "Бросок тока при включении",                     5880, 5640, 3360, 255, R},
    {K::Label,   "Isurge",   -1, "0",                                             9360, 5640, 1200, 255, R},
    {K::Label,   "Label3",    7, "А",                                            10680, 5640,  720, 255, R},
    {K::Label,   "Label2",    8, "Время установления",                            5880, 6000, 3360, 255, R},
    {K::Label,   "Tset",     -1, "0",                                             9360, 6000, 1200, 255, R},
    {K::Label,   "Label3",    8, "с",                                            10680, 6000,  720, 255, R},
    {K::Label,   "Label2",    9, "Просадка при скачке нагрузки",                  5880, 6360, 3360, 255, R},
    {K::Label,   "Sag",      -1, "—",                                             9360, 6360, 1200, 255, R},
    {K::Label,   "Label3",    9, "В",                                            10680, 6360,  720, 255, R},
    {K::Label,   "Label2",   10, "Резонансная частота фильтра",                   5880, 6720, 3360, 255, R},
    {K::Label,   "Fres",     -1, "—",                                             9360, 6720, 1200, 255, R},
    {K::Label,   "Label3",   10, "Гц",                                           10680, 6720,  720, 255, R},
    {K::Label,   "Warnings", -1, "",                                               120, 7440, 11400, 840, L},
};

// The lists, which the form builder does not make: name, left, top, width, height.
struct ListRow
{
    const char *name;
    const char *caption;
    int left, top, width, height;
};
constexpr ListRow kLists[] = {
    {"Circuit", "Label1(1)", 4440, 600, 2520, 300},
    {"Rectifier", "Label1(4)", 4440, 1680, 2520, 300},
    {"Filter", "Label1(6)", 4440, 2400, 2520, 300},
};

// Where the plot goes once the first calculation is drawn.
constexpr int kPlotLeft = 120, kPlotTop = 8400, kPlotWidth = 11400, kPlotHeight = 4080;

constexpr BuddyPair kBuddies[] = {
    {"Label1(0)", "Fs"},  {"Label1(2)", "U2"}, {"Label1(3)", "Rw"},  {"Label1(5)", "C1"},
    {"Label1(7)", "L"},   {"Label1(8)", "Rf"}, {"Label1(9)", "C2"},  {"Label1(10)", "In"},
    {"Label1(11)", "Istep"}, {"Label1(12)", "Ut"},
};

constexpr OutputRow kOutputs[] = {
    {"Label2(0)", "Uc1", "Label3(0)"},  {"Label2(1)", "Pc1", "Label3(1)"},   {"Label2(2)", "Uout", "Label3(2)"},
    {"Label2(3)", "Pout", "Label3(3)"}, {"Label2(4)", "Ipk", "Label3(4)"},   {"Label2(5)", "Irms", "Label3(5)"},
    {"Label2(6)", "Ptr", "Label3(6)"},  {"Label2(7)", "Isurge", "Label3(7)"}, {"Label2(8)", "Tset", "Label3(8)"},
    {"Label2(9)", "Sag", "Label3(9)"},  {"Label2(10)", "Fres", "Label3(10)"},
};

constexpr const char *kFocusOrder[] = {"Fs", "Circuit", "U2", "Rw", "Rectifier", "C1", "Filter",
                                       "L", "Rf", "C2", "In", "Istep", "Ut", "Command1"};

const QString kErrorTitle = QStringLiteral("Ошибка");

const char *const kPictures[3][2] = {
    {":/anodix/pitanie_bridge_choke.svg", ":/anodix/pitanie_bridge_resistor.svg"},
    {":/anodix/pitanie_centre_choke.svg", ":/anodix/pitanie_centre_resistor.svg"},
    {":/anodix/pitanie_half_choke.svg", ":/anodix/pitanie_half_resistor.svg"},
};

QString pictureDescription(int circuit, int filter)
{
    static const char *const circuits[] = {
        "Трансформатор, мост из четырёх диодов",
        "Трансформатор со средней точкой на общем проводе, два диода от концов обмотки",
        "Трансформатор, один диод",
    };
    return QString::fromUtf8(circuits[circuit])
           + (filter == 0 ? QStringLiteral("; C1 на общий провод, дроссель L, C2, нагрузка Iн")
                          : QStringLiteral("; C1 на общий провод, резистор R, C2, нагрузка Iн"));
}

} // namespace

// What the simulation thread and the window share.
struct BlokPitaniya::Job
{
    supply::SupplyCircuit circuit;
    std::atomic<bool> cancel{false};
    std::atomic<double> progress{0};
    supply::SupplyOutcome outcome;
};

std::span<const ControlRow> BlokPitaniya::form() { return kForm; }
QSize BlokPitaniya::clientSize() { return {11520, 12600}; }

std::span<const char *const> BlokPitaniya::controlsBeyondTheForm()
{
    static constexpr const char *kBeyond[] = {"Circuit", "Rectifier", "Filter", "Cancel", "Progress", "PlotArea"};
    return kBeyond;
}

BlokPitaniya::BlokPitaniya(const AppContext &context)
    : FormWindow(QStringLiteral("Anodix V1.0 - Блок питания"), clientSize())
    , m_context(context)
{
    setObjectName(QStringLiteral("BlokPitaniya"));
}

BlokPitaniya::~BlokPitaniya()
{
    if (m_job)
        m_job->cancel = true;
    if (m_thread)
        m_thread->wait();
}

void BlokPitaniya::createMenus()
{
    const auto item = [this](QMenu *menu, const char *name, const QString &title, void (BlokPitaniya::*handler)()) {
        QAction *action = menu->addAction(title);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("dd"));
    item(file, "Exit", QStringLiteral("Выход"), &BlokPitaniya::Exit_Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    QMenu *utilities = menuBar()->addMenu(QStringLiteral("Утилиты"));
    utilities->setObjectName(QStringLiteral("a"));
    item(utilities, "Export_Spice", QStringLiteral("Экспорт схемы SPICE…"), &BlokPitaniya::Export_Click);
    QMenu *help = menuBar()->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("Help"));
    item(help, "Help_Abaut", QStringLiteral("О программе"), &BlokPitaniya::Help_Abaut_Click)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
}

void BlokPitaniya::createControls(QWidget *client)
{
    m_controls = buildForm(client, kForm);
    for (const ListRow &row : kLists) {
        auto *list = new QComboBox(client);
        list->setObjectName(QString::fromLatin1(row.name));
        list->setGeometry(twips(row.left), twips(row.top), twips(row.width), twips(row.height));
        m_controls.add(list);
        m_controls.get<QLabel>(row.caption)->setBuddy(list);
    }
    setBuddies(m_controls, kBuddies);
    m_circuit = m_controls.get<QComboBox>("Circuit");
    m_rectifier = m_controls.get<QComboBox>("Rectifier");
    m_filter = m_controls.get<QComboBox>("Filter");
    m_circuit->addItems(supply::CircuitNames());
    m_filter->addItems(supply::FilterNames());
    setFocusOrder(m_controls, kFocusOrder);

    auto *warnings = m_controls.get<QLabel>("Warnings");
    warnings->setStyleSheet(QStringLiteral("color: #a00000"));
    warnings->setAccessibleName(QStringLiteral("Предупреждения"));
    m_progress = new QProgressBar(client);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setGeometry(twips(7080), twips(3840), twips(4320), twips(255));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_progress->setAccessibleName(QStringLiteral("Ход расчёта"));
    m_progress->hide();
    // Cancel stands beside "Рассчитать" only while a calculation runs.
    auto *cancel = new QPushButton(QStringLiteral("Отмена"), client);
    cancel->setObjectName(QStringLiteral("Cancel"));
    cancel->setGeometry(twips(9840), twips(3360), twips(1560), twips(375));
    cancel->hide();
    m_controls.add(cancel);
    m_plotArea = new QWidget(client);
    m_plotArea->setObjectName(QStringLiteral("PlotArea"));
    m_plotArea->setGeometry(twips(kPlotLeft), twips(kPlotTop), twips(kPlotWidth), twips(kPlotHeight));
    new QVBoxLayout(m_plotArea);
    m_plotArea->layout()->setContentsMargins(0, 0, 0, 0);
    m_plot.reset(); // the old one went with the old controls

    connect(m_circuit, &QComboBox::currentIndexChanged, this, &BlokPitaniya::showPicture);
    connect(m_filter, &QComboBox::currentIndexChanged, this, [this] {
        showPicture();
        showFilterInputs();
    });
    connect(m_controls.get<QPushButton>("Command1"), &QPushButton::clicked, this, &BlokPitaniya::Command1_Click);
    connect(m_controls.get<QPushButton>("Cancel"), &QPushButton::clicked, this, &BlokPitaniya::Cancel_Click);
}

void BlokPitaniya::Form_Load()
{
    const supply::KenotronFolder folder =
        supply::ReadKenotronFolder(QDir(m_context.workingFolder).filePath(QStringLiteral("bd/kenotron")));
    m_tubes = folder.tubes;
    m_rectifier->addItem(QStringLiteral("Кремниевые диоды"));
    for (const supply::Kenotron &k : m_tubes)
        m_rectifier->addItem(k.name);
    if (!folder.rejected.isEmpty() && !m_folderErrorTold)
        m_folderError = QStringLiteral("Не прочитаны файлы кенотронов:\n") + folder.rejected.join(u'\n');
    showPicture();
    showFilterInputs();
    clearOutputs();
}

void BlokPitaniya::afterShow()
{
    if (!m_folderError.isEmpty()) {
        m_folderErrorTold = true;
        showError(std::exchange(m_folderError, QString()));
    }
}

void BlokPitaniya::placeOnScreen()
{
    if (m_beside && m_beside->isVisible())
        charts::placeBeside(*this, *m_beside);
    else
        FormWindow::placeOnScreen();
}

void BlokPitaniya::openFor(QWidget *stageWindow, const QString &loadMilliamps, const QString &ea)
{
    m_beside = stageWindow;
    if (isOpen())
        charts::placeBeside(*this, *stageWindow);
    open();
    m_controls.get<QLineEdit>("In")->setText(loadMilliamps);
    m_controls.get<QLineEdit>("Ut")->setText(ea);
}

void BlokPitaniya::showPicture()
{
    const int circuit = std::clamp(m_circuit->currentIndex(), 0, 2);
    const int filter = std::clamp(m_filter->currentIndex(), 0, 1);
    auto *old = m_controls.get<QWidget>("Image1");
    auto *drawing = new Drawing(QString::fromLatin1(kPictures[circuit][filter]), client());
    drawing->setObjectName(QStringLiteral("Image1"));
    drawing->setGeometry(old->geometry());
    drawing->setAccessibleName(QStringLiteral("Схема блока питания"));
    drawing->setAccessibleDescription(pictureDescription(circuit, filter));
    drawing->setProperty("resource", QString::fromLatin1(kPictures[circuit][filter]));
    drawing->show();
    delete old;
    m_controls = FormControls::of(client());
}

void BlokPitaniya::showFilterInputs()
{
    const bool choke = m_filter->currentIndex() == 0;
    m_controls.get<QLineEdit>("L")->setEnabled(choke);
    m_controls.get<QLabel>("Label1(7)")->setEnabled(choke);
}

QString BlokPitaniya::text(const char *name) const
{
    return m_controls.get<QLineEdit>(name)->text();
}

void BlokPitaniya::Command1_Click()
{
    if (m_job)
        return;
    supply::SupplyInputs in;
    in.frequency = text("Fs");
    in.circuit = m_circuit->currentIndex();
    in.secondaryVoltage = text("U2");
    in.windingResistance = text("Rw");
    const int rectifier = m_rectifier->currentIndex();
    if (rectifier > 0 && rectifier <= m_tubes.size())
        in.tube = m_tubes[rectifier - 1];
    in.c1 = text("C1");
    in.filter = m_filter->currentIndex();
    in.inductance = text("L");
    in.filterResistance = text("Rf");
    in.c2 = text("C2");
    in.loadCurrent = text("In");
    in.stepCurrent = text("Istep");
    in.targetVoltage = text("Ut");
    QString error;
    const std::optional<supply::SupplyCircuit> circuit = supply::ParseSupplyInputs(in, m_context.locale, error);
    if (!circuit) {
        showError(error);
        emit calculationFinished();
        return;
    }
    // Up to ten seconds of simulated time can take longer than a window may
    // stand still: the simulation runs on a thread of its own.
    auto job = std::make_shared<Job>();
    job->circuit = *circuit;
    m_job = job;
    m_thread = QThread::create([job] {
        job->outcome = supply::SimulateSupply(job->circuit, [&job = *job](double fraction) {
            job.progress = fraction;
            return !job.cancel;
        });
    });
    auto *poll = new QTimer(m_thread);
    connect(poll, &QTimer::timeout, this, [this, job] {
        if (m_progress)
            m_progress->setValue(int(job->progress * 1000));
    });
    connect(m_thread, &QThread::finished, this, &BlokPitaniya::finish);
    m_progress->setValue(0);
    m_progress->show();
    m_controls.get<QPushButton>("Cancel")->show();
    m_controls.get<QPushButton>("Command1")->setEnabled(false);
    poll->start(50);
    m_thread->start();
}

void BlokPitaniya::Cancel_Click()
{
    if (m_job)
        m_job->cancel = true;
}

void BlokPitaniya::finish()
{
    const std::shared_ptr<Job> job = std::exchange(m_job, nullptr);
    QThread *done = std::exchange(m_thread, nullptr);
    if (done) {
        done->wait();
        done->deleteLater();
    }
    if (!job)
        return;
    if (isOpen()) {
        m_progress->hide();
            m_controls.get<QPushButton>("Cancel")->hide();
        m_controls.get<QPushButton>("Command1")->setEnabled(true);
        const supply::SupplyOutcome &o = job->outcome;
        if (o.result)
            showResult(job->circuit, *o.result);
        else if (!o.cancelled)
            showError(o.error);
    }
    emit calculationFinished();
}

void BlokPitaniya::clearOutputs()
{
    for (const OutputRow &row : kOutputs)
        m_controls.get<QLabel>(row.output)->setText(QStringLiteral("0"));
    m_controls.get<QLabel>("Sag")->setText(QStringLiteral("—"));
    m_controls.get<QLabel>("Fres")->setText(QStringLiteral("—"));
    m_controls.get<QLabel>("Warnings")->clear();
    nameOutputs(m_controls, kOutputs);
}

void BlokPitaniya::showResult(const supply::SupplyCircuit &circuit, const supply::SupplyResult &r)
{
    m_lastCircuit = circuit;
    m_lastResult = r;
    const auto put = [this](const char *name, double value, int digits) {
        m_controls.get<QLabel>(name)->setText(common::doubleText(common::roundSignificant(value, digits), m_context.locale));
    };
    put("Uc1", r.c1Voltage, 4);
    put("Pc1", r.c1Ripple, 3);
    put("Uout", r.outputVoltage, 4);
    put("Pout", r.outputRipple * 1e3, 3);
    put("Ipk", r.peakCurrent * 1e3, 3);
    put("Irms", r.windingCurrent * 1e3, 3);
    put("Ptr", r.transformerPower, 3);
    put("Isurge", r.surgeCurrent, 3);
    put("Tset", r.settlingTime, 3);
    if (r.sag)
        put("Sag", *r.sag, 3);
    else
        m_controls.get<QLabel>("Sag")->setText(QStringLiteral("—"));
    if (r.resonance)
        put("Fres", *r.resonance, 3);
    else
        m_controls.get<QLabel>("Fres")->setText(QStringLiteral("—"));
    nameOutputs(m_controls, kOutputs);
    m_controls.get<QLabel>("Warnings")->setText(supply::SupplyWarnings(circuit, r, m_context.locale).join(u'\n'));

    if (!m_plot) {
        QString reason;
        auto *factory = loadModule<charts::SupplyPlotFactory>(QStringLiteral("anodix_harakteristiki"), reason);
        if (!factory) {
            showError(QStringLiteral("График не строится: ") + reason);
            return;
        }
        m_plot = factory->createSupplyPlot(m_plotArea, m_context.locale);
        m_plotArea->layout()->addWidget(m_plot->widget());
    }
    QList<QPointF> c1, out;
    c1.reserve(r.trace.size());
    out.reserve(r.trace.size());
    for (const supply::TracePoint &p : r.trace) {
        c1.append({p.t, p.c1});
        out.append({p.t, p.out});
    }
    m_plot->showTrace(c1, out, r.stepTime);
}

void BlokPitaniya::Export_Click()
{
    if (!m_lastCircuit || !m_lastResult) {
        showError(QStringLiteral("Сначала выполните расчёт: схема SPICE строится по последнему расчёту."));
        return;
    }
    const QString title = QStringLiteral("Экспорт схемы SPICE");
    SaveChoice choice = m_context.dialogs.saveFileName(this, title, {{QStringLiteral("Схема SPICE"), QStringLiteral("cir")}});
    if (choice.path.isEmpty())
        return;
    if (!choice.path.endsWith(QLatin1String(".cir"), Qt::CaseInsensitive))
        choice.path += QStringLiteral(".cir");
    const QFileInfo file(choice.path);
    if (file.exists() && !file.isDir()
        && !m_context.dialogs.askYesNo(this, QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(file.fileName()),
                                       title))
        return;
    const QString text = supply::SupplyNetlist(*m_lastCircuit, m_lastResult->simulatedTime, m_lastResult->stepTime);
    if (const QString reason = supply::SaveSupplyNetlist(choice.path, text); !reason.isEmpty())
        showError(QStringLiteral("Не удалось сохранить файл «%1»: %2.").arg(response::spiceSafeText(choice.path), reason));
}

void BlokPitaniya::closeEvent(QCloseEvent *event)
{
    if (m_job)
        m_job->cancel = true;
    if (m_thread)
        m_thread->wait();
    finish();
    FormWindow::closeEvent(event);
    if (event->isAccepted())
        m_plot.reset();
}

void BlokPitaniya::Exit_Click()
{
    // Opened beside a stage window it only closes; opened from the main window it returns there.
    if (m_beside && m_beside->isVisible())
        close();
    else
        m_context.navigator.switchTo(this, WindowId::Obshaya);
}

void BlokPitaniya::Help_Abaut_Click() { m_context.navigator.openAbout(); }

void BlokPitaniya::showError(const QString &text)
{
    m_context.dialogs.message(this, text, kErrorTitle, Dialogs::Icon::None);
}

} // namespace anodix
