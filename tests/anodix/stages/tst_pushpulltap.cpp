// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pair with its screens on a tap of the primary (ultralinear
// and triode-connected): what the connection must do whatever the tube. The
// screens follow the winding, the pair still balances its cathode and its
// load line, local feedback lowers the tube's internal resistance as the tap
// moves towards the anode, and a tied screen makes a triode of the screen's μ.
#include "anodix/stages/pushpullstage.h"

#include <QTest>
#include <cmath>

using namespace anodix;

Q_DECLARE_METATYPE(anodix::model::TubeFigures)

namespace {

// Figures in the order of TubeFigures: Ua, Ia, Uc, S, μ, Ri, Ug2, Ig2 (data/bd/tetrod).
const model::TubeFigures kEL84{250, 48, 7.3, 11.3, 0, 38, 250, 5.5};
const model::TubeFigures kEL34{250, 100, 13.5, 11, 0, 15, 250, 14.9};
const model::TubeFigures kKT88{250, 140, 15, 11.5, 0, 12, 250, 3};

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QString kInputError = QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа");

double relative(double a, double b)
{
    return std::abs(a - b) / std::max(std::abs(b), 1e-300);
}

// The value of one output of a calculation, NaN when it is not shown.
double shown(const StageResult &result, const char *name)
{
    for (const DisplayUpdate &u : result.updates)
        if (u.output == QLatin1String(name))
            return pointLocale.toDouble(u.text);
    return qQNaN();
}

} // namespace

class TestPushPullTap : public QObject
{
    Q_OBJECT

private slots:
    void theConnectionHoldsTogether_data()
    {
        QTest::addColumn<model::TubeFigures>("tube");
        QTest::addColumn<QList<double>>("circuit"); // Ea, Raa, Rk, tap
        QTest::newRow("EL34 ultralinear") << kEL34 << QList<double>{400, 6.6, 150, 0.43};
        QTest::newRow("KT88 ultralinear") << kKT88 << QList<double>{450, 4.5, 130, 0.43};
        QTest::newRow("EL84 triode-connected") << kEL84 << QList<double>{300, 8, 270, 1};
        QTest::newRow("EL84 at a small tap") << kEL84 << QList<double>{300, 8, 270, 0.2};
        QTest::newRow("EL34 triode-connected, hot") << kEL34 << QList<double>{350, 5, 80, 1};
    }
    void theConnectionHoldsTogether()
    {
        QFETCH(model::TubeFigures, tube);
        QFETCH(QList<double>, circuit);
        const model::TubeModel model(model::TubeType::Pentode, tube);
        // The screens' own supply must play no part once they hang on the primary.
        const stage::PushPullCircuit c{circuit[0], 1, circuit[1], circuit[2], circuit[3]};
        const stage::PushPullPoint p = stage::solvePushPull(model, c);
        qInfo("Uk %.4g, Iq %.4g, Ig2q %.4g, Ri %.4g kOhm, damping %.3g; driven Uk %.4g, Pout %.4g W, THD %.3g %%, "
              "Pa %.3g W, Pg2 %.3g W, %s",
              p.uk, p.iq, p.ig2q, p.ri, p.damping, p.ukDriven, p.pout, p.thd, p.paDriven, p.pg2Driven,
              p.classA ? "A" : "AB");
        QVERIFY(p.iq > 0 && p.ig2q >= 0 && p.pout > 0);
        // At rest the primary carries no signal: the screens sit at the anodes' voltage.
        QCOMPARE(p.u2, p.eq);
        QCOMPARE(p.u2Driven, p.eqDriven);
        // Rk carries both cathode currents, the screens' included, at rest.
        const double ik = model.withScreenAt(p.eq).cathodeCurrent(p.eq, -p.uk);
        QVERIFY(relative(2 * ik * c.rk / 1000, p.uk) < 1e-6);
        QVERIFY(p.ukDriven >= p.uk * (1 - 1e-9));
        // On the load line at the crest: the composite is what the driven tube
        // puts into its half of the winding less what the other takes out.
        // The drive is the bias at rest.
        const double one = stage::windingCurrent(model, c, p.ukDriven, p.uaMin, -p.ukDriven + p.uk);
        const double two = stage::windingCurrent(model, c, p.ukDriven, p.ua2, -p.ukDriven - p.uk);
        QVERIFY2(relative(one - two, p.icMax) < 1e-6, qPrintable(QStringLiteral("%1 %2").arg(one - two).arg(p.icMax)));
        // The screen takes its share of the anode current off the primary's
        // tap: the driven tube's anode alone carries less than the winding.
        QVERIFY(p.ipk < one);
        // Alike tubes in antiphase cancel the even harmonics.
        QVERIFY(p.harmonics[0] < 1e-6 && p.harmonics[2] < 1e-6);
        QVERIFY(p.thd > 0 && p.d3 <= p.thd);
        // The damping factor is Raa over the two internal resistances in series.
        QVERIFY(relative(p.damping * 2 * p.ri, c.raa) < 1e-12);
        QVERIFY(p.paDriven > 0 && p.pg2Driven >= 0);
    }

