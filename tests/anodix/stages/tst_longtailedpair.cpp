// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair through its public functions: one worked design, then
// what must hold for any pair (Kirchhoff at rest, the outputs' gains adding
// up to what the sections' μ and Ri allow, the inverting output the larger,
// the swing's limit met exactly where it is reported, the balancing
// resistor), and bad input refused with nothing shown.
#include "anodix/stages/longtailedpair.h"

#include <QFile>
#include <QTest>
#include <cmath>

using namespace anodix;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

QStringList recordOf(const QString &tube)
{
    QFile file(QStringLiteral(ANODIX_DATA_DIR "/bd/triod/") + tube + QStringLiteral(".lamp"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

model::TubeFigures figuresOf(const QStringList &record)
{
    model::TubeFigures f;
    f.ua0 = record.value(2).toDouble();
    f.ia0 = record.value(3).toDouble();
    f.uc = record.value(4).toDouble();
    f.s = record.value(5).toDouble();
    f.mu = record.value(6).toDouble();
    f.ri = record.value(7).toDouble();
    return f;
}

double imbalance(const std::array<double, 2> &k)
{
    return (std::abs(k[0]) - std::abs(k[1])) / std::abs(k[0]);
}

} // namespace

class LongTailedPairTest : public QObject
{
    Q_OBJECT

private slots:
    void workedDesignShowsItsFigures()
    {
        const StageResult r = CalculateLongTailedPair(
            {"300", "100", "22", "", "1000", "20", "470"}, LoadedTube{recordOf("ECC83")}, pointLocale);
        QVERIFY(!r.message);
        const QList<DisplayUpdate> expected{
            {"R1", "1000"},    {"Rb", "0.833"},   {"Ia", "0.87"},     {"Ua", "173.3"},  {"Ugk", "-1.45"},       {"Uk", "39.7"},
            {"Ku1", "-27.98"}, {"Ku2", "26.26"},   {"Dk", "6.2"},    {"Ra2", "108"},         {"Uvh", "2.01"},
            {"Uvyh1", "53.9"}, {"Uvyh2", "50.5"},  {"Ogr", "отсечка VL1"}, {"C1", "0.00938"}, {"C2", "0.0938"},
            {"C3", "0.02"},    {"Vt", "2.41"}};
        QCOMPARE(r.updates, expected);
    }

    void commaLocaleReadsAndShowsCommas()
    {
        const StageResult point = CalculateLongTailedPair({"250", "33", "22", "-100", "1000", "20", "470"},
                                                          LoadedTube{recordOf("6Н1П")}, pointLocale);
        const StageResult comma = CalculateLongTailedPair({"250", "33", "22", "-100", "1000", "20", "470"},
                                                          LoadedTube{recordOf("6Н1П")}, commaLocale);
        QVERIFY(!point.message && !comma.message);
        QCOMPARE(comma.updates.size(), point.updates.size());
        for (int i = 0; i < point.updates.size(); ++i) {
            QCOMPARE(comma.updates[i].output, point.updates[i].output);
            QCOMPARE(comma.updates[i].text, QString(point.updates[i].text).replace(u'.', u','));
        }
    }

    void pairInvariants_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<double>("ea");
        QTest::addColumn<double>("ra");
        QTest::addColumn<double>("tail");
        QTest::addColumn<double>("eneg");
        QTest::newRow("ECC83 to ground") << "ECC83" << 300.0 << 100.0 << 22.0 << 0.0;
        QTest::newRow("ECC83 to -150 V") << "ECC83" << 300.0 << 100.0 << 47.0 << -150.0;
        QTest::newRow("ECC83 short tail") << "ECC83" << 250.0 << 220.0 << 2.2 << 0.0;
        QTest::newRow("12AU7 to ground") << "12AU7" << 300.0 << 22.0 << 10.0 << 0.0;
        QTest::newRow("12AU7 to -300 V") << "12AU7" << 300.0 << 22.0 << 33.0 << -300.0;
        QTest::newRow("6Н1П to -100 V") << "6Н1П" << 250.0 << 33.0 << 22.0 << -100.0;
        QTest::newRow("6SN7 to ground") << "6SN7" << 350.0 << 47.0 << 22.0 << 0.0;
        QTest::newRow("ECC81 to -50 V, low supply") << "ECC81" << 150.0 << 47.0 << 15.0 << -50.0;
    }

    void pairInvariants()
    {
        QFETCH(QString, tube);
        QFETCH(double, ea);
        QFETCH(double, ra);
        QFETCH(double, tail);
        QFETCH(double, eneg);
        const model::TubeFigures figures = figuresOf(recordOf(tube));
        QVERIFY(figures.mu > 0);
        const model::TubeModel model(model::TubeType::Triode, figures);
        stage::LongTailedPairCircuit c{ea, ra, ra, tail, 0, eneg, 1000, 470};
        if (c.toGround())
            c.bias = stage::pairBiasResistor(figures);
        const stage::LongTailedPairRest rest = stage::solveLongTailedPairRest(model, c);
        QVERIFY(rest.found);

        // At rest: each section on its curve and its load line, the tail
        // carrying both, the grids below the cathode.
        double sum = 0;
        for (const stage::PairSection &s : rest.sections) {
            QVERIFY(qAbs(s.ia - model.anodeCurrent(s.ua, s.ugk)) < 1e-6 * s.ia);
            QVERIFY(qAbs(ea - s.ia * ra - s.ua - rest.cathode) < 1e-6 * ea);
            QVERIFY(s.ugk < 0);
            sum += s.ia;
        }
        QVERIFY(qAbs(rest.tailCurrent - sum) < 1e-6 * sum);
        QCOMPARE(rest.sections[0].ia, rest.sections[1].ia);

        // The anodes' signal currents differ by μ·u/(Ri + RL) whatever the
        // tail, so the two gains add up to μ·RL/(Ri + RL) at the point; the
        // inverting output takes the larger share, the follower the rest.
        const std::array<double, 2> k = stage::longTailedPairMidBand(c, rest);
        const stage::PairSection &s = rest.sections[0];
        const double rl = ra * c.rn / (ra + c.rn), ri = 1 / s.ga, mu = s.gm / s.ga;
        QVERIFY2(qAbs(std::abs(k[0]) + std::abs(k[1]) - mu * rl / (ri + rl)) < 1e-6 * mu,
                 qPrintable(QStringLiteral("%1 + %2 against %3").arg(k[0]).arg(k[1]).arg(mu * rl / (ri + rl))));
        QVERIFY(k[0] < 0 && k[1] > 0);
        QVERIFY(std::abs(k[0]) > std::abs(k[1]));
        QVERIFY(std::abs(k[0]) < mu);

        // A longer tail balances the pair better.
        stage::LongTailedPairCircuit longer = c;
        longer.tail = 2 * tail;
        longer.eneg = c.toGround() ? 0 : 2 * eneg; // the same current through twice the tail
        const stage::LongTailedPairRest longerRest = stage::solveLongTailedPairRest(model, longer);
        QVERIFY(longerRest.found);
        QVERIFY(imbalance(stage::longTailedPairMidBand(longer, longerRest)) < imbalance(k));

        // The swing: its limit is met at the drive reported and not below it.
        const stage::PairSwing swing = stage::largestLongTailedPairSwing(model, c, rest);
        QVERIFY(swing.limit != stage::PairLimit::None);
        QCOMPARE(stage::driveLongTailedPair(model, c, rest, 0.99 * swing.drive).limit, stage::PairLimit::None);
        QVERIFY(stage::driveLongTailedPair(model, c, rest, 1.01 * swing.drive).limit != stage::PairLimit::None);
        for (int n = 0; n < 2; ++n) {
            QVERIFY(swing.output[n] > 0);
            QVERIFY(swing.output[n] < ea - rest.cathode); // an anode swings between its cathode and the supply
        }
        // Small drive: the period's fundamental is the small-signal gain.
        const stage::PairSwing small = stage::driveLongTailedPair(model, c, rest, 1e-3);
        for (int n = 0; n < 2; ++n)
            QVERIFY(qAbs(small.output[n] / 1e-3 - std::abs(k[n])) < 0.01 * std::abs(k[n]));

        // The capacitors for Fmin: the weaker output 3 dB down there, from an
        // ideal source, all of them at once.
        const double fmin = 20;
        const stage::PairCapacitors caps = stage::pairCapacitorsFor(c, rest, fmin);
        stage::PairSignalParts parts;
        parts.c1 = caps.input * 1e-6;
        parts.c2 = caps.bypass * 1e-6;
        parts.cout = caps.output * 1e-6;
        const auto atFmin = stage::longTailedPairTransfer(c, rest, parts, fmin);
        const double weaker = std::min(std::abs(atFmin[0] / k[0]), std::abs(atFmin[1] / k[1]));
        QVERIFY2(qAbs(weaker - std::sqrt(0.5)) < 1e-4, qPrintable(QString::number(weaker)));
        QVERIFY(caps.input > 1000 / (2 * M_PI * fmin * c.r1)); // more than each alone would need

        // The balancing resistor lifts the follower's gain to the inverting
        // one's; where none up to ten times Ra does, even that one falls short.
        const double ra2 = stage::balancingAnodeResistor(model, c);
        stage::LongTailedPairCircuit balanced = c;
        balanced.ra2 = ra2 > 0 ? ra2 : 10 * ra;
        const std::array<double, 2> even =
            stage::longTailedPairMidBand(balanced, stage::solveLongTailedPairRest(model, balanced));
        if (ra2 > 0) {
            QVERIFY(ra2 > ra);
            QVERIFY2(qAbs(imbalance(even)) < 1e-6, qPrintable(QString::number(imbalance(even))));
        } else {
            QVERIFY(imbalance(even) > 0);
        }
    }

    void badInputChangesNothing_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("tube");
        QTest::addColumn<QString>("message");
        const QStringList good{"300", "100", "22", "", "1000", "20", "470"};
        const auto with = [&](int i, const QString &text) {
            QStringList t = good;
            t[i] = text;
            return t;
        };
        QTest::newRow("Ea not a number") << with(0, "abc") << "ECC83" << "Ошибка ввода";
        QTest::newRow("Ra zero") << with(1, "0") << "ECC83" << "Ra должно быть больше нуля";
        QTest::newRow("tail negative") << with(2, "-22") << "ECC83" << "Rхв должно быть больше нуля";
        QTest::newRow("tail supply not a number") << with(3, "минус") << "ECC83" << "Ошибка ввода";
        QTest::newRow("R1 past 10 MΩ") << with(4, "20000") << "ECC83" << "R1";
        QTest::newRow("Fmin absurd") << with(5, "1e9") << "ECC83" << "Fmin";
        QTest::newRow("load zero") << with(6, "0") << "ECC83" << "Rн должно быть больше нуля";
        QTest::newRow("Ea absurd") << with(0, "1e300") << "ECC83" << "Ea";
        QTest::newRow("no tube picked") << good << "" << "Ошибка ввода";
        QTest::newRow("grids above their cathode")
            << QStringList{"300", "22", "1", "-300", "1000", "20", "470"} << "12AU7" << "Сетки положительны";
    }

    void badInputChangesNothing()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, tube);
        QFETCH(QString, message);
        const StageResult r = CalculateLongTailedPair({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6]},
                                                      LoadedTube{tube.isEmpty() ? QStringList() : recordOf(tube)},
                                                      pointLocale);
        QVERIFY(r.updates.isEmpty());
        QVERIFY(r.message);
        QCOMPARE(r.message->title, QStringLiteral("Ошибка"));
        QVERIFY2(r.message->text.contains(message), qPrintable(r.message->text));
    }
};

QTEST_GUILESS_MAIN(LongTailedPairTest)
#include "tst_longtailedpair.moc"
