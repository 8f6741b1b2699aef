// SPDX-License-Identifier: GPL-3.0-or-later
// The cathode follower and the split-load phase splitter on bundled triodes:
// the physics they must obey (one current through the tube and both loads,
// gains below μ/(μ+1), R1 lifted by the tap, the largest drive where the
// period first meets grid current or cut-off), one worked row per stage, and
// bad input that changes nothing.
#include "anodix/stages/followers.h"
#include "anodix/tubedb/modelstore.h"
#include "anodix/tubedb/tuberecord.h"

#include <QTest>
#include <algorithm>
#include <cmath>

using namespace anodix;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

LoadedTube bundled(const QString &name, bool withModel)
{
    const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    LoadedTube tube{db.ReadTubeRecord(TubeClass::Triode, name + QStringLiteral(".lamp")).lines};
    if (withModel)
        tube.model = ReadTubeModel(db, TubeClass::Triode, name + QStringLiteral(".lamp")).model;
    return tube;
}

model::TubeFigures figuresOf(const LoadedTube &tube)
{
    const auto n = [&](int i) { return tube.lines.value(i).toDouble(); };
    model::TubeFigures f{n(2), n(3), n(4), n(5), n(6), n(7)};
    f.model = tube.model;
    return f;
}

double parallel(double a, double b)
{
    return a * b / (a + b);
}

} // namespace

