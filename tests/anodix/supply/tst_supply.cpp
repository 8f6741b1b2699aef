// SPDX-License-Identifier: GPL-3.0-or-later
// The supply simulated in time through its public functions: the worked
// bridge figure (ngspice-39 on the same circuit), invariants over every
// circuit and rectifier, the load step, refusals and the rating warnings.
#include "anodix/supply/supply.h"

#include <QTest>
#include <cmath>
#include <numbers>

using namespace anodix::supply;

namespace {

const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);

// A rectifier tube with the figures of a large directly heated double diode;
// the ratings are the test's own, not any sheet's.
Kenotron testTube()
{
    Kenotron k;
    k.name = QStringLiteral("Тест");
    k.perveance = 225e-3 / std::pow(50.0, 1.5);   // 50 V at 225 mA
    k.maxAcVoltage = 450;
    k.maxDcCurrent = 0.225;
    k.maxPeakCurrent = 0.675;
    k.maxCapacitance = 40e-6;
    k.minResistance = 75;
    return k;
}

SupplyCircuit worked()
{
    SupplyCircuit c;
    c.frequency = 50;
    c.circuit = Circuit::Bridge;
    c.secondaryVoltage = 300;
    c.windingResistance = 50;
    c.c1 = 47e-6;
    c.filter = FilterElement::Choke;
    c.inductance = 5;
    c.filterResistance = 100;
    c.c2 = 100e-6;
    c.loadCurrent = 0.150;
    return c;
}

SupplyResult simulate(const SupplyCircuit &c)
{
    const SupplyOutcome o = SimulateSupply(c);
    if (!o.result)
        qWarning("refused: %s", qPrintable(o.error));
    return o.result.value_or(SupplyResult{});
}

SupplyInputs workedTexts()
{
    SupplyInputs in;
    in.frequency = "50";
    in.circuit = 0;
    in.secondaryVoltage = "300";
    in.windingResistance = "50";
    in.c1 = "47";
    in.filter = 0;
    in.inductance = "5";
    in.filterResistance = "100";
    in.c2 = "100";
    in.loadCurrent = "150";
    return in;
}

} // namespace

Q_DECLARE_METATYPE(SupplyCircuit)

class TestSupply : public QObject
{
    Q_OBJECT

private slots:
    void workedBridgeMatchesNgspice()
    {
        const SupplyResult r = simulate(worked());
        QVERIFY(r.settled);
        // ngspice-39 on the same circuit from empty capacitors, the last period of 5 s.
        QVERIFY2(std::abs(r.c1Voltage / 380.95 - 1) < 0.01, qPrintable(QString::number(r.c1Voltage)));
        QVERIFY2(std::abs(r.outputVoltage / 365.95 - 1) < 0.01, qPrintable(QString::number(r.outputVoltage)));
        QVERIFY2(std::abs(r.c1Ripple / 23.5 - 1) < 0.05, qPrintable(QString::number(r.c1Ripple)));
        QVERIFY2(std::abs(r.outputRipple / 96.8e-3 - 1) < 0.05, qPrintable(QString::number(r.outputRipple)));
        QVERIFY2(std::abs(r.peakCurrent / 0.80 - 1) < 0.05, qPrintable(QString::number(r.peakCurrent)));
        QVERIFY2(std::abs(r.windingCurrent / 0.310 - 1) < 0.05, qPrintable(QString::number(r.windingCurrent)));
        QVERIFY2(std::abs(r.transformerPower / 93 - 1) < 0.05, qPrintable(QString::number(r.transformerPower)));
        QVERIFY2(std::abs(r.surgeCurrent / 3.67 - 1) < 0.05, qPrintable(QString::number(r.surgeCurrent)));
        QVERIFY(r.resonance);
        QCOMPARE_LT(std::abs(*r.resonance - 1 / (2 * std::numbers::pi * std::sqrt(5 * 100e-6))), 1e-9);
    }

