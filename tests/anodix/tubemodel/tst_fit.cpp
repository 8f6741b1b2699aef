// SPDX-License-Identifier: GPL-3.0-or-later
// The fit of Koren's models: parameters recovered from points made with known
// ones, a fit that cannot beat the 3/2 law kept from use, and the fit's
// refusals (too few points, the wrong kind of points, cancellation).
#include "anodix/tubemodel/fit.h"

#include <QTest>
#include <atomic>
#include <cmath>

using namespace anodix::model;

Q_DECLARE_METATYPE(anodix::model::TubeFigures)
Q_DECLARE_METATYPE(anodix::model::FittedParameters)

namespace {

// A curve tracer's grid: anode voltage in steps up to uaMax, grid voltages
// from 0 down to ugMin, points above a dissipation limit left out as a
// tracer leaves them out.
std::vector<MeasuredPoint> traced(const TubeModel &model, double uaMax, double ugMin, double pMax, double u2 = 0)
{
    std::vector<MeasuredPoint> points;
    for (int g = 0; g <= 8; ++g) {
        const double ug = ugMin * g / 8;
        for (int a = 0; a <= 40; ++a) {
            const double ua = uaMax * a / 40;
            MeasuredPoint p{ua, ug, model.anodeCurrent(ua, ug), u2, model.screenCurrent(ua, ug), u2 > 0};
            if (ua * p.ia / 1000 > pMax)
                break;
            points.push_back(p);
        }
    }
    return points;
}

TubeModel koren(TubeType type, const TubeFigures &record, const FittedParameters &params)
{
    TubeFigures f = record;
    ModelFile file;
    file.type = std::holds_alternative<KorenTriodeParameters>(params) ? ModelKind::KorenTriode
                                                                      : ModelKind::KorenPentode;
    file.params = params;
    f.model = std::make_shared<const ModelFile>(file);
    return TubeModel(type, f);
}

std::vector<double> valuesOf(const FittedParameters &params)
{
    if (const auto *t = std::get_if<KorenTriodeParameters>(&params))
        return {t->mu, t->ex, t->kg1, t->kp, t->kvb};
    const auto &q = std::get<KorenPentodeParameters>(params);
    return {q.mu, q.ex, q.kg1, q.kg2, q.kp, q.kvb};
}

const TubeFigures k300B{300, 60, 61, 5.5, 3.85, 0.7};
const TubeFigures kEcc88{90, 15, 1.3, 12.5, 33, 2.6};
const TubeFigures k12ax7{250, 1.2, 2, 1.6, 100, 62.5};
const TubeFigures kEl34{250, 100, 12.2, 11, 0, 15, 250, 14.9};

} // namespace

class TestFit : public QObject
{
    Q_OBJECT

private slots:
    void knownParametersAreRecovered_data();
    void knownParametersAreRecovered();
    void pointsOfTheRecordsOwnLawAreNotReplaced();
    void cathodeCurrentAboveTheKneeIsTheLimitOfTheSweep_data();
    void cathodeCurrentAboveTheKneeIsTheLimitOfTheSweep();
    void tooFewPointsAreRefused();
    void pointsOfTheOtherTubeTypeAreRefused();
    void aCancelledFitStopsAndSaysSo();
    void progressRunsUpToAHundred();
};

void TestFit::knownParametersAreRecovered_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<TubeFigures>("record");
    QTest::addColumn<FittedParameters>("truth");
    QTest::addColumn<double>("uaMax");
    QTest::addColumn<double>("ugMin");
    QTest::addColumn<double>("pMax");
    QTest::addColumn<double>("u2");

    QTest::newRow("a 300B-like power triode") << int(TubeType::Triode) << k300B
                                              << FittedParameters(KorenTriodeParameters{3.9, 1.35, 1200, 50, 600})
                                              << 450.0 << -90.0 << 40.0 << 0.0;
    QTest::newRow("an ECC88-like frame-grid triode")
        << int(TubeType::Triode) << kEcc88 << FittedParameters(KorenTriodeParameters{31, 1.3, 300, 320, 300})
        << 200.0 << -8.0 << 2.0 << 0.0;
    QTest::newRow("a 12AX7-like high-μ triode")
        << int(TubeType::Triode) << k12ax7 << FittedParameters(KorenTriodeParameters{100, 1.4, 1060, 600, 300})
        << 400.0 << -4.0 << 1.0 << 0.0;
    QTest::newRow("an EL34-like pentode at its screen voltage")
        << int(TubeType::Pentode) << kEl34
        << FittedParameters(KorenPentodeParameters{11, 1.35, 650, 4200, 60, 24}) << 500.0 << -30.0 << 40.0
        << 250.0;
}