class TestFollowers : public QObject
{
    Q_OBJECT

private slots:
    // Both stages on the same tubes: r is the splitter's anode and cathode
    // load, zero for the follower (rk then its whole cathode resistor).
    void theStagesObeyTheirPhysics_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<bool>("model");
        QTest::addColumn<double>("ea");
        QTest::addColumn<double>("r");  // splitter: the equal loads; follower: 0
        QTest::addColumn<double>("rk"); // follower: the whole cathode resistor
        QTest::addColumn<double>("r1");
        QTest::addColumn<double>("rl");
        QTest::newRow("follower ECC83, light load") << "ECC83" << false << 250.0 << 0.0 << 100.0 << 1000.0 << 470.0;
        QTest::newRow("follower ECC83, heavy load") << "ECC83" << false << 250.0 << 0.0 << 47.0 << 1000.0 << 10.0;
        QTest::newRow("follower 6Н1П") << "6Н1П" << false << 250.0 << 0.0 << 22.0 << 470.0 << 47.0;
        QTest::newRow("follower 12AU7 into a cable") << "12AU7" << false << 300.0 << 0.0 << 22.0 << 1000.0 << 2.0;
        QTest::newRow("follower 6DJ8, fitted model") << "6DJ8" << true << 200.0 << 0.0 << 15.0 << 470.0 << 100.0;
        QTest::newRow("splitter ECC83") << "ECC83" << false << 300.0 << 100.0 << 0.0 << 1000.0 << 470.0;
        QTest::newRow("splitter 6Н1П") << "6Н1П" << false << 300.0 << 22.0 << 0.0 << 470.0 << 220.0;
        QTest::newRow("splitter 12AU7, heavy loads") << "12AU7" << false << 350.0 << 22.0 << 0.0 << 1000.0 << 47.0;
        QTest::newRow("splitter 6DJ8, fitted model") << "6DJ8" << true << 250.0 << 22.0 << 0.0 << 470.0 << 220.0;
    }

    void theStagesObeyTheirPhysics()
    {
        QFETCH(QString, tube);
        QFETCH(bool, model);
        QFETCH(double, ea);
        QFETCH(double, r);
        QFETCH(double, rk);
        QFETCH(double, r1);
        QFETCH(double, rl);
        const LoadedTube loaded = bundled(tube, model);
        QVERIFY(!loaded.lines.isEmpty());
        QCOMPARE(bool(loaded.model), model);
        const model::TubeFigures f = figuresOf(loaded);
        const model::TubeModel tubeModel(model::TubeType::Triode, f);
        QVERIFY(tubeModel.valid());
        const bool splitter = r > 0;
        stage::FollowerCircuit c;
        c.ea = ea;
        c.rb = std::abs(f.uc) / f.ia0;
        c.ra = splitter ? r : 0;
        c.rk = splitter ? r : rk - c.rb;
        c.r1 = r1;
        c.rl = rl;
        const stage::FollowerPoint p = stage::solveFollower(tubeModel, c);
        qInfo("%s: Iq %.4g mA, Ugq %.4g V, Uq %.4g V, Kk %.4g, Ka %.4g, Rk out %.4g, Ra out %.4g kOhm, Rin %.4g kOhm, "
              "drive %.4g V (%s), swing %.4g/%.4g V",
              qPrintable(tube), p.iq, p.ugq, p.uq, p.cathodeGain, p.anodeGain, p.cathodeOut, p.anodeOut, p.rin,
              p.maxDrive, p.limit == stage::SwingLimit::GridCurrent ? "grid" : "cut-off", p.cathodeSwing,
              p.anodeSwing);

        // At rest: the model's current at its own voltages, the bias its own drop.
        QVERIFY(p.iq > 0);
        QVERIFY(std::abs(tubeModel.anodeCurrent(p.uq, p.ugq) - p.iq) < 1e-6 * p.iq);
        QVERIFY(std::abs(p.ugq + p.iq * c.rb) < 1e-9 * ea);
        QVERIFY(std::abs(p.uq - (ea - p.iq * (c.ra + c.rb + c.rk))) < 1e-9 * ea);

        // One signal current through the tube: the gains are set by the loads
        // it meets. A follower's is μ·Z / (Ri + (μ + 1)·Z); R1's current into
        // the tap moves it by less than a percent.
        const double mu = p.gm / p.ga, ri = 1 / p.ga;
        const double zk = parallel(c.rb + c.rk, rl);
        const double ceiling = mu / (mu + 1);
        QVERIFY(p.cathodeGain > 0 && p.cathodeGain < ceiling);
        if (splitter) {
            const double za = parallel(c.ra, rl);
            QVERIFY(p.anodeGain < 0 && -p.anodeGain < ceiling);
            // The cathode's output also carries the bias resistor: it is the larger.
            const double imbalance = (p.cathodeGain + p.anodeGain) / -p.anodeGain;
            QVERIFY2(imbalance > 0, qPrintable(QString::number(imbalance)));
            QVERIFY2(std::abs((1 + imbalance) / (zk / za) - 1) < 0.01, qPrintable(QString::number(imbalance)));
            QVERIFY(std::abs(-p.anodeGain - mu * za / (ri + za + (mu + 1) * zk)) < 0.01 * -p.anodeGain);
            QVERIFY(p.anodeOut > p.cathodeOut);
            QVERIFY(p.anodeOut < c.ra);
        } else {
            QCOMPARE(p.anodeGain, 0.0);
            QVERIFY(std::abs(p.cathodeGain - mu * zk / (ri + (mu + 1) * zk)) < 0.01 * p.cathodeGain);
            // The cathode seen from the load: the resistor beside 1/(S + 1/Ri).
            const double expected = parallel(c.rb + c.rk, 1 / (p.gm + p.ga));
            QVERIFY2(std::abs(p.cathodeOut / expected - 1) < 0.02, qPrintable(QString::number(expected)));
        }
        // R1's far end follows the tap, which follows the cathode.
        const double lifted = r1 / (1 - p.cathodeGain * c.rk / (c.rb + c.rk));
        QVERIFY(p.rin > r1);
        QVERIFY2(std::abs(p.rin / lifted - 1) < 0.02, qPrintable(QString::number(lifted)));

        // The largest drive: just below it the period is clean, just above it
        // the grid draws current at the crest or the tube cuts off at the trough.
        QVERIFY(p.maxDrive > std::abs(p.ugq));
        constexpr int crest = stage::kCycleSteps / 4, trough = 3 * stage::kCycleSteps / 4;
        const stage::FollowerCycle below = stage::followerCycle(tubeModel, c, 0.999 * p.maxDrive);
        const stage::FollowerCycle above = stage::followerCycle(tubeModel, c, 1.001 * p.maxDrive);
        QVERIFY(*std::max_element(below.ugk.begin(), below.ugk.end()) <= 0);
        QVERIFY(below.ia[trough] > 0);
        if (p.limit == stage::SwingLimit::GridCurrent)
            QVERIFY(above.ugk[crest] > 0);
        else
            QVERIFY(above.ia[trough] < 1e-3); // the model's cut-off: under 1 µA
        for (int i = 0; i < stage::kCycleSteps; ++i) {
            QVERIFY(below.ia[i] >= 0);
            QVERIFY(below.uak[i] > 0);
        }
        // The mean current is the capacitors' balance: each output's mean is zero.
        QVERIFY(std::abs(stage::meanOf(below.cathodeOut)) < 1e-6 * p.cathodeSwing + 1e-9);
        QVERIFY(std::abs(stage::meanOf(below.ia) - below.meanCurrent) < 1e-6 * p.iq);
        // Each swing about its gain times the drive: the period is nearly clean.
        QVERIFY(std::abs(p.cathodeSwing / (p.cathodeGain * p.maxDrive) - 1) < 0.1);
        if (splitter)
            QVERIFY(std::abs(p.anodeSwing / (-p.anodeGain * p.maxDrive) - 1) < 0.1);
    }

    // One worked row per stage, as the windows show it in both locales.
    void aWorkedStageShowsItsFigures_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("splitter");
        QTest::addColumn<QStringList>("expected");
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            // ECC83 at 250 V on 100 kΩ into 470 kΩ; the splitter at 300 V on 100 kΩ each.
            const QStringList follower{"R1=1000",  "R2=1.667", "R3=98.333", "C1=0.0002744", "C2=0.01691",
                                       "Uq=166.1", "Iq=0.839", "Ugq=-1.4",  "Uk=83.9",      "Ku=0.982",
                                       "Rvyh=692", "Cvh=1.73", "Uvh=51.3",  "Ogr=отсечка тока", "Vt=2.1"};
            const QStringList splitter{"R1=1000",     "R2=1.667",    "R3=100",       "R4=100",     "C1=0.0003468",
                                       "C2=0.01399",  "C3=0.01688",  "Uq=146.9",     "Iq=0.759",   "Ugq=-1.27",
                                       "Kua=0.956",   "Kuk=0.972",   "Nebalans=1.75", "Rvyha=98700", "Rvyhk=1510",
                                       "Uvyha=31.4",  "Uvyhk=31.8",  "Ogr=сеточный ток", "Vt=2.12"};
            QTest::addRow("follower ECC83 (%s)", qPrintable(locale.name())) << locale << false << follower;
            QTest::addRow("splitter ECC83 (%s)", qPrintable(locale.name())) << locale << true << splitter;
        }
    }

    void aWorkedStageShowsItsFigures()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, splitter);
        QFETCH(QStringList, expected);
        const LoadedTube tube = bundled(QStringLiteral("ECC83"), false);
        const auto text = [&](const char *t) { return QString::fromLatin1(t).replace(u'.', locale.decimalPoint()); };
        const StageResult result =
            splitter ? CalculateSplitLoadStage({text("300"), text("100"), text("1000"), text("20"), text("470")}, tube,
                                               locale)
                     : CalculateCathodeFollowerStage({text("250"), text("100"), text("1000"), text("20"), text("470")},
                                                     tube, {1.6, 1.7}, locale);
        QVERIFY(!result.message);
        QStringList got;
        for (const DisplayUpdate &u : result.updates)
            got << u.output + u'=' + u.text;
        qInfo("%s", qPrintable(got.join(u' ')));
        QStringList localised;
        for (const QString &e : expected)
            localised << QString(e).replace(u'.', locale.decimalPoint());
        QCOMPARE(got, localised);
    }

    // Bad input: a clear message, no output changed.
    void badInputChangesNothing_data()
    {
        QTest::addColumn<bool>("splitter");
        QTest::addColumn<QStringList>("typed"); // Ea, Rk or R, R1, Fmin, Rн
        QTest::addColumn<QString>("tube");      // empty: none picked
        QTest::addColumn<QString>("message");
        const QString inputError = QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа");
        const QString zero = QStringLiteral("Ошибка: Деление на ноль. Проверьте исходные данные");
        const QStringList good{"250", "47", "1000", "20", "100"};
        for (const bool splitter : {false, true}) {
            const char *stage = splitter ? "splitter" : "follower";
            QTest::addRow("%s, no tube", stage) << splitter << good << "" << inputError;
            QTest::addRow("%s, text in Ea", stage) << splitter << QStringList{"abc", "47", "1000", "20", "100"}
                                                   << "ECC83" << inputError;
            QTest::addRow("%s, empty Rн", stage) << splitter << QStringList{"250", "47", "1000", "20", ""} << "ECC83"
                                                 << inputError;
            QTest::addRow("%s, zero R1", stage) << splitter << QStringList{"250", "47", "0", "20", "100"} << "ECC83"
                                                << zero;
            QTest::addRow("%s, zero load resistor", stage) << splitter << QStringList{"250", "0", "1000", "20", "100"}
                                                           << "ECC83" << zero;
            QTest::addRow("%s, negative Fmin", stage)
                << splitter << QStringList{"250", "47", "1000", "-20", "100"} << "ECC83"
                << "Ошибка: Значение Fmin должно быть больше нуля. Проверьте исходные данные";
            QTest::addRow("%s, absurd Ea", stage)
                << splitter << QStringList{"1e9", "47", "1000", "20", "100"} << "ECC83"
                << "Ошибка: Значение вне допустимого диапазона: Ea = 1000000000 В, допустимо от 1 до 100000 В. "
                   "Проверьте исходные данные";
            QTest::addRow("%s, infinite Rн", stage) << splitter << QStringList{"250", "47", "1000", "20", "inf"}
                                                    << "ECC83" << inputError;
            QTest::addRow("%s, the tube cut off at 1 V", stage)
                << splitter << QStringList{"1", "47", "1000", "20", "100"} << "6Н1П"
                << "Рабочая точка не найдена: лампа заперта при этом напряжении питания";
        }
        // A grid leak of 1 kΩ against 220 kΩ below the tap (the fuzzer's
        // finding stages-splitter-in-phase, on the 6AS7G of μ 2).
        QTest::newRow("splitter, R1 far below the cathode load")
            << true << QStringList{"250", "220", "1", "20", "100"} << "6AS7G"
            << "Анодный выход не инвертирует сигнал: R1 слишком мал по сравнению с сопротивлением в цепи катода; "
               "увеличьте R1";
        // The ECC83's bias resistor is 2 V / 1.2 mA = 1.67 kΩ.
        QTest::newRow("follower, cathode resistor below the bias resistor")
            << false << QStringList{"250", "1.5", "1000", "20", "100"} << "ECC83"
            << "Сопротивление в цепи катода должно быть больше резистора смещения R2 = 1.67 кОм";
    }

    void badInputChangesNothing()
    {
        QFETCH(bool, splitter);
        QFETCH(QStringList, typed);
        QFETCH(QString, tube);
        QFETCH(QString, message);
        const LoadedTube loaded = tube.isEmpty() ? LoadedTube{} : bundled(tube, false);
        const StageResult result =
            splitter ? CalculateSplitLoadStage({typed[0], typed[1], typed[2], typed[3], typed[4]}, loaded, pointLocale)
                     : CalculateCathodeFollowerStage({typed[0], typed[1], typed[2], typed[3], typed[4]}, loaded,
                                                     {1.6, 1.7}, pointLocale);
        QVERIFY(result.message);
        QCOMPARE(result.message->title, QStringLiteral("Ошибка"));
        QCOMPARE(result.message->text, message);
        QVERIFY(result.updates.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFollowers)
#include "tst_followers.moc"