    void everyCircuitKeepsItsInvariants_data()
    {
        QTest::addColumn<SupplyCircuit>("circuit");
        for (const Circuit circuit : {Circuit::Bridge, Circuit::CentreTap, Circuit::HalfWave})
            for (const bool tube : {false, true})
                for (const FilterElement filter : {FilterElement::Choke, FilterElement::Resistor}) {
                    SupplyCircuit c = worked();
                    c.circuit = circuit;
                    c.filter = filter;
                    c.filterResistance = filter == FilterElement::Resistor ? 470 : 100;
                    c.loadCurrent = circuit == Circuit::HalfWave ? 0.06 : 0.1;
                    c.windingResistance = tube ? 100 : 50;
                    if (tube)
                        c.tube = testTube();
                    QTest::addRow("%s %s %s", CircuitNames()[int(circuit)].toUtf8().constData(),
                                  tube ? "tube" : "silicon", filter == FilterElement::Choke ? "choke" : "resistor")
                        << c;
                }
    }

    void everyCircuitKeepsItsInvariants()
    {
        QFETCH(SupplyCircuit, circuit);
        const SupplyResult r = simulate(circuit);
        const double peak = std::numbers::sqrt2 * circuit.secondaryVoltage;
        QVERIFY(r.settled);
        QCOMPARE_GT(r.outputVoltage, 0.0);
        QCOMPARE_LT(r.outputVoltage, r.c1Voltage);
        QCOMPARE_LT(r.c1Voltage + r.c1Ripple / 2, peak);
        QCOMPARE_LT(r.outputRipple, r.c1Ripple);
        // Charge balance: what the rectifier delivers on average the load takes.
        QCOMPARE_LT(std::abs(r.averageCurrent / circuit.loadCurrent - 1), 0.01);
        // The filter's resistance carries the load current.
        const double drop = r.c1Voltage - r.outputVoltage;
        QCOMPARE_LT(std::abs(drop / (circuit.loadCurrent * circuit.filterResistance) - 1), 0.01);
        // A pulse peaks above the average, and the winding's rms above it too.
        QCOMPARE_GT(r.peakCurrent, r.averageCurrent);
        QCOMPARE_GE(r.surgeCurrent, r.peakCurrent);
        const int halves = circuit.circuit == Circuit::CentreTap ? 2 : 1;
        QCOMPARE_LT(std::abs(r.transformerPower / (halves * circuit.secondaryVoltage * r.windingCurrent) - 1), 1e-9);
        // Energy: the transformer's volt-amperes at least cover the load's power.
        QCOMPARE_GT(r.transformerPower, r.outputVoltage * circuit.loadCurrent);
        QCOMPARE_GT(r.settlingTime, 0.0);
        QCOMPARE_LE(r.settlingTime, r.simulatedTime);
        QCOMPARE_LE(r.trace.last().t, r.simulatedTime);
        QCOMPARE_LT(r.simulatedTime, maxSimulatedTime + 0.1);
    }

    void rippleFallsAsTheCapacitorsGrow_data()
    {
        QTest::addColumn<int>("circuit");
        QTest::addColumn<int>("filter");
        for (int circuit = 0; circuit < 3; ++circuit)
            for (int filter = 0; filter < 2; ++filter)
                QTest::addRow("%d %d", circuit, filter) << circuit << filter;
    }

    void rippleFallsAsTheCapacitorsGrow()
    {
        QFETCH(int, circuit);
        QFETCH(int, filter);
        SupplyCircuit c = worked();
        c.circuit = Circuit(circuit);
        c.filter = FilterElement(filter);
        c.filterResistance = filter == 1 ? 470 : 100;
        c.loadCurrent = 0.05;
        const SupplyResult small = simulate(c);
        c.c1 *= 2;
        const SupplyResult biggerC1 = simulate(c);
        c.c2 *= 2;
        const SupplyResult biggerC2 = simulate(c);
        QCOMPARE_LT(biggerC1.c1Ripple, small.c1Ripple);
        QCOMPARE_LT(biggerC1.outputRipple, small.outputRipple);
        QCOMPARE_LT(biggerC2.outputRipple, biggerC1.outputRipple);
        // A larger first capacitor takes a larger surge.
        QCOMPARE_GT(biggerC1.surgeCurrent, small.surgeCurrent);
    }

