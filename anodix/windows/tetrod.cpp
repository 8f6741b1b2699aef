// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode power stage window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/tetrod.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// Rows in the form's own order.
constexpr ControlRow kForm[] = {
    {K::TextBox, "Rn",        -1, "",                             120, 1440, 1335,  285},
    {K::TextBox, "R11",       -1, "",                             120, 1080, 1335,  285},
    {K::FileList,"File",      -1, "",                             480, 2520, 3855, 1065, kBoldSans825},
    {K::TextBox, "Fn1",       -1, "",                             120,  720, 1335,  285},
    {K::TextBox, "Ea",        -1, "",                             120,  360, 1335,  285},
    {K::Button,  "Command1",  -1, "Рассчитать",                  6960, 3240, 3615,  375, kBoldArial1125},
    {K::Label,   "Label8",    -1, "Сопротивление нагрузки",      1680, 1440, 2895,  255, L},
    {K::Label,   "Label12",    5, "В",                           9960, 4200,  375,  255, L},
    {K::Label,   "Uvh",       -1, "0",                           9240, 4200,  615,  255, L},
    {K::Label,   "Label12",    4, "Напряжение входного сигнала", 6840, 4080, 2295,  495, L},
    {K::Label,   "Label1",     3, "Коэффициент трансформации",   3120, 4920, 1815,  495, L},
    {K::Label,   "Kt",        -1, "0",                           5040, 5040, 1215,  255, L},
    {K::Label,   "Label11",    2, "кОм",                         5760, 4560,  615,  255, L},
    {K::Label,   "Label4",    -1, "Выходной трансформатор",      3240, 4080, 3015,  255, kBoldTimes12},
    {K::Label,   "Label12",    3, "Выходная мощность",           6840, 4680, 2295,  255, L},
    {K::Label,   "Vih",       -1, "0",                           9240, 4680,  615,  255, L},
    {K::Label,   "Label12",    0, "Вт",                          9960, 4680,  375,  255, L},
    {K::Label,   "Label3",    -1, "Номинал R1, кОм",             1680, 1080, 3015,  255, L},
    {K::Label,   "Label12",    2, "Вт",                          9960, 5160,  375,  255, L},
    {K::Label,   "Vt",        -1, "0",                           9240, 5160,  615,  255, L},
    {K::Label,   "Label12",    1, "Потребляемая мощность",       6840, 5040, 2295,  495, L},
    {K::Label,   "Label11",    1, "кОм",                         2040, 4680,  735,  255, L},
    {K::Label,   "Label11",    0, "кОм",                         2040, 4320,  735,  255, L},
    {K::Label,   "Label10",    0, "мкФ",                         2040, 5040,  735,  255, L},
    {K::Label,   "Label9",    -1, "Выберите радиолампу:",        1080, 2040, 2775,  375, L},
    {K::Label,   "R1",        -1, "0",                            840, 4320, 1095,  255, L},
    {K::Label,   "Rt1",       -1, "0",                           5040, 4560,  615,  255, L},
    {K::Label,   "C1",        -1, "0",                            840, 5040, 1095,  255, L},
    {K::Label,   "Label1",     2, "R 1-й обмотки",               3120, 4560, 1815,  255, L},
    {K::Label,   "Label1",     0, "C1 = ",                        240, 5040,  495,  255, L},
    {K::Label,   "Label6",    -1, "Мин. частота пропускания",    1680,  720, 3015,  255, L},
    {K::Label,   "Label5",    -1, "Ea (напряжение питания)",     1680,  360, 3015,  255, L},
    {K::Label,   "R2",        -1, "0",                            840, 4680, 1095,  255, L},
    {K::Label,   "Label1",     1, "R1 = ",                        240, 4320,  495,  255, L},
    {K::Label,   "Label2",     0, "R2 = ",                        240, 4680,  495,  255, L},
    {K::Line,    "Line1",     -1, nullptr,                        240, 3840, 10680, 3840},
    {K::Picture, "Image1",    -1, ":/anodix/tetrod.svg",         4800,  240, 5805, 2730},
};

constexpr BuddyPair kBuddies[] = {
    {"Label5", "Ea"}, {"Label6", "Fn1"}, {"Label3", "R11"}, {"Label8", "Rn"}, {"Label9", "File"},
};

// As in the triode window, with the load resistance, the fourth box, last.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Fn1", "File", "R11", "Rn"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label1(1)", "R1", "Label11(0)"},  {"Label2(0)", "R2", "Label11(1)"},  {"Label1(0)", "C1", "Label10(0)"},
    {"Label12(4)", "Uvh", "Label12(5)"}, {"Label1(2)", "Rt1", "Label11(2)"}, {"Label12(3)", "Vih", "Label12(0)"},
    {"Label1(3)", "Kt", nullptr},        {"Label12(1)", "Vt", "Label12(2)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на управляющую сетку пентода VL1, R1 от сетки на общий провод; в катоде R2 и C2 "
    "параллельно; первичная обмотка выходного трансформатора Тр1 от анода к +Ea, вторичная на выход";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::PentodePower, {10815, 5655}, "dd", 8, WindowId::Files_Pentod_Vihod,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &Tetrod::layout() { return kSpec; }

Tetrod::Tetrod(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
