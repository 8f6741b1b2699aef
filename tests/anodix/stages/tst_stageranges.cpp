// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs no real stage can have: refused by name with their range before any
// output; the advice of a refusal holds for the values typed; and whatever
// the inputs, no shown result carries more digits than its row's format.
#include "anodix/stages/numbertext.h"
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"

#include <QHash>
#include <QTest>
#include <functional>

using namespace anodix;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

enum class Kind { Triode, Pentode, Power, TriodeOutput, PushPull };

StageResult calculate(Kind kind, const QStringList &t, const QStringList &record, const QLocale &locale)
{
    const LoadedTube tube{record};
    switch (kind) {
    case Kind::Triode: return CalculateTriodeStage(t[0], t[1], t[2], tube, locale);
    case Kind::Pentode: return CalculatePentodeStage(t[0], t[1], t[2], tube, locale);
    case Kind::Power: return CalculatePowerStage(t[0], t[1], t[2], t[3], tube, locale);
    case Kind::TriodeOutput: return CalculateTriodeOutputStage(t[0], t[1], t[2], t[3], t[4], tube, locale);
    case Kind::PushPull: return CalculatePushPullStage({t[0], t[1], t[2], t[3], t[4], t[5], t[6]}, tube, locale);
    }
    return {};
}

// Typed: Ea, Fmin, R1 (and Rн, Ra / Ri), or Ea, Ug2, Fmin, R1, Rн, Raa, Rk.
const QStringList record300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};
const QStringList recordEL34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
const QStringList outputTyped{"361", "20", "220", "8", "3"};
const QStringList pushPullTyped{"375", "375", "20", "470", "8", "3.4", "130"};

QString rangeMessage(const QString &range)
{
    return QStringLiteral("Ошибка: Значение вне допустимого диапазона: %1. Проверьте исходные данные").arg(range);
}

QStringList with(QStringList texts, int index, const QString &text)
{
    texts[index] = text;
    return texts;
}

// How a row shows its number: with so many decimals, or significant digits.
struct Format
{
    enum { Decimals, Significant, Text } kind;
    int digits;
};
constexpr Format D(int n) { return {Format::Decimals, n}; }
constexpr Format S(int n) { return {Format::Significant, n}; }
constexpr Format kText{Format::Text, 0};

const QHash<QString, Format> &formatsOf(Kind kind)
{
    static const QHash<Kind, QHash<QString, Format>> formats{
        {Kind::Triode, {{"R1", S(7)}, {"R2", D(4)}, {"R3", S(7)}, {"C1", S(4)}, {"Ku", D(5)}, {"C3", S(4)},
                        {"Vt", D(2)}}},
        {Kind::Pentode, {{"R1", S(7)}, {"R2", D(4)}, {"R4", S(7)}, {"C1", S(4)}, {"R3", S(15)}, {"Ku", D(5)},
                         {"C4", S(4)}, {"Vt", D(3)}}},
        {Kind::Power, {{"R1", S(7)}, {"C1", S(4)}, {"R2", D(3)}, {"Uvh", D(2)}, {"Rt1", D(2)}, {"Vih", D(2)},
                       {"Kt", D(3)}, {"Vt", D(2)}}},
        {Kind::TriodeOutput, {{"R1", S(15)}, {"C1", S(4)}, {"R2", D(3)}, {"C2", S(3)}, {"PR2", D(2)}, {"Uq", D(1)},
                              {"Iq", S(3)}, {"Ugq", D(2)}, {"Pa", D(2)}, {"Ra", S(3)}, {"Kt", D(3)}, {"L1", S(3)},
                              {"Imag", S(3)}, {"Uvh", D(1)}, {"Pout", D(2)}, {"D2", D(1)}, {"Eff", D(1)},
                              {"Vt", D(2)}}},
        {Kind::PushPull, {{"R1", S(15)}, {"C1", S(4)}, {"Ugq", D(2)}, {"Iq", S(3)}, {"Ig2q", S(3)}, {"Pa", D(2)},
                          {"Klass", kText}, {"Kt", D(3)}, {"L1", S(3)}, {"Uvh", D(1)}, {"Ipk", S(3)},
                          {"Uamin", D(1)}, {"Pout", D(2)}, {"D3", D(1)}, {"Vt", D(2)}}},
    };
    return *formats.find(kind);
}

