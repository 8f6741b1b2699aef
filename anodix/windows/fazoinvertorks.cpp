// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair phase splitter window: its form, its two drawings and
// its calculation.
#include "anodix/windows/fazoinvertorks.h"

#include "common/numbertext.h"

#include <QLineEdit>

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// The results stand in three columns under the line, as in the push-pull
// window: a caption (two lines at most), the value and its unit.
constexpr int kColumn1 = 240, kColumn2 = 4200, kColumn3 = 8160;
constexpr int kRow1 = 4560, kRowStep = 540;

constexpr ControlRow caption(int index, const char *text, int column, int row)
{
    return {K::Label, "Label9", index, text, column, kRow1 + row * kRowStep, 2340, 495, L};
}
constexpr ControlRow value(const char *name, int column, int row)
{
    return {K::Label, name, -1, "0", column + 2400, kRow1 + row * kRowStep, 780, 255, L};
}
constexpr ControlRow unit(int index, const char *text, int column, int row)
{
    return {K::Label, "Label10", index, text, column + 3180, kRow1 + row * kRowStep, 420, 255, L};
}

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
    caption(0, "R1 = ", kColumn1, 0),                    value("R1", kColumn1, 0),    unit(0, "кОм", kColumn1, 0),
    caption(1, "Резистор смещения Rсм", kColumn1, 1),    value("Rb", kColumn1, 1),    unit(1, "кОм", kColumn1, 1),
    caption(2, "Ток покоя каждого триода", kColumn1, 2), value("Ia", kColumn1, 2),    unit(2, "мА", kColumn1, 2),
    caption(3, "Напряжение анод–катод", kColumn1, 3),    value("Ua", kColumn1, 3),    unit(3, "В", kColumn1, 3),
    caption(4, "Смещение на сетках", kColumn1, 4),       value("Ugk", kColumn1, 4),   unit(4, "В", kColumn1, 4),
    caption(5, "Напряжение на катодах", kColumn1, 5),    value("Uk", kColumn1, 5),    unit(5, "В", kColumn1, 5),
    caption(6, "Коэффициент усиления к аноду VL1", kColumn2, 0), value("Ku1", kColumn2, 0),
    caption(7, "Коэффициент усиления к аноду VL2", kColumn2, 1), value("Ku2", kColumn2, 1),
    caption(8, "Разбаланс плеч", kColumn2, 2),           value("Dk", kColumn2, 2),    unit(8, "%", kColumn2, 2),
    caption(9, "Ra2 для баланса плеч", kColumn2, 3),     value("Ra2", kColumn2, 3),   unit(9, "кОм", kColumn2, 3),
    caption(10, "C1 (вход)", kColumn2, 4),               value("C1", kColumn2, 4),    unit(10, "мкФ", kColumn2, 4),
    caption(11, "C2 (сетка VL2)", kColumn2, 5),          value("C2", kColumn2, 5),    unit(11, "мкФ", kColumn2, 5),
    caption(12, "Макс. вход, эфф.", kColumn3, 0),        value("Uvh", kColumn3, 0),   unit(12, "В", kColumn3, 0),
    caption(13, "Макс. выход VL1, эфф.", kColumn3, 1),   value("Uvyh1", kColumn3, 1), unit(13, "В", kColumn3, 1),
    caption(14, "Макс. выход VL2, эфф.", kColumn3, 2),   value("Uvyh2", kColumn3, 2), unit(14, "В", kColumn3, 2),
    caption(15, "Размах ограничен", kColumn3, 3),        value("Ogr", kColumn3, 3),
    caption(16, "C3 (выходы)", kColumn3, 4),             value("C3", kColumn3, 4),    unit(16, "мкФ", kColumn3, 4),
    caption(17, "Потребляемая мощность", kColumn3, 5),   value("Vt", kColumn3, 5),    unit(17, "Вт", kColumn3, 5),
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
