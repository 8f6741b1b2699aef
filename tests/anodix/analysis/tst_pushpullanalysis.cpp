// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull stage's characteristics analysis: the same figures as the
// stage calculation, its lines, and what it says when it cannot be made.
#include "anodix/analysis/characteristics.h"

#include <QTest>

using namespace anodix::analysis;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"};
const QStringList el34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};

// Ea, Ug2, Raa, Rk in point form; Fmin 20, R1 470, Rn 8.
AnalysisInput input(const QStringList &record, const QStringList &typed, const QLocale &locale)
{
    QStringList texts = typed;
    for (QString &text : texts)
        text.replace(u'.', locale.decimalPoint());
    return {Circuit::PushPull, "T", record, texts[0], "20", "470", "8", {}, {}, texts[1], texts[2], texts[3]};
}

} // namespace

class TestPushPullAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void showsTheStagesFigures_data();
    void showsTheStagesFigures();
    void saysWhatIsMissing_data();
    void saysWhatIsMissing();
};

void TestPushPullAnalysis::showsTheStagesFigures_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("values"); // Ugq, Iq, Pout, D2, D3, THD, Klass in point form
    QTest::addColumn<double>("raa");

    for (const QLocale &locale : {pointLocale, commaLocale}) {
        const QByteArray in = locale.name().toLatin1();
        QTest::addRow("EL84 at 250 V (%s)", in.constData())
            << locale << el84 << QStringList{"250", "250", "8", "130"}
            << QStringList{"-8.58", "29.5", "8.69", "0", "3.8", "4.2", "AB1"} << 8.0;
        QTest::addRow("EL84 in class A (%s)", in.constData())
            << locale << el84 << QStringList{"250", "250", "8", "50"}
            << QStringList{"-6.26", "55.9", "11.82", "0", "6.1", "6.1", "A"} << 8.0;
        QTest::addRow("EL34 at 400 V (%s)", in.constData())
            << locale << el34 << QStringList{"400", "250", "3.4", "100"}
            << QStringList{"-15.16", "72.8", "19.93", "0", "4.7", "5", "AB1"} << 3.4;
    }
}

void TestPushPullAnalysis::showsTheStagesFigures()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, record);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, values);
    QFETCH(double, raa);

    const Analysis a = AnalyzeStage(input(record, typed, locale), locale);
    QVERIFY2(a.ok(), qPrintable(a.problem));
    QStringList shown;
    for (const AnalysisRow &row : a.rows)
        shown << row.value;
    for (QString &value : values)
        value.replace(u'.', locale.decimalPoint());
    QCOMPARE(shown, values);

    // The composite line starts at (Eq, 0) with Eq at full drive, below Q's
    // anode voltage as the cathode rises, and is twice as steep as the class-A line through Q.
    const QPointF q = a.operatingPoint;
    const QPointF start = a.compositeLoadLine.first();
    QCOMPARE(start.y(), 0.0);
    QVERIFY(start.x() < q.x());
    const auto slope = [](const QList<QPointF> &line) {
        return (line[1].y() - line[0].y()) / (line[1].x() - line[0].x());
    };
    QCOMPARE(qRound64(slope(a.compositeLoadLine) * 1e6), qRound64(-4 / raa * 1e6));
    QCOMPARE(qRound64(slope(a.acLoadLine) * 1e6), qRound64(-2 / raa * 1e6));
    const double onClassA = a.acLoadLine[0].y() + slope(a.acLoadLine) * (q.x() - a.acLoadLine[0].x());
    QCOMPARE(qRound(onClassA * 1000), qRound(q.y() * 1000));
    // At full drive the composite current, the driven tube's less the other's,
    // lies on the composite line; the other tube sits as far above Eq.
    const QPointF end = a.swingLow, other = a.swingHigh;
    QCOMPARE(qRound((end.y() - other.y()) * 1000), qRound(-4 / raa * (end.x() - start.x()) * 1000));
    QCOMPARE(qRound(other.x() * 1000), qRound((2 * start.x() - end.x()) * 1000));
    QVERIFY(a.curves.size() >= 6);
}

void TestPushPullAnalysis::saysWhatIsMissing_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("problem");

    const QString missing = QStringLiteral("Недостаточно данных для построения характеристик: ");
    QTest::newRow("an eight-line record") << el84.mid(0, 8) << QStringList{"250", "250", "8", "130"}
                                          << missing + "Ug2, Ig2";
    QTest::newRow("no cathode resistor and no load") << el84 << QStringList{"250", "250", "", "0"}
                                                     << missing + "Raa, Rk";
    QTest::newRow("no screen voltage") << el84 << QStringList{"250", "x", "8", "130"}
                                       << missing + "Ug2 на экранных сетках";
    QTest::newRow("a supply below the cathode voltage")
        << el84 << QStringList{"5", "250", "8", "130"}
        << QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: "
                          "рабочая точка вне характеристик лампы");
    QTest::newRow("a supply beyond what the figures can show")
        << el84 << QStringList{"1e11", "250", "8", "130"}
        << QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: "
                          "Ea = 100000000000 В, допустимо от 1 до 100000 В");
}

void TestPushPullAnalysis::saysWhatIsMissing()
{
    QFETCH(QStringList, record);
    QFETCH(QStringList, typed);
    QFETCH(QString, problem);

    const Analysis a = AnalyzeStage(input(record, typed, pointLocale), pointLocale);
    QCOMPARE(a.problem, problem);
    QVERIFY(a.rows.isEmpty() && a.curves.isEmpty() && a.compositeLoadLine.isEmpty());
}

QTEST_APPLESS_MAIN(TestPushPullAnalysis)
#include "tst_pushpullanalysis.moc"
