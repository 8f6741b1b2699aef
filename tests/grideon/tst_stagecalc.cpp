// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's stage calculation and number texts, under a point and a comma locale.
#include "grideon/stagecalc.h"

#include <QTest>

#include <cfloat>
#include <cmath>

using namespace grideon;

namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Russian, QLocale::Russia);

QString tagOf(const QLocale &locale) { return locale.decimalPoint() == QStringLiteral(",") ? "comma" : "point"; }

// Writes the locale's decimal separator where a text holds "{sep}".
QString localised(QString text, const QLocale &locale)
{
    return text.replace(QStringLiteral("{sep}"), locale.decimalPoint());
}

StageTexts texts(const QStringList &list)
{
    StageTexts result;
    for (int i = 0; i < kStageInputCount; ++i)
        result[i] = list.value(i);
    return result;
}

} // namespace

class TestStageCalc : public QObject
{
    Q_OBJECT

private slots:
    void plainNumberText_data();
    void plainNumberText();
    void anExactHalfRoundsAwayFromZero_data();
    void anExactHalfRoundsAwayFromZero();
    void localNumberText_data();
    void localNumberText();
    void roundHalfEvenSendsHalvesToTheEvenNeighbour_data();
    void roundHalfEvenSendsHalvesToTheEvenNeighbour();
    void leadingNumberReaderIsLenientAndPointOnly_data();
    void leadingNumberReaderIsLenientAndPointOnly();
    void numericTextFollowsTheLocale_data();
    void numericTextFollowsTheLocale();
    void localNumberValues_data();
    void localNumberValues();
    void boxTextsConvertWithTheLocale_data();
    void boxTextsConvertWithTheLocale();
    void workedExamples_data();
    void workedExamples();
    void faultMessageNamesTheResultAndAsksToCheckTheInputs();
};

void TestStageCalc::plainNumberText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("a whole number gets a leading blank") << 470.0f << " 470";
    QTest::newRow("trailing zeros of a whole number stay") << 100.0f << " 100";
    QTest::newRow("zero is a blank and 0") << 0.0f << " 0";
    QTest::newRow("negative zero is shown as zero") << -0.0f << " 0";
    QTest::newRow("a fraction keeps its point") << 1.5f << " 1.5";
    QTest::newRow("no 0 before the point below one") << 0.5f << " .5";
    QTest::newRow("a negative fraction below one") << -0.25f << "-.25";
    QTest::newRow("a negative whole number") << -36.0f << "-36";
    QTest::newRow("seven significant digits at most") << 1.0f / 3.0f << " .3333333";
    QTest::newRow("rounded to seven digits") << 2.0f / 3.0f << " .6666667";
    QTest::newRow("single-precision noise is hidden") << 1.44000006f << " 1.44";
    QTest::newRow("the largest plain number") << 9999999.0f << " 9999999";
    QTest::newRow("exponent form from ten million") << 12345678.0f << " 1.234568E+07";
    QTest::newRow("ten million exactly") << 1e7f << " 1E+07";
    QTest::newRow("a large negative value") << -1.5e20f << "-1.5E+20";
    QTest::newRow("the largest single") << FLT_MAX << " 3.402823E+38";
    QTest::newRow("a ten-thousandth is still plain") << 0.0001f << " .0001";
    QTest::newRow("smaller values take the exponent form") << 0.00001f << " 1E-05";
    QTest::newRow("a small negative value") << -2.5e-10f << "-2.5E-10";
}

void TestStageCalc::plainNumberText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(FormatPlainNumber(value), text);
}

// Both text forms round the way the program always has: a value exactly half
// way between two texts goes to the one away from zero, not to the even one.
void TestStageCalc::anExactHalfRoundsAwayFromZero_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("local");
    QTest::addColumn<QString>("plain");

    for (const QLocale &locale : {kPoint, kComma}) {
        auto row = [&](const char *name, float value, int digits, const char *local, const char *plain) {
            QTest::addRow("%s: %s", qPrintable(tagOf(locale)), name)
                << locale << value << digits << localised(QString::fromUtf8(local), locale) << QString::fromUtf8(plain);
        };
        row("1234568.5 goes up, past the even 1234568", 1234568.5f, 7, "1234569", " 1234569");
        row("6781568.5 goes up to 6781569", 6781568.5f, 7, "6781569", " 6781569");
        row("-1234568.5 goes down to -1234569", -1234568.5f, 7, "-1234569", "-1234569");
        row("0.125 to two digits is 0.13", 0.125f, 2, "0{sep}13", " .125");
        row("2.5 to one digit is 3", 2.5f, 1, "3", " 2.5");
        row("a half that carries into a new digit", 999999.5f, 6, "1000000", " 999999.5");
        row("just below a half goes down", 1234568.375f, 7, "1234568", " 1234568");
        row("just above a half goes up", 1234567.625f, 7, "1234568", " 1234568");
    }
}

