// SPDX-License-Identifier: GPL-3.0-or-later
// The readers of measured curves: the two-supply curve tracer's text and CSV
// in its separators, what they take from each row, the rows at a supply's
// current limit left out, and a malformed line named by file and line.
#include "anodix/tubemodel/measurements.h"

#include <QTest>

using namespace anodix::model;

namespace {

const std::string kTracerHeader = "% * Sample: test\n"
                                  "% Column 1:  PSU1 nominal voltage setting (V)\n"
                                  "% Column 11: Heaterblock temperature (°C)\n";

} // namespace

class TestMeasurements : public QObject
{
    Q_OBJECT

private slots:
    void tracerRowsBecomePoints();
    void tracerRowsAtACurrentLimitAreLeftOut();
    void csvInEachFormReadsTheSamePoints_data();
    void csvInEachFormReadsTheSamePoints();
    void pentodeCsvCarriesTheScreen();
    void malformedLinesNameFileAndLine_data();
    void malformedLinesNameFileAndLine();
    void formatIsToldFromTheText_data();
    void formatIsToldFromTheText();
    void errorOfAModelAgainstItsOwnPointsIsZero();
};

void TestMeasurements::tracerRowsBecomePoints()
{
    const std::string text = kTracerHeader
        + "100.00 0.12000 100.1 0.04720 0 -10.000 -0.500 -10.000 -0.000 0 NA\n"
          "150.00 0.12000 150.0 0.06365 0 -20.000 -0.250 -19.990 -0.000 0 23.5\r\n";
    const MeasurementRead read = readTwoSupplyTracer(text, "a.dat");
    QVERIFY2(read.ok(), read.error.c_str());
    QCOMPARE(int(read.points.size()), 2);
    // The measured voltages, not the set ones; amperes become milliamperes.
    QCOMPARE(read.points[0].ua, 100.1);
    QCOMPARE(read.points[0].ia, 47.2);
    QCOMPARE(read.points[0].ug, -10.0);
    QCOMPARE(read.points[1].ug, -19.99);
    QVERIFY(!read.points[1].hasScreen);
    QCOMPARE(read.limitedRows, 0);
}

void TestMeasurements::tracerRowsAtACurrentLimitAreLeftOut()
{
    const std::string text = kTracerHeader
        + "105.00 0.12000 105.0 0.11757 0 -0.000 -1.000 -0.060 -0.000 0 NA\n"
          "110.00 0.12000 106.6 0.12002 1 -0.000 -1.000 -0.054 -0.000 0 NA\n"
          "110.00 0.12000 110.0 0.05000 0 -5.000 -0.001 -4.800 -0.001 1 NA\n";
    const MeasurementRead read = readTwoSupplyTracer(text, "a.dat");
    QVERIFY2(read.ok(), read.error.c_str());
    QCOMPARE(int(read.points.size()), 1);
    QCOMPARE(read.limitedRows, 2);
    QCOMPARE(read.points[0].ia, 117.57);
}

void TestMeasurements::csvInEachFormReadsTheSamePoints_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("comma, decimal point") << "Ua,Ug,Ia\n100,-2.5,1.25\n200,-5,3\n";
    QTest::newRow("semicolon, decimal comma") << "Ua;Ug;Ia\n100;-2,5;1,25\n200;-5;3\n";
    QTest::newRow("semicolon, decimal point, CR LF") << "Ua;Ug;Ia\r\n100;-2.5;1.25\r\n200;-5;3\r\n";
    QTest::newRow("columns in another order, units, blanks")
        << "Ia (mA), Ua [V] , Ug, note\n1.25, 100, -2.5, x\n3, 200, -5, y\n";
    QTest::newRow("lower case, blank lines, no last line end") << "ua,ug,ia\n\n100,-2.5,1.25\n200,-5,3";
}

void TestMeasurements::csvInEachFormReadsTheSamePoints()
{
    QFETCH(QString, text);
    const MeasurementRead read = readMeasurementCsv(text.toStdString(), "a.csv");
    QVERIFY2(read.ok(), read.error.c_str());
    QCOMPARE(int(read.points.size()), 2);
    QCOMPARE(read.points[0].ua, 100.0);
    QCOMPARE(read.points[0].ug, -2.5);
    QCOMPARE(read.points[0].ia, 1.25);
    QCOMPARE(read.points[1].ia, 3.0);
    QVERIFY(!read.points[0].hasScreen);
}

void TestMeasurements::pentodeCsvCarriesTheScreen()
{
    const MeasurementRead read = readMeasurementCsv("Ua;Ug;Ia;Ug2;Ig2\n250;-7,3;48;250;5,5\n", "p.csv");
    QVERIFY2(read.ok(), read.error.c_str());
    QCOMPARE(int(read.points.size()), 1);
    QVERIFY(read.points[0].hasScreen);
    QCOMPARE(read.points[0].ug2, 250.0);
    QCOMPARE(read.points[0].ig2, 5.5);
}

