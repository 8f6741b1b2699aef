// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode model with its screen at a chosen voltage: currents worked out
// by hand from the EL84's record, and the record's own screen left untouched.
#include "anodix/tubemodel/tubemodel.h"

#include <QTest>

using namespace anodix::model;

namespace {

// EL84: Ua 250 V, Ia 48 mA, Uc 7.3 V, S 11.3 mA/V, Ri 38 kΩ, Ug2 250 V, Ig2 5.5 mA.
const TubeFigures el84{250, 48, 7.3, 11.3, 0, 38, 250, 5.5};

} // namespace

class TestTubeModel : public QObject
{
    Q_OBJECT

private slots:
    void currentsAtAScreenVoltage_data();
    void currentsAtAScreenVoltage();
    void recordScreenGivesTheRecordModel_data();
    void recordScreenGivesTheRecordModel();
    void screenAtTheCathodeCarriesNoCurrent();
    void triodeIgnoresTheScreen();
};

void TestTubeModel::currentsAtAScreenVoltage_data()
{
    QTest::addColumn<double>("u2");
    QTest::addColumn<double>("ua");
    QTest::addColumn<double>("ug");
    QTest::addColumn<double>("ia");
    QTest::addColumn<double>("ig2");
    QTest::addColumn<double>("cutoff");

    QTest::newRow("the record's point") << 250.0 << 250.0 << -7.3 << 48.0 << 5.5 << -13.67168;
    QTest::newRow("screen lowered to 200 V") << 200.0 << 250.0 << -5.0 << 43.45994 << 4.663996 << -10.93735;
    QTest::newRow("below the knee the screen takes more") << 200.0 << 30.0 << -5.0 << 31.18341 << 16.94053
                                                          << -10.93735;
    QTest::newRow("screen raised to 300 V") << 300.0 << 300.0 << -10.0 << 49.71496 << 4.218078 << -16.40602;
    QTest::newRow("grid at 0 V, screen at 150 V") << 150.0 << 100.0 << 0.0 << 63.29666 << 14.85397 << -8.203009;
}

void TestTubeModel::currentsAtAScreenVoltage()
{
    QFETCH(double, u2);
    QFETCH(double, ua);
    QFETCH(double, ug);
    QFETCH(double, ia);
    QFETCH(double, ig2);
    QFETCH(double, cutoff);

    const TubeModel record(TubeType::Pentode, el84);
    const TubeModel moved = record.withScreenAt(u2);
    QCOMPARE(moved.screenVoltage(), u2);
    QCOMPARE(qRound64(moved.anodeCurrent(ua, ug) * 1e5), qRound64(ia * 1e5));
    QCOMPARE(qRound64(moved.screenCurrent(ua, ug) * 1e5), qRound64(ig2 * 1e5));
    QCOMPARE(qRound64(moved.gridCutoff(ua) * 1e5), qRound64(cutoff * 1e5));
    // The per-point form, for a screen that follows the anode, agrees.
    QCOMPARE(record.anodeCurrent(ua, ug, u2), moved.anodeCurrent(ua, ug));
}

void TestTubeModel::recordScreenGivesTheRecordModel_data()
{
    QTest::addColumn<double>("ua");
    QTest::addColumn<double>("ug");

    QTest::newRow("at the record's point") << 250.0 << -7.3;
    QTest::newRow("in the knee") << 20.0 << -2.0;
    QTest::newRow("near cut-off") << 400.0 << -13.0;
}

void TestTubeModel::recordScreenGivesTheRecordModel()
{
    QFETCH(double, ua);
    QFETCH(double, ug);

    const TubeModel record(TubeType::Pentode, el84);
    // Moved away and back again, to the last bit.
    const TubeModel back = record.withScreenAt(180).withScreenAt(250);
    QCOMPARE(back.anodeCurrent(ua, ug), record.anodeCurrent(ua, ug));
    QCOMPARE(back.cathodeCurrent(ua, ug), record.cathodeCurrent(ua, ug));
    QCOMPARE(back.slope(ua, ug), record.slope(ua, ug));
    QCOMPARE(record.withScreenAt(180).anodeCurrent(ua, ug, 250), record.anodeCurrent(ua, ug));
}

void TestTubeModel::screenAtTheCathodeCarriesNoCurrent()
{
    const TubeModel record(TubeType::Pentode, el84);
    for (const double u2 : {0.0, -50.0}) {
        const TubeModel off = record.withScreenAt(u2);
        QCOMPARE(off.anodeCurrent(250, 0), 0.0);
        QCOMPARE(off.screenCurrent(250, 0), 0.0);
        QCOMPARE(record.anodeCurrent(250, 0, u2), 0.0);
    }
}

void TestTubeModel::triodeIgnoresTheScreen()
{
    // ECC83-like: μ 100 at 250 V, 1.2 mA, −2 V.
    const TubeModel triode(TubeType::Triode, {250, 1.2, 2, 1.6, 100, 62.5, 0, 0});
    const double ia = triode.anodeCurrent(200, -1.5);
    QVERIFY(ia > 0);
    QCOMPARE(triode.withScreenAt(100).anodeCurrent(200, -1.5), ia);
    QCOMPARE(triode.anodeCurrent(200, -1.5, 100), ia);
    QCOMPARE(triode.screenCurrent(200, -1.5), 0.0);
}

QTEST_APPLESS_MAIN(TestTubeModel)
#include "tst_tubemodel.moc"
