// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair against ngspice on its exported netlist, for bundled
// double triodes with the tail to ground and to a negative supply: the rest
// point, both outputs' gains and −3 dB points, the largest swing (the limit
// met between 0.95 and 1.05 of the drive found), and the balancing resistor.
#include "anodix/response/longtailedpairresponse.h"
#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/tubedb/modelstore.h"
#include "anodix/tubedb/tuberecord.h"
#include "ngspicerun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::response;
using namespace anodix::testing;

namespace {

struct Pair
{
    model::TubeFigures figures;
    stage::LongTailedPairCircuit circuit;
};

Pair pairOf(const QString &tube, double ea, double ra, double tail, double eneg, bool fitted)
{
    const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    const RecordLines record = db.ReadTubeRecord(TubeClass::Triode, tube + QStringLiteral(".lamp"));
    Pair p;
    const auto field = [&](TubeField f) { return record.lines.value(int(f)).toDouble(); };
    p.figures.ua0 = field(TubeField::AnodeVoltage);
    p.figures.ia0 = field(TubeField::AnodeCurrent);
    p.figures.uc = field(TubeField::GridBias);
    p.figures.s = field(TubeField::Transconductance);
    p.figures.mu = field(TubeField::AmplificationFactor);
    p.figures.ri = field(TubeField::InternalResistance);
    if (fitted)
        p.figures.model = ReadTubeModel(db, TubeClass::Triode, tube + QStringLiteral(".lamp")).model;
    p.circuit = {ea, ra, ra, tail, 0, eneg, 1000, 470};
    if (p.circuit.toGround())
        p.circuit.bias = stage::pairBiasResistor(p.figures);
    return p;
}

// High enough that the bypass settles in a short transient.
constexpr double kFmin = 100;

// With a 10 kΩ source, 100 pF across each output and the tube's typical
// capacitances; or, for the swing found in the band's middle, with none.
PairNetlistInput netlistOf(const QString &tube, const Pair &p, double drive, bool strays = true)
{
    const model::TubeModel tubeModel(model::TubeType::Triode, p.figures);
    const stage::PairCapacitors caps =
        stage::pairCapacitorsFor(p.circuit, stage::solveLongTailedPairRest(tubeModel, p.circuit), kFmin);
    const stage::PairSignalParts parts = strays ? pairSignalParts(caps, 10, 100, stageEntry(stage::Circuit::LongTailedPair).capacitances)
                                                : pairSignalParts(caps, 0, 0, {});
    return {tube, p.figures, p.circuit, parts, kFmin, drive};
}

} // namespace

