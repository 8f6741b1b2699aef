// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts: reading under the locale's rules, shortest display texts and
// half-even rounding, each in a point and a comma locale; and the two
// programs' texts read alike under the locales whose forms differ most.
#include "common/numbertext.h"

#include "grideon/stagecalc.h"

#include <QTest>
#include <cfloat>
#include <cmath>
#include <limits>

using namespace common;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

// The same text with the locale's decimal separator in place of the point.
QString localised(QString pointForm, const QLocale &locale)
{
    return pointForm.replace(u'.', locale.decimalPoint());
}

// Exact comparison of doubles with a readable failure message.
QByteArray exact(double value)
{
    return QByteArray::number(value, 'g', 17);
}

QByteArray exact(std::optional<double> value)
{
    return value ? exact(*value) : QByteArray("not a number");
}

} // namespace

class TestNumberText : public QObject
{
    Q_OBJECT

private slots:
    void readsTextsByTheLocaleRules_data();
    void readsTextsByTheLocaleRules();
    void readsRecordTextsWithEitherSeparator_data();
    void readsRecordTextsWithEitherSeparator();
    void showsTheShortestText_data();
    void showsTheShortestText();
    void readsWhatTheLocaleReads_data();
    void readsWhatTheLocaleReads();
    void writesWhatTheLocaleWrites_data();
    void writesWhatTheLocaleWrites();
    void readsBackWhatItWritesUnderEveryLocale_data();
    void readsBackWhatItWritesUnderEveryLocale();
    void roundsHalfToEvenOnTheShownDigits_data();
    void roundsHalfToEvenOnTheShownDigits();
    void roundsToSignificantDigits_data();
    void roundsToSignificantDigits();
    void showsRoundedResultsAsTheShortestText_data();
    void showsRoundedResultsAsTheShortestText();
    void readsTextsBelowTheRangeAsZeroWhenAsked_data();
    void readsTextsBelowTheRangeAsZeroWhenAsked();
    void bothProgramsReadWhatEitherShows_data();
    void bothProgramsReadWhatEitherShows();
};

void TestNumberText::readsTextsByTheLocaleRules_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");

    const std::optional<double> none;
    struct Row { const char *name; QString text; std::optional<double> expected; };
    // Texts that read the same in both locales once the separator is the locale's.
    const Row both[] = {
        {"a whole number", "470", 470.0},
        {"a decimal fraction", "4.7", 4.7},
        {"a trailing zero after the separator", "470.0", 470.0},
        {"blanks around the number", "  470 ", 470.0},
        {"tabs around the number", "\t2.5\t", 2.5},
        {"a negative number", "-1.5", -1.5},
        {"an exponent", "1e2", 100.0},
        {"a capital exponent with a sign", "1.5E-3", 0.0015},
        {"an empty text", "", none},
        {"only blanks", "   ", none},
        {"letters", "abc", none},
        {"a number followed by letters", "12abc", none},
        {"two separators", "1.5.2", none},
        {"a blank inside the number", "1 000", none},
        {"a no-break blank inside the number", QStringLiteral("1\u00a0000"), none},
        {"infinity", "inf", none},
        {"not-a-number", "nan", none},
        {"a number beyond the double range", "1e400", none},
    };
    for (const QLocale &locale : {pointLocale, commaLocale}) {
        for (const Row &row : both)
            QTest::addRow("%s (%s)", row.name, qPrintable(locale.name()))
                << locale << localised(row.text, locale) << row.expected;
    }
    QTest::newRow("group separator of the point locale") << pointLocale << "1,234" << none;
    QTest::newRow("grouped thousands with a fraction") << pointLocale << "1,234.5" << none;
    QTest::newRow("comma in the point locale") << pointLocale << "4,7" << none;
    QTest::newRow("point in the comma locale") << commaLocale << "470.0" << none;
    QTest::newRow("comma is the separator in the comma locale") << commaLocale << "1,234" << std::optional(1.234);

    // Each locale's own signs and exponent, as Qt writes them and as people type them.
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    const QLocale egyptian(QLocale::Arabic, QLocale::Egypt);
    const QLocale persian(QLocale::Persian, QLocale::Iran);
    QTest::newRow("Swedish minus sign") << swedish << swedish.toString(-2.5) << std::optional(-2.5);
    QTest::newRow("Swedish small e") << swedish << "1,5e-3" << std::optional(0.0015);
    QTest::newRow("Swedish capital E") << swedish << "1,5E3" << std::optional(1500.0);
    QTest::newRow("Swedish small e without digits") << swedish << "1,5e" << none;
    QTest::newRow("Egyptian minus with its mark") << egyptian << egyptian.toString(-2.5) << std::optional(-2.5);
    QTest::newRow("Egyptian plus with its mark") << egyptian << egyptian.positiveSign() + u'3' << std::optional(3.0);
    QTest::newRow("Egyptian sign alone") << egyptian << egyptian.negativeSign() << none;
    QTest::newRow("Persian minus with its mark") << persian << persian.toString(-0.25) << std::optional(-0.25);
    QTest::newRow("Persian bare minus sign") << persian << QString::fromUtf8("\u2212\u06f2") << std::optional(-2.0);
    QTest::newRow("Persian mark inside the digits") << persian << QString::fromUtf8("\u06f1\u200e\u06f2") << none;
    QTest::newRow("a mark after the sign") << egyptian << QString::fromUtf8("-\u061c2") << none;
    QTest::newRow("minus sign in the point locale") << pointLocale << QString::fromUtf8("\u22124.7")
                                                    << std::optional(-4.7);
}

