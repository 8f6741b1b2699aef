// SPDX-License-Identifier: GPL-3.0-or-later
// The stage calculations driven through their functions: worked
// examples and edge cases as tables of ordered display updates and the one
// message, in a point and a comma locale.
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/stagecommon.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"

#include <QTest>
#include <cfloat>
#include <cmath>

using namespace anodix;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

const QString inputError = QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа");
const QString divisionByZero = QStringLiteral("Ошибка: Деление на ноль. Проверьте исходные данные");
const QString negativeRoot = QStringLiteral("Ошибка: Отрицательное подкоренное выражение. Проверьте исходные данные");
const QString outOfRange = QStringLiteral("Ошибка: Значение вне допустимого диапазона. Проверьте исходные данные");
const QString noMessage;

// Typed texts and expected outputs ("R1=0.75") are written in point form and
// take the locale's separator; record lines stay as written, since records
// are read with either separator.
QStringList localised(QStringList texts, const QLocale &locale)
{
    for (QString &text : texts)
        text.replace(u'.', locale.decimalPoint());
    return texts;
}

QStringList firstOf(const QStringList &outputs, int count)
{
    return outputs.mid(0, count);
}

// The list with the entries of the same output names replaced.
QStringList changed(QStringList outputs, const QStringList &changes)
{
    for (const QString &change : changes) {
        const QString name = change.section(u'=', 0, 0) + u'=';
        for (QString &output : outputs) {
            if (output.startsWith(name))
                output = change;
        }
    }
    return outputs;
}

QStringList changed(QStringList record, TubeField field, const QString &text)
{
    record[static_cast<int>(field)] = text;
    return record;
}

void addColumns()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("message");
}

// A row for one locale, with the texts exactly as given.
void addRow(const char *name, const QLocale &locale, const QStringList &typed, const QStringList &record,
            const QStringList &expected, const QString &message)
{
    QTest::addRow("%s (%s)", name, qPrintable(locale.name())) << locale << typed << record << expected << message;
}

// The same case in both locales, typed texts and outputs in each one's form.
void addBoth(const char *name, const QStringList &typed, const QStringList &record, const QStringList &expected,
             const QString &message)
{
    for (const QLocale &locale : {pointLocale, commaLocale})
        addRow(name, locale, localised(typed, locale), record, localised(expected, locale), message);
}

void checkResult(const StageResult &result, const QStringList &expected, const QString &message)
{
    QStringList shown;
    for (const DisplayUpdate &update : result.updates) {
        QVERIFY2(!update.text.isEmpty() && !update.text.contains(u"inf") && !update.text.contains(u"nan"),
                 qPrintable(update.output + u'=' + update.text));
        shown << update.output + u'=' + update.text;
    }
    QCOMPARE(shown, expected);
    QCOMPARE(result.message.has_value(), !message.isEmpty());
    if (result.message) {
        QCOMPARE(result.message->title, QStringLiteral("Ошибка"));
        QCOMPARE(result.message->text, message);
    }
}

// Worked examples.
const QStringList triodeTyped{"250", "20", "470"};
const QStringList triodeRecord{"6.3", "0.3", "150", "2", "1.5", "2", "20", "10"};
const QStringList triodeOutputs{"R1=470", "R2=0.75", "R3=62.5", "C1=0.01693", "Ku=17.24138", "C3=0.01693", "Vt=2.19"};

const QStringList pentodeTyped{"250", "20", "470"};
const QStringList pentodeRecord{"6.3", "0.3", "250", "3", "2", "2", "50", "1000", "100", "0.8"};
const QStringList pentodeOutputs{"R1=470", "R2=0.6667", "R4=41.66667", "C1=0.01693",
                                 "R3=187.5", "Ku=80.00001", "C4=0.01693", "Vt=2.64"};

const QStringList powerTyped{"250", "20", "470", "8"};
const QStringList powerRecord{"6.3", "1.5", "250", "100", "13.5", "11", "10", "15"};
const QStringList powerOutputs{"R1=470", "C1=0.01693", "R2=0.135", "Uvh=9.09",
                               "Rt1=1.95", "Vih=9.75", "Kt=15.612", "Vt=34.45"};