    // The screen's feedback lowers the tube's internal resistance the more the
    // nearer the tap is to the anode: the damping factor rises with the tap,
    // from the pentode's through the ultralinear to the triode's.
    void dampingRisesWithTheTap_data()
    {
        QTest::addColumn<model::TubeFigures>("tube");
        QTest::addColumn<QList<double>>("circuit"); // Ea, Ug2 (the pentode's), Raa, Rk
        QTest::newRow("EL84") << kEL84 << QList<double>{300, 300, 8, 270};
        QTest::newRow("EL34") << kEL34 << QList<double>{400, 400, 6.6, 150};
        QTest::newRow("KT88") << kKT88 << QList<double>{450, 450, 4.5, 130};
    }
    void dampingRisesWithTheTap()
    {
        QFETCH(model::TubeFigures, tube);
        QFETCH(QList<double>, circuit);
        const model::TubeModel model(model::TubeType::Pentode, tube);
        // A pentode may have no finite Ri at all (its anode current flat, as
        // the 3/2 law makes the KT88's far above its record's point): damping 0.
        double last = -1;
        // The pentode's screens at the supply too, so only the tap changes.
        for (const double tap : {0.0, 0.1, 0.25, 0.43, 0.6, 0.8, 1.0}) {
            const stage::PushPullPoint p =
                stage::solvePushPull(model, {circuit[0], circuit[1], circuit[2], circuit[3], tap});
            qInfo("tap %.2f: Ri %.4g kOhm, damping %.3g, Pout %.4g W, THD %.3g %%", tap, p.ri, p.damping, p.pout,
                  p.thd);
            QVERIFY2(p.damping > last, qPrintable(QString::number(tap)));
            last = p.damping;
        }
    }

    // Screen and anode tied make a triode whose μ is the screen's over the
    // grid: Ik = K·(Ug + Ua/μ2)^1.5 on the 3/2 law, so Ri·S of the tied pair
    // at any point is μ2 = Ug2 / (1.5·Ia/S + |Uc|) of the record's point, and
    // the winding carries the whole cathode current.
    void aTiedScreenMakesATriodeOfTheScreensMu_data()
    {
        QTest::addColumn<model::TubeFigures>("tube");
        QTest::addColumn<QList<double>>("point"); // Ea, Uk, Ua, Ug
        QTest::newRow("EL84 at rest") << kEL84 << QList<double>{300, 10, 290, -10};
        QTest::newRow("EL34 swung down") << kEL34 << QList<double>{400, 20, 150, -5};
        QTest::newRow("KT88 swung up") << kKT88 << QList<double>{450, 25, 600, -40};
    }
    void aTiedScreenMakesATriodeOfTheScreensMu()
    {
        QFETCH(model::TubeFigures, tube);
        QFETCH(QList<double>, point);
        const model::TubeModel model(model::TubeType::Pentode, tube);
        const stage::PushPullCircuit c{point[0], 0, 8, 100, 1};
        const double ua = point[2], ug = point[3];
        QCOMPARE(stage::screenVoltage(c, point[1], ua), ua);
        const stage::WindingSlopes s = stage::windingSlopes(model, c, point[1], ua, ug);
        const double mu2 = tube.ug2 / (1.5 * tube.ia0 / tube.s + tube.uc);
        QVERIFY2(relative(s.gm * s.ri(), mu2) < 1e-4, qPrintable(QStringLiteral("%1 %2").arg(s.gm * s.ri()).arg(mu2)));
        const double ik = model.withScreenAt(ua).cathodeCurrent(ua, ug);
        QVERIFY(relative(stage::windingCurrent(model, c, point[1], ua, ug), ik) < 1e-12);
    }