void TestNumberText::readsTextsByTheLocaleRules()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);

    QCOMPARE(exact(toNumber(text, locale)), exact(expected));
    QCOMPARE(isNumeric(text, locale), expected.has_value());
}

void TestNumberText::readsRecordTextsWithEitherSeparator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("expected");

    QTest::newRow("comma") << "6,3" << std::optional(6.3);
    QTest::newRow("point") << "6.3" << std::optional(6.3);
    QTest::newRow("comma with blanks") << " 6,3 " << std::optional(6.3);
    QTest::newRow("negative with a comma") << "-1,5" << std::optional(-1.5);
    QTest::newRow("whole number") << "250" << std::optional(250.0);
    QTest::newRow("exponent with a comma") << "1,5e2" << std::optional(150.0);
    QTest::newRow("both separators") << "1,234.5" << std::optional<double>();
    QTest::newRow("grouped with a blank") << "1 000" << std::optional<double>();
    QTest::newRow("empty") << "" << std::optional<double>();
    QTest::newRow("letters") << "abc" << std::optional<double>();
    QTest::newRow("infinity") << "inf" << std::optional<double>();
}

void TestNumberText::readsRecordTextsWithEitherSeparator()
{
    QFETCH(QString, text);
    QFETCH(std::optional<double>, expected);

    for (const QLocale &locale : {pointLocale, commaLocale})
        QCOMPARE(exact(toNumberEitherSeparator(text, locale)), exact(expected));
}

