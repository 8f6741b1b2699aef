// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode preamplifier window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/pentod.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// Rows in the form's own order.
constexpr ControlRow kForm[] = {
    {K::TextBox, "R11",       -1, "",                                      120, 1080, 1335,  285},
    {K::FileList,"File",      -1, "",                                      480, 2160, 3855, 1260, kBoldSans825},
    {K::TextBox, "Fn1",       -1, "",                                      120,  720, 1335,  285},
    {K::TextBox, "Ea",        -1, "",                                      120,  360, 1335,  285},
    {K::Button,  "Command1",  -1, "Рассчитать",                           7680, 3240, 3255,  375, kBoldArial1125},
    {K::Label,   "Label3",    -1, "Номинал R1, кОм",                      1680, 1080, 3015,  255, L},
    {K::Label,   "Label1",     3, "C2 и C3 подбираются экспериментально", 4080, 4800, 3135,  495, L},
    {K::Label,   "R3",        -1, "0",                                     840, 4800, 1215,  255, L},
    {K::Label,   "Label2",     1, "R3 = ",                                 240, 4800,  495,  255, L},
    {K::Label,   "Label11",    3, "кОм",                                  2160, 4800,  735,  255, L},
    {K::Label,   "Label12",    2, "Вт",                                  10080, 4800,  375,  255, L},
    {K::Label,   "Vt",        -1, "0",                                    9480, 4800,  495,  255, L},
    {K::Label,   "Label12",    1, "Потребляемая мощность",                7560, 4680, 1695,  495, L},
    {K::Label,   "Label12",    0, "Коэффициент усиления",                 7560, 4080, 1695,  495, L},
    {K::Label,   "Ku",        -1, "0",                                    9480, 4200, 1455,  255, L},
    {K::Label,   "Label11",    2, "кОм",                                  2160, 5160,  735,  255, L},
    {K::Label,   "Label11",    1, "кОм",                                  2160, 4440,  735,  255, L},
    {K::Label,   "Label11",    0, "кОм",                                  2160, 4080,  735,  255, L},
    {K::Label,   "Label10",    2, "мкФ",                                  5880, 4440,  735,  255, L},
    {K::Label,   "Label10",    0, "мкФ",                                  5880, 4080,  735,  255, L},
    {K::Label,   "Label9",    -1, "Выберите радиолампу:",                 1080, 1680, 2775,  375, L},
    {K::Label,   "R1",        -1, "0",                                     840, 4080, 1215,  255, L},
    {K::Label,   "C4",        -1, "0",                                    4680, 4440, 1095,  255, L},
    {K::Label,   "C1",        -1, "0",                                    4680, 4080, 1095,  255, L},
    {K::Label,   "Label1",     2, "C4 = ",                                4080, 4440,  495,  255, L},
    {K::Label,   "Label1",     0, "C1 = ",                                4080, 4080,  495,  255, L},
    {K::Label,   "Label6",    -1, "Мин. частота пропускания",             1680,  720, 3015,  255, L},
    {K::Label,   "R4",        -1, "0",                                     840, 5160, 1215,  255, L},
    {K::Label,   "Label",     -1, "R4 =",                                  240, 5160,  495,  255, L},
    {K::Label,   "Label5",    -1, "Ea (напряжение питания)",              1680,  360, 3135,  255, L},
    {K::Label,   "R2",        -1, "0",                                     840, 4440, 1215,  255, L},
    {K::Label,   "Label1",     1, "R1 = ",                                 240, 4080,  495,  255, L},
    {K::Label,   "Label2",     0, "R2 = ",                                 240, 4440,  495,  255, L},
    {K::Line,    "Line1",     -1, nullptr,                                 120, 3840, 11040, 3840},
    {K::Picture, "Image1",    -1, ":/anodix/pentod.svg",                  4800,  240, 6195, 2805},
};

constexpr BuddyPair kBuddies[] = {
    {"Label5", "Ea"}, {"Label6", "Fn1"}, {"Label3", "R11"}, {"Label9", "File"},
};

// The button first, then the boxes and the list as in the triode window.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Fn1", "File", "R11"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label1(1)", "R1", "Label11(0)"}, {"Label2(0)", "R2", "Label11(1)"}, {"Label2(1)", "R3", "Label11(3)"},
    {"Label", "R4", "Label11(2)"},     {"Label1(0)", "C1", "Label10(0)"}, {"Label1(2)", "C4", "Label10(2)"},
    {"Label12(0)", "Ku", nullptr},     {"Label12(1)", "Vt", "Label12(2)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на управляющую сетку пентода VL1, R1 от сетки на общий провод; в катоде R2 и C2 "
    "параллельно; R3 от +Ea к экранной сетке, C3 от неё на общий провод; анодная нагрузка R4 к +Ea; "
    "выход с анода через C4";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::PentodePreamp, {11205, 5625}, "fa12", 10, WindowId::Files_Pentod,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 10,
};

} // namespace

const CalcWindowSpec &Pentod::layout() { return kSpec; }

Pentod::Pentod(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