void TestMeasurements::malformedLinesNameFileAndLine_data()
{
    QTest::addColumn<bool>("tracer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");

    const QString header = QString::fromStdString(kTracerHeader);
    const QString good = QStringLiteral("100.00 0.12 100.0 0.047 0 -10 -0.5 -10 0 0 NA\n");
    QTest::newRow("tracer: ten fields") << true << header + good + "100 0.12 100 0.047 0 -10 -0.5 -10 0 0\n" << 5;
    QTest::newRow("tracer: a word for a number") << true << header + "100 0.12 abc 0.047 0 -10 -0.5 -10 0 0 NA\n"
                                                 << 4;
    QTest::newRow("tracer: decimal comma") << true << header + good + good + "100 0.12 100 0,047 0 -10 -0.5 -10 0 0 NA\n"
                                           << 6;
    QTest::newRow("tracer: limiter flag 2") << true << header + "100 0.12 100 0.047 2 -10 -0.5 -10 0 0 NA\n" << 4;
    QTest::newRow("tracer: a bad temperature") << true << header + "100 0.12 100 0.047 0 -10 -0.5 -10 0 0 hot\n"
                                               << 4;
    QTest::newRow("tracer: a current of kiloamperes") << true << header + "100 0.12 100 470 0 -10 -0.5 -10 0 0 NA\n"
                                                      << 4;
    QTest::newRow("tracer: nan") << true << header + "100 0.12 nan 0.047 0 -10 -0.5 -10 0 0 NA\n" << 4;
    QTest::newRow("csv: a missing field") << false << QStringLiteral("Ua,Ug,Ia\n100,-2,1\n200,-2\n") << 3;
    QTest::newRow("csv: an extra field") << false << QStringLiteral("Ua,Ug,Ia\n100,-2,1,4\n") << 2;
    QTest::newRow("csv: an empty number") << false << QStringLiteral("Ua;Ug;Ia\n100;;1\n") << 2;
    QTest::newRow("csv: decimal comma beside comma separator")
        << false << QStringLiteral("Ua,Ug,Ia\n100,-2,1\n\n100,-2,5,1\n") << 4;
    QTest::newRow("csv: no Ia column") << false << QStringLiteral("Ua,Ug,Ik\n100,-2,1\n") << 1;
    QTest::newRow("csv: Ug2 without Ig2") << false << QStringLiteral("Ua,Ug,Ia,Ug2\n100,-2,1,250\n") << 1;
    QTest::newRow("csv: a column named twice") << false << QStringLiteral("Ua,Ug,Ia,ua\n100,-2,1,3\n") << 1;
    QTest::newRow("csv: a number with trailing text") << false << QStringLiteral("Ua,Ug,Ia\n100V,-2,1\n") << 2;
}

void TestMeasurements::malformedLinesNameFileAndLine()
{
    QFETCH(bool, tracer);
    QFETCH(QString, text);
    QFETCH(int, line);
    const std::string name = tracer ? "EL34 Ug2=250.dat" : "мои измерения.csv";
    const MeasurementRead read =
        tracer ? readTwoSupplyTracer(text.toStdString(), name) : readMeasurementCsv(text.toStdString(), name);
    QVERIFY(!read.ok());
    QVERIFY(read.points.empty());
    const QString error = QString::fromStdString(read.error);
    QVERIFY2(error.contains(QString::fromStdString("«" + name + "»")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("строка %1:").arg(line)), qPrintable(error));
}

void TestMeasurements::formatIsToldFromTheText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("format");
    QTest::newRow("tracer") << QString::fromStdString(kTracerHeader) << int(MeasurementFormat::TwoSupplyTracer);
    QTest::newRow("csv after blank lines") << QStringLiteral("\n\nUa;Ug;Ia\n") << int(MeasurementFormat::Csv);
    QTest::newRow("something else") << QStringLiteral("hello\n1,2,3\n") << int(MeasurementFormat::Unknown);
    QTest::newRow("empty") << QString() << int(MeasurementFormat::Unknown);
}

void TestMeasurements::formatIsToldFromTheText()
{
    QFETCH(QString, text);
    QFETCH(int, format);
    QCOMPARE(int(detectMeasurementFormat(text.toStdString())), format);
    const MeasurementRead read = readMeasurements(text.toStdString(), "x.txt");
    if (format == int(MeasurementFormat::Unknown))
        QVERIFY(QString::fromStdString(read.error).contains(QStringLiteral("«x.txt»")));
    else
        QCOMPARE(int(read.format), format);
}

void TestMeasurements::errorOfAModelAgainstItsOwnPointsIsZero()
{
    const TubeModel model(TubeType::Triode, TubeFigures{250, 1.2, 2, 1.6, 100, 62.5});
    std::vector<MeasuredPoint> points;
    for (int a = 0; a <= 10; ++a)
        points.push_back({25.0 * a, -1.0, model.anodeCurrent(25.0 * a, -1.0)});
    QCOMPARE(modelError(model, points).rmsMa, 0.0);
    // One point off by 1.1 mA among eleven: RMS is 1.1/√11 mA.
    points[5].ia += 1.1;
    double largest = 0;
    for (const MeasuredPoint &p : points)
        largest = std::max(largest, p.ia);
    const ModelError e = modelError(model, points);
    QCOMPARE(e.points, 11);
    QVERIFY(std::abs(e.rmsMa - 1.1 / std::sqrt(11.0)) < 1e-12);
    QVERIFY(std::abs(e.rmsPercent - 100 * e.rmsMa / largest) < 1e-12);
}

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"