void TestNumberText::showsTheShortestText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("single");
    QTest::addColumn<QString>("expected");

    struct Row { const char *name; double value; bool single; const char *pointForm; };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {"single whole number without separator", 470, true, "470"},
        {"single fraction with a leading zero", 0.75, true, "0.75"},
        {"single cut to seven digits", 250.0f / 6.0f, true, "41.66667"},
        {"single without its binary tail", 0.1f, true, "0.1"},
        {"single negative", -0.75, true, "-0.75"},
        {"single of seven digits without grouping", 1234567, true, "1234567"},
        {"single of eight digits in exponent form", 12345678, true, "1.234568E7"},
        {"single ten million", 1e7, true, "1E7"},
        {"single near its largest", 3e38f, true, "3E38"},
        {"single ten thousandth stays plain", 0.0001f, true, "0.0001"},
        {"single below a ten thousandth", 1.5e-5f, true, "1.5E-5"},
        {"single negative zero", -0.0, true, "0"},
        {"double without its binary tail", 0.1 + 0.2, false, "0.3"},
        {"double cut to fifteen digits", 1.0 / 3.0, false, "0.333333333333333"},
        {"double of fifteen digits", 123456789012345, false, "123456789012345"},
        {"double of sixteen digits in exponent form", 1e15, false, "1E15"},
        {"double negative with grouping omitted", -1234.5, false, "-1234.5"},
        {"double small in exponent form", 1.592e-10, false, "1.592E-10"},
        {"double negative zero", -0.0, false, "0"},
        {"double infinity gives no text", inf, false, ""},
        {"double not-a-number gives no text", std::nan(""), false, ""},
        {"single infinity gives no text", inf, true, ""},
    };
    for (const Row &row : rows) {
        for (const QLocale &locale : {pointLocale, commaLocale})
            QTest::addRow("%s (%s)", row.name, qPrintable(locale.name()))
                << locale << row.value << row.single << localised(row.pointForm, locale);
    }
}

void TestNumberText::showsTheShortestText()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(bool, single);
    QFETCH(QString, expected);

    const QString text = single ? singleText(float(value), locale) : doubleText(value, locale);
    QCOMPARE(text, expected);
    // Later steps read shown texts back, exponent form included.
    if (!expected.isEmpty())
        QCOMPARE(exact(toNumber(text, locale)), exact(QLocale::c().toDouble(QString(expected).replace(u',', u'.'))));
}

// Plain texts are read without QLocale for speed; whatever the text, the
// result must be the locale's own, as must the texts written.
const QLocale arabicLocale(QLocale::Arabic, QLocale::Egypt);

void TestNumberText::readsWhatTheLocaleReads_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");

    const char *const texts[] = {
        "0", "-0", "007", "00.5", "1.", ".5", "-.5", "5.", "+2", "--1", "1-", "-", ".", "e5", "1e", "1e+",
        "1e2", "1E+07", "1.5e-3", "-1.5E3", "1e-05", "1e-310", "4.9e-324", "1e-400", "1e400",
        "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623159e308", "0.1", "17.24138",
        "123456789012345678901234567890", "0.000000000000000000000000000000000000000000001", " 470 ", "\t1.5 ",
        "1 000", "1,234", "1,234.5", "1.234,5", "12abc", "0x10", "1e2.5", "inf", "-nan",
    };
    for (const QLocale &locale : {pointLocale, commaLocale, arabicLocale}) {
        for (const char *text : texts) {
            QTest::addRow("%s (%s)", text, qPrintable(locale.name())) << locale << QString::fromLatin1(text);
            const QString swapped = QString::fromLatin1(text).replace(u'.', u';').replace(u',', u'.').replace(u';', u',');
            if (swapped != QLatin1String(text))
                QTest::addRow("%s (%s)", qPrintable(swapped), qPrintable(locale.name())) << locale << swapped;
        }
    }
    QTest::newRow("Arabic-Indic digits") << arabicLocale << arabicLocale.toString(12.5);
    QTest::newRow("full-width digits") << pointLocale << QStringLiteral("\uff11\uff12");
    QTest::newRow("no-break blanks around") << commaLocale << QStringLiteral("\u00a04,7\u00a0");
}

void TestNumberText::readsWhatTheLocaleReads()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);

    QLocale reference = locale;
    reference.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reference.toDouble(text, &ok);
    const std::optional<double> expected = ok && std::isfinite(value) ? std::optional(value) : std::nullopt;
    QCOMPARE(exact(toNumber(text, locale)), exact(expected));
}

