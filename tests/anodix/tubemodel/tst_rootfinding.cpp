// SPDX-License-Identifier: GPL-3.0-or-later
// The root search from a guess: the same root as the search over the whole
// range wherever the guess lies, an end where the sign never changes, and an
// answer (never a hang) for a function that is not finite.
#include "anodix/tubemodel/rootfinding.h"

#include <QTest>
#include <cmath>
#include <limits>

using namespace anodix::model;

class TestRootFinding : public QObject
{
    Q_OBJECT

private slots:
    void searchFromAGuessFindsTheRoot_data()
    {
        QTest::addColumn<int>("function");
        QTest::addColumn<double>("guess");
        QTest::addColumn<double>("step");
        QTest::addColumn<double>("expected");
        // 0: x³ + x − 10 on [0, 100], root 2; 1: −1 everywhere; 2: +1 everywhere;
        // 3: NaN above 5, x − 3 below; 4: steep, tanh(50·(x − 7)).
        QTest::newRow("guess below the root, a small step") << 0 << 0.5 << 1e-6 << 2.0;
        QTest::newRow("guess above the root") << 0 << 60.0 << 0.1 << 2.0;
        QTest::newRow("guess on the root") << 0 << 2.0 << 0.1 << 2.0;
        QTest::newRow("guess outside the range searches it all") << 0 << -5.0 << 0.1 << 2.0;
        QTest::newRow("no step searches it all") << 0 << 1.0 << 0.0 << 2.0;
        QTest::newRow("negative everywhere gives the upper end") << 1 << 50.0 << 1.0 << 100.0;
        QTest::newRow("positive everywhere gives the lower end") << 2 << 50.0 << 1.0 << 0.0;
        // A value that is not finite hands over to the search over the whole
        // range, which takes an end whose value is not finite for no sign change.
        QTest::newRow("not finite past the bracket") << 3 << 2.0 << 4.0 << 100.0;
        QTest::newRow("not finite at the guess") << 3 << 8.0 << 1.0 << 100.0;
        QTest::newRow("steep root far from the guess") << 4 << 0.1 << 1e-9 << 7.0;
    }
    void searchFromAGuessFindsTheRoot()
    {
        QFETCH(int, function);
        QFETCH(double, guess);
        QFETCH(double, step);
        QFETCH(double, expected);
        int calls = 0;
        const auto f = [&](double x) {
            ++calls;
            switch (function) {
            case 0:
                return x * x * x + x - 10;
            case 1:
                return -1.0;
            case 2:
                return 1.0;
            case 3:
                return x > 5 ? std::numeric_limits<double>::quiet_NaN() : x - 3;
            default:
                return std::tanh(50 * (x - 7));
            }
        };
        const double root = increasingRootNear(f, guess, step, 0, 100, 1e-12);
        QVERIFY2(std::abs(root - expected) <= 1e-9 * std::max(1.0, expected), qPrintable(QString::number(root, 'g', 17)));
        // Doubling from any step spans the range in well under a hundred calls, then Brent's method.
        QVERIFY2(calls < 300, qPrintable(QString::number(calls)));
        QVERIFY(std::abs(root - increasingRoot(f, 0, 100, 1e-12)) <= 1e-9 * std::max(1.0, expected));
    }
};

QTEST_APPLESS_MAIN(TestRootFinding)
#include "tst_rootfinding.moc"
