// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair phase splitter window: its form, its two drawings and
// its calculation.
#include "anodix/windows/fazoinvertorks.h"

#include "anodix/forms/resultgrid.h"

#include "common/numbertext.h"

#include <QLineEdit>

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// The results stand in three columns under the line, as in the push-pull window.
constexpr int kColumn1 = 240, kColumn2 = 4200, kColumn3 = 8160;
constexpr ResultGrid grid{4560};

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",       -1, "",                                      120,  360, 1335,  285},
    {K::Label,   "Label1",   -1, "Ea (напряжение питания)",              1560,  360, 5280,  255, L},
    {K::TextBox, "Ra",       -1, "",                                      120,  720, 1335,  285},
    {K::Label,   "Label2",   -1, "Анодные резисторы, кОм",               1560,  720, 5280,  255, L},
    {K::TextBox, "Rt",       -1, "",                                      120, 1080, 1335,  285},
    {K::Label,   "Label3",   -1, "Общий катодный резистор (хвост), кОм", 1560, 1080, 5280,  255, L},
    {K::TextBox, "Et",       -1, "",                                      120, 1440, 1335,  285},
    {K::Label,   "Label4",   -1, "Отрицательное напряжение хвоста, В",   1560, 1440, 5280,  255, L},
    {K::TextBox, "R11",      -1, "",                                      120, 1800, 1335,  285},
    {K::Label,   "Label5",   -1, "Номинал R1, кОм",                      1560, 1800, 5280,  255, L},
    {K::TextBox, "Fn1",      -1, "",                                      120, 2160, 1335,  285},
    {K::Label,   "Label6",   -1, "Мин. частота пропускания",             1560, 2160, 5280,  255, L},
    {K::TextBox, "Rn",       -1, "",                                      120, 2520, 1335,  285},
    {K::Label,   "Label7",   -1, "Сопротивление нагрузки каждого плеча, кОм", 1560, 2520, 5280, 255, L},
    {K::Label,   "Label8",   -1, "Выберите радиолампу:",                 1080, 2880, 2775,  375, L},
    {K::FileList,"File",     -1, "",                                      480, 3240, 3855, 1065, kBoldSans825},
    {K::Picture, "Image1",   -1, ":/anodix/fazoinvertorks.svg",          6960,  240, 5400, 3402},
    {K::Picture, "Image2",   -1, ":/anodix/fazoinvertorks_minus.svg",    6960,  240, 5400, 3402},
    {K::Button,  "Command1", -1, "Рассчитать",                           7850, 3960, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                                 240, 4440, 12240, 4440},
    grid.caption(0, "R1 = ", kColumn1, 0),                    grid.value("R1", kColumn1, 0),    grid.unit(0, "кОм", kColumn1, 0),
    grid.caption(1, "Резистор смещения Rсм", kColumn1, 1),    grid.value("Rb", kColumn1, 1),    grid.unit(1, "кОм", kColumn1, 1),
    grid.caption(2, "Ток покоя каждого триода", kColumn1, 2), grid.value("Ia", kColumn1, 2),    grid.unit(2, "мА", kColumn1, 2),
    grid.caption(3, "Напряжение анод–катод", kColumn1, 3),    grid.value("Ua", kColumn1, 3),    grid.unit(3, "В", kColumn1, 3),
    grid.caption(4, "Смещение на сетках", kColumn1, 4),       grid.value("Ugk", kColumn1, 4),   grid.unit(4, "В", kColumn1, 4),
    grid.caption(5, "Напряжение на катодах", kColumn1, 5),    grid.value("Uk", kColumn1, 5),    grid.unit(5, "В", kColumn1, 5),
    grid.caption(6, "Коэффициент усиления к аноду VL1", kColumn2, 0), grid.value("Ku1", kColumn2, 0),
    grid.caption(7, "Коэффициент усиления к аноду VL2", kColumn2, 1), grid.value("Ku2", kColumn2, 1),
    grid.caption(8, "Разбаланс плеч", kColumn2, 2),           grid.value("Dk", kColumn2, 2),    grid.unit(8, "%", kColumn2, 2),
    grid.caption(9, "Ra2 для баланса плеч", kColumn2, 3),     grid.value("Ra2", kColumn2, 3),   grid.unit(9, "кОм", kColumn2, 3),
    grid.caption(10, "C1 (вход)", kColumn2, 4),               grid.value("C1", kColumn2, 4),    grid.unit(10, "мкФ", kColumn2, 4),
    grid.caption(11, "C2 (сетка VL2)", kColumn2, 5),          grid.value("C2", kColumn2, 5),    grid.unit(11, "мкФ", kColumn2, 5),
    grid.caption(12, "Макс. вход, эфф.", kColumn3, 0),        grid.value("Uvh", kColumn3, 0),   grid.unit(12, "В", kColumn3, 0),
    grid.caption(13, "Макс. выход VL1, эфф.", kColumn3, 1),   grid.value("Uvyh1", kColumn3, 1), grid.unit(13, "В", kColumn3, 1),
    grid.caption(14, "Макс. выход VL2, эфф.", kColumn3, 2),   grid.value("Uvyh2", kColumn3, 2), grid.unit(14, "В", kColumn3, 2),
    grid.caption(15, "Размах ограничен", kColumn3, 3),        grid.value("Ogr", kColumn3, 3),
    grid.caption(16, "C3 (выходы)", kColumn3, 4),             grid.value("C3", kColumn3, 4),    grid.unit(16, "мкФ", kColumn3, 4),
    grid.caption(17, "Потребляемая мощность", kColumn3, 5),   grid.value("Vt", kColumn3, 5),    grid.unit(17, "Вт", kColumn3, 5),
};