void TestStageCalc::anExactHalfRoundsAwayFromZero()
{
    QFETCH(QLocale, locale);
    QFETCH(float, value);
    QFETCH(int, digits);
    QFETCH(QString, local);
    QFETCH(QString, plain);
    QCOMPARE(FormatLocalNumber(value, locale, digits), local);
    QCOMPARE(FormatPlainNumber(value), plain);
}

void TestStageCalc::localNumberText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("text");

    for (const QLocale &locale : {kPoint, kComma}) {
        auto row = [&](const char *name, float value, int digits, const char *text) {
            QTest::addRow("%s: %s", qPrintable(tagOf(locale)), name)
                << locale << value << digits << localised(QString::fromUtf8(text), locale);
        };
        row("a small quotient keeps its 0 before the separator", 0.04255319f, 7, "0{sep}04255319");
        row("nothing before a positive value", 1.2f, 7, "1{sep}2");
        row("a whole number has no separator", 44.0f, 7, "44");
        row("no group separators", 1500.0f, 7, "1500");
        row("a minus sign for a negative value", -0.25f, 7, "-0{sep}25");
        row("zero", 0.0f, 7, "0");
        row("four significant digits for a capacitor", 0.0169313f, 4, "0{sep}01693");
        row("four digits rounded up", 2.71828f, 4, "2{sep}718");
        row("four digits of a large value", 1234567.0f, 4, "1235000");
        row("exponent form without the leading blank", 12345678.0f, 7, "1{sep}234568E+07");
        row("small values in exponent form", 0.0000015f, 4, "1{sep}5E-06");
    }
}

void TestStageCalc::localNumberText()
{
    QFETCH(QLocale, locale);
    QFETCH(float, value);
    QFETCH(int, digits);
    QFETCH(QString, text);
    QCOMPARE(FormatLocalNumber(value, locale, digits), text);
}

void TestStageCalc::roundHalfEvenSendsHalvesToTheEvenNeighbour_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<float>("rounded");

    QTest::newRow("204.5 goes down to the even 204") << 204.5f << 204.0f;
    QTest::newRow("186.5 goes down to the even 186") << 186.5f << 186.0f;
    QTest::newRow("47.5 goes up to the even 48") << 47.5f << 48.0f;
    QTest::newRow("-35.5 goes to the even -36") << -35.5f << -36.0f;
    QTest::newRow("0.5 goes to 0") << 0.5f << 0.0f;
    QTest::newRow("1.5 goes to 2") << 1.5f << 2.0f;
    QTest::newRow("below the half rounds down") << 163.1333f << 163.0f;
    QTest::newRow("above the half rounds up") << 2.5001f << 3.0f;
    QTest::newRow("a negative value above the half") << -2.6f << -3.0f;
    QTest::newRow("a whole number stays") << 16777215.0f << 16777215.0f;
}

