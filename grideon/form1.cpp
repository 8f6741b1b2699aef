// SPDX-License-Identifier: GPL-3.0-or-later
// Form1 of Grideon, laid out from its table; it feeds the stage calculation
// and shows what comes back.
#include "grideon/form1.h"

#include "grideon/about.h"
#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/savedinputs.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace grideon {

namespace {

constexpr ControlRow L(const char *name, const char *text, int left, int top, int width, int height,
                       FontSpec font = kTimesBold12, Colour colour = Colour::Default)
{
    return {Kind::Label, name, text, left, top, width, height, font, colour};
}
constexpr ControlRow Box(const char *name, int left, int top, int width, int height)
{
    return {Kind::TextBox, name, nullptr, left, top, width, height};
}
constexpr ControlRow Ln(const char *name, int x1, int y1, int x2, int y2)
{
    return {Kind::Line, name, nullptr, x1, y1, x2, y2};
}

// Rows in the order the controls are created; the boxes' order is also their focus order.
const ControlRow kForm1Rows[] = {
    L("Label11", "Программа упрощенного расчета усилительного каскада на триоде",
                                                     2040,  120, 8295, 375, kArialBold12, Colour::DarkRed),
    Ln("Line3",                                       120,  600, 12480, 600),
    L("Label1",  "Параметры радиолампы:",             120,  840, 3375, 375, kSansSerifBold12, Colour::DarkBlue),
    L("Label4",  "Внутреннее сопротивление, кОм",     360, 1320, 3735, 375),
    Box("ri",                                        4080, 1320, 2655, 375),
    L("Label5",  "Анодный ток (Ia), мА",              360, 1800, 3015, 375),
    Box("ia",                                        4080, 1800, 2655, 375),
    L("Label6",  "Катодный резистор (R2), Ом",        360, 2280, 3375, 375),
    Box("rk",                                        4080, 2280, 2655, 375),
    L("Label2",  "Дополнительные данные:",            120, 2880, 3375, 375, kSansSerifBold12, Colour::DarkBlue),
    L("Label7",  "Напряжение питания (Ea), В",        360, 3360, 3615, 375),
    Box("ea",                                        4080, 3360, 2655, 375),
    L("Label8",  "Сопротивление утечки (R1), кОм",    360, 3840, 3735, 375),
    Box("ru",                                        4080, 3840, 2655, 375),
    L("Label9",  "Мин. частота пропускания, Гц",      360, 4320, 3615, 375),
    Box("fmin",                                      4080, 4320, 2655, 375),
    {Kind::Button, "Command1", "Рассчитать",         3720, 5160, 3015, 375, kTimesBold12},
    Ln("Line1",                                      6960,  720, 6960, 5760),
    {Kind::Picture, "Picture1", ":/grideon/schematic.svg", 7200, 840, 5175, 2775},
    L("Label3",  "R1:",                              7200, 3840,  495, 255),
    L("r1",      "0",                                7560, 3840,  615, 375),
    L("Label21", "кОм",                              8160, 3840,  615, 375),
    L("Label10", "R2:",                              9120, 3840,  495, 255),
    L("r2",      "0",                                9480, 3840,  495, 375),
    L("Label22", " Ом",                              9960, 3840,  615, 375),
    L("Label28", "R3:",                             10800, 3840,  495, 255),
    L("r3",      "0",                               11160, 3840,  615, 375),
    L("Label30", "кОм",                             11760, 3840,  615, 375),
    L("Label12", "C1:",                              7200, 4200,  495, 255),
    L("c1",      "0",                                7560, 4200,  615, 375),
    L("Label24", "мкФ",                              8160, 4200,  615, 375),
    L("Label13", "C2:",                              9120, 4200,  495, 255),
    L("c2",      "0",                                9480, 4200,  495, 375),
    L("Label26", "мкФ",                              9960, 4200,  615, 375),
    Ln("Line2",                                      7080, 4680, 12480, 4680),
    L("Label14", "Напряжение на радиолампе:",        7440, 4920, 3135, 375),
    L("ua",      "0",                               10680, 4920,  615, 375),
    L("Label18", "В",                               11400, 4920,  495, 375),
    L("Label15", "Напряжение на катоде:",            7920, 5280, 2655, 375),
    L("uk",      "0",                               10680, 5280,  615, 375),
    L("Label19", "В",                               11400, 5280,  495, 375),
};

// The unit label beside each output, in result order. A value longer than its
// place pushes its unit to the right instead of being cut off.
constexpr std::array<const char *, kStageResultCount> kUnitLabels{
    "Label21", "Label22", "Label30", "Label24", "Label26", "Label18", "Label19"};

// The caption before each output, in result order, and the caption of each input box.
constexpr std::array<const char *, kStageResultCount> kResultCaptions{
    "Label3", "Label10", "Label28", "Label12", "Label13", "Label14", "Label15"};
constexpr std::array<const char *, kStageInputCount> kInputCaptions{
    "Label4", "Label5", "Label6", "Label7", "Label8", "Label9"};

const ControlRow &rowNamed(const char *name)
{
    for (const ControlRow &row : kForm1Rows)
        if (qstrcmp(row.name, name) == 0)
            return row;
    Q_UNREACHABLE();
}

} // namespace

std::span<const ControlRow> Form1::layoutTable()
{
    return kForm1Rows;
}

