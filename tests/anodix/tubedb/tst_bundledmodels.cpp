// SPDX-License-Identifier: GPL-3.0-or-later
// The model of every bundled record, the 3/2 law or its bundled fitted model,
// from cut-off to a positive grid and up to twice the record's anode voltage
// (pentodes also with the screen moved): no current negative, the anode never
// taking more than the cathode gives, S, Ri and μ finite and positive where
// the tube conducts.
#include "anodix/tubedb/modelstore.h"

#include <QtTest>
#include <cmath>

using namespace anodix;
using namespace anodix::model;

namespace {

const TubeDatabase &bundled()
{
    static const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    return db;
}

TubeFigures figuresOf(TubeClass tubeClass, const QString &fileName)
{
    const RecordLines record = bundled().ReadTubeRecord(tubeClass, fileName);
    const auto n = [&](int i) { return i < record.lines.size() ? record.lines[i].toDouble() : 0.0; };
    return TubeFigures{n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9)};
}

} // namespace

class TestBundledModels : public QObject
{
    Q_OBJECT

private slots:
    void currentsStayPhysical_data();
    void currentsStayPhysical();
    void powerLawTriodeKeepsTheRecordsFigures_data();
    void powerLawTriodeKeepsTheRecordsFigures();
    void bundledModelsNameTheirMeasurements_data();
    void bundledModelsNameTheirMeasurements();
    void el84FarAboveItsScreenGivesTheScreenNothingNegative();
};

void TestBundledModels::currentsStayPhysical_data()
{
    QTest::addColumn<int>("tubeClass");
    QTest::addColumn<QString>("fileName");
    for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
        for (const QString &name : bundled().ListTubeRecords(tubeClass).names)
            QTest::newRow(qPrintable(name)) << int(tubeClass) << name;
    }
}

void TestBundledModels::currentsStayPhysical()
{
    QFETCH(int, tubeClass);
    QFETCH(QString, fileName);
    TubeFigures f = figuresOf(TubeClass(tubeClass), fileName);
    const ModelLoad load = ReadTubeModel(bundled(), TubeClass(tubeClass), fileName);
    QVERIFY2(load.ok(), qPrintable(load.error));
    f.model = load.model;
    const TubeType type = TubeClass(tubeClass) == TubeClass::Triode ? TubeType::Triode : TubeType::Pentode;
    const TubeModel record(type, f);
    QVERIFY(record.valid());
    QCOMPARE(record.kind() != ModelKind::PowerLaw, bool(load.model));

    const double bias = std::abs(f.uc);
    QList<double> screens{0};
    if (type == TubeType::Pentode)
        screens = {f.ug2, 0.5 * f.ug2, 1.5 * f.ug2};
    int conducting = 0;
    for (const double u2 : screens) {
        const TubeModel m = u2 > 0 ? record.withScreenAt(u2) : record;
        for (int a = 0; a <= 40; ++a) {
            const double ua = 2 * f.ua0 * a / 40;
            for (int g = -12; g <= 2; ++g) {
                const double ug = bias * g / 4; // from 3 × the bias to a positive grid
                const double ia = m.anodeCurrent(ua, ug), ik = m.cathodeCurrent(ua, ug), ig2 = m.screenCurrent(ua, ug);
                const QByteArray where = QStringLiteral("Ua %1, Ug %2, Ug2 %3: Ia %4, Ik %5, Ig2 %6")
                                             .arg(ua).arg(ug).arg(u2).arg(ia).arg(ik).arg(ig2).toUtf8();
                QVERIFY2(std::isfinite(ia) && std::isfinite(ik) && std::isfinite(ig2), where.constData());
                QVERIFY2(ia >= 0 && ig2 >= 0, where.constData());
                QVERIFY2(ia <= ik * (1 + 1e-12), where.constData());
                QVERIFY2(std::abs(ik - ia - ig2) <= 1e-9 * std::max(1.0, ik), where.constData());
                if (ia > 1e-3 * f.ia0 && ua > 0) {
                    ++conducting;
                    const double s = m.slope(ua, ug), ri = m.internalResistance(ua, ug);
                    QVERIFY2(s > 0 && std::isfinite(s), where.constData());
                    QVERIFY2(ri > 0, where.constData());
                    if (std::isfinite(ri))
                        QVERIFY2(std::abs(m.amplificationFactor(ua, ug) - s * ri) <= 1e-9 * s * ri, where.constData());
                }
            }
        }
    }
    QVERIFY(conducting > 50);
}

