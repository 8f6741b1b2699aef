// SPDX-License-Identifier: GPL-3.0-or-later
// Inputs no real stage can have are refused by name and range before any
// output; a refusal's advice holds for the values typed; and whatever the
// inputs, no shown result has more digits than its row's format.
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"

#include <QTest>

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

// Typed: Ea, Fmin, R1, Rн, Ra / Ri; or Ea, Ug2, Fmin, R1, Rн, Raa, Rk.
const QStringList record300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};
const QStringList recordEL34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
const QStringList outputTyped{"361", "20", "220", "8", "3"};
const QStringList pushPullTyped{"375", "375", "20", "470", "8", "3.4", "130"};

QStringList with(QStringList texts, int index, const QString &text)
{
    texts[index] = text;
    return texts;
}

// Each output's format: decimals above zero, significant digits below (0: a text).
const QHash<Kind, QHash<QString, int>> kFormats{
    {Kind::Triode, {{"R1", -7}, {"R2", 4}, {"R3", -7}, {"C1", -4}, {"Ku", 5}, {"C3", -4}, {"Vt", 2}}},
    {Kind::Pentode,
     {{"R1", -7}, {"R2", 4}, {"R4", -7}, {"C1", -4}, {"R3", -15}, {"Ku", 5}, {"C4", -4}, {"Vt", 3}}},
    {Kind::Power, {{"R1", -7}, {"C1", -4}, {"R2", 3}, {"Uvh", 2}, {"Rt1", 2}, {"Vih", 2}, {"Kt", 3}, {"Vt", 2}}},
    {Kind::TriodeOutput,
     {{"R1", -15}, {"C1", -4}, {"R2", 3}, {"C2", -3}, {"PR2", 2}, {"Uq", 1}, {"Iq", -3}, {"Ugq", 2}, {"Pa", 2},
      {"Ra", -3}, {"Kt", 3}, {"L1", -3}, {"Imag", -3}, {"Uvh", 1}, {"Pout", 2}, {"D2", 1}, {"D3", 1}, {"THD", 1}, {"Eff", 1}, {"Vt", 2}}},
    {Kind::PushPull,
     {{"R1", -15}, {"C1", -4}, {"Ugq", 2}, {"Iq", -3}, {"Ig2q", -3}, {"Pa", 2}, {"Klass", 0}, {"Kt", 3},
      {"L1", -3}, {"Uvh", 1}, {"Ipk", -3}, {"Uamin", 1}, {"Pout", 2}, {"D2", 1}, {"D3", 1}, {"THD", 1}, {"Vt", 2},
      {"Ri", -3}, {"Kd", -3}}},
};

// Whether text keeps its format. A small value may take the exponent form in
// a row of decimals ("4E-5" is 0.00004, five decimals); a large one shows
// digits no row of decimals has.
bool keepsFormat(QString text, int format, const QLocale &locale)
{
    if (format == 0)
        return true;
    if (text.startsWith(u'-'))
        text.remove(0, 1);
    const qsizetype e = text.indexOf(u'E');
    const int power = e >= 0 ? text.mid(e + 1).toInt() : 0;
    QString mantissa = e >= 0 ? text.left(e) : text;
    if (format > 0) {
        const qsizetype point = mantissa.indexOf(locale.decimalPoint());
        return power <= 0 && (point < 0 ? 0 : mantissa.size() - point - 1) - power <= format;
    }
    mantissa.remove(locale.decimalPoint());
    while (mantissa.startsWith(u'0'))
        mantissa.remove(0, 1);
    while (mantissa.endsWith(u'0'))
        mantissa.chop(1);
    return mantissa.size() <= -format;
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
    QTest::addColumn<bool>("pushPull");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("range");

    // The first three once gave "Вторая гармоника -50 %", a turns ratio of
    // fifteen digits and the advice to raise Ug2.
    QTest::newRow("output: Ra / Ri of 1e-300") << false << 4 << "1e-300" << "Ra / Ri = 1E-300, допустимо от 0.5 до 50";
    QTest::newRow("output: Rн of 1e-300") << false << 3 << "1e-300" << "Rн = 1E-300 Ом, допустимо от 1 до 10000 Ом";
    QTest::newRow("push-pull: Ug2 of 1e308") << true << 1 << "1e308" << "Ug2 = 1E308 В, допустимо от 1 до 100000 В";
    QTest::newRow("output: Ra / Ri past the flat curves") << false << 4 << "1000" << "Ra / Ri = 1000, допустимо от 0.5 до 50";
    QTest::newRow("output: Fmin of 1e-300") << false << 1 << "1e-300" << "Fmin = 1E-300 Гц, допустимо от 0.1 до 100000 Гц";
    QTest::newRow("output: R1 of 1e300") << false << 2 << "1e300" << "R1 = 1E300 кОм, допустимо от 1 до 10000 кОм";
    QTest::newRow("output: half a volt") << false << 0 << "0.5" << "Ea = 0.5 В, допустимо от 1 до 100000 В";
    QTest::newRow("push-pull: Rн of 1e6") << true << 4 << "1e6" << "Rн = 1000000 Ом, допустимо от 1 до 10000 Ом";
    QTest::newRow("push-pull: Raa of 1e-300") << true << 5 << "1e-300" << "Raa = 1E-300 кОм, допустимо от 0.1 до 1000 кОм";
    QTest::newRow("push-pull: Rk of 1e-300") << true << 6 << "1e-300" << "Rk = 1E-300 Ом, допустимо от 1 до 100000 Ом";
}