void TestFit::knownParametersAreRecovered()
{
    QFETCH(int, type);
    QFETCH(TubeFigures, record);
    QFETCH(FittedParameters, truth);
    QFETCH(double, uaMax);
    QFETCH(double, ugMin);
    QFETCH(double, pMax);
    QFETCH(double, u2);

    const TubeModel model = koren(TubeType(type), record, truth);
    const std::vector<MeasuredPoint> points = traced(model, uaMax, ugMin, pMax, u2);
    const ModelKind kind = type == int(TubeType::Triode) ? ModelKind::KorenTriode : ModelKind::KorenPentode;
    const FitResult fit = fitModel(kind, record, points);
    QVERIFY2(fit.ok(), fit.reason.c_str());
    const std::vector<double> expected = valuesOf(truth);
    const std::vector<double> got = valuesOf(fit.model.params);
    for (std::size_t i = 0; i < expected.size(); ++i)
        QVERIFY2(std::abs(got[i] / expected[i] - 1) < 0.01,
                 qPrintable(QStringLiteral("parameter %1: %2 instead of %3").arg(i).arg(got[i]).arg(expected[i])));
    QCOMPARE(fit.model.points, int(points.size()));
    // The model remembers the record's point it was fitted beside.
    QVERIFY(!operatingPointMoved(fit.model, record));
    QCOMPARE(fit.model.record_ia, record.ia0);
    QVERIFY(fit.model.rms_ma < 1e-3 * fit.powerLawError.rmsMa + 1e-6);
    QVERIFY(fit.fittedError.rmsMa < fit.powerLawError.rmsMa);
}

void TestFit::pointsOfTheRecordsOwnLawAreNotReplaced()
{
    // The 3/2 law through the record's point meets its own points exactly;
    // no Koren model can do better, and the fit must say so.
    const TubeModel record(TubeType::Triode, k300B);
    const FitResult fit = fitModel(ModelKind::KorenTriode, k300B, traced(record, 450, -90, 40));
    QVERIFY(fit.status == FitStatus::WorseThanPowerLaw || fit.status == FitStatus::NotConverged);
    QVERIFY(QString::fromStdString(fit.reason).contains(QStringLiteral("используется прежняя модель")));
    QCOMPARE(fit.powerLawError.rmsMa, 0.0);
    QVERIFY(fit.fittedError.rmsMa > 0);
}

void TestFit::cathodeCurrentAboveTheKneeIsTheLimitOfTheSweep_data()
{
    QTest::addColumn<bool>("fitted");
    QTest::addColumn<double>("ug");
    QTest::newRow("3/2 law at the record's bias") << false << -12.2;
    QTest::newRow("3/2 law near cut-off") << false << -20.0;
    QTest::newRow("Koren at the record's bias") << true << -12.2;
    QTest::newRow("Koren at a zero grid") << true << 0.0;
}

void TestFit::cathodeCurrentAboveTheKneeIsTheLimitOfTheSweep()
{
    // What a cathode resistor's bias settles on: the cathode current once the
    // anode is far past the knee, never the screen's share alone at Ua = 0.
    QFETCH(bool, fitted);
    QFETCH(double, ug);
    const TubeModel m = fitted ? koren(TubeType::Pentode, kEl34, KorenPentodeParameters{11, 1.35, 650, 4200, 60, 24})
                               : TubeModel(TubeType::Pentode, kEl34);
    const double above = m.cathodeCurrentAboveKnee(ug);
    QVERIFY(above > 0);
    QVERIFY(std::abs(m.cathodeCurrent(1e6, ug) / above - 1) < 1e-4);
    QVERIFY(m.cathodeCurrent(kEl34.ua0, ug) <= above * (1 + 1e-12));
}

void TestFit::tooFewPointsAreRefused()
{
    const TubeModel record(TubeType::Triode, k300B);
    std::vector<MeasuredPoint> points = traced(record, 450, -90, 40);
    points.resize(6);
    QCOMPARE(int(fitModel(ModelKind::KorenTriode, k300B, points).status), int(FitStatus::TooFewPoints));
    QCOMPARE(int(fitModel(ModelKind::KorenTriode, k300B, {}).status), int(FitStatus::TooFewPoints));
}

void TestFit::pointsOfTheOtherTubeTypeAreRefused()
{
    const TubeModel triode(TubeType::Triode, k300B);
    const FitResult asPentode = fitModel(ModelKind::KorenPentode, kEl34, traced(triode, 450, -90, 40));
    QCOMPARE(int(asPentode.status), int(FitStatus::WrongPoints));
    QVERIFY(!asPentode.reason.empty());
    const TubeModel pentode(TubeType::Pentode, kEl34);
    const FitResult asTriode = fitModel(ModelKind::KorenTriode, k300B, traced(pentode, 500, -30, 40, 250));
    QCOMPARE(int(asTriode.status), int(FitStatus::WrongPoints));
}

void TestFit::aCancelledFitStopsAndSaysSo()
{
    const TubeModel model = koren(TubeType::Triode, k300B, KorenTriodeParameters{3.9, 1.35, 1200, 50, 600});
    std::atomic<bool> cancel{true};
    FitOptions options;
    options.cancel = &cancel;
    const FitResult fit = fitModel(ModelKind::KorenTriode, k300B, traced(model, 450, -90, 40), options);
    QCOMPARE(int(fit.status), int(FitStatus::Cancelled));
    QVERIFY(!fit.reason.empty());
}

void TestFit::progressRunsUpToAHundred()
{
    const TubeModel model = koren(TubeType::Triode, kEcc88, KorenTriodeParameters{31, 1.3, 300, 320, 300});
    std::vector<int> seen;
    FitOptions options;
    options.progress = [&](int percent) { seen.push_back(percent); };
    QVERIFY(fitModel(ModelKind::KorenTriode, kEcc88, traced(model, 200, -8, 2), options).ok());
    QVERIFY(!seen.empty());
    QCOMPARE(seen.back(), 100);
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
}

QTEST_GUILESS_MAIN(TestFit)
#include "tst_fit.moc"