// The triode output stage: 300B at its sheet's point (300 V plus its 61 V bias),
// Fmin 20 Hz, R1 220 kΩ, an 8 Ω loudspeaker and a primary load of 3 × Ri.
const QStringList triodeOutputTyped{"361", "20", "220", "8", "3"};
const QStringList record300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};
const QStringList outputStageOutputs{"R1=220", "C1=0.03617", "R2=1.017", "C2=21.6", "PR2=3.66", "Uq=300",
                                "Iq=60", "Ugq=-61", "Pa=18", "Ra=2.1", "Kt=16.202", "L1=4.18",
                                "Imag=60", "Uvh=61", "Pout=6.08", "D2=9.9", "D3=5", "THD=11.4", "Eff=28.1",
                                "Vt=27.66"};
const QStringList record2A3{"2.5", "2.5", "250", "60", "45", "5.25", "4.2", "0.8"};

QString mustBePositive(const QString &name)
{
    return QStringLiteral("Ошибка: Значение %1 должно быть больше нуля. Проверьте исходные данные").arg(name);
}

} // namespace

class TestStages : public QObject
{
    Q_OBJECT

private slots:
    void triodeStage_data();
    void triodeStage();
    void pentodeStage_data();
    void pentodeStage();
    void powerStage_data();
    void powerStage();
    void triodeOutputStage_data();
    void triodeOutputStage();
    void narrowsOnlyWithinTheSingleRange_data();
    void narrowsOnlyWithinTheSingleRange();
    void pushPullStage_data();
    void pushPullStage();
};

void TestStages::triodeStage_data()
{
    addColumns();
    const QStringList &typed = triodeTyped;
    const QStringList &record = triodeRecord;
    const QStringList &outputs = triodeOutputs;
    using F = TubeField;

    addBoth("worked example", typed, record, outputs, noMessage);
    addBoth("no tube loaded reports the input error", typed, {}, {}, inputError);
    addBoth("empty lowest frequency reports the input error", {"250", "", "470"}, record, {}, inputError);
    addBoth("letters as lowest frequency report the input error", {"250", "abc", "470"}, record, {}, inputError);
    addBoth("empty R1 reports the input error", {"250", "20", ""}, record, {}, inputError);
    addBoth("empty supply voltage reports the input error", {"", "20", "470"}, record, {}, inputError);
    addBoth("letters as supply voltage report the input error", {"abc", "20", "470"}, record, {}, inputError);
    addBoth("non-numeric anode current reports the input error", typed, changed(record, F::AnodeCurrent, "x"), {},
            inputError);
    addBoth("non-numeric transconductance reports the input error", typed, changed(record, F::Transconductance, "x"),
            {}, inputError);
    addBoth("non-numeric heater voltage reports the input error", typed, changed(record, F::HeaterVoltage, ""), {},
            inputError);
    addBoth("record without internal resistance reports the input error", typed, firstOf(record, 7), {}, inputError);
    addBoth("amplification factor takes no part", typed, changed(record, F::AmplificationFactor, "abc"), outputs,
            noMessage);
    addBoth("record written with commas", typed, {"6,3", "0,3", "150", "2", "1,5", "2", "20", "10"}, outputs,
            noMessage);
    addBoth("zero anode current keeps R1 and reports division by zero", typed, changed(record, F::AnodeCurrent, "0"),
            firstOf(outputs, 1), divisionByZero);
    addBoth("zero lowest frequency stops at C1", {"250", "0", "470"}, record, firstOf(outputs, 3), divisionByZero);
    addBoth("zero R1 stops at C1", {"250", "20", "0"}, record, {"R1=0", "R2=0.75", "R3=62.5"}, divisionByZero);
    addBoth("negative grid bias gives a negative R2", typed, changed(record, F::GridBias, "-1.5"),
            changed(outputs, {"R2=-0.75"}), noMessage);
    addBoth("R1 with a trailing zero shows 470", {"250", "20", "470.0"}, record, outputs, noMessage);
    addBoth("R1 with blanks around it shows 470", {"250", "20", " 470 "}, record, outputs, noMessage);
    addBoth("R1 as an exponent shows its value", {"250", "20", "1e2"}, record,
            changed(outputs, {"R1=100", "C1=0.07958", "C3=0.07958"}), noMessage);
    addBoth("fractional R1", {"250", "20", "4.7"}, record, changed(outputs, {"R1=4.7", "C1=1.693", "C3=1.693"}),
            noMessage);
    addBoth("anode load plus internal resistance of zero stops at the gain", typed,
            changed(record, F::InternalResistance, "-62.5"), firstOf(outputs, 4), divisionByZero);
    addBoth("supply voltage beyond single precision reports the range", {"1e39", "20", "470"}, record, {},
            outOfRange);
    addBoth("anode load beyond single precision stops at R3", {"3e38", "20", "470"},
            changed(record, F::AnodeCurrent, "0.1"), {"R1=470", "R2=15"}, outOfRange);

    addRow("comma in the point locale is no number", pointLocale, {"250", "20", "4,7"}, record, {}, inputError);
    addRow("grouped thousands in the point locale", pointLocale, {"250", "20", "1,000"}, record, {}, inputError);
    addRow("point in the comma locale is no number", commaLocale, {"250", "20", "470.0"}, record, {}, inputError);
    addRow("grouped thousands in the comma locale", commaLocale, {"250", "20", QStringLiteral("1\u00a0000")}, record,
           {}, inputError);
    // Swedish writes exponents as "1×10^−5" by itself, which no later step could read back.
    addRow("small R1 read back in a locale with its own exponent form", QLocale(QLocale::Swedish, QLocale::Sweden),
           {"250", "20", "0,00001"}, record,
           localised(changed(outputs, {"R1=1E-5", "C1=795800", "C3=795800"}), commaLocale), noMessage);
}

