// SPDX-License-Identifier: GPL-3.0-or-later
// The nodal solver through its stamps: circuits whose answers are known by
// hand (a divider, an RC at its corner, a singular and an ill-conditioned
// network), and on random well-conditioned systems the residual of what it
// returns.
#include "anodix/stages/nodal.h"

#include <QRandomGenerator>
#include <QTest>
#include <cmath>
#include <limits>
#include <numbers>

using anodix::stage::kDriveNode;
using anodix::stage::kGroundNode;
using anodix::stage::NodalSystem;
using Complex = std::complex<double>;

namespace {

// A part of a real test circuit: an admittance between two nodes, a single
// coefficient (row, column), or a current into a node.
struct Stamp
{
    enum Kind { Branch, Coefficient, Current } kind;
    int a = 0, b = 0;
    double value = 0;
};

} // namespace

Q_DECLARE_METATYPE(QList<Stamp>)

class NodalTest : public QObject
{
    Q_OBJECT

private slots:
    void knownCircuits_data()
    {
        QTest::addColumn<int>("nodes");
        QTest::addColumn<double>("drive");
        QTest::addColumn<QList<Stamp>>("stamps");
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<double>("tolerance");
        const double nan = std::numeric_limits<double>::quiet_NaN();

        // 10 V over 1 kΩ and 3 kΩ in S, the middle node at 7.5 V.
        QTest::newRow("divider from the drive")
            << 1 << 10.0 << QList<Stamp>{{Stamp::Branch, kDriveNode, 0, 1e-3}, {Stamp::Branch, 0, kGroundNode, 1 / 3e3}}
            << QList<double>{7.5} << 1e-12;
        // 2 mA into 1 kΩ in series with 1 kΩ to ground.
        QTest::newRow("current into a chain")
            << 2 << 1.0
            << QList<Stamp>{{Stamp::Branch, 0, 1, 1e-3}, {Stamp::Branch, 1, kGroundNode, 1e-3}, {Stamp::Current, 0, 0, 2e-3}}
            << QList<double>{4, 2} << 1e-12;
        QTest::newRow("nodes no part reaches hold zero")
            << 3 << 1.0 << QList<Stamp>{{Stamp::Branch, kDriveNode, 1, 1}, {Stamp::Branch, 1, kGroundNode, 1}}
            << QList<double>{0, 0.5, 0} << 1e-15;
        QTest::newRow("floating pair is singular")
            << 2 << 1.0 << QList<Stamp>{{Stamp::Branch, 0, 1, 1e-3}, {Stamp::Current, 0, 0, 1e-3}}
            << QList<double>{0, 0} << 0.0;
        // The third row is the sum of the first two, but rounding leaves its
        // pivot a few ε off zero: still singular, not a huge answer.
        QTest::newRow("singular within rounding")
            << 3 << 1.0
            << QList<Stamp>{{Stamp::Coefficient, 0, 0, 0.1}, {Stamp::Coefficient, 0, 1, 0.2}, {Stamp::Coefficient, 0, 2, 0.3},
                            {Stamp::Coefficient, 1, 0, 0.4}, {Stamp::Coefficient, 1, 1, 0.5}, {Stamp::Coefficient, 1, 2, 0.6},
                            {Stamp::Coefficient, 2, 0, 0.1 + 0.4}, {Stamp::Coefficient, 2, 1, 0.2 + 0.5},
                            {Stamp::Coefficient, 2, 2, 0.3 + 0.6}, {Stamp::Current, 0, 0, 1}, {Stamp::Current, 2, 0, 1}}
            << QList<double>{0, 0, 0} << 0.0;
        // 1 GΩ from the drive, 1 Ω across, 1 GΩ to ground (in GΩ and GS): a
        // condition number near 2e9, still regular.
        QTest::newRow("ill-conditioned but regular")
            << 2 << 1.0
            << QList<Stamp>{{Stamp::Branch, kDriveNode, 0, 1e-9}, {Stamp::Branch, 0, 1, 1},
                            {Stamp::Branch, 1, kGroundNode, 1e-9}}
            << QList<double>{(1 + 1e-9) / (2 + 1e-9), 1 / (2 + 1e-9)} << 1e-6;
        // A controlled current (a tube's gm into its anode) makes the matrix
        // unsymmetric: −gm·R at the anode for 1 V on the grid.
        QTest::newRow("transconductance into a resistor")
            << 2 << 1.0
            << QList<Stamp>{{Stamp::Branch, kDriveNode, 0, 1}, {Stamp::Coefficient, 1, 0, 2e-3},
                            {Stamp::Branch, 1, kGroundNode, 1e-4}}
            << QList<double>{1, -20} << 1e-12;
        QTest::newRow("infinite conductance gives no answer")
            << 2 << 1.0
            << QList<Stamp>{{Stamp::Branch, kDriveNode, 0, 1}, {Stamp::Branch, 0, 1, std::numeric_limits<double>::infinity()}}
            << QList<double>{nan, nan} << 0.0;
    }