void TestNumberText::writesWhatTheLocaleWrites_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");

    for (const QLocale &locale : {pointLocale, commaLocale, arabicLocale}) {
        for (int exponent = -12; exponent <= 20; ++exponent) {
            for (const double mantissa : {1.0, -1.0, 1.5, 1.2345678901234567, -9.9999999999999999, 9.99999951}) {
                const double value = mantissa * std::pow(10.0, exponent);
                QTest::addRow("%g (%s)", value, qPrintable(locale.name())) << locale << value;
            }
        }
    }
}

void TestNumberText::writesWhatTheLocaleWrites()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);

    QLocale reference = locale;
    reference.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::OmitLeadingZeroInExponent);
    // Qt's digits and separator, but always "E" and ASCII signs, which every locale reads back.
    const QString plusExponent = reference.exponential() + reference.positiveSign();
    const auto referenceText = [&](double v, int digits) {
        return reference.toString(v, 'g', digits)
            .replace(plusExponent, QStringLiteral("E"))
            .replace(reference.exponential(), QStringLiteral("E"))
            .replace(reference.negativeSign(), QStringLiteral("-"));
    };
    QCOMPARE(singleText(float(value), locale), referenceText(float(value), singleDigits));
    QCOMPARE(doubleText(value, locale), referenceText(value, doubleDigits));
}

void TestNumberText::readsBackWhatItWritesUnderEveryLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("single");

    struct Row { double value; bool single; };
    // Both exponent forms, a negative plain and a negative exponent text.
    const Row rows[] = {{1e-5, true}, {-12345678, true}, {-1234.5, false}, {-1.592e-10, false}};
    for (const QLocale &locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        for (const Row &row : rows)
            QTest::addRow("%g (%s)", row.value, qPrintable(locale.name())) << locale << row.value << row.single;
    }
}

void TestNumberText::readsBackWhatItWritesUnderEveryLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(bool, single);

    const QString text = single ? singleText(float(value), locale) : doubleText(value, locale);
    const QString pointText = single ? singleText(float(value), QLocale::c()) : doubleText(value, QLocale::c());
    QVERIFY2(toNumber(text, locale).has_value(), qPrintable(text));
    QCOMPARE(exact(toNumber(text, locale)), exact(toNumber(pointText, QLocale::c())));
}

void TestNumberText::roundsHalfToEvenOnTheShownDigits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("significantDigits");
    QTest::addColumn<double>("expected");

    QTest::newRow("half below an even digit goes down") << 0.12345 << 4 << 15 << 0.1234;
    QTest::newRow("half below an odd digit goes up") << 0.12355 << 4 << 15 << 0.1236;
    QTest::newRow("negative half below an even digit") << -0.12345 << 4 << 15 << -0.1234;
    QTest::newRow("negative half below an odd digit") << -0.12355 << 4 << 15 << -0.1236;
    QTest::newRow("binary value below the half still rounds up") << 2.675 << 2 << 15 << 2.68;
    QTest::newRow("two and a half to the even two") << 2.5 << 0 << 15 << 2.0;
    QTest::newRow("three and a half to the even four") << 3.5 << 0 << 15 << 4.0;
    QTest::newRow("more than half goes up") << 0.123451 << 4 << 15 << 0.1235;
    QTest::newRow("less than half goes down") << 0.123449 << 4 << 15 << 0.1234;
    QTest::newRow("carry through nines") << 99.95 << 1 << 15 << 100.0;
    QTest::newRow("carry into a new digit") << 9.9996 << 3 << 15 << 10.0;
    QTest::newRow("half of the last place rounds to zero") << 0.00005 << 4 << 15 << 0.0;
    QTest::newRow("more than half of the last place") << 0.000051 << 4 << 15 << 0.0001;
    QTest::newRow("half above an odd digit") << 0.00015 << 4 << 15 << 0.0002;
    QTest::newRow("far below the last place") << 0.000004 << 4 << 15 << 0.0;
    QTest::newRow("already short enough") << 1.5 << 4 << 15 << 1.5;
    QTest::newRow("sum with a binary tail") << 6.3 * 0.3 + 150 * (2.0 / 1000) << 2 << 15 << 2.19;
    QTest::newRow("single two thirds") << double(2.0f / 3.0f) << 4 << 7 << 0.6667;
    QTest::newRow("single tenth judged on seven digits") << double(0.1f) << 9 << 7 << 0.1;
    QTest::newRow("single tenth judged on fifteen digits") << double(0.1f) << 9 << 15 << 0.100000001;
    QTest::newRow("negative decimals round to hundreds") << 12345.678 << -2 << 15 << 12300.0;
    QTest::newRow("hundreds half to even") << 1250.0 << -2 << 15 << 1200.0;
    QTest::newRow("negative rounding to zero has no sign") << -0.00001 << 4 << 15 << 0.0;
    QTest::newRow("rounding up past the largest double") << std::numeric_limits<double>::max() << 0 << 15
                                                         << std::numeric_limits<double>::infinity();
}