// Why text breaks its row's format; empty when it keeps it.
QString formatProblem(const QString &text, Format format, const QLocale &locale)
{
    if (format.kind == Format::Text)
        return {};
    QString number = text.startsWith(u'-') ? text.mid(1) : text;
    const qsizetype exponent = number.indexOf(u'E');
    if (format.kind == Format::Decimals) {
        // A small value may take the exponent form ("4E-5" is 0.00004); its
        // decimals are then the mantissa's and as many as the exponent adds.
        // A large one in that form shows digits no row of decimals has.
        const int power = exponent >= 0 ? number.mid(exponent + 1).toInt() : 0;
        if (power > 0)
            return QStringLiteral("exponent form of a large value in a row of decimals");
        const QString mantissa = exponent >= 0 ? number.left(exponent) : number;
        const qsizetype point = mantissa.indexOf(locale.decimalPoint());
        const qsizetype decimals = (point >= 0 ? mantissa.size() - point - 1 : 0) - power;
        if (decimals > format.digits)
            return QStringLiteral("more decimals than %1").arg(format.digits);
        return {};
    }
    if (exponent >= 0)
        number.truncate(exponent);
    number.remove(locale.decimalPoint());
    while (number.startsWith(u'0'))
        number.remove(0, 1);
    while (number.endsWith(u'0'))
        number.chop(1);
    return number.size() > format.digits ? QStringLiteral("more than %1 significant digits").arg(format.digits)
                                         : QString();
}

struct Base
{
    const char *name;
    Kind kind;
    QStringList typed, record;
};

const QList<Base> &bases()
{
    static const QList<Base> all{
        {"triode", Kind::Triode, {"250", "20", "470"}, {"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"}},
        {"pentode", Kind::Pentode, {"250", "20", "470"},
         {"6.3", "0.2", "250", "3", "2", "2", "5000", "2500", "140", "0.6"}},
        {"power", Kind::Power, {"250", "20", "470", "8"}, {"6.3", "1.5", "250", "100", "13.5", "11", "165", "15"}},
        {"triode output", Kind::TriodeOutput, outputTyped, record300B},
        {"push-pull", Kind::PushPull, pushPullTyped, recordEL34},
    };
    return all;
}

} // namespace

class TestStageRanges : public QObject
{
    Q_OBJECT

private slots:
    void absurdInputsAreRefusedByTheirRangeBeforeAnyOutput_data();
    void absurdInputsAreRefusedByTheirRangeBeforeAnyOutput();
    void theAdviceOfACutOffPairHoldsForTheValuesTyped_data();
    void theAdviceOfACutOffPairHoldsForTheValuesTyped();
    void noResultShowsMoreDigitsThanItsFormat_data();
    void noResultShowsMoreDigitsThanItsFormat();
};

void TestStageRanges::absurdInputsAreRefusedByTheirRangeBeforeAnyOutput_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QString>("message");

    const auto output = [](const char *name, int index, const char *text, const char *range) {
        QTest::newRow(name) << int(Kind::TriodeOutput) << with(outputTyped, index, QString::fromLatin1(text))
                            << record300B << rangeMessage(QString::fromUtf8(range));
    };
    // Once "Вторая гармоника -50 %" and a turns ratio of fifteen digits.
    output("output: a vanishing primary load", 4, "1e-300", "Ra / Ri = 1E-300, допустимо от 0.5 до 50");
    output("output: a primary load past the flat curves", 4, "1000", "Ra / Ri = 1000, допустимо от 0.5 до 50");
    output("output: a vanishing loudspeaker", 3, "1e-300", "Rн = 1E-300 Ом, допустимо от 1 до 10000 Ом");
    output("output: a megohm loudspeaker", 3, "1e6", "Rн = 1000000 Ом, допустимо от 1 до 10000 Ом");
    output("output: a lowest frequency of nothing", 1, "1e-300", "Fmin = 1E-300 Гц, допустимо от 0.1 до 100000 Гц");
    output("output: a grid leak of 1e300 kOhm", 2, "1e300", "R1 = 1E300 кОм, допустимо от 1 до 10000 кОм");
    output("output: half a volt of supply", 0, "0.5", "Ea = 0.5 В, допустимо от 1 до 100000 В");

    const auto pushPull = [](const char *name, int index, const char *text, const char *range) {
        QTest::newRow(name) << int(Kind::PushPull) << with(pushPullTyped, index, QString::fromLatin1(text))
                            << recordEL34 << rangeMessage(QString::fromUtf8(range));
    };
    // Once "Лампы заперты в покое: уменьшите Rk или увеличьте Ug2".
    pushPull("push-pull: screens at 1e308 V", 1, "1e308", "Ug2 = 1E308 В, допустимо от 1 до 100000 В");
    pushPull("push-pull: a vanishing loudspeaker", 4, "1e-300", "Rн = 1E-300 Ом, допустимо от 1 до 10000 Ом");
    pushPull("push-pull: a vanishing anode load", 5, "1e-300", "Raa = 1E-300 кОм, допустимо от 0.1 до 1000 кОм");
    pushPull("push-pull: a cathode resistor of 1e-300", 6, "1e-300", "Rk = 1E-300 Ом, допустимо от 1 до 100000 Ом");
    pushPull("push-pull: a gigavolt supply", 0, "1e9", "Ea = 1000000000 В, допустимо от 1 до 100000 В");
    pushPull("push-pull: a lowest frequency of a megahertz", 2, "1e6",
             "Fmin = 1000000 Гц, допустимо от 0.1 до 100000 Гц");
}