void TestStages::triodeStage()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    checkResult(CalculateTriodeStage(typed[0], typed[1], typed[2], LoadedTube{record}, locale), expected, message);
}

void TestStages::pentodeStage_data()
{
    addColumns();
    const QStringList &typed = pentodeTyped;
    const QStringList &record = pentodeRecord;
    const QStringList &outputs = pentodeOutputs;
    using F = TubeField;

    addBoth("worked example", typed, record, outputs, noMessage);
    addBoth("no tube loaded reports the input error", typed, {}, {}, inputError);
    addBoth("empty lowest frequency reports the input error", {"250", "", "470"}, record, {}, inputError);
    addBoth("letters as supply voltage report the input error", {"abc", "20", "470"}, record, {}, inputError);
    addBoth("non-numeric screen voltage reports the input error", typed, changed(record, F::ScreenVoltage, "x"), {},
            inputError);
    addBoth("record without the screen lines reports the input error", typed, firstOf(record, 8), {}, inputError);
    addBoth("amplification factor takes no part", typed, changed(record, F::AmplificationFactor, "abc"), outputs,
            noMessage);
    addBoth("record written with commas", typed, {"6,3", "0,3", "250", "3", "2", "2", "50", "1000", "100", "0,8"},
            outputs, noMessage);
    addBoth("zero anode current keeps R1 and reports division by zero", typed, changed(record, F::AnodeCurrent, "0"),
            firstOf(outputs, 1), divisionByZero);
    addBoth("zero lowest frequency stops at C1", {"250", "0", "470"}, record, firstOf(outputs, 3), divisionByZero);
    addBoth("zero screen current stops at R3", typed, changed(record, F::ScreenCurrent, "0"), firstOf(outputs, 4),
            divisionByZero);
    addBoth("screen current so small that R3 leaves the range", typed, changed(record, F::ScreenCurrent, "1e-310"),
            firstOf(outputs, 4), outOfRange);
    addBoth("anode load plus internal resistance of zero stops at the gain", typed,
            changed(changed(record, F::AnodeCurrent, "2.5"), F::InternalResistance, "-50"),
            {"R1=470", "R2=0.8", "R4=50", "C1=0.01693", "R3=187.5"}, divisionByZero);
    addBoth("negative grid bias gives a negative R2", typed, changed(record, F::GridBias, "-2"),
            changed(outputs, {"R2=-0.6667"}), noMessage);
    addBoth("supply voltage changes R4, R3 and the gain but not the power drawn", {"300", "20", "470"}, record,
            changed(outputs, {"R4=50", "R3=250", "Ku=95.2381"}), noMessage);
    addBoth("power drawn rounds to three decimals, half to even", typed, changed(record, F::HeaterCurrent, "0.175"),
            changed(outputs, {"Vt=1.852"}), noMessage);
    addBoth("R1 with a trailing zero shows 470", {"250", "20", "470.0"}, record, outputs, noMessage);

    addRow("comma in the point locale is no number", pointLocale, {"250", "20,5", "470"}, record, {}, inputError);
    addRow("point in the comma locale is no number", commaLocale, {"250.5", "20", "470"}, record, {}, inputError);
}

