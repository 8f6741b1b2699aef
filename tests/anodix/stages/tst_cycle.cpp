// SPDX-License-Identifier: GPL-3.0-or-later
// The output stages over one driven period: the spectrum of a sampled period
// against waveforms whose harmonics are known, and the driven stages against
// what must hold whatever the tube (the distortion's parts below their whole,
// the bias that follows the drive, no distortion without drive).
#include "anodix/stages/cycle.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <numbers>

using namespace anodix;
using anodix::stage::Cycle;
using anodix::stage::kCycleSteps;

Q_DECLARE_METATYPE(anodix::model::TubeFigures)

namespace {

Cycle sampled(const std::function<double(double)> &wave)
{
    Cycle x{};
    for (int n = 0; n < kCycleSteps; ++n)
        x[n] = wave(2 * std::numbers::pi * n / kCycleSteps);
    return x;
}

// Figures in the order of TubeFigures: Ua, Ia, Uc, S, μ, Ri, Ug2, Ig2.
const model::TubeFigures k300B{300, 60, 61, 5.5, 3.85, 0.7};
const model::TubeFigures k2A3{250, 60, 45, 5.25, 4.2, 0.8};
const model::TubeFigures kEL84{250, 48, 7.3, 11.3, 0, 38, 250, 5.5};
const model::TubeFigures kEL34{250, 100, 13.5, 11, 0, 15, 250, 14.9};
const model::TubeFigures k6L6GC{250, 72, 14, 6, 0, 22.5, 250, 5};

// The crest of a period against its fundamental can differ by no more than
// the harmonics' amplitudes together: H2…H5 as given, the rest at most √26
// times their root-sum-square (Cauchy–Schwarz over H6…H31).
double harmonicSum(const std::array<double, 4> &h, double thd)
{
    double sum = 0, squares = 0;
    for (const double v : h) {
        sum += v;
        squares += v * v;
    }
    return (sum + std::sqrt(26 * std::max(0.0, thd * thd - squares))) / 100;
}

void verifyDistortionParts(const std::array<double, 4> &h, double thd)
{
    double squares = 0;
    for (const double v : h) {
        QVERIFY(v >= 0 && v <= thd + 1e-9);
        squares += v * v;
    }
    QVERIFY(squares <= thd * thd * (1 + 1e-9) + 1e-18);
}

} // namespace

class TestCycle : public QObject
{
    Q_OBJECT

private slots:
    void spectrumRecoversKnownHarmonics_data()
    {
        QTest::addColumn<Cycle>("samples");
        QTest::addColumn<double>("fundamental");
        QTest::addColumn<QList<double>>("harmonics"); // H2…H5, %
        QTest::addColumn<double>("tolerance");        // % of the fundamental
        using std::sin, std::cos;
        QTest::newRow("a pure sine on a mean") << sampled([](double t) { return 5 + 2 * sin(t); }) << 2.0
                                               << QList<double>{0, 0, 0, 0} << 1e-9;
        QTest::newRow("a cosine counts as much as a sine") << sampled([](double t) { return 3 * cos(t); }) << 3.0
                                                           << QList<double>{0, 0, 0, 0} << 1e-9;
        QTest::newRow("second and third at their own phases")
            << sampled([](double t) { return sin(t) - 0.1 * cos(2 * t) + 0.05 * sin(3 * t + 1); }) << 1.0
            << QList<double>{10, 5, 0, 0} << 1e-9;
        QTest::newRow("fourth and fifth") << sampled([](double t) { return 4 * sin(t) + 0.2 * sin(4 * t) - 0.04 * cos(5 * t); })
                                          << 4.0 << QList<double>{0, 0, 5, 1} << 1e-9;
        // A half-wave rectified sine: a1 = 1/2, a2m = 2 / (π (4m² − 1)); its
        // kinks alias a little into the low harmonics.
        QTest::newRow("half-wave rectified sine")
            << sampled([](double t) { return std::max(0.0, sin(t)); }) << 0.5
            << QList<double>{400 / (3 * std::numbers::pi), 0, 400 / (15 * std::numbers::pi), 0} << 0.2;
    }
    void spectrumRecoversKnownHarmonics()
    {
        QFETCH(Cycle, samples);
        QFETCH(double, fundamental);
        QFETCH(QList<double>, harmonics);
        QFETCH(double, tolerance);
        const stage::Spectrum s = stage::spectrumOf(samples);
        QVERIFY(std::abs(s.fundamental - fundamental) <= tolerance / 100 * fundamental);
        for (int k = 0; k < 4; ++k)
            QVERIFY2(std::abs(s.harmonics[k] - harmonics[k]) <= tolerance,
                     qPrintable(QStringLiteral("H%1 %2").arg(k + 2).arg(s.harmonics[k])));
        verifyDistortionParts(s.harmonics, s.thd);
    }