void TestNumberText::roundsHalfToEvenOnTheShownDigits()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(int, significantDigits);
    QFETCH(double, expected);

    const double rounded = roundHalfEven(value, decimals, significantDigits);
    QCOMPARE(exact(rounded), exact(expected));
    QCOMPARE(std::signbit(rounded), std::signbit(expected));
}

void TestNumberText::roundsToSignificantDigits_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("expected");

    QTest::newRow("coupling capacitor of the examples") << 1000 / (2 * M_PI * 20 * 470) << 4 << 0.01693;
    QTest::newRow("above one") << 1.69313 << 4 << 1.693;
    QTest::newRow("whole number rounds in the tens") << 12345.6 << 4 << 12350.0;
    QTest::newRow("tie to the even digit") << 12345.0 << 4 << 12340.0;
    QTest::newRow("carry into a new digit") << 9.99971 << 4 << 10.0;
    QTest::newRow("negative tie away from the odd digit") << -0.016935 << 4 << -0.01694;
    QTest::newRow("very small") << 1.5915494e-10 << 4 << 1.592e-10;
    QTest::newRow("zero") << 0.0 << 4 << 0.0;
}

void TestNumberText::roundsToSignificantDigits()
{
    QFETCH(double, value);
    QFETCH(int, digits);
    QFETCH(double, expected);

    QCOMPARE(exact(roundSignificant(value, digits)), exact(expected));
}

// A shown result is its rounded value's shortest text: no trailing zeros, an
// ASCII minus and no "-0" even where the locale's own writing has U+2212
// (sv_SE) or other digits (Persian), and it reads back as the rounded value.
void TestNumberText::showsRoundedResultsAsTheShortestText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("fixed"); // decimals, or -1 for significant digits
    QTest::addColumn<int>("significant");
    QTest::addColumn<QString>("expected");

    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    QTest::newRow("attenuation, point") << pointLocale << -7.8951 << 2 << 0 << "-7.9";
    QTest::newRow("attenuation, sv_SE") << swedish << -7.8951 << 2 << 0 << "-7,9";
    QTest::newRow("tie to the even digit, sv_SE") << swedish << -2.25 << 1 << 0 << "-2,2";
    QTest::newRow("rounded to zero is never -0") << swedish << -0.00001 << 2 << 0 << "0";
    QTest::newRow("capacitor, three digits") << swedish << 0.0169313 << -1 << 3 << "0,0169";
    QTest::newRow("negative, three digits") << swedish << -1375.2 << -1 << 3 << "-1380";
    QTest::newRow("large, no grouping") << commaLocale << 1234567.0 << -1 << 3 << "1230000";
    QTest::newRow("Persian digits, ASCII minus") << QLocale(QLocale::Persian, QLocale::Iran) << -7.8951 << 2 << 0
                                                 << QString::fromUtf8("-۷٫۹");
}