void TestStages::pentodeStage()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    checkResult(CalculatePentodeStage(typed[0], typed[1], typed[2], LoadedTube{record}, locale), expected, message);
}

void TestStages::powerStage_data()
{
    addColumns();
    const QStringList &typed = powerTyped;
    const QStringList &record = powerRecord;
    const QStringList &outputs = powerOutputs;
    using F = TubeField;

    addBoth("worked example from an eight-line record", typed, record, outputs, noMessage);
    addBoth("screen lines and amplification factor take no part", typed,
            changed(record, F::AmplificationFactor, "abc") << "abc" << "", outputs, noMessage);
    addBoth("no tube loaded reports the input error", typed, {}, {}, inputError);
    addBoth("empty lowest frequency reports the input error", {"250", "", "470", "8"}, record, {}, inputError);
    addBoth("letters as lowest frequency report the input error", {"250", "Гц", "470", "8"}, record, {}, inputError);
    addBoth("letters as load resistance report the input error", {"250", "20", "470", "abc"}, record, {}, inputError);
    addBoth("empty load resistance reports the input error", {"250", "20", "470", ""}, record, {}, inputError);
    addBoth("letters as supply voltage report the input error", {"abc", "20", "470", "8"}, record, {}, inputError);
    addBoth("non-numeric internal resistance reports the input error", typed,
            changed(record, F::InternalResistance, "x"), {}, inputError);
    addBoth("record written with commas", typed, {"6,3", "1,5", "250", "100", "13,5", "11", "10", "15"}, outputs,
            noMessage);
    addBoth("zero anode current keeps R1 and C1 and reports division by zero", typed,
            changed(record, F::AnodeCurrent, "0"), firstOf(outputs, 2), divisionByZero);
    addBoth("zero lowest frequency with zero anode current stops after R1", {"250", "0", "470", "8"},
            changed(record, F::AnodeCurrent, "0"), firstOf(outputs, 1), divisionByZero);
    addBoth("zero R1 stops at C1", {"250", "20", "0", "8"}, record, {"R1=0"}, divisionByZero);
    addBoth("zero transconductance stops at the input voltage", typed, changed(record, F::Transconductance, "0"),
            firstOf(outputs, 3), divisionByZero);
    addBoth("zero load resistance stops at the turns ratio", {"250", "20", "470", "0"}, record, firstOf(outputs, 6),
            divisionByZero);
    addBoth("supply too low for the anode swing stops at the square root", {"20", "20", "470", "8"}, record,
            {"R1=470", "C1=0.01693", "R2=0.135", "Uvh=9.09", "Rt1=-0.12", "Vih=-0.6"}, negativeRoot);
    addBoth("transconductance so small that the input voltage leaves the range", typed,
            changed(record, F::Transconductance, "1e-40"), firstOf(outputs, 3), outOfRange);
    addBoth("load resistance beyond single precision reports the range", {"250", "20", "470", "1e39"}, record, {},
            outOfRange);
    addBoth("negative grid bias gives a negative R2", typed, changed(record, F::GridBias, "-13.5"),
            changed(outputs, {"R2=-0.135"}), noMessage);
    addBoth("turns ratio comes from the rounded primary resistance", typed,
            changed(record, F::InternalResistance, "15.2"), changed(outputs, {"Vih=9.73"}), noMessage);
    addBoth("power drawn uses the anode voltage, not the supply", typed, changed(record, F::AnodeVoltage, "200"),
            changed(outputs, {"Vt=29.45"}), noMessage);
    addBoth("R1 with a trailing zero shows 470", {"250", "20", "470.0", "8"}, record, outputs, noMessage);

    addRow("comma load resistance in the point locale is no number", pointLocale, {"250", "20", "470", "8,5"}, record,
           {}, inputError);
    addRow("point R1 in the comma locale is no number", commaLocale, {"250", "20", "470.0", "8"}, record, {},
           inputError);
}

