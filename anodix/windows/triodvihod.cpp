// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/triodvihod.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// Results in three columns: the parts round the tube and the anode's
// dissipation, the operating point and the power drawn, the transformer and
// what reaches the loudspeaker with its distortion.
// Each caption leaves room for two lines; its value and unit sit on the first.
constexpr int kColumnA = 240, kColumnB = 4200, kColumnC = 8280;
constexpr int kRow[] = {4440, 4920, 5400, 5880, 6360, 6840, 7320, 7800};

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",       -1, "",                                   120,  360, 1335,  285},
    {K::Label,   "Label5",   -1, "Ea (напряжение питания)",           1680,  360, 3015,  255, L},
    {K::TextBox, "Fn1",      -1, "",                                   120,  720, 1335,  285},
    {K::Label,   "Label6",   -1, "Мин. частота пропускания",          1680,  720, 3015,  255, L},
    {K::TextBox, "R11",      -1, "",                                   120, 1080, 1335,  285},
    {K::Label,   "Label3",   -1, "Номинал R1, кОм",                   1680, 1080, 3015,  255, L},
    {K::TextBox, "Rn",       -1, "",                                   120, 1440, 1335,  285},
    {K::Label,   "Label8",   -1, "Сопротивление нагрузки",            1680, 1440, 3015,  255, L},
    {K::TextBox, "Kn",       -1, "3",                                  120, 1800, 1335,  285},
    {K::Label,   "Label7",   -1, "Отношение Ra / Ri",                 1680, 1800, 3015,  255, L},
    {K::Label,   "Label9",   -1, "Выберите радиолампу:",              1080, 2400, 2775,  375, L},
    {K::FileList,"File",     -1, "",                                   480, 2880, 3855, 1065, kBoldSans825},
    {K::Picture, "Image1",   -1, ":/anodix/triodvihod.svg",           5040,  240, 6480, 3045},
    {K::Button,  "Command1", -1, "Рассчитать",                        6960, 3600, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                              240, 4200, 12360, 4200},

    {K::Label,   "Label1",    0, "R1 = ",                        kColumnA,      kRow[0], 1815, 495, L},
    {K::Label,   "R1",       -1, "0",                            kColumnA+1920, kRow[0], 1095, 255, L},
    {K::Label,   "Label2",    0, "кОм",                          kColumnA+3120, kRow[0],  735, 255, L},
    {K::Label,   "Label1",    1, "C1 = ",                        kColumnA,      kRow[1], 1815, 495, L},
    {K::Label,   "C1",       -1, "0",                            kColumnA+1920, kRow[1], 1095, 255, L},
    {K::Label,   "Label2",    1, "мкФ",                          kColumnA+3120, kRow[1],  735, 255, L},
    {K::Label,   "Label1",    2, "R2 = ",                        kColumnA,      kRow[2], 1815, 495, L},
    {K::Label,   "R2",       -1, "0",                            kColumnA+1920, kRow[2], 1095, 255, L},
    {K::Label,   "Label2",    2, "кОм",                          kColumnA+3120, kRow[2],  735, 255, L},
    {K::Label,   "Label1",    3, "C2 не менее",                  kColumnA,      kRow[3], 1815, 495, L},
    {K::Label,   "C2",       -1, "0",                            kColumnA+1920, kRow[3], 1095, 255, L},
    {K::Label,   "Label2",    3, "мкФ",                          kColumnA+3120, kRow[3],  735, 255, L},
    {K::Label,   "Label1",    4, "Мощность на R2",               kColumnA,      kRow[4], 1815, 495, L},
    {K::Label,   "PR2",      -1, "0",                            kColumnA+1920, kRow[4], 1095, 255, L},
    {K::Label,   "Label2",    4, "Вт",                           kColumnA+3120, kRow[4],  735, 255, L},
    {K::Label,   "Label1",    5, "Мощность на аноде",            kColumnA,      kRow[5], 1815, 495, L},
    {K::Label,   "Pa",       -1, "0",                            kColumnA+1920, kRow[5], 1095, 255, L},
    {K::Label,   "Label2",    5, "Вт",                           kColumnA+3120, kRow[5],  735, 255, L},

    {K::Label,   "Label1",    6, "Напряжение на аноде",          kColumnB,      kRow[0], 2295, 495, L},
    {K::Label,   "Uq",       -1, "0",                            kColumnB+2400, kRow[0], 1095, 255, L},
    {K::Label,   "Label2",    6, "В",                            kColumnB+3600, kRow[0],  375, 255, L},
    {K::Label,   "Label1",    7, "Ток анода",                    kColumnB,      kRow[1], 2295, 495, L},
    {K::Label,   "Iq",       -1, "0",                            kColumnB+2400, kRow[1], 1095, 255, L},
    {K::Label,   "Label2",    7, "мА",                           kColumnB+3600, kRow[1],  375, 255, L},
    {K::Label,   "Label1",    8, "Смещение на сетке",            kColumnB,      kRow[2], 2295, 495, L},
    {K::Label,   "Ugq",      -1, "0",                            kColumnB+2400, kRow[2], 1095, 255, L},
    {K::Label,   "Label2",    8, "В",                            kColumnB+3600, kRow[2],  375, 255, L},
    {K::Label,   "Label1",    9, "Напряжение входного сигнала",  kColumnB,      kRow[3], 2295, 495, L},
    {K::Label,   "Uvh",      -1, "0",                            kColumnB+2400, kRow[3], 1095, 255, L},
    {K::Label,   "Label2",    9, "В",                            kColumnB+3600, kRow[3],  375, 255, L},
    {K::Label,   "Label1",   10, "КПД анодной цепи",             kColumnB,      kRow[4], 2295, 495, L},
    {K::Label,   "Eff",      -1, "0",                            kColumnB+2400, kRow[4], 1095, 255, L},
    {K::Label,   "Label2",   10, "%",                            kColumnB+3600, kRow[4],  375, 255, L},
    {K::Label,   "Label1",   11, "Потребляемая мощность",        kColumnB,      kRow[5], 2295, 495, L},
    {K::Label,   "Vt",       -1, "0",                            kColumnB+2400, kRow[5], 1095, 255, L},
    {K::Label,   "Label2",   11, "Вт",                           kColumnB+3600, kRow[5],  375, 255, L},

    {K::Label,   "Label1",   12, "R 1-й обмотки",                kColumnC,      kRow[0], 2295, 495, L},
    {K::Label,   "Ra",       -1, "0",                            kColumnC+2400, kRow[0], 1095, 255, L},
    {K::Label,   "Label2",   12, "кОм",                          kColumnC+3600, kRow[0],  495, 255, L},
    {K::Label,   "Label1",   13, "Коэффициент трансформации",    kColumnC,      kRow[1], 2295, 495, L},
    {K::Label,   "Kt",       -1, "0",                            kColumnC+2400, kRow[1], 1095, 255, L},
    {K::Label,   "Label1",   14, "Индуктивность 1-й обмотки не менее", kColumnC, kRow[2], 2295, 495, L},
    {K::Label,   "L1",       -1, "0",                            kColumnC+2400, kRow[2], 1095, 255, L},
    {K::Label,   "Label2",   14, "Гн",                           kColumnC+3600, kRow[2],  495, 255, L},
    {K::Label,   "Label1",   15, "Ток подмагничивания",          kColumnC,      kRow[3], 2295, 495, L},
    {K::Label,   "Imag",     -1, "0",                            kColumnC+2400, kRow[3], 1095, 255, L},
    {K::Label,   "Label2",   15, "мА",                           kColumnC+3600, kRow[3],  495, 255, L},
    {K::Label,   "Label1",   16, "Выходная мощность",            kColumnC,      kRow[4], 2295, 495, L},
    {K::Label,   "Pout",     -1, "0",                            kColumnC+2400, kRow[4], 1095, 255, L},
    {K::Label,   "Label2",   16, "Вт",                           kColumnC+3600, kRow[4],  495, 255, L},
    {K::Label,   "Label1",   17, "Вторая гармоника",             kColumnC,      kRow[5], 2295, 495, L},
    {K::Label,   "D2",       -1, "0",                            kColumnC+2400, kRow[5], 1095, 255, L},
    {K::Label,   "Label2",   17, "%",                            kColumnC+3600, kRow[5],  495, 255, L},
    {K::Label,   "Label1",   18, "Третья гармоника",             kColumnC,      kRow[6], 2295, 495, L},
    {K::Label,   "D3",       -1, "0",                            kColumnC+2400, kRow[6], 1095, 255, L},
    {K::Label,   "Label2",   18, "%",                            kColumnC+3600, kRow[6],  495, 255, L},
    {K::Label,   "Label1",   19, "Коэффициент гармоник",         kColumnC,      kRow[7], 2295, 495, L},
    {K::Label,   "THD",      -1, "0",                            kColumnC+2400, kRow[7], 1095, 255, L},
    {K::Label,   "Label2",   19, "%",                            kColumnC+3600, kRow[7],  495, 255, L},
};