    void halfWaveRipplesMoreThanFullWave_data()
    {
        QTest::addColumn<int>("fullWave");
        QTest::newRow("bridge") << int(Circuit::Bridge);
        QTest::newRow("centre tap") << int(Circuit::CentreTap);
    }

    void halfWaveRipplesMoreThanFullWave()
    {
        QFETCH(int, fullWave);
        SupplyCircuit c = worked();
        c.loadCurrent = 0.05;
        c.circuit = Circuit(fullWave);
        const SupplyResult full = simulate(c);
        c.circuit = Circuit::HalfWave;
        const SupplyResult half = simulate(c);
        QCOMPARE_GT(half.c1Ripple, full.c1Ripple);
        QCOMPARE_GT(half.outputRipple, full.outputRipple);
        QCOMPARE_LT(half.c1Voltage, full.c1Voltage);
    }

    void aLoadStepSagsTheOutputHalfWay()
    {
        SupplyCircuit c = worked();
        c.stepCurrent = 0.250;
        const SupplyResult r = simulate(c);
        QVERIFY(r.stepTime);
        QVERIFY(r.sag);
        // The output before the step is the plain circuit's.
        const SupplyResult plain = simulate(worked());
        QCOMPARE_LT(std::abs(r.outputVoltage / plain.outputVoltage - 1), 1e-3);
        // A step of 100 mA through 100 Ω of choke and the bridge's source drops more than 10 V.
        QCOMPARE_GT(*r.sag, 10.0);
        QCOMPARE_LT(*r.sag, r.outputVoltage);
        QCOMPARE_GE(r.simulatedTime, 2 * *r.stepTime - 0.021);
        QCOMPARE_LE(r.trace.first().t, *r.stepTime);
        QCOMPARE_GT(r.trace.last().t, *r.stepTime);
    }

    void cancellingStopsTheSimulation()
    {
        int calls = 0;
        const SupplyOutcome o = SimulateSupply(worked(), [&](double fraction) {
            [&] { QVERIFY(fraction >= 0 && fraction <= 1); }();
            return ++calls < 5;
        });
        QVERIFY(o.cancelled);
        QVERIFY(!o.result);
        QCOMPARE(calls, 5);
    }

    void aLoadTheRectifierCannotCarryCollapses_data()
    {
        QTest::addColumn<SupplyCircuit>("circuit");
        SupplyCircuit c = worked();
        c.circuit = Circuit::HalfWave;
        c.windingResistance = 2000;
        c.loadCurrent = 0.4;
        QTest::newRow("half-wave through 2 kΩ") << c;
        c = worked();
        c.tube = testTube();
        c.tube->perveance = 1e-6;
        c.loadCurrent = 0.5;
        QTest::newRow("a weak tube") << c;
    }

    void aLoadTheRectifierCannotCarryCollapses()
    {
        QFETCH(SupplyCircuit, circuit);
        const SupplyOutcome o = SimulateSupply(circuit);
        QVERIFY(!o.result);
        QCOMPARE(o.error, collapseMessage);
    }