void TestStages::powerStage()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    checkResult(CalculatePowerStage(typed[0], typed[1], typed[2], typed[3], LoadedTube{record}, locale), expected,
                message);
}

void TestStages::triodeOutputStage_data()
{
    addColumns();
    const QStringList &typed = triodeOutputTyped;
    const QStringList &record = record300B;
    const QStringList &outputs = outputStageOutputs;
    using F = TubeField;
    const QString cutOff = QStringLiteral("Рабочая точка не найдена: лампа заперта при этом напряжении питания");

    addBoth("300B worked example", typed, record, outputs, noMessage);
    // A higher primary load lowers the power and most of the second harmonic.
    addBoth("300B into five times Ri", {"361", "20", "220", "8", "5"}, record,
            changed(outputs, {"C2=17", "Ra=3.5", "Kt=20.917", "L1=4.64", "Pout=5.36", "D2=1.7", "D3=0.4", "THD=1.7",
                              "Eff=24.8"}),
            noMessage);
    // Its sheet gives 3.5 W at 5 % into 2.5 kΩ at 250 V.
    addBoth("2A3 worked example", {"295", "20", "220", "8", "3"}, record2A3,
            {"R1=220", "C1=0.03617", "R2=0.75", "C2=23.5", "PR2=2.7", "Uq=250", "Iq=60", "Ugq=-45", "Pa=15",
             "Ra=2.4", "Kt=17.321", "L1=4.77", "Imag=60", "Uvh=45", "Pout=4.05", "D2=2.7", "D3=0.6", "THD=2.7",
             "Eff=22.9", "Vt=23.95"},
            noMessage);
    addBoth("a lower supply lowers the operating point", {"300", "20", "220", "8", "3"}, record,
            changed(outputs, {"PR2=2.46", "Uq=250", "Iq=49.2", "Ugq=-50.03", "Pa=12.3", "Imag=49.2", "Uvh=50",
                              "Pout=4.01", "D2=9.4", "D3=4.7", "THD=10.8", "Eff=27.2", "Vt=20.76"}),
            noMessage);
    addBoth("record written with commas", typed, {"5", "1,2", "300", "60", "61", "5,5", "3,85", "0,7"}, outputs,
            noMessage);
    addBoth("no tube loaded reports the input error", typed, {}, {}, inputError);
    addBoth("letters as the ratio report the input error", {"361", "20", "220", "8", "abc"}, record, {},
            inputError);
    addBoth("empty load resistance reports the input error", {"361", "20", "220", "", "3"}, record, {},
            inputError);
    addBoth("non-numeric amplification factor reports the input error", typed,
            changed(record, F::AmplificationFactor, "x"), {}, inputError);
    addBoth("record without internal resistance reports the input error", typed, firstOf(record, 7), {},
            inputError);
    addBoth("zero ratio reports division by zero before any output", {"361", "20", "220", "8", "0"}, record, {},
            divisionByZero);
    addBoth("zero anode current reports division by zero", typed, changed(record, F::AnodeCurrent, "0"), {},
            divisionByZero);
    addBoth("negative load resistance is named", {"361", "20", "220", "-8", "3"}, record, {},
            mustBePositive(QStringLiteral("Rн")));
    addBoth("negative supply is named before a zero R1", {"-361", "20", "0", "8", "3"}, record, {},
            mustBePositive(QStringLiteral("Ea")));
    addBoth("negative internal resistance is named", typed, changed(record, F::InternalResistance, "-0.7"), {},
            mustBePositive(QStringLiteral("Ri")));
    addBoth("negative grid bias is taken by its magnitude", typed, changed(record, F::GridBias, "-61"), outputs,
            noMessage);
    addBoth("no grid bias leaves no cathode resistor to bypass", typed, changed(record, F::GridBias, "0"),
            {"R1=220", "C1=0.03617", "R2=0"}, divisionByZero);
    addBoth("supply below the tube's cut-off finds no operating point", {"2", "20", "220", "8", "3"}, record, {},
            cutOff);
    addBoth("supply beyond any current reports the range", {"1e300", "20", "220", "8", "3"}, record, {},
            QStringLiteral("Ошибка: Значение вне допустимого диапазона: Ea = 1E300 В, допустимо от 1 до 100000 В. "
                           "Проверьте исходные данные"));

    addRow("comma ratio in the point locale is no number", pointLocale, {"361", "20", "220", "8", "2,5"}, record, {},
           inputError);
    addRow("point ratio in the comma locale is no number", commaLocale, {"361", "20", "220", "8", "2.5"}, record, {},
           inputError);
}