Form1::Form1(Dialogs &dialogs, DesktopShell &shell, const QLocale &locale, QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_shell(shell)
    , m_locale(locale)
    , m_client(new QWidget(this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Valvora (Grideon)"));
    // The icon is the program's, set once this window has painted.

    auto *menuBar = new QMenuBar(this);
    QMenu *help = menuBar->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("help"));
    QAction *about1 = help->addAction(QStringLiteral("О программе"));
    about1->setObjectName(QStringLiteral("about1"));
    connect(about1, &QAction::triggered, this, &Form1::about1_Click);

    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(twips(kClientWidth), twips(kClientHeight));
    buildForm(m_client, kForm1Rows);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar);
    layout->addWidget(m_client);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Screen readers name each box by its caption and read the drawing's content.
    for (int i = 0; i < kStageInputCount; ++i) {
        auto *caption = m_client->findChild<QLabel *>(QString::fromLatin1(kInputCaptions[i]));
        caption->setBuddy(inputBox(i));
        inputBox(i)->setAccessibleName(caption->text());
    }
    auto *picture = m_client->findChild<QWidget *>(QStringLiteral("Picture1"));
    picture->setAccessibleName(QStringLiteral("Схема каскада"));
    picture->setAccessibleDescription(
        QStringLiteral("Вход через C1 на сетку триода VL1, R1 от сетки и R2 от катода на общий провод; "
                       "анодная нагрузка R3 к +Ea; выход с анода через C2"));
    for (int i = 0; i < kStageResultCount; ++i)
        nameOutput(i);

    auto *command1 = m_client->findChild<QPushButton *>(QStringLiteral("Command1"));
    connect(command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    QWidget *previous = inputBox(0);
    for (int i = 1; i < kStageInputCount; ++i) {
        setTabOrder(previous, inputBox(i));
        previous = inputBox(i);
    }
    setTabOrder(previous, command1);

    Form_Load();
    inputBox(0)->setFocus();
}

Form1::~Form1() = default;

About *Form1::aboutWindow() const
{
    return m_about;
}

QLineEdit *Form1::inputBox(int index) const
{
    return m_client->findChild<QLineEdit *>(QString::fromLatin1(kInputBoxes[index]));
}

void Form1::setOutput(int index, const QString &text)
{
    auto *value = m_client->findChild<QLabel *>(QString::fromLatin1(kResultLabels[index]));
    auto *unit = m_client->findChild<QLabel *>(QString::fromLatin1(kUnitLabels[index]));
    value->setText(text);
    const int width = std::max(twips(rowNamed(kResultLabels[index]).width),
                               value->fontMetrics().horizontalAdvance(text) + 1);
    value->resize(width, value->height());
    // A pushed unit keeps a blank's distance unless its text starts with one.
    const int gap = unit->text().startsWith(u' ') ? 0 : unit->fontMetrics().horizontalAdvance(u' ');
    const int textEnd = value->x() + value->fontMetrics().horizontalAdvance(text);
    unit->move(std::max({twips(rowNamed(kUnitLabels[index]).left), value->x() + width, textEnd + gap}), unit->y());
    nameOutput(index);
}

// An output is spoken as its row reads: "R1: 470 кОм".
void Form1::nameOutput(int index)
{
    QStringList words;
    for (const char *name : {kResultCaptions[index], kResultLabels[index], kUnitLabels[index]})
        words.append(m_client->findChild<QLabel *>(QString::fromLatin1(name))->text().simplified());
    m_client->findChild<QLabel *>(QString::fromLatin1(kResultLabels[index]))->setAccessibleName(words.join(u' '));
}

// Restores the inputs of the last accepted calculation; a missing or short
// file leaves the boxes empty and says nothing.
void Form1::Form_Load()
{
    const std::optional<SavedInputs> saved = ReadSavedInputsFile(QString::fromLatin1(kSavedInputsFile));
    if (!saved)
        return;
    m_inputs = saved->inputs;
    if (!saved->complete())
        return;
    const auto values = toArray(m_inputs);
    for (int i = 0; i < kStageInputCount; ++i)
        inputBox(i)->setText(FormatLocalNumber(values[i], m_locale));
}

// Saves the stored inputs, not the box texts; the window closes whatever happens.
void Form1::Form_Unload()
{
    QString reason;
    if (!WriteSavedInputsFile(QString::fromLatin1(kSavedInputsFile), m_inputs, &reason))
        m_dialogs.message(this,
                          QStringLiteral("Не удалось записать файл \"data.dat\" в рабочей папке: %1.\n"
                                         "Исходные данные последнего расчета не сохранены.")
                              .arg(reason),
                          kErrorTitle);
}

void Form1::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    event->accept();
}

void Form1::Command1_Click()
{
    StageTexts texts;
    for (int i = 0; i < kStageInputCount; ++i)
        texts[i] = inputBox(i)->text();

    const StageCalculation calc = CalculateStage(texts, m_locale);
    if (calc.check != TextCheck::Ok) {
        m_dialogs.message(this, calc.message, kErrorTitle);
        return;
    }
    m_inputs = calc.inputs;
    for (int i = 0; i < calc.results.texts.size(); ++i)
        setOutput(i, calc.results.texts[i]);
    if (calc.results.fault)
        m_dialogs.message(this, calc.message, kErrorTitle);
}

// One About window at most; it is not owned by Form1, so it outlives it when
// the user closes the calculator first.
void Form1::about1_Click()
{
    if (m_about) {
        m_about->raise();
        m_about->activateWindow();
        return;
    }
    m_about = new About(m_dialogs, m_shell);
    m_about->show();
}

} // namespace grideon