    void knownCircuits()
    {
        QFETCH(int, nodes);
        QFETCH(double, drive);
        QFETCH(QList<Stamp>, stamps);
        QFETCH(QList<double>, expected);
        QFETCH(double, tolerance);
        NodalSystem<double> system(nodes, drive);
        for (const Stamp &s : stamps) {
            if (s.kind == Stamp::Branch)
                system.branch(s.a, s.b, s.value);
            else if (s.kind == Stamp::Coefficient)
                system.add(s.a, s.b, s.value);
            else
                system.inject(s.a, s.value);
        }
        const NodalSystem<double>::Voltages v = system.solve();
        for (int i = 0; i < NodalSystem<double>::kMaxNodes; ++i) {
            const double want = i < expected.size() ? expected[i] : 0.0;
            if (std::isnan(want))
                QVERIFY2(std::isnan(v[i]), qPrintable(QString::number(i)));
            else
                QVERIFY2(std::abs(v[i] - want) <= tolerance * std::max(1.0, std::abs(want)),
                         qPrintable(QStringLiteral("node %1: %2, not %3").arg(i).arg(v[i], 0, 'g', 17).arg(want)));
        }
    }

    // At f = 1/(2πRC) the capacitor's admittance equals the resistor's:
    // a low-pass gives 1/(1 + j), a high-pass j/(1 + j).
    void rcAtItsCorner_data()
    {
        QTest::addColumn<double>("ohms");
        QTest::addColumn<double>("farads");
        QTest::addColumn<bool>("highPass");
        QTest::addColumn<Complex>("expected");
        QTest::newRow("low-pass 10 kΩ 15.9 nF") << 1e4 << 15.9e-9 << false << Complex(0.5, -0.5);
        QTest::newRow("high-pass 1 MΩ 10 nF") << 1e6 << 10e-9 << true << Complex(0.5, 0.5);
        QTest::newRow("high-pass 470 kΩ 1 µF") << 470e3 << 1e-6 << true << Complex(0.5, 0.5);
    }

    void rcAtItsCorner()
    {
        QFETCH(double, ohms);
        QFETCH(double, farads);
        QFETCH(bool, highPass);
        QFETCH(Complex, expected);
        const Complex yc(0, 2 * std::numbers::pi * (1 / (2 * std::numbers::pi * ohms * farads)) * farads);
        NodalSystem<Complex> system(1);
        system.branch(kDriveNode, 0, highPass ? yc : 1 / ohms);
        system.branch(0, kGroundNode, highPass ? 1 / ohms : yc);
        const Complex v = system.solve()[0];
        QVERIFY2(std::abs(v - expected) < 1e-12, qPrintable(QStringLiteral("%1 %2j").arg(v.real()).arg(v.imag())));
    }

    // Diagonally dominant random systems of every size: what comes back
    // satisfies the equations to rounding, for real and complex coefficients.
    void randomSystemsLeaveNoResidual_data()
    {
        QTest::addColumn<bool>("complex");
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 23u, 4242u}) {
            QTest::addRow("real, seed %u", seed) << false << seed;
            QTest::addRow("complex, seed %u", seed) << true << seed;
        }
    }

    void randomSystemsLeaveNoResidual()
    {
        QFETCH(bool, complex);
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        const auto draw = [&] {
            const double re = random.bounded(2.0) - 1;
            return complex ? Complex(re, random.bounded(2.0) - 1) : Complex(re);
        };
        for (int trial = 0; trial < 200; ++trial) {
            const int n = 1 + trial % NodalSystem<Complex>::kMaxNodes;
            // Coefficients spread over six decades, as a circuit's are.
            const double scale = std::pow(10.0, random.bounded(6.0) - 3);
            std::vector<Complex> a(n * n), b(n);
            for (int r = 0; r < n; ++r) {
                for (int c = 0; c < n; ++c)
                    a[r * n + c] = scale * draw();
                a[r * n + r] += scale * n * 2.0;
                b[r] = draw();
            }
            NodalSystem<Complex> system(n, complex ? Complex(0.3, -0.7) : Complex(0.3));
            NodalSystem<double> real(n, 0.3);
            for (int r = 0; r < n; ++r) {
                for (int c = 0; c < n; ++c) {
                    system.add(r, c, a[r * n + c]);
                    real.add(r, c, a[r * n + c].real());
                }
                // The drive's column moves to the right side.
                system.add(r, kDriveNode, -b[r]);
                real.add(r, kDriveNode, -b[r].real());
            }
            const Complex drive = complex ? Complex(0.3, -0.7) : Complex(0.3);
            const NodalSystem<Complex>::Voltages x = system.solve();
            const NodalSystem<double>::Voltages xr = real.solve();
            for (int r = 0; r < n; ++r) {
                Complex residual = -b[r] * drive, residualReal = -b[r].real() * 0.3;
                double size = std::abs(b[r]);
                for (int c = 0; c < n; ++c) {
                    residual += a[r * n + c] * x[c];
                    residualReal += a[r * n + c].real() * xr[c];
                    size += std::abs(a[r * n + c]) * std::abs(x[c]);
                }
                QVERIFY2(std::abs(residual) <= 1e-13 * size, qPrintable(QStringLiteral("n %1 row %2").arg(n).arg(r)));
                if (!complex)
                    QVERIFY(std::abs(residualReal) <= 1e-13 * size);
            }
            for (int i = n; i < NodalSystem<Complex>::kMaxNodes; ++i)
                QCOMPARE(x[i], Complex(0));
        }
    }
};

QTEST_GUILESS_MAIN(NodalTest)
#include "tst_nodal.moc"