void TestStageCalc::roundHalfEvenSendsHalvesToTheEvenNeighbour()
{
    QFETCH(float, value);
    QFETCH(float, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
}

void TestStageCalc::leadingNumberReaderIsLenientAndPointOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    QTest::newRow("reading stops at the first letter") << "12abc" << 12.0;
    QTest::newRow("an exponent is read") << "1e3" << 1000.0;
    QTest::newRow("a comma ends the number") << "7,7" << 7.0;
    QTest::newRow("a hexadecimal whole number") << "&HFF" << 255.0;
    QTest::newRow("hexadecimal in lower case") << "&hff" << 255.0;
    QTest::newRow("an octal whole number") << "&O17" << 15.0;
    QTest::newRow("an octal number stops at 8") << "&O178" << 15.0;
    QTest::newRow("a bare &H gives 0") << "&H" << 0.0;
    QTest::newRow("blanks anywhere are removed") << " 1 2 3 " << 123.0;
    QTest::newRow("tabs and line feeds are removed") << "\t4\n5" << 45.0;
    QTest::newRow("a saved line with its blanks and CR") << " 44 \r" << 44.0;
    QTest::newRow("garbage gives 0") << "abc" << 0.0;
    QTest::newRow("an empty text gives 0") << "" << 0.0;
    QTest::newRow("a lone point gives 0") << "." << 0.0;
    QTest::newRow("a leading point") << "-.5" << -0.5;
    QTest::newRow("a plus sign") << "+3" << 3.0;
    QTest::newRow("a second point ends the number") << "1.2.3" << 1.2;
    QTest::newRow("an exponent without digits is left out") << "12e" << 12.0;
    QTest::newRow("an exponent sign without digits is left out") << "1e+" << 1.0;
    QTest::newRow("a negative exponent") << "1.5E-2x" << 0.015;
    QTest::newRow("the saved exponent form") << " 1.234568E+07 " << 12345680.0;
    QTest::newRow("two signs are no number") << "--5" << 0.0;
}

void TestStageCalc::leadingNumberReaderIsLenientAndPointOnly()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(ParseLeadingNumber(text), value);
}

void TestStageCalc::numericTextFollowsTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");

    for (const QLocale &locale : {kPoint, kComma}) {
        auto row = [&](const char *name, const char *text, bool numeric) {
            QTest::addRow("%s: %s", qPrintable(tagOf(locale)), name)
                << locale << localised(QString::fromUtf8(text), locale) << numeric;
        };
        row("a whole number", "44", true);
        row("blanks around the number", "  44 ", true);
        row("a fraction with the locale's separator", "1{sep}5", true);
        row("a leading separator", "{sep}5", true);
        row("a trailing separator", "5{sep}", true);
        row("a minus sign", "-3", true);
        row("a plus sign", "+3", true);
        row("an exponent", "1e3", true);
        row("a negative exponent in capitals", "2{sep}5E-3", true);
        row("a zero", "0", true);
        row("the largest single-precision value", "3{sep}4e38", true);
        row("a value below the single-precision range becomes 0", "1e-50", true);
        row("an empty text", "", false);
        row("blanks only", "   ", false);
        row("letters", "abc", false);
        row("a number followed by letters", "12abc", false);
        row("a sign alone", "-", false);
        row("a separator alone", "{sep}", false);
        row("an exponent without digits", "1e", false);
        row("an exponent without a mantissa", "e3", false);
        row("two separators", "1{sep}2{sep}3", false);
        row("a blank inside the number", "1 000", false);
        row("a value beyond the single-precision range", "1e39", false);
        row("a value beyond the double range", "1e400", false);
        row("an infinity", "inf", false);
        row("not a number", "nan", false);
        row("a hexadecimal text", "&HFF", false);
    }
    QTest::newRow("point: a comma is no separator") << kPoint << "7,7" << false;
    QTest::newRow("comma: a point is no separator") << kComma << "1.2" << false;
}

void TestStageCalc::numericTextFollowsTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QCOMPARE(IsNumericText(text, locale), numeric);
}

// The value a numeric text stands for, correctly rounded to double precision.
void TestStageCalc::localNumberValues_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");

    for (const QLocale &locale : {kPoint, kComma}) {
        auto row = [&](const char *name, const char *text, double value) {
            QTest::addRow("%s: %s", qPrintable(tagOf(locale)), name)
                << locale << localised(QString::fromUtf8(text), locale) << value;
        };
        row("a fraction", "1{sep}5", 1.5);
        row("a sign, blanks and a negative exponent", " -2{sep}5E-3 ", -0.0025);
        row("a leading separator", "{sep}5", 0.5);
        row("a trailing separator", "5{sep}", 5.0);
        row("a plus sign in the exponent", "4{sep}7e+2", 470.0);
        row("more digits than a double holds", "0{sep}1000000000000000055511151231257827", 0.1);
        row("twenty digits", "12345678901234567890", 12345678901234567890.0);
        row("below the double range", "1e-400", 0.0);
        row("below the double range, negative", "-1e-400", 0.0);
        row("the largest single-precision value", "3{sep}4028234e38", 3.4028234e38);
    }
}