void TestStages::triodeOutputStage()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    checkResult(CalculateTriodeOutputStage(typed[0], typed[1], typed[2], typed[3], typed[4], LoadedTube{record},
                                           locale),
                expected, message);
}

void TestStages::narrowsOnlyWithinTheSingleRange_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<float>>("expected");

    const std::optional<float> none;
    QTest::newRow("largest single") << double(FLT_MAX) << std::optional(FLT_MAX);
    QTest::newRow("just under half a last place above it rounds down") << 0x1.fffffefffffffp127
                                                                      << std::optional(FLT_MAX);
    QTest::newRow("half a last place above it rounds up, out of range") << 0x1.ffffffp127 << none;
    QTest::newRow("negative beyond the range") << -1e39 << none;
    QTest::newRow("below the smallest subnormal is zero") << 1e-50 << std::optional(0.0f);
    QTest::newRow("infinity") << double(INFINITY) << none;
    QTest::newRow("not a number") << double(NAN) << none;
}

void TestStages::narrowsOnlyWithinTheSingleRange()
{
    QFETCH(double, value);
    QFETCH(std::optional<float>, expected);

    QCOMPARE(stage::narrowToSingle(value), expected);
}

namespace {

// Ea, Ug2, Fmin, R1, Rn, Raa, Rk.
const QStringList pushPullTyped{"250", "250", "20", "470", "8", "8", "130"};
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"};
const QStringList el34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
const QStringList el84PushPull{"R1=470",  "C1=0.01693", "Ugq=-8.58",  "Iq=29.5", "Ig2q=3.53",
                               "Pa=7.12", "Klass=AB1",  "Kt=31.623",  "L1=57.6", "Uvh=8.6",
                               "Ipk=90.2", "Uamin=59.1", "Pout=8.69", "D2=0",     "D3=3.8",
                               "THD=4.2",  "Vt=26.08", "Ri=38",    "Kd=0.105"};

QString mustAllBePositive(const QString &names)
{
    return QStringLiteral("Ошибка: Значения %1 должны быть больше нуля. Проверьте исходные данные").arg(names);
}

} // namespace