    // The window's calculation: one worked figure set, then the tap's bad input.
    void theWindowCalculatesTheConnection_data()
    {
        QTest::addColumn<QStringList>("typed"); // Ea, Ug2, Fmin, R1, Rn, Raa, Rk, tap
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("recordLines"); // of the EL34's ten
        const QStringList el34{"400", "", "20", "470", "8", "6.6", "150", "43"};
        QTest::newRow("EL34 ultralinear at 43 %") << el34 << QString() << 10;
        auto with = [&](int i, const char *text) {
            QStringList t = el34;
            t[i] = QString::fromUtf8(text);
            return t;
        };
        QTest::newRow("triode-connected") << with(7, "100") << QString() << 10;
        QTest::newRow("an empty tap is the pentode connection: Ug2 is needed") << with(7, "") << kInputError << 10;
        QTest::newRow("a record without its screen's lines")
            << el34 << QStringLiteral("В записи лампы нет данных экранной сетки (строки 9 и 10)") << 8;
        QTest::newRow("a tap above 100 %")
            << with(7, "120")
            << QStringLiteral("Ошибка: Значение вне допустимого диапазона: Отвод экранных сеток = 120 %, допустимо от 0 "
                              "до 100 %. Проверьте исходные данные")
            << 10;
        QTest::newRow("a negative tap")
            << with(7, "-5")
            << QStringLiteral("Ошибка: Значение вне допустимого диапазона: Отвод экранных сеток = -5 %, допустимо от 0 "
                              "до 100 %. Проверьте исходные данные")
            << 10;
        QTest::newRow("letters as the tap") << with(7, "сорок") << kInputError << 10;
    }
    void theWindowCalculatesTheConnection()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(int, recordLines);
        const QStringList record =
            QStringList{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"}.mid(0, recordLines);
        const PushPullTexts texts{typed[0], typed[1], typed[2], typed[3], typed[4], typed[5], typed[6], typed[7]};
        const StageResult result = CalculatePushPullStage(texts, LoadedTube{record}, pointLocale);
        if (!message.isEmpty()) {
            QVERIFY(result.message);
            QCOMPARE(result.message->title, QStringLiteral("Ошибка"));
            QCOMPARE(result.message->text, message);
            QVERIFY(result.updates.isEmpty());
            return;
        }
        QVERIFY2(!result.message, qPrintable(result.message ? result.message->text : QString()));
        QStringList all;
        for (const DisplayUpdate &u : result.updates)
            all << u.output + u'=' + u.text;
        qInfo("%s", qPrintable(all.join(u' ')));
        // The solver's own figures, rounded as shown.
        const model::TubeModel model(model::TubeType::Pentode, {250, 100, 13.5, 11, 0, 15, 250, 14.9});
        const double tap = typed[7].toDouble() / 100;
        const stage::PushPullPoint p = stage::solvePushPull(model, {400, 400, 6.6, 150, tap});
        QVERIFY(std::abs(shown(result, "Ri") - p.ri) <= 0.005 * p.ri);
        QVERIFY(std::abs(shown(result, "Kd") - p.damping) <= 0.005 * p.damping);
        QVERIFY(std::abs(shown(result, "Pout") - p.pout) <= 0.01);
        // The primary's inductance stands against Raa ∥ 2·Ri of this connection.
        const double primary = 6.6 * 2 * p.ri / (6.6 + 2 * p.ri);
        QVERIFY(relative(shown(result, "L1"), primary * 1000 / (2 * M_PI * 20)) < 0.005);
    }
};

QTEST_APPLESS_MAIN(TestPushPullTap)
#include "tst_pushpulltap.moc"