constexpr BuddyPair kBuddies[] = {
    {"Label5", "Ea"}, {"Label6", "Fn1"}, {"Label3", "R11"}, {"Label8", "Rn"}, {"Label7", "Kn"}, {"Label9", "File"},
};

// As in the pentode power stage window, with the ratio, the fifth box, last.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Fn1", "File", "R11", "Rn", "Kn"};

// In the order the calculation gives them.
constexpr OutputRow kOutputs[] = {
    {"Label1(0)", "R1", "Label2(0)"},     {"Label1(1)", "C1", "Label2(1)"},     {"Label1(2)", "R2", "Label2(2)"},
    {"Label1(3)", "C2", "Label2(3)"},     {"Label1(4)", "PR2", "Label2(4)"},    {"Label1(6)", "Uq", "Label2(6)"},
    {"Label1(7)", "Iq", "Label2(7)"},     {"Label1(8)", "Ugq", "Label2(8)"},    {"Label1(5)", "Pa", "Label2(5)"},
    {"Label1(12)", "Ra", "Label2(12)"},   {"Label1(13)", "Kt", nullptr},        {"Label1(14)", "L1", "Label2(14)"},
    {"Label1(15)", "Imag", "Label2(15)"}, {"Label1(9)", "Uvh", "Label2(9)"},    {"Label1(16)", "Pout", "Label2(16)"},
    {"Label1(17)", "D2", "Label2(17)"},   {"Label1(18)", "D3", "Label2(18)"},   {"Label1(19)", "THD", "Label2(19)"},
    {"Label1(10)", "Eff", "Label2(10)"},  {"Label1(11)", "Vt", "Label2(11)"},
};

constexpr char kPictureDescription[] =
    "Вход через C1 на сетку триода VL1, R1 от сетки на общий провод; в катоде R2 и C2 параллельно; "
    "первичная обмотка выходного трансформатора Тр1 от анода к +Ea, вторичная на выход";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::TriodeOutput, {12600, 8535}, "dd", 8, WindowId::Files,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &TriodVihod::layout() { return kSpec; }

TriodVihod::TriodVihod(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