void TestBundledModels::powerLawTriodeKeepsTheRecordsFigures_data()
{
    QTest::addColumn<QString>("fileName");
    for (const QString &name : bundled().ListTubeRecords(TubeClass::Triode).names)
        QTest::newRow(qPrintable(name)) << name;
}

void TestBundledModels::powerLawTriodeKeepsTheRecordsFigures()
{
    // At the record's own point the 3/2 law gives back the record's S and μ,
    // and Ri = μ / S, whatever the record says of Ri.
    QFETCH(QString, fileName);
    const TubeFigures f = figuresOf(TubeClass::Triode, fileName);
    const TubeModel m(TubeType::Triode, f);
    const double ug = -std::abs(f.uc);
    QVERIFY(std::abs(m.anodeCurrent(f.ua0, ug) / f.ia0 - 1) < 1e-9);
    QVERIFY(std::abs(m.slope(f.ua0, ug) / f.s - 1) < 1e-9);
    QVERIFY(std::abs(m.internalResistance(f.ua0, ug) / (f.mu / f.s) - 1) < 1e-9);
    QVERIFY(std::abs(m.amplificationFactor(f.ua0, ug) / f.mu - 1) < 1e-9);
}

void TestBundledModels::bundledModelsNameTheirMeasurements_data()
{
    QTest::addColumn<int>("tubeClass");
    QTest::addColumn<QString>("fileName");
    int models = 0;
    for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
        for (const QString &name : bundled().ListTubeRecords(tubeClass).names) {
            if (HasTubeModel(bundled(), tubeClass, name)) {
                QTest::newRow(qPrintable(name)) << int(tubeClass) << name;
                ++models;
            }
        }
    }
    QVERIFY(models >= 1);
}

void TestBundledModels::bundledModelsNameTheirMeasurements()
{
    QFETCH(int, tubeClass);
    QFETCH(QString, fileName);
    const ModelLoad load = ReadTubeModel(bundled(), TubeClass(tubeClass), fileName);
    QVERIFY2(load.model, qPrintable(load.error));
    // A fit to a whole measured characteristic, and a close one.
    QVERIFY(load.model->points >= 100);
    QVERIFY(load.model->rms_percent > 0 && load.model->rms_percent < 3);
    QVERIFY(QString::fromStdString(load.model->source).contains(QStringLiteral("curvetracedata")));
    // The fitted model goes through the record's operating point within the
    // spread of real samples about the sheet.
    TubeFigures f = figuresOf(TubeClass(tubeClass), fileName);
    QVERIFY(load.model->record_ia > 0);
    QVERIFY(!operatingPointMoved(*load.model, f));
    f.model = load.model;
    const TubeModel m(TubeClass(tubeClass) == TubeClass::Triode ? TubeType::Triode : TubeType::Pentode, f);
    const double ug = -std::abs(f.uc);
    const double ia = m.anodeCurrent(f.ua0, ug);
    QVERIFY2(std::abs(ia / f.ia0 - 1) < 0.25, qPrintable(QString::number(ia)));
    // And so do its S and μ there (triodes: the sheet's μ is the tube's).
    const double s = m.slope(f.ua0, ug);
    QVERIFY2(std::abs(s / f.s - 1) < 0.25, qPrintable(QString::number(s)));
    if (TubeClass(tubeClass) == TubeClass::Triode) {
        const double mu = m.amplificationFactor(f.ua0, ug);
        QVERIFY2(std::abs(mu / f.mu - 1) < 0.25, qPrintable(QString::number(mu)));
    }
}

void TestBundledModels::el84FarAboveItsScreenGivesTheScreenNothingNegative()
{
    // At 500 V the line through the record's point would give the anode
    // 55.5 mA of the cathode's 53.5 mA.
    const TubeFigures f = figuresOf(TubeClass::PowerPentode, QStringLiteral("EL84.lamp"));
    const TubeModel m(TubeType::Pentode, f);
    QVERIFY(std::abs(m.cathodeCurrent(500, -7.3) - 53.5) < 0.05);
    QCOMPARE(m.anodeCurrent(500, -7.3), m.cathodeCurrent(500, -7.3));
    QCOMPARE(m.screenCurrent(500, -7.3), 0.0);
    QVERIFY(std::isinf(m.internalResistance(500, -7.3)));
    // Below the cap the record's own point is untouched.
    QVERIFY(std::abs(m.anodeCurrent(f.ua0, -7.3) - f.ia0) < 1e-9);
    QVERIFY(std::abs(m.screenCurrent(f.ua0, -7.3) - f.ig2) < 1e-9);
}

QTEST_GUILESS_MAIN(TestBundledModels)
#include "tst_bundledmodels.moc"