void TestStageCalc::localNumberValues()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, value);
    const std::optional<double> read = ParseLocalNumber(text, locale);
    QVERIFY(read.has_value());
    QCOMPARE(*read, value);
}

void TestStageCalc::boxTextsConvertWithTheLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");

    QTest::newRow("comma: 7,7 is stored as 7.7") << kComma << "7,7" << 7.7f;
    QTest::newRow("comma: a saved 1.2 shown as 1,2 comes back as 1.2") << kComma << "1,2" << 1.2f;
    QTest::newRow("point: 1.2 is 1.2") << kPoint << "1.2" << 1.2f;
    QTest::newRow("point: blanks around the number") << kPoint << " 250 " << 250.0f;
    QTest::newRow("comma: an exponent") << kComma << "4,7e2" << 470.0f;
    QTest::newRow("point: narrowed to single precision") << kPoint << "0.1" << 0.1f;
}

void TestStageCalc::boxTextsConvertWithTheLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(float, value);

    const StageInputs inputs = ReadStageInputs(texts({"1", "1", "1", "1", "1", text}), locale);
    QCOMPARE(inputs.fmin_hz, value);
    QCOMPARE(inputs.ri_kohm, 1.0f);
}

void TestStageCalc::workedExamples_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("inputs");  // ri, ia, rk, ea, ru, fmin
    QTest::addColumn<QStringList>("outputs"); // r1, r2, r3, c1, c2, ua, uk: as far as computed
    QTest::addColumn<QString>("message");     // "", or the message shown
    QTest::addColumn<int>("faultAt");         // 0 when no result faulted

    const QString notNumeric = kNotNumericMessage;
    const QString zero = kZeroEnteredMessage;

    for (const QLocale &locale : {kPoint, kComma}) {
        const QString tag = tagOf(locale);
        auto row = [&](const char *name, QStringList inputs, QStringList outputs, const QString &message, int faultAt) {
            for (QString &text : inputs)
                text = localised(text, locale);
            for (QString &text : outputs)
                text = localised(text, locale);
            QTest::addRow("%s: %s", qPrintable(tag), name) << locale << inputs << outputs << message << faultAt;
        };
        const QStringList example1Outputs{" 470", " 1500", " 204", "0{sep}01693", "0{sep}01693", " 44", " 1.5"};

        row("the first example: 204.5 goes to 204, C1 and C2 are 0.01693 uF",
            {"44", "1", "1500", "250", "470", "20"}, example1Outputs, {}, 0);
        row("ri 62 gives R3 186 from 186.5",
            {"62", "1", "1500", "250", "470", "20"},
            {" 470", " 1500", " 186", "0{sep}01693", "0{sep}01693", " 62", " 1.5"}, {}, 0);
        row("ia 1.2 and rk 1200 give R3 163, Ua 52.8 and Uk 1.44",
            {"44", "1{sep}2", "1200", "250", "470", "20"},
            {" 470", " 1200", " 163", "0{sep}01693", "0{sep}01693", " 52.8", " 1.44"}, {}, 0);
        row("a low supply gives a negative R3 of -36 from -35.5",
            {"44", "1", "1500", "10", "470", "20"},
            {" 470", " 1500", "-36", "0{sep}01693", "0{sep}01693", " 44", " 1.5"}, {}, 0);
        row("blanks around the texts are allowed",
            {" 44", "1 ", "1500", "250", "470", "20"}, example1Outputs, {}, 0);
        row("an exponent in a box", {"4{sep}4e1", "1", "1500", "250", "4{sep}7E2", "20"}, example1Outputs, {}, 0);
        row("an empty box gives the numeric message",
            {"44", "1", "", "250", "470", "20"}, {}, notNumeric, 0);
        row("letters give the numeric message",
            {"44", "1", "1500", "250", "470", "abc"}, {}, notNumeric, 0);
        row("a 0 and letters give the numeric message, not the zero message",
            {"0", "1", "1500", "250", "470", "abc"}, {}, notNumeric, 0);
        row("a 0 gives the zero message",
            {"44", "1", "1500", "250", "0", "20"}, {}, zero, 0);
        row("ia of 0{sep}0 passes both checks and faults at R3",
            {"44", "0{sep}0", "1500", "250", "470", "20"}, {" 470", " 1500"}, {}, 3);
        row("ia of 00 passes the zero check and faults at R3",
            {"44", "00", "1500", "250", "470", "20"}, {" 470", " 1500"}, {}, 3);
        row("ia of -0 faults at R3", {"44", "-0", "1500", "250", "470", "20"}, {" 470", " 1500"}, {}, 3);
        row("ia of 0 with a blank before it faults at R3",
            {"44", " 0", "1500", "250", "470", "20"}, {" 470", " 1500"}, {}, 3);
        row("R1 of 0{sep}0 faults at C1", {"44", "1", "1500", "250", "0{sep}0", "20"}, {" 0", " 1500", " 204"}, {}, 4);
        row("fmin of 0{sep}0 makes C1 zero, which faults at C1",
            {"44", "1", "1500", "250", "470", "0{sep}0"}, {" 470", " 1500", " 204"}, {}, 4);
        row("capacitors below the single-precision range fault at C1",
            {"44", "1", "1500", "250", "1e30", "1e30"}, {" 1E+30", " 1500", " 204"}, {}, 4);
        row("a quotient beyond the single-precision range faults at R3",
            {"44", "1e-30", "1500", "3e38", "470", "20"}, {" 470", " 1500"}, {}, 3);
        row("a product beyond the single-precision range faults at Ua",
            {"1e30", "1e30", "1500", "250", "470", "20"},
            {" 470", " 1500", "-1E+30", "0{sep}01693", "0{sep}01693"}, {}, 6);
        row("a cathode voltage beyond the single-precision range faults at Uk",
            {"44", "1e30", "1e30", "250", "470", "20"},
            {" 470", " 1E+30", "-1E+27", "0{sep}01693", "0{sep}01693", " 4.4E+31"}, {}, 7);
    }
    QTest::newRow("comma: ri of 7,7 is computed as 7.7")
        << kComma << QStringList{"7,7", "1", "1500", "250", "470", "20"}
        << QStringList{" 470", " 1500", " 241", "0,01693", "0,01693", " 7.7", " 1.5"} << QString() << 0;
    QTest::newRow("point: 7,7 is not numeric")
        << kPoint << QStringList{"7,7", "1", "1500", "250", "470", "20"} << QStringList() << notNumeric << 0;
    QTest::newRow("comma: 1.2 is not numeric")
        << kComma << QStringList{"44", "1.2", "1500", "250", "470", "20"} << QStringList() << notNumeric << 0;
}

