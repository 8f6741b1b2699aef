// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage window: its form; its calculation is its entry in the stage table.
#include "anodix/windows/dvuhtakt.h"

#include "anodix/forms/resultgrid.h"

namespace anodix {

namespace {

using K = ControlKind;
constexpr FontSpec L = kBoldSans975;

// The results stand in three columns under the line, the output and its
// distortion together in the last.
constexpr int kColumn1 = 240, kColumn2 = 3960, kColumn3 = 7680;
constexpr ResultGrid grid{5340};

constexpr ControlRow kForm[] = {
    {K::TextBox, "Ea",       -1, "",                               120,  360, 1335,  285},
    {K::Label,   "Label1",   -1, "Ea (напряжение питания)",       1560,  360, 3180,  255, L},
    {K::TextBox, "Ug2",      -1, "",                               120,  720, 1335,  285},
    {K::Label,   "Label2",   -1, "Напряжение на экранных сетках", 1560,  720, 3180,  255, L},
    {K::TextBox, "Fn1",      -1, "",                               120, 1080, 1335,  285},
    {K::Label,   "Label3",   -1, "Мин. частота пропускания",      1560, 1080, 3180,  255, L},
    {K::TextBox, "R11",      -1, "",                               120, 1440, 1335,  285},
    {K::Label,   "Label4",   -1, "Номинал R1, кОм",               1560, 1440, 3180,  255, L},
    {K::TextBox, "Rn",       -1, "",                               120, 1800, 1335,  285},
    {K::Label,   "Label5",   -1, "Сопротивление нагрузки",        1560, 1800, 3180,  255, L},
    {K::TextBox, "Raa",      -1, "",                               120, 2160, 1335,  285},
    {K::Label,   "Label6",   -1, "Нагрузка анод–анод, кОм",       1560, 2160, 3180,  255, L},
    {K::TextBox, "Rk",       -1, "",                               120, 2520, 1335,  285},
    {K::Label,   "Label7",   -1, "Общий катодный резистор, Ом",   1560, 2520, 3180,  255, L},
    // Empty or 0 is the pentode connection with the screens at Ug2; three lines.
    {K::TextBox, "Otvod",    -1, "",                               120, 2880, 1335,  285},
    {K::Label,   "Label11",  -1, "Отвод экранных сеток, % (0 — пентодное включение, 100 — триодное)",
                                                                   1560, 2880, 3600,  735, L},
    {K::Label,   "Label8",   -1, "Выберите радиолампу:",          1080, 3660, 2775,  375, L},
    {K::FileList,"File",     -1, "",                               480, 4020, 3855, 1065, kBoldSans825},
    {K::Picture, "Image1",   -1, ":/anodix/dvuhtakt.svg",         5280,  240, 5805, 3600},
    {K::Button,  "Command1", -1, "Рассчитать",                    6375, 3960, 3615,  375, kBoldArial1125},
    {K::Line,    "Line1",    -1, nullptr,                          240, 5220, 11280, 5220},
    grid.caption(0, "R1 = ", kColumn1, 0),                             grid.value("R1", kColumn1, 0),    grid.unit(0, "кОм", kColumn1, 0),
    grid.caption(1, "C1 = ", kColumn1, 1),                             grid.value("C1", kColumn1, 1),    grid.unit(1, "мкФ", kColumn1, 1),
    grid.caption(2, "Смещение на сетке", kColumn1, 2),                 grid.value("Ugq", kColumn1, 2),   grid.unit(2, "В", kColumn1, 2),
    grid.caption(3, "Ток покоя одной лампы", kColumn1, 3),             grid.value("Iq", kColumn1, 3),    grid.unit(3, "мА", kColumn1, 3),
    grid.caption(4, "Ток экранной сетки в покое", kColumn1, 4),        grid.value("Ig2q", kColumn1, 4),  grid.unit(4, "мА", kColumn1, 4),
    grid.caption(5, "Мощность на аноде в покое", kColumn2, 0),         grid.value("Pa", kColumn2, 0),    grid.unit(5, "Вт", kColumn2, 0),
    grid.caption(6, "Класс усиления", kColumn2, 1),                    grid.value("Klass", kColumn2, 1),
    grid.caption(7, "Коэффициент трансформации", kColumn2, 2),         grid.value("Kt", kColumn2, 2),
    grid.caption(8, "Индуктивность 1-й обмотки не менее", kColumn2, 3), grid.value("L1", kColumn2, 3),    grid.unit(8, "Гн", kColumn2, 3),
    grid.caption(9, "Напряжение входного сигнала", kColumn2, 4),       grid.value("Uvh", kColumn2, 4),   grid.unit(9, "В", kColumn2, 4),
    grid.caption(10, "Пиковый ток анода", kColumn3, 0),                grid.value("Ipk", kColumn3, 0),   grid.unit(10, "мА", kColumn3, 0),
    grid.caption(11, "Минимальное напряжение на аноде", kColumn3, 1),  grid.value("Uamin", kColumn3, 1), grid.unit(11, "В", kColumn3, 1),
    grid.caption(12, "Выходная мощность", kColumn3, 2),                grid.value("Pout", kColumn3, 2),  grid.unit(12, "Вт", kColumn3, 2),
    grid.caption(15, "Вторая гармоника", kColumn3, 3),                 grid.value("D2", kColumn3, 3),    grid.unit(15, "%", kColumn3, 3),
    grid.caption(13, "Третья гармоника", kColumn3, 4),                 grid.value("D3", kColumn3, 4),    grid.unit(13, "%", kColumn3, 4),
    grid.caption(16, "Коэффициент гармоник", kColumn3, 5),             grid.value("THD", kColumn3, 5),   grid.unit(16, "%", kColumn3, 5),
    grid.caption(14, "Потребляемая мощность в покое", kColumn2, 5),    grid.value("Vt", kColumn2, 5),    grid.unit(14, "Вт", kColumn2, 5),
    grid.caption(17, "Внутреннее сопротивление лампы", kColumn1, 5),  grid.value("Ri", kColumn1, 5),    grid.unit(17, "кОм", kColumn1, 5),
    grid.caption(18, "Коэффициент демпфирования", kColumn1, 6),       grid.value("Kd", kColumn1, 6),
};

constexpr BuddyPair kBuddies[] = {
    {"Label1", "Ea"},  {"Label2", "Ug2"}, {"Label3", "Fn1"}, {"Label4", "R11"},
    {"Label5", "Rn"},  {"Label6", "Raa"}, {"Label7", "Rk"},  {"Label11", "Otvod"},
    {"Label8", "File"},
};

// The button first, as in the other stage windows; then the boxes from the top and the list under them.
constexpr const char *kFocusOrder[] = {"Command1", "Ea", "Ug2", "Fn1", "R11", "Rn", "Raa", "Rk", "Otvod", "File"};

// Each result with the caption before it and the unit after it.
constexpr OutputRow kOutputs[] = {
    {"Label9(0)", "R1", "Label10(0)"},     {"Label9(1)", "C1", "Label10(1)"},
    {"Label9(2)", "Ugq", "Label10(2)"},    {"Label9(3)", "Iq", "Label10(3)"},
    {"Label9(4)", "Ig2q", "Label10(4)"},   {"Label9(5)", "Pa", "Label10(5)"},
    {"Label9(6)", "Klass", nullptr},       {"Label9(7)", "Kt", nullptr},
    {"Label9(8)", "L1", "Label10(8)"},     {"Label9(9)", "Uvh", "Label10(9)"},
    {"Label9(10)", "Ipk", "Label10(10)"},  {"Label9(11)", "Uamin", "Label10(11)"},
    {"Label9(12)", "Pout", "Label10(12)"}, {"Label9(15)", "D2", "Label10(15)"},
    {"Label9(13)", "D3", "Label10(13)"},   {"Label9(16)", "THD", "Label10(16)"},
    {"Label9(14)", "Vt", "Label10(14)"},   {"Label9(17)", "Ri", "Label10(17)"},
    {"Label9(18)", "Kd", nullptr},
};

constexpr char kPictureDescription[] =
    "Вход на управляющие сетки пентодов VL1 и VL2 в противофазе, через C1 к каждой, R1 от каждой сетки на общий "
    "провод; катоды соединены и идут на общий резистор Rk с конденсатором Ck параллельно; аноды на концах "
    "первичной обмотки выходного трансформатора Тр1, её средняя точка на +Ea, экранные сетки на +Ug2 "
    "(или на отводы первичной обмотки: ультралинейное включение, на аноды: триодное), вторичная обмотка на выход";

constexpr CalcWindowSpec kSpec{
    stage::Circuit::PushPull, {11520, 9240}, "dd", 10, WindowId::Files_Pentod_Vihod,
    kForm, kBuddies, kFocusOrder, kOutputs, kPictureDescription, 8,
};

} // namespace

const CalcWindowSpec &Dvuhtakt::layout() { return kSpec; }

Dvuhtakt::Dvuhtakt(const AppContext &context)
    : CalcWindow(kSpec, context)
{
}

} // namespace anodix
