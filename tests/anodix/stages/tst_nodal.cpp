// SPDX-License-Identifier: GPL-3.0-or-later
// The nodal solver: circuits whose answers are known by hand, then the
// residual of its answers on random well-conditioned systems.
#include "anodix/stages/nodal.h"

#include <QRandomGenerator>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <limits>
#include <type_traits>
#include <vector>

using namespace anodix::stage;
using Complex = std::complex<double>;

namespace {
// An admittance between two nodes, or one coefficient (row a, column b).
struct Part
{
    int a, b;
    Complex y;
    bool branch = true;
};
constexpr int D = kDriveNode, G = kGroundNode;
const Complex j(0, 1);
const double kNan = std::numeric_limits<double>::quiet_NaN();

template <typename Scalar>
typename NodalSystem<Scalar>::Voltages solved(int nodes, const QList<Part> &parts, Scalar (*value)(Complex))
{
    NodalSystem<Scalar> system(nodes);
    for (const Part &p : parts)
        p.branch ? system.branch(p.a, p.b, value(p.y)) : system.add(p.a, p.b, value(p.y));
    return system.solve();
}
} // namespace

Q_DECLARE_METATYPE(QList<Part>)

class NodalTest : public QObject
{
    Q_OBJECT

private slots:
    void knownCircuits_data()
    {
        QTest::addColumn<int>("nodes");
        QTest::addColumn<QList<Part>>("parts");
        QTest::addColumn<QList<Complex>>("expected");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("1 k over 3 k; nodes no part reaches hold 0 V")
            << 3 << QList<Part>{{D, 1, 1e-3}, {1, G, 1 / 3e3}} << QList<Complex>{0, 0.75, 0} << 1e-15;
        // At the corner the capacitor's admittance is j times the resistor's.
        QTest::newRow("RC low-pass at its corner") << 1 << QList<Part>{{D, 0, 1e-4}, {0, G, 1e-4 * j}}
                                                   << QList<Complex>{Complex(0.5, -0.5)} << 1e-15;
        QTest::newRow("RC high-pass at its corner") << 1 << QList<Part>{{D, 0, 1e-6 * j}, {0, G, 1e-6}}
                                                    << QList<Complex>{Complex(0.5, 0.5)} << 1e-15;
        QTest::newRow("2 mA/V into 10 kΩ") << 2 << QList<Part>{{D, 0, 1}, {1, 0, 2e-3, false}, {1, G, 1e-4}}
                                           << QList<Complex>{1, -20} << 1e-14;
        QTest::newRow("floating pair is singular") << 2 << QList<Part>{{0, 1, 1e-3}, {0, D, -1e-3, false}}
                                                   << QList<Complex>{0, 0} << 0.0;
        // The third row is the sum of the others; rounding leaves its pivot a few ε off zero.
        QTest::newRow("singular within rounding")
            << 3
            << QList<Part>{{0, 0, 0.1, false},       {0, 1, 0.2, false},       {0, 2, 0.3, false},
                           {1, 0, 0.4, false},       {1, 1, 0.5, false},       {1, 2, 0.6, false},
                           {2, 0, 0.1 + 0.4, false}, {2, 1, 0.2 + 0.5, false}, {2, 2, 0.3 + 0.6, false},
                           {0, D, -1, false}}
            << QList<Complex>{0, 0, 0} << 0.0;
        // 1 GΩ from the drive, 1 Ω across, 1 GΩ to ground: condition near 2e9.
        QTest::newRow("ill-conditioned but regular") << 2 << QList<Part>{{D, 0, 1e-9}, {0, 1, 1}, {1, G, 1e-9}}
                                                     << QList<Complex>{(1 + 1e-9) / (2 + 1e-9), 1 / (2 + 1e-9)} << 1e-6;
        QTest::newRow("infinite conductance gives no answer")
            << 2 << QList<Part>{{D, 0, 1}, {0, 1, std::numeric_limits<double>::infinity()}} << QList<Complex>{kNan, kNan}
            << 0.0;
    }

    void knownCircuits()
    {
        QFETCH(int, nodes);
        QFETCH(QList<Part>, parts);
        QFETCH(QList<Complex>, expected);
        QFETCH(double, tolerance);
        const bool real = std::all_of(parts.begin(), parts.end(), [](const Part &p) { return p.y.imag() == 0; });
        const auto v = solved<Complex>(nodes, parts, [](Complex y) { return y; });
        const auto vr = solved<double>(nodes, parts, [](Complex y) { return y.real(); });
        for (int i = 0; i < NodalSystem<Complex>::kMaxNodes; ++i) {
            const Complex want = expected.value(i);
            const auto near = [&](Complex got) {
                return std::isnan(want.real()) ? std::isnan(got.real()) : std::abs(got - want) <= tolerance;
            };
            QVERIFY2(near(v[i]), qPrintable(QStringLiteral("node %1: %2%3j").arg(i).arg(v[i].real()).arg(v[i].imag())));
            QVERIFY2(!real || near(vr[i]), qPrintable(QStringLiteral("real, node %1: %2").arg(i).arg(vr[i])));
        }
    }

    void randomSystemsLeaveNoResidual_data()
    {
        QTest::addColumn<bool>("complex");
        QTest::newRow("real") << false;
        QTest::newRow("complex") << true;
    }

    void randomSystemsLeaveNoResidual()
    {
        QFETCH(bool, complex);
        complex ? residualsOf<Complex>(Complex(0.3, -0.7)) : residualsOf<double>(0.3);
    }

private:
    // Diagonally dominant, coefficients over six decades as a circuit's are.
    template <typename Scalar>
    void residualsOf(Scalar drive)
    {
        QRandomGenerator random(23);
        const auto draw = [&] {
            Scalar v = random.bounded(2.0) - 1;
            if constexpr (std::is_same_v<Scalar, Complex>)
                v += Complex(0, random.bounded(2.0) - 1);
            return v;
        };
        for (int trial = 0; trial < 600; ++trial) {
            const int n = 1 + trial % NodalSystem<Scalar>::kMaxNodes;
            const double scale = std::pow(10.0, random.bounded(6.0) - 3);
            std::vector<Scalar> a(n * n + n); // the coefficients, then the drive's column
            for (int k = 0; k < n * n + n; ++k)
                a[k] = (k < n * n ? scale : 1) * draw() + (k < n * n && k % (n + 1) == 0 ? 2.0 * n * scale : 0);
            NodalSystem<Scalar> system(n, drive);
            for (int k = 0; k < n * n + n; ++k)
                system.add(k < n * n ? k / n : k - n * n, k < n * n ? k % n : D, a[k]);
            const typename NodalSystem<Scalar>::Voltages x = system.solve();
            for (int r = 0; r < n; ++r) {
                Scalar residual = a[n * n + r] * drive;
                double size = std::abs(residual);
                for (int c = 0; c < n; ++c) {
                    residual += a[r * n + c] * x[c];
                    size += std::abs(a[r * n + c] * x[c]);
                }
                QVERIFY2(std::abs(residual) <= 1e-14 * size, qPrintable(QStringLiteral("n %1, row %2").arg(n).arg(r)));
            }
            if (n < NodalSystem<Scalar>::kMaxNodes)
                QCOMPARE(x[n], Scalar(0));
        }
    }
};

QTEST_GUILESS_MAIN(NodalTest)
#include "tst_nodal.moc"
