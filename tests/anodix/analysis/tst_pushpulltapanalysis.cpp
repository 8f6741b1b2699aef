// SPDX-License-Identifier: GPL-3.0-or-later
// The characteristics of a push-pull pair whose screens hang on a tap of the
// primary: the curves are of what each tube drives into its half of the
// winding, so the operating point lies on one of them, the swing's ends lie
// on the composite load line, and the tap's own bad input is told.
#include "anodix/analysis/characteristics.h"
#include "anodix/analysis/ratings.h"
#include "common/numbertext.h"
#include "anodix/stages/pushpullstage.h"

#include <QTest>

using namespace anodix;
using namespace anodix::analysis;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
// data/bd/tetrod
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"};
const QStringList el34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
const QStringList kt88{"6.3", "1.6", "250", "140", "15", "11.5", "138", "12", "250", "3"};

// Ea, Raa, Rk, tap in point form; Ug2 empty, Fmin 20, R1 470, Rn 8.
AnalysisInput input(const QStringList &record, const QStringList &typed, const QLocale &locale)
{
    QStringList texts = typed;
    for (QString &text : texts)
        text.replace(u'.', locale.decimalPoint());
    AnalysisInput in{Circuit::PushPull, "T", record, texts[0], "20", "470", "8", {}, {}, {}, texts[1], texts[2]};
    in.tap = texts[3];
    return in;
}

double slope(const QList<QPointF> &line)
{
    return (line[1].y() - line[0].y()) / (line[1].x() - line[0].x());
}

} // namespace

class TestPushPullTapAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void theCurvesAreTheWindingsCurrent_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QStringList>("typed");
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            const QByteArray in = locale.name().toLatin1();
            QTest::addRow("EL34 ultralinear (%s)", in.constData()) << locale << el34 << QStringList{"430", "6.6", "220", "43"};
            QTest::addRow("KT88 ultralinear (%s)", in.constData()) << locale << kt88 << QStringList{"460", "4.5", "200", "43"};
            QTest::addRow("EL84 triode-connected (%s)", in.constData())
                << locale << el84 << QStringList{"300", "8", "270", "100"};
            QTest::addRow("EL84 at a small tap (%s)", in.constData()) << locale << el84 << QStringList{"300", "8", "270", "12.5"};
        }
    }
    void theCurvesAreTheWindingsCurrent()
    {
        QFETCH(QLocale, locale);
        QFETCH(QStringList, record);
        QFETCH(QStringList, typed);
        const SolvedStage solved = SolveTexts(input(record, typed, locale), locale);
        const Analysis &a = solved.analysis;
        QVERIFY2(a.ok(), qPrintable(a.problem));
        const double raa = typed[1].toDouble(), tap = typed[3].toDouble() / 100;

        // The same pair the stage window shows.
        const model::TubeModel model(model::TubeType::Pentode, solved.setup.tube);
        const stage::PushPullCircuit c{typed[0].toDouble(), typed[0].toDouble(), raa, typed[2].toDouble(), tap};
        const stage::PushPullPoint p = stage::solvePushPull(model, c);
        QCOMPARE(a.rows[0].value, common::fixedText(-p.uk, 2, locale));
        QCOMPARE(a.rows[2].value, common::fixedText(p.pout, 2, locale));
        QVERIFY(a.inputLines.contains(QStringLiteral("Отвод экранных сеток = ") + common::doubleText(tap * 100, locale)
                                      + QStringLiteral(" %")));
        QVERIFY(a.modelNote.contains(QStringLiteral("Ia + ")));

        // Q at (Eq, Ia + tap·Ig2) and the class-A line through it, twice as
        // flat as the composite line, which the swing's ends lie on.
        QVERIFY(std::abs(a.operatingPoint.x() - p.eq) < 1e-9 * p.eq);
        QVERIFY(std::abs(a.operatingPoint.y() - (p.iq + tap * p.ig2q)) < 1e-6 * p.iq);
        QCOMPARE(qRound64(slope(a.compositeLoadLine) * 1e6), qRound64(-4 / raa * 1e6));
        QCOMPARE(qRound64(slope(a.acLoadLine) * 1e6), qRound64(-2 / raa * 1e6));
        const QPointF start = a.compositeLoadLine.first(), end = a.swingLow, other = a.swingHigh;
        QVERIFY(std::abs((end.y() - other.y()) - (-4 / raa * (end.x() - start.x()))) < 1e-6 * p.icMax);
        QVERIFY(std::abs(other.x() - (2 * start.x() - end.x())) < 1e-6 * p.eq);

        // Each curve rises with the anode; at Ua = 0 the screen on a tap below
        // the anode still draws current through its section of the winding,
        // a tied screen nothing.
        for (const Curve &curve : a.curves) {
            for (qsizetype i = 1; i < curve.points.size(); ++i)
                QVERIFY(curve.points[i].y() >= curve.points[i - 1].y() - 1e-9);
        }
        const Curve &top = a.curves.first();
        QCOMPARE(top.ug, 0.0);
        QCOMPARE(top.points.first().x(), 0.0);
        if (tap < 1)
            QVERIFY(top.points.first().y() > 0);
        else
            QCOMPARE(top.points.first().y(), 0.0);

        // The response takes the tube with its screen on the tap: its slope
        // along the anode is the stage's 1 / Ri in that connection.
        QVERIFY(solved.point.ok());
        QCOMPARE(solved.point.tap, tap);
        QVERIFY(std::abs(solved.point.ga * p.ri - 1) < 1e-9);
    }

    // The screens on the primary swing with it: their dissipation averaged
    // over full drive is held to the sheet's rating, as the anode's is.
    void theDrivenScreenIsHeldToItsRating_data()
    {
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("EL34 ultralinear") << el34 << QStringList{"430", "6.6", "220", "43"};
        QTest::newRow("EL84 at a small tap") << el84 << QStringList{"300", "8", "270", "12.5"};
    }
    void theDrivenScreenIsHeldToItsRating()
    {
        QFETCH(QStringList, record);
        QFETCH(QStringList, typed);
        AnalysisInput in = input(record, typed, pointLocale);
        const SolvedStage solved = SolveTexts(in, pointLocale);
        QVERIFY(solved.point.pair);
        const double pg2 = solved.point.pair->pg2Driven;
        QVERIFY(pg2 > 0);
        const QString warning = QStringLiteral("Средняя мощность на экранной сетке при полном возбуждении ");
        const auto warned = [&](double limit) {
            in.limits = TubeLimits{{}, limit, {}, {}, QStringLiteral("test")};
            const QStringList warnings = RatingWarnings(in, pointLocale);
            return std::any_of(warnings.cbegin(), warnings.cend(),
                               [&](const QString &w) { return w.startsWith(warning); });
        };
        QVERIFY(warned(pg2 * 0.9));
        QVERIFY(!warned(pg2 * 1.1));
    }

    void aBadTapIsTold_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("problem");
        QTest::newRow("letters") << QStringList{"430", "6.6", "220", "x"}
                                 << "Недостаточно данных для построения характеристик: отвод экранных сеток";
        QTest::newRow("above 100 %") << QStringList{"430", "6.6", "220", "101"}
                                     << "Характеристики не построены: исходные данные вне допустимых пределов: "
                                        "Отвод экранных сеток = 101 %, допустимо от 0 до 100 %";
        QTest::newRow("a zero tap is the pentode, which needs its screen voltage")
            << QStringList{"430", "6.6", "220", "0"}
            << "Недостаточно данных для построения характеристик: Ug2 на экранных сетках";
    }
    void aBadTapIsTold()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, problem);
        const Analysis a = AnalyzeStage(input(el34, typed, pointLocale), pointLocale);
        QCOMPARE(a.problem, problem);
        QVERIFY(a.curves.isEmpty() && a.rows.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestPushPullTapAnalysis)
#include "tst_pushpulltapanalysis.moc"