void TestStages::pushPullStage_data()
{
    addColumns();
    const QStringList &typed = pushPullTyped;
    using F = TubeField;
    const QString noScreen = QStringLiteral("В записи лампы нет данных экранной сетки (строки 9 и 10)");

    addBoth("EL84 at 250 V into 8 kOhm with 130 Ohm", typed, el84, el84PushPull, noMessage);
    addBoth("EL84 at 300 V", {"300", "300", "20", "470", "8", "8", "130"}, el84,
            changed(el84PushPull, {"Ugq=-10.54", "Iq=37.1", "Ig2q=3.38", "Pa=10.75", "Uvh=10.5", "Ipk=113",
                                   "Uamin=61.3", "Pout=13.61", "D3=3.5", "THD=3.8", "Vt=33.89", "Ri=38",
                                   "Kd=0.105"}),
            noMessage);
    addBoth("EL34 at 400 V with its screens at 250 V", {"400", "250", "20", "470", "8", "3.4", "100"}, el34,
            {"R1=470", "C1=0.01693", "Ugq=-15.16", "Iq=72.8", "Ig2q=2.98", "Pa=28.02", "Klass=AB1", "Kt=20.616",
             "L1=24.3", "Uvh=15.2", "Ipk=209", "Uamin=204.6", "Pout=19.93", "D2=0", "D3=4.7", "THD=5",
             "Vt=79.53", "Ri=15", "Kd=0.113"},
            noMessage);
    // A hot bias keeps the other tube conducting: the driven tube's peak is
    // then more than the composite current.
    addBoth("small cathode resistor works in class A", {"250", "250", "20", "470", "8", "8", "50"}, el84,
            changed(el84PushPull, {"Ugq=-6.26", "Iq=55.9", "Ig2q=6.62", "Pa=13.64", "Klass=A", "Uvh=6.3",
                                   "Ipk=102", "Uamin=40", "Pout=11.82", "D3=6.1", "THD=6.1", "Vt=40.86", "Ri=38",
                                   "Kd=0.105"}),
            noMessage);
    addBoth("record written with commas", typed,
            {"6,3", "0,76", "250", "48", "7,3", "11,3", "430", "38", "250", "5,5"}, el84PushPull, noMessage);

    addBoth("no tube loaded reports the input error", typed, {}, {}, inputError);
    addBoth("an eight-line record has no screen data", typed, el84.mid(0, 8), {}, noScreen);
    addBoth("letters as anode-to-anode load report the input error", {"250", "250", "20", "470", "8", "кОм", "130"},
            el84, {}, inputError);
    addBoth("empty screen voltage reports the input error", {"250", "", "20", "470", "8", "8", "130"}, el84, {},
            inputError);
    addBoth("non-numeric screen current reports the input error", typed, changed(el84, F::ScreenCurrent, "x"), {},
            inputError);
    addBoth("zero cathode resistor must be positive", {"250", "250", "20", "470", "8", "8", "0"}, el84, {},
            mustBePositive("Rk"));
    addBoth("negative supply and load name both", {"-250", "250", "20", "470", "8", "-8", "130"}, el84, {},
            mustAllBePositive("Ea, Raa"));
    addBoth("zero screen current in the record is named as the record's", typed,
            changed(el84, F::ScreenCurrent, "0"), {}, mustBePositive("Ig2 (в записи лампы)"));
    addBoth("zero lowest frequency and internal resistance", {"250", "250", "0", "470", "8", "8", "130"},
            changed(el84, F::InternalResistance, "0"), {}, mustAllBePositive("Fmin, Ri (в записи лампы)"));
    // More screen voltage would lift the cathode further: the advice is the supply, Rk or Ug2.
    addBoth("supply below the cathode voltage leaves the tubes cut off", {"5", "250", "20", "470", "8", "8", "130"},
            el84, {},
            QStringLiteral("Лампы заперты в покое: катод не ниже анода; увеличьте Ea или уменьшите Rk или Ug2"));
    addRow("load beyond the double range reports its range before any output", pointLocale,
           {"250", "250", "20", "470", "8", "1e308", "130"}, el84, {},
           QStringLiteral("Ошибка: Значение вне допустимого диапазона: Raa = 1E308 кОм, допустимо от 0.1 до 1000 кОм. "
                          "Проверьте исходные данные"));
    addRow("load beyond the double range reports its range before any output", commaLocale,
           {"250", "250", "20", "470", "8", "1e308", "130"}, el84, {},
           QStringLiteral("Ошибка: Значение вне допустимого диапазона: Raa = 1E308 кОм, допустимо от 0,1 до 1000 кОм. "
                          "Проверьте исходные данные"));

    addRow("comma screen voltage in the point locale is no number", pointLocale,
           {"250", "250,5", "20", "470", "8", "8", "130"}, el84, {}, inputError);
    addRow("point cathode resistor in the comma locale is no number", commaLocale,
           {"250", "250", "20", "470", "8", "8", "130.0"}, el84, {}, inputError);
}

void TestStages::pushPullStage()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, record);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    const PushPullTexts texts{typed[0], typed[1], typed[2], typed[3], typed[4], typed[5], typed[6]};
    checkResult(CalculatePushPullStage(texts, LoadedTube{record}, locale), expected, message);
}

QTEST_APPLESS_MAIN(TestStages)
#include "tst_stages.moc"
