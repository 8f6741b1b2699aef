// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's layout, menu and the buttons that lead to the stage windows.
#include "anodix/shell/obshaya.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>

namespace anodix {

namespace {

using K = ControlKind;

// Both pentode buttons carry the same words, and so do both triode buttons; the
// power stages' end with a blank.
constexpr ControlRow kForm[] = {
    {K::Label,  "Label1",   -1, "Выберите тип усилителя:",           1080,  120, 4815, 495, kSans18},
    {K::Label,  "Label2",   -1, "Усилители напряжения:",              240,  720, 6255, 375, kSans135},
    {K::Button, "Triod1",   -1, "Однотактный усилитель на ТРИОДЕ",    240, 1320, 3015, 615, kBoldSans975},
    {K::Button, "Pentod1",  -1, "Однотактный усилитель на ПЕНТОДЕ",  3480, 1320, 3015, 615, kBoldSans975},
    {K::Label,  "Label3",   -1, "Усилители мощности:",                240, 2280, 5055, 375, kSans135},
    {K::Button, "Command1", -1, "Однотактный усилитель на ПЕНТОДЕ ",  240, 2880, 3015, 615, kBoldSans975},
    {K::Button, "TriodVihod1", -1, "Однотактный усилитель на ТРИОДЕ ", 3480, 2880, 3015, 615, kBoldSans975},
    {K::Label,  "Label4",   -1, "Двухтактные усилители мощности:",    240, 3840, 5055, 375, kSans135},
    {K::Button, "Dvuhtakt1", -1, "Двухтактный усилитель на ПЕНТОДЕ", 240, 4440, 3015, 615, kBoldSans975},
    {K::Label,  "Label6",   -1, "Фазоинверторы и повторители:",       240, 5400, 5055, 375, kSans135},
    {K::Button, "FazoinvertorRN1", -1, "Фазоинвертор с разделённой нагрузкой", 240, 6000, 3015, 615, kBoldSans975},
    {K::Button, "FazoinvertorKS1", -1, "Фазоинвертор с катодной связью", 3480, 6000, 3015, 615, kBoldSans975},
    {K::Button, "Povtoritel1", -1, "Катодный повторитель",            240, 6720, 3015, 615, kBoldSans975},
    {K::Label,  "Label5",   -1, "Питание:",                           240, 7680, 5055, 375, kSans135},
    {K::Button, "BlokPitaniya1", -1, "Блок питания",                  240, 8280, 3015, 615, kBoldSans975},
};

constexpr const char *kFocusOrder[] = {"Triod1",          "Pentod1",         "Command1",    "TriodVihod1", "Dvuhtakt1",
                                       "FazoinvertorRN1", "FazoinvertorKS1", "Povtoritel1", "BlokPitaniya1"};

// The row of phase splitters and followers: each button with the window it opens.
struct StageButton
{
    const char *button;
    WindowId window;
};
constexpr StageButton kSplitterButtons[] = {
    {"FazoinvertorRN1", WindowId::FazoinvertorRN},
    {"FazoinvertorKS1", WindowId::FazoinvertorKS},
    {"Povtoritel1", WindowId::Povtoritel},
};

} // namespace

std::span<const ControlRow> Obshaya::form() { return kForm; }
std::span<const char *const> Obshaya::focusOrder() { return kFocusOrder; }
QSize Obshaya::clientSize() { return {6840, 9195}; }

Obshaya::Obshaya(const AppContext &context)
    : FormWindow(QStringLiteral("Anodix V1.0"), clientSize())
    , m_context(context)
{
    setObjectName(QStringLiteral("Obshaya"));
}

void Obshaya::createMenus()
{
    QMenu *help = menuBar()->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("Help"));
    QAction *about = help->addAction(QStringLiteral("О программе"));
    about->setObjectName(QStringLiteral("Help_Abaut"));
    about->setShortcut(Qt::Key_F1);
    connect(about, &QAction::triggered, this, &Obshaya::Help_Abaut_Click);
}

void Obshaya::createControls(QWidget *client)
{
    const FormControls controls = buildForm(client, kForm);
    setFocusOrder(controls, kFocusOrder);
    const auto button = [&controls](const char *name) { return controls.get<QPushButton>(name); };
    // The two pentode buttons read alike; the group caption above tells them apart.
    const QString voltage = QStringLiteral("Усилители напряжения");
    button("Triod1")->setAccessibleDescription(voltage);
    button("Pentod1")->setAccessibleDescription(voltage);
    const QString power = QStringLiteral("Усилители мощности");
    button("Command1")->setAccessibleDescription(power);
    button("TriodVihod1")->setAccessibleDescription(power);
    button("Dvuhtakt1")->setAccessibleDescription(QStringLiteral("Двухтактные усилители мощности"));
    connect(button("Triod1"), &QPushButton::clicked, this, &Obshaya::Triod1_Click);
    connect(button("Pentod1"), &QPushButton::clicked, this, &Obshaya::Pentod1_Click);
    connect(button("Command1"), &QPushButton::clicked, this, &Obshaya::Command1_Click);
    connect(button("TriodVihod1"), &QPushButton::clicked, this, &Obshaya::TriodVihod1_Click);
    connect(button("Dvuhtakt1"), &QPushButton::clicked, this, &Obshaya::Dvuhtakt1_Click);
    connect(button("BlokPitaniya1"), &QPushButton::clicked, this, &Obshaya::BlokPitaniya1_Click);
    // A button whose window this build does not have yet stays disabled.
    const QString splitters = QStringLiteral("Фазоинверторы и повторители");
    for (const StageButton &row : kSplitterButtons) {
        QPushButton *b = button(row.button);
        b->setAccessibleDescription(splitters);
        b->setEnabled(m_context.navigator.has(row.window));
        const WindowId id = row.window;
        connect(b, &QPushButton::clicked, this, [this, id] { m_context.navigator.switchTo(this, id); });
    }
}

void Obshaya::Triod1_Click() { m_context.navigator.switchTo(this, WindowId::Triod); }
void Obshaya::Pentod1_Click() { m_context.navigator.switchTo(this, WindowId::Pentod); }
void Obshaya::Command1_Click() { m_context.navigator.switchTo(this, WindowId::Tetrod); }
void Obshaya::TriodVihod1_Click() { m_context.navigator.switchTo(this, WindowId::TriodVihod); }
void Obshaya::Dvuhtakt1_Click() { m_context.navigator.switchTo(this, WindowId::Dvuhtakt); }
void Obshaya::BlokPitaniya1_Click() { m_context.navigator.switchTo(this, WindowId::BlokPitaniya); }
void Obshaya::Help_Abaut_Click() { m_context.navigator.openAbout(); }

} // namespace anodix