constexpr BuddyPair kBuddies[] = {
    {"Label1", "Ea"},  {"Label2", "Ra"},  {"Label3", "Rt"}, {"Label4", "Et"},
    {"Label5", "R11"}, {"Label6", "Fn1"}, {"Label7", "Rn"}, {"Label8", "File"},
};

constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Ra", "Rt", "Et", "R11", "Fn1", "Rn", "File"};

constexpr OutputRow kOutputs[] = {
    {"Label9(0)", "R1", "Label10(0)"}, {"Label9(1)", "Rb", "Label10(1)"},
    {"Label9(2)", "Ia", "Label10(2)"}, {"Label9(3)", "Ua", "Label10(3)"},
    {"Label9(4)", "Ugk", "Label10(4)"}, {"Label9(5)", "Uk", "Label10(5)"},
    {"Label9(6)", "Ku1", nullptr}, {"Label9(7)", "Ku2", nullptr},
    {"Label9(8)", "Dk", "Label10(8)"}, {"Label9(9)", "Ra2", "Label10(9)"},
    {"Label9(10)", "C1", "Label10(10)"}, {"Label9(11)", "C2", "Label10(11)"},
    {"Label9(12)", "Uvh", "Label10(12)"}, {"Label9(13)", "Uvyh1", "Label10(13)"},
    {"Label9(14)", "Uvyh2", "Label10(14)"}, {"Label9(15)", "Ogr", nullptr},
    {"Label9(16)", "C3", "Label10(16)"}, {"Label9(17)", "Vt", "Label10(17)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на сетку триода VL1, сетка VL2 через C2 на общий провод; аноды через резисторы Ra и Ra2 на +Ea, "
    "с анодов через конденсаторы C3 выходы 1 и 2; катоды соединены и через резистор смещения Rсм идут на "
    "общий резистор хвоста Rхв к общему проводу, резисторы R1 от обеих сеток к точке между Rсм и Rхв";
constexpr char kNegativeDescription[] =
    "Вход через C1 на сетку триода VL1, сетка VL2 через C2 на общий провод; аноды через резисторы Ra и Ra2 на +Ea, "
    "с анодов через конденсаторы C3 выходы 1 и 2; катоды соединены и через общий резистор хвоста Rхв идут на "
    "отрицательное напряжение −Eхв, резисторы R1 от обеих сеток на общий провод";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::LongTailedPair, {12480, 7980}, "dd", 8, WindowId::Files, kForm, kBuddies, kFocusOrder,
    kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &FazoinvertorKS::layout() { return kSpec; }

FazoinvertorKS::FazoinvertorKS(const AppContext &context)
    : CalcWindow(kSpec, context), m_locale(context.locale)
{
}

void FazoinvertorKS::createControls(QWidget *client)
{
    CalcWindow::createControls(client);
    m_toGround = client->findChild<QWidget *>(QStringLiteral("Image1"));
    m_toNegative = client->findChild<QWidget *>(QStringLiteral("Image2"));
    m_toNegative->setAccessibleName(QStringLiteral("Схема каскада"));
    m_toNegative->setAccessibleDescription(QString::fromUtf8(kNegativeDescription));
    m_supply = client->findChild<QLineEdit *>(QStringLiteral("Et"));
    connect(m_supply, &QLineEdit::textChanged, this, &FazoinvertorKS::showTail);
    showTail();
}

void FazoinvertorKS::showTail()
{
    // Empty, zero or not (yet) a number: the tail to ground, as the calculation takes it.
    const std::optional<double> supply = common::toNumber(m_supply->text(), m_locale);
    const bool negative = supply && *supply != 0;
    m_toGround->setVisible(!negative);
    m_toNegative->setVisible(negative);
}

} // namespace anodix
