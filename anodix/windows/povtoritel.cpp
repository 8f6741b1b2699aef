// SPDX-License-Identifier: GPL-3.0-or-later
// The cathode follower window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/povtoritel.h"

#include "anodix/forms/resultgrid.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// The results stand in three columns of five under the line.
constexpr int kColumn1 = 240, kColumn2 = 3960, kColumn3 = 7680;
constexpr ResultGrid grid{3960};

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",       -1, "",                                  120,  360, 1335,  285},
    {K::Label,   "Label1",   -1, "Ea (напряжение питания)",          1560,  360, 3600,  255, L},
    {K::TextBox, "Rk",       -1, "",                                  120,  720, 1335,  285},
    {K::Label,   "Label2",   -1, "Сопротивление в цепи катода, кОм", 1560,  720, 3600,  255, L},
    {K::TextBox, "R11",      -1, "",                                  120, 1080, 1335,  285},
    {K::Label,   "Label3",   -1, "Номинал R1, кОм",                  1560, 1080, 3600,  255, L},
    {K::TextBox, "Fn1",      -1, "",                                  120, 1440, 1335,  285},
    {K::Label,   "Label4",   -1, "Мин. частота пропускания",         1560, 1440, 3600,  255, L},
    {K::TextBox, "Rn",       -1, "",                                  120, 1800, 1335,  285},
    {K::Label,   "Label5",   -1, "Сопротивление нагрузки, кОм",      1560, 1800, 3600,  255, L},
    {K::Label,   "Label8",   -1, "Выберите радиолампу:",             1080, 2160, 2775,  375, L},
    {K::FileList,"File",     -1, "",                                  480, 2520, 3855,  945, kBoldSans825},
    {K::Picture, "Image1",   -1, ":/anodix/povtoritel.svg",          5760,  240, 5190, 2700},
    {K::Button,  "Command1", -1, "Рассчитать",                       6540, 3060, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                             240, 3600, 11280, 3600},
    grid.caption(0, "R1 = ", kColumn1, 0),                         grid.value("R1", kColumn1, 0),   grid.unit(0, "кОм", kColumn1, 0),
    grid.caption(1, "R2 = ", kColumn1, 1),                         grid.value("R2", kColumn1, 1),   grid.unit(1, "кОм", kColumn1, 1),
    grid.caption(2, "R3 = ", kColumn1, 2),                         grid.value("R3", kColumn1, 2),   grid.unit(2, "кОм", kColumn1, 2),
    grid.caption(3, "C1 = ", kColumn1, 3),                         grid.value("C1", kColumn1, 3),   grid.unit(3, "мкФ", kColumn1, 3),
    grid.caption(4, "C2 = ", kColumn1, 4),                         grid.value("C2", kColumn1, 4),   grid.unit(4, "мкФ", kColumn1, 4),
    grid.caption(5, "Напряжение анод–катод", kColumn2, 0),         grid.value("Uq", kColumn2, 0),   grid.unit(5, "В", kColumn2, 0),
    grid.caption(6, "Ток покоя", kColumn2, 1),                     grid.value("Iq", kColumn2, 1),   grid.unit(6, "мА", kColumn2, 1),
    grid.caption(7, "Смещение на сетке", kColumn2, 2),             grid.value("Ugq", kColumn2, 2),  grid.unit(7, "В", kColumn2, 2),
    grid.caption(8, "Напряжение на катоде", kColumn2, 3),          grid.value("Uk", kColumn2, 3),   grid.unit(8, "В", kColumn2, 3),
    grid.caption(9, "Потребляемая мощность", kColumn2, 4),         grid.value("Vt", kColumn2, 4),   grid.unit(9, "Вт", kColumn2, 4),
    grid.caption(10, "Коэффициент передачи", kColumn3, 0),         grid.value("Ku", kColumn3, 0),
    grid.caption(11, "Выходное сопротивление", kColumn3, 1),       grid.value("Rvyh", kColumn3, 1), grid.unit(11, "Ом", kColumn3, 1),
    grid.caption(12, "Входная ёмкость", kColumn3, 2),              grid.value("Cvh", kColumn3, 2),  grid.unit(12, "пФ", kColumn3, 2),
    grid.caption(13, "Максимальное входное напряжение", kColumn3, 3), grid.value("Uvh", kColumn3, 3), grid.unit(13, "В", kColumn3, 3),
    grid.shortCaption(14, "Ограничение", kColumn3, 4),
    grid.wideValue("Ogr", kColumn3, 4),
};

constexpr BuddyPair kBuddies[] = {
    {"Label1", "Ea"}, {"Label2", "Rk"}, {"Label3", "R11"}, {"Label4", "Fn1"}, {"Label5", "Rn"}, {"Label8", "File"},
};

// The button first, as in the other stage windows; then the boxes from the top and the list under them.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Rk", "R11", "Fn1", "Rn", "File"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label9(0)", "R1", "Label10(0)"},    {"Label9(1)", "R2", "Label10(1)"},    {"Label9(2)", "R3", "Label10(2)"},
    {"Label9(3)", "C1", "Label10(3)"},    {"Label9(4)", "C2", "Label10(4)"},    {"Label9(5)", "Uq", "Label10(5)"},
    {"Label9(6)", "Iq", "Label10(6)"},    {"Label9(7)", "Ugq", "Label10(7)"},   {"Label9(8)", "Uk", "Label10(8)"},
    {"Label9(10)", "Ku", nullptr},        {"Label9(11)", "Rvyh", "Label10(11)"}, {"Label9(12)", "Cvh", "Label10(12)"},
    {"Label9(13)", "Uvh", "Label10(13)"}, {"Label9(14)", "Ogr", nullptr},       {"Label9(9)", "Vt", "Label10(9)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на сетку триода VL1; анод на +Ea; в катоде последовательно R2 (смещение) и R3 на общий провод, "
    "R1 от сетки к точке между R2 и R3; выход с катода через C2";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::CathodeFollower, {11520, 6735}, "dd", 8, WindowId::Files,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &Povtoritel::layout() { return kSpec; }

Povtoritel::Povtoritel(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