    // The total distortion of a period with every harmonic below half the
    // steps is the root-sum-square of them all, H6 and above included.
    void totalDistortionCountsEveryHarmonic_data()
    {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 7u, 42u, 2026u})
            QTest::addRow("random period %u", seed) << seed;
    }
    void totalDistortionCountsEveryHarmonic()
    {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        std::array<double, kCycleSteps / 2 - 1> amplitude{}, phase{};
        for (size_t k = 0; k < amplitude.size(); ++k) {
            amplitude[k] = random.generateDouble() / (k + 1);
            phase[k] = random.generateDouble() * 2 * std::numbers::pi;
        }
        const double mean = random.generateDouble();
        const Cycle x = sampled([&](double t) {
            double v = mean;
            for (size_t k = 0; k < amplitude.size(); ++k)
                v += amplitude[k] * std::sin((k + 1) * t + phase[k]);
            return v;
        });
        double squares = 0;
        for (size_t k = 1; k < amplitude.size(); ++k)
            squares += amplitude[k] * amplitude[k];
        const double thd = std::sqrt(squares) / amplitude[0] * 100;
        const stage::Spectrum s = stage::spectrumOf(x);
        QVERIFY(std::abs(s.mean - mean) <= 1e-12);
        QVERIFY(std::abs(s.fundamental - amplitude[0]) <= 1e-12);
        for (int k = 0; k < 4; ++k)
            QVERIFY(std::abs(s.harmonics[k] - amplitude[k + 1] / amplitude[0] * 100) <= 1e-9);
        QVERIFY2(std::abs(s.thd - thd) <= 1e-9 * thd, qPrintable(QString::number(s.thd - thd)));
    }

    void triodeOutputStageDriven_data()
    {
        QTest::addColumn<model::TubeFigures>("tube");
        QTest::addColumn<double>("ea");
        QTest::addColumn<double>("kn");
        QTest::newRow("300B into 2 Ri") << k300B << 361.0 << 2.0;
        QTest::newRow("300B into 3 Ri") << k300B << 361.0 << 3.0;
        QTest::newRow("300B into 8 Ri") << k300B << 361.0 << 8.0;
        QTest::newRow("300B at a low supply") << k300B << 250.0 << 3.0;
        QTest::newRow("2A3 into 3 Ri") << k2A3 << 295.0 << 3.0;
    }
    void triodeOutputStageDriven()
    {
        QFETCH(model::TubeFigures, tube);
        QFETCH(double, ea);
        QFETCH(double, kn);
        const model::TubeModel model(model::TubeType::Triode, tube);
        const double rk = tube.uc / tube.ia0, ra = kn * tube.ri;
        const std::optional<TriodeOutputSwing> full = SolveTriodeOutput(model, ea, rk, ra);
        QVERIFY(full);
        const double bias = std::abs(full->ugq);
        verifyDistortionParts(full->harmonics, full->thd);
        QCOMPARE(full->d2, full->harmonics[0]);
        // A triode alone makes mostly the second harmonic.
        QVERIFY(full->d2 > full->d3);
        // The mean current rises with the drive and the bypassed cathode with it.
        QVERIFY(full->mean > full->iq && full->uk > bias);
        QVERIFY(std::abs(full->uk - full->mean * rk) <= 1e-9 * full->uk);
        // The swing's ends bracket the rest point, the anode past the supply at the trough.
        QVERIFY(full->imin < full->iq && full->iq < full->imax && full->umin < full->uq && full->umax > ea - full->uk);
        // The crest against the fundamental: (Imax − Imin)/2 differs from it by no more than the harmonics.
        const double fundamental = std::sqrt(full->pout * 1000 * 2 / ra);
        QVERIFY(std::abs((full->imax - full->imin) / 2 / fundamental - 1) <= harmonicSum(full->harmonics, full->thd));

        // Less drive, less distortion; none without drive, the point at rest.
        const std::optional<TriodeOutputSwing> half = SolveTriodeOutput(model, ea, rk, ra, bias / 2);
        const std::optional<TriodeOutputSwing> faint = SolveTriodeOutput(model, ea, rk, ra, bias * 1e-4);
        QVERIFY(half && faint);
        QVERIFY(half->thd < full->thd && half->pout < full->pout && half->uk < full->uk);
        QVERIFY2(faint->thd < 0.01, qPrintable(QString::number(faint->thd)));
        QVERIFY(std::abs(faint->uk - bias) <= 1e-6 * bias);
    }

    void pushPullStageDriven_data()
    {
        QTest::addColumn<model::TubeFigures>("tube");
        QTest::addColumn<QList<double>>("circuit"); // Ea, Ug2, Raa, Rk
        QTest::newRow("EL84 at 250 V") << kEL84 << QList<double>{250, 250, 8, 130};
        QTest::newRow("EL84 in class A") << kEL84 << QList<double>{250, 250, 8, 50};
        QTest::newRow("EL84 biased cold") << kEL84 << QList<double>{250, 250, 8, 300};
        QTest::newRow("EL34 at 400 V") << kEL34 << QList<double>{400, 250, 3.4, 100};
        QTest::newRow("6L6GC at 360 V") << k6L6GC << QList<double>{360, 270, 6.6, 250};
    }
    void pushPullStageDriven()
    {
        QFETCH(model::TubeFigures, tube);
        QFETCH(QList<double>, circuit);
        const model::TubeModel model(model::TubeType::Pentode, tube);
        const stage::PushPullCircuit c{circuit[0], circuit[1], circuit[2], circuit[3]};
        const stage::PushPullPoint full = stage::solvePushPull(model, c);
        QVERIFY(full.iq > 0);
        verifyDistortionParts(full.harmonics, full.thd);
        // Alike tubes in antiphase cancel the even harmonics.
        QVERIFY(full.harmonics[0] < 1e-6 && full.harmonics[2] < 1e-6 && full.d2 == full.harmonics[0]);
        QVERIFY(full.d3 > 0);
        // Under drive the cathode rises, and the anodes and screens sink as much against it.
        QVERIFY(full.ukDriven > full.uk);
        QCOMPARE(full.eqDriven + full.ukDriven, c.ea);
        QCOMPARE(full.u2Driven + full.ukDriven, c.ug2);
        // At the crest the composite current is the driven tube's less the other's.
        QVERIFY(std::abs(full.icMax - (full.ipk - full.ia2)) <= 1e-6 * full.icMax);
        QCOMPARE(full.classA, full.ia2 > 0);
        const double fundamental = std::sqrt(full.pout * 1000 * 8 / c.raa);
        QVERIFY(std::abs(full.icMax / fundamental - 1) <= harmonicSum(full.harmonics, full.thd));

        const stage::PushPullPoint faint = stage::solvePushPull(model, c, full.uk * 1e-4);
        QVERIFY2(faint.thd < 0.01, qPrintable(QString::number(faint.thd)));
        QVERIFY(std::abs(faint.ukDriven - full.uk) <= 1e-6 * full.uk);
        const stage::PushPullPoint half = stage::solvePushPull(model, c, full.uk / 2);
        QVERIFY(half.pout < full.pout && half.ukDriven <= full.ukDriven);
    }
};

QTEST_APPLESS_MAIN(TestCycle)
#include "tst_cycle.moc"