void TestNumberText::showsRoundedResultsAsTheShortestText()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(int, fixed);
    QFETCH(int, significant);
    QFETCH(QString, expected);

    const QString text = fixed >= 0 ? fixedText(value, fixed, locale) : significantText(value, significant, locale);
    QCOMPARE(text, expected);
    QVERIFY(!text.contains(QChar(0x2212)));
    const double rounded = fixed >= 0 ? roundHalfEven(value, fixed) : roundSignificant(value, significant);
    QCOMPARE(exact(toNumber(text, locale)), exact(rounded));
}

// Grideon reads a box that holds "1e-400" as zero, as it would "0,0"; only a
// well-formed number the locale would read with a smaller exponent counts.
void TestNumberText::readsTextsBelowTheRangeAsZeroWhenAsked_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<double>>("refused");
    QTest::addColumn<std::optional<double>>("asZero");

    const std::optional<double> none;
    const QLocale swedish(QLocale::Swedish, QLocale::Sweden);
    const QLocale persian(QLocale::Persian, QLocale::Iran);
    QTest::newRow("far below the range") << pointLocale << "1e-400" << none << std::optional(0.0);
    QTest::newRow("negative, with blanks") << commaLocale << " -2,5E-999 " << none << std::optional(-0.0);
    QTest::newRow("a subnormal still reads") << pointLocale << "1e-310" << std::optional(1e-310)
                                             << std::optional(1e-310);
    QTest::newRow("within the range") << commaLocale << "4,7e-3" << std::optional(0.0047) << std::optional(0.0047);
    QTest::newRow("beyond the range is never zero") << pointLocale << "1e400" << none << none;
    QTest::newRow("a negative value beyond the range") << pointLocale << "-1e+400" << none << none;
    QTest::newRow("letters after it") << pointLocale << "1e-400x" << none << none;
    QTest::newRow("no mantissa") << pointLocale << "e-400" << none << none;
    QTest::newRow("a zero mantissa reads anyway") << pointLocale << "0e-400" << std::optional(0.0)
                                                  << std::optional(0.0);
    QTest::newRow("the other locale's separator") << pointLocale << "1,5e-400" << none << none;
    QTest::newRow("a mantissa that carries it back into range") << pointLocale
        << "1000000000000000000000000000000e-330" << std::optional(1e-300) << std::optional(1e-300);
    QTest::newRow("Swedish reads a capital E") << swedish << QString::fromUtf8("1,5E\u2212400") << none
                                               << std::optional(0.0);
    QTest::newRow("Swedish small e") << swedish << "1e-400" << none << std::optional(0.0);
    QTest::newRow("Persian digits") << persian << QString::fromUtf8("\u06f1\u066bE-\u06f4\u06f0\u06f0") << none
                                    << std::optional(0.0);
}

void TestNumberText::readsTextsBelowTheRangeAsZeroWhenAsked()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(std::optional<double>, refused);
    QFETCH(std::optional<double>, asZero);

    QCOMPARE(exact(toNumber(text, locale)), exact(refused));
    QCOMPARE(exact(toNumber(text, locale, Underflow::Refused)), exact(refused));
    const std::optional<double> read = toNumber(text, locale, Underflow::ReadsAsZero);
    QCOMPARE(exact(read), exact(asZero));
    if (read && asZero)
        QCOMPARE(std::signbit(*read), std::signbit(*asZero));
}