void TestStageRanges::absurdInputsAreRefusedByTheirRangeBeforeAnyOutput()
{
    QFETCH(bool, pushPull);
    QFETCH(int, index);
    QFETCH(QString, typed);
    QFETCH(QString, range);

    const StageResult result = pushPull
        ? calculate(Kind::PushPull, with(pushPullTyped, index, typed), recordEL34, pointLocale)
        : calculate(Kind::TriodeOutput, with(outputTyped, index, typed), record300B, pointLocale);
    QVERIFY(result.updates.isEmpty());
    QVERIFY(result.message);
    QCOMPARE(result.message->title, QStringLiteral("Ошибка"));
    QCOMPARE(result.message->text,
             QStringLiteral("Ошибка: Значение вне допустимого диапазона: %1. Проверьте исходные данные").arg(range));
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
}

void TestStageRanges::theAdviceOfACutOffPairHoldsForTheValuesTyped()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, cathodeAboveAnode);

    const StageResult result = calculate(Kind::PushPull, typed, recordEL34, pointLocale);
    const QString advice =
        QStringLiteral("Лампы заперты в покое: катод не ниже анода; увеличьте Ea или уменьшите Rk или Ug2");
    QCOMPARE(result.message && result.message->text == advice, cathodeAboveAnode);
}

void TestStageRanges::noResultShowsMoreDigitsThanItsFormat_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QLocale>("locale");
    for (const QLocale &locale : {pointLocale, commaLocale}) {
        const QByteArray in = locale.name().toLatin1();
        QTest::addRow("triode (%s)", in.data()) << int(Kind::Triode) << QStringList{"250", "20", "470"}
            << QStringList{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"} << locale;
        QTest::addRow("pentode (%s)", in.data()) << int(Kind::Pentode) << QStringList{"250", "20", "470"}
            << QStringList{"6.3", "0.2", "250", "3", "2", "2", "5000", "2500", "140", "0.6"} << locale;
        QTest::addRow("power (%s)", in.data()) << int(Kind::Power) << QStringList{"250", "20", "470", "8"}
            << recordEL34.mid(0, 8) << locale;
        QTest::addRow("triode output (%s)", in.data()) << int(Kind::TriodeOutput) << outputTyped << record300B << locale;
        QTest::addRow("push-pull (%s)", in.data()) << int(Kind::PushPull) << pushPullTyped << recordEL34 << locale;
    }
}

// Every typed value and every record figure in turn, across the double range.
void TestStageRanges::noResultShowsMoreDigitsThanItsFormat()
{
    QFETCH(int, kind);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QLocale, locale);

    const QHash<QString, int> &formats = *kFormats.find(Kind(kind));
    int shown = 0;
    const auto check = [&](const QStringList &t, const QStringList &r) {
        for (const DisplayUpdate &update : calculate(Kind(kind), t, r, locale).updates) {
            QVERIFY2(formats.contains(update.output) && keepsFormat(update.text, formats[update.output], locale),
                     qPrintable(t.join(u' ') + u'|' + r.join(u' ') + u'|' + update.output + u'=' + update.text));
            ++shown;
        }
    };
    for (QString &text : typed)
        text.replace(u'.', locale.decimalPoint());
    for (const char *value : {"1e-300", "1e-30", "1e-6", "0.37", "3.7", "370", "370000", "1e15", "1e30", "1e300"}) {
        for (int i = 0; i < typed.size(); ++i)
            check(with(typed, i, QString::fromLatin1(value).replace(u'.', locale.decimalPoint())), record);
        for (int i = 0; i < record.size(); ++i)
            check(typed, with(record, i, QString::fromLatin1(value)));
    }
    QVERIFY(shown > 50); // or the sweep checked nothing
}

QTEST_APPLESS_MAIN(TestStageRanges)
#include "tst_stageranges.moc"