void TestStageCalc::workedExamples()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, outputs);
    QFETCH(QString, message);
    QFETCH(int, faultAt);

    const StageCalculation calc = CalculateStage(texts(inputs), locale);

    QCOMPARE(calc.results.texts, outputs);
    QCOMPARE(calc.results.values.size(), outputs.size());
    QCOMPARE(calc.results.fault.has_value(), faultAt != 0);
    if (faultAt != 0) {
        QCOMPARE(calc.results.fault->result, faultAt);
        QCOMPARE(calc.message, arithmeticFaultMessage(*calc.results.fault));
    } else {
        QCOMPARE(calc.message, message);
    }
    const bool checksPassed = message.isEmpty();
    QCOMPARE(calc.check == TextCheck::Ok, checksPassed);
    if (checksPassed)
        QCOMPARE(calc.inputs, ReadStageInputs(texts(inputs), locale));
}

void TestStageCalc::faultMessageNamesTheResultAndAsksToCheckTheInputs()
{
    const QStringList names{"R3", "C1", "C2", "Ua", "Uk"};
    for (int result = 3; result <= 7; ++result) {
        const QString message = arithmeticFaultMessage({result});
        QVERIFY2(message.contains(names[result - 3]), qPrintable(message));
        QVERIFY(message.contains(QStringLiteral("Проверьте исходные данные")));
        for (const QString &other : names)
            if (other != names[result - 3])
                QVERIFY2(!message.contains(other), qPrintable(message));
    }
}

QTEST_GUILESS_MAIN(TestStageCalc)
#include "tst_stagecalc.moc"