void TestStageRanges::absurdInputsAreRefusedByTheirRangeBeforeAnyOutput()
{
    QFETCH(int, kind);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QString, message);

    const StageResult point = calculate(Kind(kind), typed, record, pointLocale);
    QVERIFY(point.updates.isEmpty());
    QVERIFY(point.message);
    QCOMPARE(point.message->title, QStringLiteral("Ошибка"));
    QCOMPARE(point.message->text, message);
    // The comma locale names the same value and range in its own number texts.
    QStringList commaTyped = typed;
    for (QString &text : commaTyped)
        text.replace(u'.', u',');
    const StageResult comma = calculate(Kind(kind), commaTyped, record, commaLocale);
    QVERIFY(comma.updates.isEmpty());
    QVERIFY(comma.message);
    QCOMPARE(comma.message->text, QString(message).replace(QStringLiteral("0.5 "), QStringLiteral("0,5 "))
                                      .replace(QStringLiteral("0.1 "), QStringLiteral("0,1 ")));
}

void TestStageRanges::theAdviceOfACutOffPairHoldsForTheValuesTyped_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("cathodeAboveAnode");

    // A 5 V supply under screens at 375 V: the shared cathode rises past the anodes.
    const QStringList low = with(pushPullTyped, 0, "5");
    QTest::newRow("as typed") << low << true;
    QTest::newRow("advised: a higher supply") << with(low, 0, "375") << false;
    QTest::newRow("advised: a smaller cathode resistor") << with(low, 6, "1") << false;
    QTest::newRow("advised: lower screens") << with(low, 1, "5") << false;
    QTest::newRow("not advised: higher screens leave it so") << with(low, 1, "500") << true;
    QTest::newRow("not advised: a larger cathode resistor leaves it so") << with(low, 6, "1000") << true;
}

void TestStageRanges::theAdviceOfACutOffPairHoldsForTheValuesTyped()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, cathodeAboveAnode);

    const StageResult result = calculate(Kind::PushPull, typed, recordEL34, pointLocale);
    const QString advice =
        QStringLiteral("Лампы заперты в покое: катод не ниже анода; увеличьте Ea или уменьшите Rk или Ug2");
    QCOMPARE(result.message && result.message->text == advice, cathodeAboveAnode);
    if (cathodeAboveAnode)
        QVERIFY(result.updates.isEmpty());
}

void TestStageRanges::noResultShowsMoreDigitsThanItsFormat_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QLocale>("locale");
    for (int i = 0; i < bases().size(); ++i)
        for (const QLocale &locale : {pointLocale, commaLocale})
            QTest::addRow("%s (%s)", bases()[i].name, qPrintable(locale.name())) << i << locale;
}

// Every typed value and every record figure in turn, across the double range.
void TestStageRanges::noResultShowsMoreDigitsThanItsFormat()
{
    QFETCH(int, base);
    QFETCH(QLocale, locale);

    const Base &b = bases()[base];
    const QHash<QString, Format> &formats = formatsOf(b.kind);
    const QStringList values{"1e-300", "1e-30", "1e-6", "0.37", "3.7", "370", "370000", "1e15", "1e30", "1e300"};
    QStringList typed = b.typed;
    for (QString &text : typed)
        text.replace(u'.', locale.decimalPoint());
    int shownResults = 0;
    const auto check = [&](const QStringList &t, const QStringList &record, const QString &what) {
        const StageResult result = calculate(b.kind, t, record, locale);
        for (const DisplayUpdate &update : result.updates) {
            QVERIFY2(formats.contains(update.output), qPrintable(update.output));
            const QString problem = formatProblem(update.text, formats.value(update.output), locale);
            QVERIFY2(problem.isEmpty() && !update.text.isEmpty(),
                     qPrintable(what + QStringLiteral(": ") + update.output + QStringLiteral(" = ") + update.text + QStringLiteral(": ") + problem));
            ++shownResults;
        }
    };
    for (int i = 0; i < typed.size(); ++i)
        for (QString value : values)
            check(with(typed, i, value.replace(u'.', locale.decimalPoint())), b.record,
                  QStringLiteral("typed %1 = %2").arg(i).arg(value));
    for (int i = 0; i < b.record.size(); ++i)
        for (const QString &value : values)
            check(typed, with(b.record, i, value), QStringLiteral("record line %1 = %2").arg(i + 1).arg(value));
    // The sweep must have shown results, or it checked nothing.
    QVERIFY(shownResults > 50);
}

QTEST_APPLESS_MAIN(TestStageRanges)
#include "tst_stageranges.moc"
