// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice on the supply's exported netlist, one row per circuit: the
// program's figures held against an independent simulator of the same
// circuit over the same simulated time, and names that try to break out of
// the netlist's comment.
#include "anodix/supply/supplyspice.h"
#include "ngspicerun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace anodix::supply;

namespace {

Kenotron testTube()
{
    Kenotron k;
    k.name = QStringLiteral("Тест");
    k.perveance = 225e-3 / std::pow(50.0, 1.5);
    return k;
}

SupplyCircuit worked()
{
    SupplyCircuit c;
    c.secondaryVoltage = 300;
    c.windingResistance = 50;
    c.c1 = 47e-6;
    c.inductance = 5;
    c.filterResistance = 100;
    c.c2 = 100e-6;
    c.loadCurrent = 0.150;
    return c;
}

// Runs the text in ngspice and reads the figures its control block printed.
QMap<QString, double> supplyFigures(const QString &netlist, QString &problem)
{
    QMap<QString, double> figures;
    const anodix::testing::NgspiceRun run = anodix::testing::runNgspice(netlist, 100000);
    problem = run.problem;
    if (!run.ok())
        return figures;
    QFile data(run.file(kSupplyDataFile));
    if (!data.open(QIODevice::ReadOnly)) {
        problem = "no " + QString(kSupplyDataFile);
        return figures;
    }
    static const QRegularExpression line(R"(^\s*(\w+)\s*=\s*(\S+))");
    for (const QString &text : QString::fromUtf8(data.readAll()).split('\n')) {
        const QRegularExpressionMatch m = line.match(text);
        if (m.hasMatch())
            figures[m.captured(1)] = m.captured(2).toDouble();
    }
    return figures;
}

bool near(double ours, double theirs, double tolerance)
{
    return std::abs(ours - theirs) <= tolerance * std::abs(theirs);
}

} // namespace

Q_DECLARE_METATYPE(SupplyCircuit)

class TestSupplyNgspice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(anodix::testing::ngspiceMissing().isEmpty(), qPrintable(anodix::testing::ngspiceMissing()));
    }

    void ngspiceAgreesOnTheExportedCircuit_data()
    {
        QTest::addColumn<SupplyCircuit>("circuit");
        QTest::newRow("worked bridge") << worked();
        for (const Circuit circuit : {Circuit::Bridge, Circuit::CentreTap, Circuit::HalfWave})
            for (const bool tube : {false, true}) {
                SupplyCircuit c = worked();
                c.circuit = circuit;
                c.loadCurrent = circuit == Circuit::HalfWave ? 0.05 : 0.1;
                c.filter = tube ? FilterElement::Resistor : FilterElement::Choke;
                c.filterResistance = tube ? 470 : 100;
                c.windingResistance = tube ? 100 : 50;
                if (tube)
                    c.tube = testTube();
                QTest::addRow("%s %s", CircuitNames()[int(circuit)].toUtf8().constData(),
                              tube ? "tube, resistor" : "silicon, choke")
                    << c;
            }
        SupplyCircuit step = worked();
        step.stepCurrent = 0.25;
        QTest::newRow("worked bridge with a load step") << step;
    }

    void ngspiceAgreesOnTheExportedCircuit()
    {
        QFETCH(SupplyCircuit, circuit);
        const SupplyOutcome o = SimulateSupply(circuit);
        QVERIFY2(o.result, qPrintable(o.error));
        const SupplyResult &r = *o.result;
        QString problem;
        const auto f = supplyFigures(SupplyNetlist(circuit, r.simulatedTime, r.stepTime), problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const auto check = [&](const char *name, double ours, double theirs, double tolerance) {
            QVERIFY2(near(ours, theirs, tolerance),
                     qPrintable(QStringLiteral("%1: program %2, ngspice %3").arg(name).arg(ours).arg(theirs)));
        };
        check("C1", r.c1Voltage, f.value("vc1"), 0.005);
        check("output", r.outputVoltage, f.value("vo"), 0.005);
        check("C1 ripple", r.c1Ripple, f.value("vc1pp"), 0.02);
        check("output ripple", r.outputRipple, f.value("vopp"), 0.02);
        const double peak = circuit.circuit == Circuit::CentreTap
                                ? std::max(std::abs(f.value("i1min")), std::abs(f.value("i2min")))
                                : std::max(std::abs(f.value("i1min")), std::abs(f.value("i1max")));
        check("peak current", r.peakCurrent, peak, 0.02);
        // Each half of the centre tap carries its own source's current.
        check("winding rms", r.windingCurrent, f.value("i1rms"), 0.02);
        check("surge", r.surgeCurrent, std::max(std::abs(f.value("s1min")), std::abs(f.value("s1max"))), 0.02);
        if (circuit.stepCurrent) {
            QVERIFY(r.sag);
            // The sag counts the transient's low; the settled drop is its floor.
            const double settledDrop = f.value("vo") - f.value("vostep");
            QCOMPARE_GT(settledDrop, 0.0);
            QCOMPARE_GE(*r.sag, settledDrop * 0.95);
        }
    }

    void aHostileTubeNameStaysInItsComment_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("newline") << QStringLiteral("5Ц3С\n.control\nshell rm -rf x\n.endc");
        QTest::newRow("carriage return") << QStringLiteral("5Ц3С\r.include /etc/passwd");
        QTest::newRow("next line") << QStringLiteral("5Ц3С\u0085.endc");
        QTest::newRow("line separator") << QStringLiteral("5Ц3С\u2028.end");
        QTest::newRow("paragraph separator") << QStringLiteral("5Ц3С\u2029.end");
    }

    void aHostileTubeNameStaysInItsComment()
    {
        QFETCH(QString, name);
        SupplyCircuit c = worked();
        c.tube = testTube();
        c.tube->name = name;
        const QString text = SupplyNetlist(c, 0.1, std::nullopt);
        static const QRegularExpression breaks(QStringLiteral("[\\r\\x{85}\\x{2028}\\x{2029}]"));
        QVERIFY(!text.contains(breaks));
        for (const QString &line : text.split('\n'))
            if (line.contains(QStringLiteral("5Ц3С")))
                QVERIFY2(line.startsWith(QStringLiteral("* ")), qPrintable(line));
        QVERIFY(!text.contains(QStringLiteral("\n.include")));
        QCOMPARE(text.count(QStringLiteral("\n.control")), 1);
    }
};

QTEST_GUILESS_MAIN(TestSupplyNgspice)
#include "tst_supplyngspice.moc"