// Grideon rounds and lays out its digits as its data file does ("1,234568E+07",
// an exact half away from zero), Anodix writes the shortest text ("1,234568E7");
// under every locale each program reads the other's text as the single the
// text's own digits stand for, and both write the locale's digits and separator.
void TestNumberText::bothProgramsReadWhatEitherShows_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("digits");

    const QLocale locales[] = {QLocale::c(),
                               commaLocale,
                               QLocale(QLocale::German, QLocale::Germany),
                               QLocale(QLocale::Swedish, QLocale::Sweden),
                               arabicLocale,
                               QLocale(QLocale::Persian, QLocale::Iran),
                               QLocale(QLocale::Hindi, QLocale::India)};
    struct Row { const char *name; float value; int digits; };
    const Row rows[] = {
        {"a grid leak", 470.0f, 7},
        {"a coupling capacitor to four digits", 1000.0f / float(2 * M_PI * 20 * 470), 4},
        {"the same capacitor to seven", 1000.0f / float(2 * M_PI * 20 * 470), 7},
        {"a fraction below one", 0.04255319f, 7},
        {"a negative load", -36.0f, 7},
        {"a third, more digits than shown", 1.0f / 3.0f, 7},
        {"an exact half at the seventh digit", 1234568.5f, 7},
        {"eight digits, exponent form", 12345678.0f, 7},
        {"the largest single", FLT_MAX, 7},
        {"a ten-thousandth, still plain", 0.0001f, 7},
        {"small, exponent form", -2.5e-10f, 7},
        {"a large value to four digits", 1234567.0f, 4},
    };
    for (const QLocale &locale : locales) {
        for (const Row &row : rows)
            QTest::addRow("%s (%s)", row.name, qPrintable(locale.name())) << locale << row.value << row.digits;
    }
}

void TestNumberText::bothProgramsReadWhatEitherShows()
{
    QFETCH(QLocale, locale);
    QFETCH(float, value);
    QFETCH(int, digits);

    const QLocale c = QLocale::c();
    const auto single = [](std::optional<double> read) { return read ? grideon::narrowToSingle(*read) : NAN; };
    const auto sameSingle = [](float a, float b) { return a == b && std::signbit(a) == std::signbit(b); };
    const auto localDigitsOnly = [&](const QString &text) {
        const char32_t zero = locale.zeroDigit().toUcs4().value(0, U'0');
        for (const char32_t ch : text.toUcs4()) {
            if (QChar::isDigit(ch) && ch - zero > 9)
                return false;
        }
        return text.contains(locale.decimalPoint()) || !text.contains(QLatin1Char('.'));
    };

    // Grideon's text, through both readers, against the same digits in the C locale.
    const QString shown = grideon::FormatLocalNumber(value, locale, digits);
    const float meant = single(toNumber(grideon::FormatLocalNumber(value, c, digits), c));
    QVERIFY2(std::isfinite(meant), qPrintable(shown));
    QVERIFY2(sameSingle(single(toNumber(shown, locale)), meant), qPrintable(shown));
    QVERIFY2(sameSingle(single(grideon::ParseLocalNumber(shown, locale)), meant), qPrintable(shown));
    QVERIFY2(grideon::IsNumericText(shown, locale), qPrintable(shown));
    QVERIFY2(localDigitsOnly(shown), qPrintable(shown));
    // The digits shown are the value's, to half a unit of the last one (and
    // the single nearest to them half a step of singles further).
    const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(double(value)))) - digits + 1);
    const double step = double(std::nextafter(std::fabs(meant), INFINITY)) - std::fabs(double(meant));
    QVERIFY2(std::fabs(double(meant) - double(value)) <= unit / 2 * (1 + 1e-9) + step / 2, qPrintable(shown));

    // Anodix's text, the same way round.
    const QString written = singleText(value, locale);
    const float writtenMeant = single(toNumber(singleText(value, c), c));
    QVERIFY2(sameSingle(single(grideon::ParseLocalNumber(written, locale)), writtenMeant), qPrintable(written));
    QVERIFY2(sameSingle(single(toNumber(written, locale)), writtenMeant), qPrintable(written));
    QVERIFY2(localDigitsOnly(written), qPrintable(written));
    // At seven digits both texts stand for one single, however each rounds.
    if (digits == singleDigits)
        QVERIFY2(std::fabs(double(meant) - double(writtenMeant)) <= unit, qPrintable(shown + u' ' + written));
}

QTEST_APPLESS_MAIN(TestNumberText)
#include "tst_numbertext.moc"