class LongTailedPairNgspiceTest : public QObject
{
    Q_OBJECT

private slots:
    void pairAgreesWithNgspice_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<double>("ea");
        QTest::addColumn<double>("ra");
        QTest::addColumn<double>("tail");
        QTest::addColumn<double>("eneg");
        QTest::addColumn<bool>("fitted");
        QTest::newRow("ECC83, tail to ground") << "ECC83" << 300.0 << 100.0 << 22.0 << 0.0 << false;
        QTest::newRow("ECC83, tail to -150 V") << "ECC83" << 300.0 << 100.0 << 47.0 << -150.0 << false;
        QTest::newRow("12AU7, tail to ground") << "12AU7" << 300.0 << 22.0 << 10.0 << 0.0 << false;
        QTest::newRow("6Н1П, tail to -100 V") << "6Н1П" << 250.0 << 33.0 << 22.0 << -100.0 << false;
        QTest::newRow("ECC88 fitted, tail to ground") << "ECC88" << 200.0 << 10.0 << 4.7 << 0.0 << true;
        QTest::newRow("ECC88 fitted, tail to -100 V") << "ECC88" << 200.0 << 10.0 << 10.0 << -100.0 << true;
    }

    void pairAgreesWithNgspice()
    {
        QFETCH(QString, tube);
        QFETCH(double, ea);
        QFETCH(double, ra);
        QFETCH(double, tail);
        QFETCH(double, eneg);
        QFETCH(bool, fitted);
        const Pair p = pairOf(tube, ea, ra, tail, eneg, fitted);
        QVERIFY(!fitted || p.figures.model);
        const model::TubeModel tubeModel(model::TubeType::Triode, p.figures);
        const stage::LongTailedPairRest rest = stage::solveLongTailedPairRest(tubeModel, p.circuit);
        QVERIFY(rest.found);
        const stage::PairSwing swing = stage::largestLongTailedPairSwing(tubeModel, p.circuit, rest);
        QVERIFY(swing.limit != stage::PairLimit::None);

        // The rest point and the small-signal response.
        const PairNetlistInput in = netlistOf(tube, p, swing.drive);
        const NgspiceRun run = runNgspice(LongTailedPairNetlist(in));
        QVERIFY2(run.problem.isEmpty(), qPrintable(run.problem));
        const DataFile op = readData(run.file(kOperatingPointFile));
        QCOMPARE(op.rows.size(), 1);
        const double cathode = op.at(0, "v(cathode)");
        for (int n = 0; n < 2; ++n) {
            const stage::PairSection &s = rest.sections[n];
            const double ua = op.at(0, n == 0 ? "v(anode1)" : "v(anode2)") - cathode;
            const double ia = op.at(0, n == 0 ? "i(vm1)" : "i(vm2)") * 1e3;
            const double ugk = op.at(0, n == 0 ? "v(grid1)" : "v(grid2)") - cathode;
            qInfo("%s VL%d: Ua %.5g/%.5g V, Ia %.5g/%.5g mA, Ugk %.5g/%.5g V", qPrintable(tube), n + 1, ua, s.ua,
                  ia, s.ia, ugk, s.ugk);
            QVERIFY2(deviation(ua, s.ua) < 0.005, "Ua");
            QVERIFY2(deviation(ia, s.ia) < 0.005, "Ia");
            QVERIFY2(deviation(ugk, s.ugk) < 0.005, "Ugk");
        }

        // Both outputs at every frequency ngspice sampled, and the −3 dB points
        // below the program's mid-band gain.
        const std::array<PairOutputResponse, 2> response = longTailedPairResponse(p.circuit, rest, in.parts);
        const DataFile ac = readData(run.file(kResponseFile));
        QVERIFY(ac.rows.size() > 100);
        for (int n = 0; n < 2; ++n) {
            const int column = ac.column(n == 0 ? QStringLiteral("gain1") : QStringLiteral("gain2"));
            QVERIFY(column > 0);
            double worst = 0;
            int kHz = 0;
            for (int i = 0; i < ac.rows.size(); ++i) {
                const double hz = ac.rows[i][0];
                const double program = std::abs(stage::longTailedPairTransfer(p.circuit, rest, in.parts, hz)[n]);
                worst = std::max(worst, deviation(ac.rows[i][column], program));
                if (std::abs(std::log(hz / 1000)) < std::abs(std::log(ac.rows[kHz][0] / 1000)))
                    kHz = i;
            }
            const double level = std::abs(response[n].gain);
            qInfo("output %d: |K| at 1 kHz %.5g, mid-band %.5g, worst %.3g %%; low %.5g/%.5g Hz, high %.5g/%.5g Hz",
                  n + 1, ac.rows[kHz][column], level, worst * 100, sampledCorner(ac, column, level, kHz, -1),
                  response[n].low.value_or(0), sampledCorner(ac, column, level, kHz, 1), response[n].high.value_or(0));
            QVERIFY2(worst < 0.02, "the response");
            QVERIFY(response[n].low && response[n].high);
            QVERIFY2(deviation(sampledCorner(ac, column, level, kHz, -1), *response[n].low) < 0.02, "low corner");
            QVERIFY2(deviation(sampledCorner(ac, column, level, kHz, 1), *response[n].high) < 0.02, "high corner");
        }
        // The mid-band gain: the same pair without source resistance and
        // capacitances at 1 kHz, where the couplings take 0.2 % at most.
        const PairNetlistInput ideal = netlistOf(tube, p, swing.drive, false);
        const NgspiceRun idealRun = runNgspice(LongTailedPairNetlist(ideal));
        QVERIFY2(idealRun.problem.isEmpty(), qPrintable(idealRun.problem));
        const DataFile idealAc = readData(idealRun.file(kResponseFile));
        for (int i = 0; i < idealAc.rows.size(); ++i) {
            // The stage's capacitors put the weaker output 3 dB down at Fmin.
            if (std::abs(idealAc.rows[i][0] - kFmin) < 0.01 * kFmin) {
                const double weaker = std::min(idealAc.at(i, "gain1") / std::abs(response[0].gain),
                                               idealAc.at(i, "gain2") / std::abs(response[1].gain));
                qInfo("at Fmin: %.4g of the mid-band gain", weaker);
                QVERIFY2(deviation(weaker, std::sqrt(0.5)) < 0.02, "the capacitors for Fmin");
            }
            if (std::abs(idealAc.rows[i][0] - 1000) > 1)
                continue;
            qInfo("mid-band: %.5g/%.5g and %.5g/%.5g", idealAc.at(i, "gain1"), std::abs(response[0].gain),
                  idealAc.at(i, "gain2"), std::abs(response[1].gain));
            QVERIFY2(deviation(idealAc.at(i, "gain1"), std::abs(response[0].gain)) < 0.02, "mid-band gain 1");
            QVERIFY2(deviation(idealAc.at(i, "gain2"), std::abs(response[1].gain)) < 0.02, "mid-band gain 2");
        }

        // At the swing found: each output's amplitude and THD under 5 %.
        // At the swing found: each output's fundamental and THD. Where a
        // fitted model's current fades into cut-off the output is already
        // distorted well before the last microampere; both show it alike.
        Fourier fourier = fourierOf(idealRun.file(kFourierFile));
        const Fourier second = fourierOf(idealRun.file(kSecondFourierFile));
        fourier.thd += second.thd;
        fourier.fundamental += second.fundamental;
        QCOMPARE(fourier.thd.size(), 2);
        QCOMPARE(fourier.fundamental.size(), 2);
        for (int n = 0; n < 2; ++n) {
            qInfo("output %d at the swing: %.4g/%.4g V amplitude, THD %.3g/%.3g %%", n + 1, fourier.fundamental[n],
                  swing.output[n], fourier.thd[n], swing.thd[n]);
            QVERIFY2(deviation(fourier.fundamental[n], swing.output[n]) < 0.05, "swing");
            QVERIFY2(std::abs(fourier.thd[n] - swing.thd[n]) < 0.15 * swing.thd[n] + 0.05, "THD at the swing");
        }

        // The limit is met between 0.95 and 1.05 of the drive found.
        const auto limitMet = [&](double share, double &thdFirst) {
            const NgspiceRun r = runNgspice(LongTailedPairNetlist(netlistOf(tube, p, swing.drive * share, false)));
            if (!r.problem.isEmpty())
                qFatal("ngspice: %s", qPrintable(r.problem));
            const DataFile t = readData(r.file(kTransientFile));
            double peakUgk = -1e9, leastIa = 1e9;
            for (int i = 0; i < t.rows.size(); ++i) {
                peakUgk = std::max({peakUgk, t.at(i, "ugk1"), t.at(i, "ugk2")});
                leastIa = std::min({leastIa, t.at(i, "i(vm1)") * 1e3, t.at(i, "i(vm2)") * 1e3});
            }
            const QList<double> h = fourierOf(r.file(kFourierFile)).thd;
            thdFirst = h.value(0, qQNaN());
            qInfo("at %.3g of the drive: peak Ugk %.4g V, least Ia %.4g mA, THD %.3g/%.3g %%", share, peakUgk,
                  leastIa, h.value(0), h.value(1));
            return peakUgk >= 0 || leastIa <= stage::kPairCutoffCurrent;
        };
        double thdBelow = 0, thdAbove = 0, thdPast = 0;
        QVERIFY2(!limitMet(0.95, thdBelow), "the limit is met below the swing found");
        QVERIFY2(limitMet(1.05, thdAbove), "the limit is not met above the swing found");
        // Past a cut-off the output clips; past the grid's reaching its
        // cathode the model, which has no grid current, goes on smoothly.
        if (swing.limit == stage::PairLimit::CutOff1 || swing.limit == stage::PairLimit::CutOff2) {
            limitMet(1.2, thdPast);
            QVERIFY2(thdPast > 5, "THD at 1.2 times the swing");
        }
    }

    void balancingResistorBalancesInNgspice_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<double>("tail");
        QTest::addColumn<double>("eneg");
        QTest::newRow("ECC83, short tail to ground") << "ECC83" << 10.0 << 0.0;
        QTest::newRow("12AU7, tail to -150 V") << "12AU7" << 15.0 << -150.0;
    }

    void balancingResistorBalancesInNgspice()
    {
        QFETCH(QString, tube);
        QFETCH(double, tail);
        QFETCH(double, eneg);
        Pair p = pairOf(tube, 300, 47, tail, eneg, false);
        const model::TubeModel tubeModel(model::TubeType::Triode, p.figures);
        const double ra2 = stage::balancingAnodeResistor(tubeModel, p.circuit);
        QVERIFY(ra2 > p.circuit.ra1);
        // ngspice's gains with equal resistors, then with the second one moved.
        const auto gains = [&](double second) {
            p.circuit.ra2 = second;
            const NgspiceRun r = runNgspice(LongTailedPairNetlist(netlistOf(tube, p, 0.01)));
            if (!r.problem.isEmpty())
                qFatal("ngspice: %s", qPrintable(r.problem));
            const DataFile ac = readData(r.file(kResponseFile));
            // 1 kHz is a sample of 50 per decade from 0.1 Hz.
            int at = 0;
            for (int i = 0; i < ac.rows.size(); ++i) {
                if (std::abs(std::log(ac.rows[i][0] / 1000)) < std::abs(std::log(ac.rows[at][0] / 1000)))
                    at = i;
            }
            return std::pair{ac.at(at, "gain1"), ac.at(at, "gain2")};
        };
        const auto [k1, k2] = gains(p.circuit.ra1);
        const auto [b1, b2] = gains(ra2);
        qInfo("%s: equal Ra %.5g/%.5g (%.3g %%), Ra2 = %.4g kOhm: %.5g/%.5g (%.3g %%)", qPrintable(tube), k1, k2,
              (k1 - k2) / k1 * 100, ra2, b1, b2, (b1 - b2) / b1 * 100);
        QVERIFY2(k1 > k2 * 1.01, "the inverting output is the larger with equal resistors");
        QVERIFY2(deviation(b2, b1) < 0.002, "the balancing resistor evens the outputs");
    }
};

QTEST_GUILESS_MAIN(LongTailedPairNgspiceTest)
#include "tst_ltpngspice.moc"
