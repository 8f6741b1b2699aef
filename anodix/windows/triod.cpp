// SPDX-License-Identifier: GPL-3.0-or-later
// The triode preamplifier window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/triod.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",        -1, "",                                 120,  360, 1335,  285},
    {K::Label,   "Label5",    -1, "Ea (напряжение питания)",         1680,  360, 3015,  255, L},
    {K::TextBox, "Fn1",       -1, "",                                 120,  720, 1335,  285},
    {K::Label,   "Label6",    -1, "Мин. частота пропускания",        1680,  720, 3015,  255, L},
    {K::TextBox, "R11",       -1, "",                                 120, 1080, 1335,  285},
    {K::Label,   "Label3",    -1, "Номинал R1, кОм",                 1680, 1080, 3015,  255, L},
    {K::Label,   "Label9",    -1, "Выберите радиолампу:",            1080, 1680, 2775,  375, L},
    {K::FileList,"File",      -1, "",                                 480, 2160, 3855, 1260, kBoldSans825},
    {K::Picture, "Image1",    -1, ":/anodix/triod.svg",              4800,  240, 5190, 2700},
    {K::Button,  "Command1",  -1, "Рассчитать",                      6360, 3240, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",     -1, nullptr,                            120, 3840, 10080, 3840},
    {K::Label,   "Label1",     1, "R1 = ",                            120, 4080,  495,  255, L},
    {K::Label,   "R1",        -1, "0",                                720, 4080, 1215,  255, L},
    {K::Label,   "Label11",    0, "кОм",                             2040, 4080,  735,  255, L},
    {K::Label,   "Label2",     0, "R2 = ",                            120, 4440,  495,  255, L},
    {K::Label,   "R2",        -1, "0",                                720, 4440, 1215,  255, L},
    {K::Label,   "Label11",    1, "кОм",                             2040, 4440,  735,  255, L},
    {K::Label,   "Label",     -1, "R3 =",                             120, 4800,  495,  255, L},
    {K::Label,   "R3",        -1, "0",                                720, 4800, 1215,  255, L},
    {K::Label,   "Label11",    2, "кОм",                             2040, 4800,  735,  255, L},
    {K::Label,   "Label1",     0, "C1 = ",                           3480, 4080,  495,  255, L},
    {K::Label,   "C1",        -1, "0",                               4080, 4080, 1095,  255, L},
    {K::Label,   "Label10",    0, "мкФ",                             5280, 4080,  735,  255, L},
    {K::Label,   "Label1",     2, "C3 = ",                           3480, 4440,  495,  255, L},
    {K::Label,   "C3",        -1, "0",                               4080, 4440, 1095,  255, L},
    {K::Label,   "Label10",    2, "мкФ",                             5280, 4440,  735,  255, L},
    {K::Label,   "Label1",     3, "C2 подбираются экспериментально", 3480, 4800, 3135,  495, L},
    {K::Label,   "Label12",    0, "Коэффициент усиления",            6600, 4080, 1695,  495, L},
    {K::Label,   "Ku",        -1, "0",                               8520, 4200, 1455,  255, L},
    {K::Label,   "Label12",    1, "Потребляемая мощность",           6600, 4680, 1695,  495, L},
    {K::Label,   "Vt",        -1, "0",                               8520, 4800,  615,  255, L},
    {K::Label,   "Label12",    2, "Вт",                              9240, 4800,  375,  255, L},
};

constexpr BuddyPair kBuddies[] = {
    {"Label5", "Ea"}, {"Label6", "Fn1"}, {"Label3", "R11"}, {"Label9", "File"},
};

constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Fn1", "File", "R11"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label1(1)", "R1", "Label11(0)"}, {"Label2(0)", "R2", "Label11(1)"}, {"Label", "R3", "Label11(2)"},
    {"Label1(0)", "C1", "Label10(0)"}, {"Label1(2)", "C3", "Label10(2)"}, {"Label12(0)", "Ku", nullptr},
    {"Label12(1)", "Vt", "Label12(2)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на сетку триода VL1, R1 от сетки на общий провод; в катоде R2 и C2 параллельно; "
    "анодная нагрузка R3 к +Ea; выход с анода через C3";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::TriodePreamp, {10200, 5475}, "dd", 8, WindowId::Files,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &Triod::layout() { return kSpec; }

Triod::Triod(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
