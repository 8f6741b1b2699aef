// SPDX-License-Identifier: GPL-3.0-or-later
// The split-load phase splitter window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/fazoinvertorrn.h"

#include "anodix/forms/resultgrid.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// The results stand in three columns under the line: the parts, the point,
// each output's figures.
constexpr int kColumn1 = 240, kColumn2 = 3960, kColumn3 = 7680;
constexpr ResultGrid grid{3960};

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",       -1, "",                                          120,  360, 1335,  285},
    {K::Label,   "Label1",   -1, "Ea (напряжение питания)",                  1560,  360, 4560,  255, L},
    {K::TextBox, "Rak",      -1, "",                                          120,  720, 1335,  285},
    {K::Label,   "Label2",   -1, "Сопротивление в цепи анода и катода, кОм", 1560,  720, 4560,  255, L},
    {K::TextBox, "R11",      -1, "",                                          120, 1080, 1335,  285},
    {K::Label,   "Label3",   -1, "Номинал R1, кОм",                          1560, 1080, 4560,  255, L},
    {K::TextBox, "Fn1",      -1, "",                                          120, 1440, 1335,  285},
    {K::Label,   "Label4",   -1, "Мин. частота пропускания",                 1560, 1440, 4560,  255, L},
    {K::TextBox, "Rn",       -1, "",                                          120, 1800, 1335,  285},
    {K::Label,   "Label5",   -1, "Сопротивление нагрузки каждого плеча, кОм", 1560, 1800, 4560,  255, L},
    {K::Label,   "Label8",   -1, "Выберите радиолампу:",                     1080, 2160, 2775,  375, L},
    {K::FileList,"File",     -1, "",                                          480, 2520, 3855,  945, kBoldSans825},
    {K::Picture, "Image1",   -1, ":/anodix/fazoinvertorrn.svg",              6180,  240, 5190, 2700},
    {K::Button,  "Command1", -1, "Рассчитать",                               6660, 3060, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                                     240, 3600, 11280, 3600},
    grid.caption(0, "R1 = ", kColumn1, 0),                          grid.value("R1", kColumn1, 0),    grid.unit(0, "кОм", kColumn1, 0),
    grid.caption(1, "R2 = ", kColumn1, 1),                          grid.value("R2", kColumn1, 1),    grid.unit(1, "кОм", kColumn1, 1),
    grid.caption(2, "R3 = ", kColumn1, 2),                          grid.value("R3", kColumn1, 2),    grid.unit(2, "кОм", kColumn1, 2),
    grid.caption(3, "R4 = ", kColumn1, 3),                          grid.value("R4", kColumn1, 3),    grid.unit(3, "кОм", kColumn1, 3),
    grid.caption(4, "C1 = ", kColumn1, 4),                          grid.value("C1", kColumn1, 4),    grid.unit(4, "мкФ", kColumn1, 4),
    grid.caption(5, "C2 = ", kColumn1, 5),                          grid.value("C2", kColumn1, 5),    grid.unit(5, "мкФ", kColumn1, 5),
    grid.caption(6, "C3 = ", kColumn1, 6),                          grid.value("C3", kColumn1, 6),    grid.unit(6, "мкФ", kColumn1, 6),
    grid.caption(7, "Напряжение анод–катод", kColumn2, 0),          grid.value("Uq", kColumn2, 0),    grid.unit(7, "В", kColumn2, 0),
    grid.caption(8, "Ток покоя", kColumn2, 1),                      grid.value("Iq", kColumn2, 1),    grid.unit(8, "мА", kColumn2, 1),
    grid.caption(9, "Смещение на сетке", kColumn2, 2),              grid.value("Ugq", kColumn2, 2),   grid.unit(9, "В", kColumn2, 2),
    grid.caption(10, "Коэффициент передачи на анод", kColumn2, 3),  grid.value("Kua", kColumn2, 3),
    grid.caption(11, "Коэффициент передачи на катод", kColumn2, 4), grid.value("Kuk", kColumn2, 4),
    grid.caption(12, "Разбаланс выходов", kColumn2, 5),             grid.value("Nebalans", kColumn2, 5), grid.unit(12, "%", kColumn2, 5),
    grid.caption(13, "Потребляемая мощность", kColumn2, 6),         grid.value("Vt", kColumn2, 6),    grid.unit(13, "Вт", kColumn2, 6),
    grid.caption(14, "Выходное сопротивление анода", kColumn3, 0),  grid.value("Rvyha", kColumn3, 0), grid.unit(14, "Ом", kColumn3, 0),
    grid.caption(15, "Выходное сопротивление катода", kColumn3, 1), grid.value("Rvyhk", kColumn3, 1), grid.unit(15, "Ом", kColumn3, 1),
    grid.caption(16, "Наибольшее выходное напряжение анода", kColumn3, 2), grid.value("Uvyha", kColumn3, 2), grid.unit(16, "В", kColumn3, 2),
    grid.caption(17, "Наибольшее выходное напряжение катода", kColumn3, 3), grid.value("Uvyhk", kColumn3, 3), grid.unit(17, "В", kColumn3, 3),
    grid.shortCaption(18, "Ограничение", kColumn3, 4),
    grid.wideValue("Ogr", kColumn3, 4),
};

constexpr BuddyPair kBuddies[] = {
    {"Label1", "Ea"}, {"Label2", "Rak"}, {"Label3", "R11"}, {"Label4", "Fn1"}, {"Label5", "Rn"}, {"Label8", "File"},
};

// The button first, as in the other stage windows; then the boxes from the top and the list under them.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Rak", "R11", "Fn1", "Rn", "File"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label9(0)", "R1", "Label10(0)"},       {"Label9(1)", "R2", "Label10(1)"},
    {"Label9(2)", "R3", "Label10(2)"},       {"Label9(3)", "R4", "Label10(3)"},
    {"Label9(4)", "C1", "Label10(4)"},       {"Label9(5)", "C2", "Label10(5)"},
    {"Label9(6)", "C3", "Label10(6)"},       {"Label9(7)", "Uq", "Label10(7)"},
    {"Label9(8)", "Iq", "Label10(8)"},       {"Label9(9)", "Ugq", "Label10(9)"},
    {"Label9(10)", "Kua", nullptr},          {"Label9(11)", "Kuk", nullptr},
    {"Label9(12)", "Nebalans", "Label10(12)"}, {"Label9(14)", "Rvyha", "Label10(14)"},
    {"Label9(15)", "Rvyhk", "Label10(15)"},  {"Label9(16)", "Uvyha", "Label10(16)"},
    {"Label9(17)", "Uvyhk", "Label10(17)"},  {"Label9(18)", "Ogr", nullptr},
    {"Label9(13)", "Vt", "Label10(13)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на сетку триода VL1; анодная нагрузка R4 к +Ea; в катоде последовательно R2 (смещение) и "
    "нагрузка R3 на общий провод, R1 от сетки к точке между R2 и R3; выход 1 с анода через C2, "
    "выход 2 с катода через C3";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::SplitLoad, {11520, 7815}, "dd", 8, WindowId::Files,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &FazoinvertorRN::layout() { return kSpec; }

FazoinvertorRN::FazoinvertorRN(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