    void badInputIsRefusedWithItsCaption_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::newRow("no frequency") << "frequency" << "" << "Частота сети";
        QTest::newRow("letters") << "secondary" << "abc" << "Напряжение вторичной обмотки";
        QTest::newRow("100 kV") << "secondary" << "100000" << "Напряжение вторичной обмотки";
        QTest::newRow("zero winding") << "winding" << "0" << "Сопротивление обмотки";
        QTest::newRow("negative C1") << "c1" << "-47" << "C1, мкФ";
        QTest::newRow("1 F") << "c1" << "1000000" << "C1, мкФ";
        QTest::newRow("1 F as C2") << "c2" << "1000000" << "C2, мкФ";
        QTest::newRow("inf choke") << "l" << "inf" << "L, Гн";
        QTest::newRow("zero load") << "load" << "0" << "Ток нагрузки";
        QTest::newRow("bad step") << "step" << "x" << "Скачок нагрузки";
        QTest::newRow("negative target") << "target" << "-300" << "Требуемое напряжение";
        QTest::newRow("grouped") << "load" << "1 000" << "Ток нагрузки";
        QTest::newRow("a load no supply carries") << "load" << "5000" << "Выпрямитель не обеспечивает";
    }

    void badInputIsRefusedWithItsCaption()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, caption);
        SupplyInputs in = workedTexts();
        QString *target = field == "frequency" ? &in.frequency
                          : field == "secondary" ? &in.secondaryVoltage
                          : field == "winding" ? &in.windingResistance
                          : field == "c1" ? &in.c1
                          : field == "c2" ? &in.c2
                          : field == "l" ? &in.inductance
                          : field == "load" ? &in.loadCurrent
                          : field == "step" ? &in.stepCurrent
                                            : &in.targetVoltage;
        *target = text;
        QString error;
        QVERIFY(!ParseSupplyInputs(in, commaLocale, error));
        QVERIFY2(error.contains(caption), qPrintable(error));
        QVERIFY(!error.contains("nan") && !error.contains("inf"));
    }

    void textsAreReadInTheUsersLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("c1");
        QTest::newRow("comma") << commaLocale << "47,5";
        QTest::newRow("point") << pointLocale << "47.5";
    }

    void textsAreReadInTheUsersLocale()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, c1);
        SupplyInputs in = workedTexts();
        in.c1 = c1;
        in.stepCurrent = "200";
        QString error;
        const auto c = ParseSupplyInputs(in, locale, error);
        QVERIFY2(c, qPrintable(error));
        QCOMPARE(c->c1, 47.5e-6);
        QCOMPARE(c->loadCurrent, 0.150);
        QCOMPARE(c->stepCurrent.value_or(0), 0.2);
        QVERIFY(!c->targetVoltage);
    }

    void warningsNameTheExceededRating_data()
    {
        QTest::addColumn<SupplyCircuit>("circuit");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("expected");
        SupplyCircuit tube = worked();
        tube.circuit = Circuit::CentreTap;
        tube.tube = testTube();
        tube.windingResistance = 100;
        tube.loadCurrent = 0.1;
        tube.c1 = 20e-6;
        QTest::newRow("within ratings") << tube << "больше допустим" << false;
        SupplyCircuit big = tube;
        big.c1 = 47e-6;
        QTest::newRow("C1 too large") << big << "Ёмкость C1" << true;
        big = tube;
        big.loadCurrent = 0.25;
        QTest::newRow("DC current") << big << "Выпрямленный ток" << true;
        big = tube;
        big.secondaryVoltage = 500;
        QTest::newRow("AC voltage") << big << "Напряжение на анод" << true;
        big = tube;
        big.windingResistance = 20;
        big.c1 = 40e-6;
        big.loadCurrent = 0.2;
        QTest::newRow("peak current") << big << "Пиковый ток анода" << true;
        QTest::newRow("low winding resistance") << big << "меньше наименьшего допустимого" << true;
        big = tube;
        big.tube->maxPeakCurrent.reset();
        QTest::newRow("unknown rating") << big << "Допустимый пиковый ток анода для Тест неизвестен" << true;
        SupplyCircuit resonant = worked();
        resonant.inductance = 0.05;
        resonant.c2 = 100e-6;   // 71 Hz
        QTest::newRow("resonance near the mains") << resonant << "Резонансная частота" << true;
        QTest::newRow("no resonance near the mains") << worked() << "Резонансная частота" << false;
        SupplyCircuit target = worked();
        target.targetVoltage = 300;
        QTest::newRow("far from the target") << target << "требуемого" << true;
        target.targetVoltage = 360;
        QTest::newRow("near the target") << target << "требуемого" << false;
    }

    void warningsNameTheExceededRating()
    {
        QFETCH(SupplyCircuit, circuit);
        QFETCH(QString, warning);
        QFETCH(bool, expected);
        const SupplyResult r = simulate(circuit);
        const QStringList warnings = SupplyWarnings(circuit, r, commaLocale);
        const bool found = std::any_of(warnings.begin(), warnings.end(), [&](const QString &w) { return w.contains(warning); });
        QVERIFY2(found == expected, qPrintable(warnings.join(" | ")));
    }
};

QTEST_GUILESS_MAIN(TestSupply)
#include "tst_supply.moc"
