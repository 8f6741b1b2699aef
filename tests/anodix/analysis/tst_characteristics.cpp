// SPDX-License-Identifier: GPL-3.0-or-later
// The characteristics analysis through AnalyzeStage and TubeModel: figures
// checked by hand, missing data, the model at the record's point, and plots
// that stay finite and inside their axes, in a point and a comma locale.
#include "anodix/analysis/characteristics.h"
#include "common/numbertext.h"

#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::analysis;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
// Locales whose own number texts have signs with direction marks and other digits.
const QLocale persianLocale(QLocale::Persian, QLocale::Iran);
const QLocale algerianLocale(QLocale::Arabic, QLocale::Algeria);
const QString insufficient = QStringLiteral("Недостаточно данных для построения характеристик: ");
const QString outOfRange = QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: ");

// Records as an editor writes them; the analysis reads either separator.
const QStringList ecc83{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};
const QStringList ef86{"6.3", "0.2", "250", "3", "2", "2", "0", "2500", "140", "0.6"};
const QStringList el84{"6,3", "0,76", "250", "48", "7,3", "11,3", "19", "38", "250", "5,5"};
const QStringList t300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};

// Box texts are written with a point and take the locale's separator.
AnalysisInput input(Circuit kind, const QStringList &record, const QLocale &locale, const QString &ea = "250",
                    const QString &fmin = "20", const QString &rt1 = "3.93")
{
    const auto local = [&](QString text) { return text.replace(u'.', locale.decimalPoint()); };
    AnalysisInput in{kind, QStringLiteral("Лампа"), record, local(ea), local(fmin), "470", "8", {}};
    if (kind == Circuit::PentodePower)
        in.outputs = {{"R1", "470"}, {"Rt1", local(rt1)}};
    if (kind == Circuit::TriodeOutput)
        in.kn = local(rt1); // the ratio Ra / Ri takes the place of the primary's resistance

    return in;
}

QStringList shownRows(const Analysis &analysis)
{
    QStringList shown;
    for (const AnalysisRow &row : analysis.rows)
        shown << QString::fromLatin1(row.name) + u'=' + row.value;
    return shown;
}

bool inside(QPointF p, const Analysis &a)
{
    return std::isfinite(p.x()) && std::isfinite(p.y()) && p.x() >= -1e-9 && p.y() >= -1e-9
        && p.x() <= a.ua.max * (1 + 1e-12) && p.y() <= a.ia.max * (1 + 1e-12);
}

bool roundTick(double tick)
{
    const double mantissa = tick / std::pow(10.0, std::floor(std::log10(tick) + 1e-9));
    return std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9;
}

} // namespace

Q_DECLARE_METATYPE(anodix::analysis::TubeFigures)

class TestCharacteristics : public QObject
{
    Q_OBJECT

private slots:
    void workedFiguresShowInTheLocalesForm_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("ECC83 triode") << int(Circuit::TriodePreamp) << ecc83 << "250"
                                      << QStringList{"Uq=162.7", "Iq=0.825", "Ugq=-1.38", "Sq=1.41", "Amp=72.5",
                                                     "Gain=54.6", "D2=5", "C2=9.6"};
        QTest::newRow("EF86 pentode") << int(Circuit::PentodePreamp) << ef86 << "300"
                                      << QStringList{"Uq=165.9", "Iq=2.64", "Ugq=-2.16", "Sq=1.89", "Amp=133.4",
                                                     "Gain=82.5", "D2=5.3", "C2=31", "C3=0.298"};
        QTest::newRow("EL84 power") << int(Circuit::PentodePower) << el84 << "250"
                                    << QStringList{"Uq=242.4", "Iq=44.5", "Ugq=-7.59", "Sq=11", "Amp=195.1",
                                                   "Gain=25.7", "D2=5.1", "C2=153", "Pout=4.84"};
    }
    void workedFiguresShowInTheLocalesForm()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, record);
        QFETCH(QString, ea);
        QFETCH(QStringList, expected);
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            const Analysis a = AnalyzeStage(input(Circuit(kind), record, locale, ea), locale);
            QVERIFY2(a.ok(), qPrintable(a.problem));
            QStringList local = expected;
            for (QString &text : local)
                text.replace(u'.', locale.decimalPoint());
            QCOMPARE(shownRows(a), local);
            QCOMPARE(a.rows.at(2).spoken(), QStringLiteral("Смещение на сетке ") + local.at(2).mid(4) + " В");
            QVERIFY(a.description.contains(local.at(0).mid(3)));
        }
    }

    void missingFiguresAreNamed_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QString>("fmin");
        QTest::addColumn<QString>("rt1");
        QTest::addColumn<QString>("missing");
        QTest::newRow("eight-line power record") << int(Circuit::PentodePower) << el84.mid(0, 8) << "250" << "20" << "3.93"
                                                 << "Ug2, Ig2";
        QTest::newRow("triode without mu") << int(Circuit::TriodePreamp)
                                                      << QStringList(ecc83).replaceInStrings("100", "0") << "250"
                                                      << "20" << "" << "μ";
        QTest::newRow("no record, bad boxes") << int(Circuit::TriodePreamp) << QStringList() << "x" << "0" << ""
                                              << "Ua, Ia, Uc, S, μ, Ri, Ea, Fmin";
        QTest::newRow("pentode screen above supply") << int(Circuit::PentodePreamp) << ef86 << "140" << "20" << ""
                                                     << "Ea выше Ug2";
        // The primary is the stage's own Rt1, which an Ri this high drives below zero.
        QTest::newRow("power without Rt1") << int(Circuit::PentodePower) << QStringList(el84).replaceInStrings("38", "380")
                                           << "250" << "20" << "" << "R 1-й обмотки";
        QTest::newRow("triode output stage with a negative ratio")
            << int(Circuit::TriodeOutput) << t300B << "361" << "20" << "-1" << "Ra / Ri";
        QTest::newRow("triode output stage without mu")
            << int(Circuit::TriodeOutput) << QStringList(t300B).replaceInStrings("3.85", "x") << "361" << "20"
            << "3" << "μ";
    }
    void missingFiguresAreNamed()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, record);
        QFETCH(QString, ea);
        QFETCH(QString, fmin);
        QFETCH(QString, rt1);
        QFETCH(QString, missing);
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            const Analysis a = AnalyzeStage(input(Circuit(kind), record, locale, ea, fmin, rt1), locale);
            QCOMPARE(a.problem, insufficient + missing);
            QVERIFY(a.rows.isEmpty() && a.curves.isEmpty());
        }
    }

    // A preamplifier's AC load is Ra with the next grid leak, taken equal to
    // R1: without one there is no line to draw; with 1 kΩ it falls at 1 mA/V and more.
    void preamplifierAcLoadTakesR1_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("r1");
        QTest::newRow("triode, empty") << int(Circuit::TriodePreamp) << "";
        QTest::newRow("pentode, negative") << int(Circuit::PentodePreamp) << "-5";
        QTest::newRow("triode, 1 kΩ") << int(Circuit::TriodePreamp) << "1";
        QTest::newRow("pentode, 1 kΩ") << int(Circuit::PentodePreamp) << "1";
    }
    void preamplifierAcLoadTakesR1()
    {
        QFETCH(int, kind);
        QFETCH(QString, r1);
        AnalysisInput in = input(Circuit(kind), kind == int(Circuit::TriodePreamp) ? ecc83 : ef86, pointLocale, "300");
        in.r1 = r1;
        const Analysis a = AnalyzeStage(in, pointLocale);
        QCOMPARE(a.problem, r1 == "1" ? QString() : insufficient + "R1");
        if (a.ok()) {
            const QPointF top = a.acLoadLine.first(), bottom = a.acLoadLine.last();
            QVERIFY((top.y() - bottom.y()) / (bottom.x() - top.x()) >= 1.0 - 1e-9);
        }
    }

    void modelPassesThroughTheRecordsPointWithSlopeS_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<TubeFigures>("figures");
        QTest::newRow("triode") << int(Circuit::TriodePreamp) << TubeFigures{250, 1.2, -2, 1.6, 100, 62.5};
        QTest::newRow("pentode") << int(Circuit::PentodePreamp) << TubeFigures{250, 3, 2, 2, 0, 2500, 140, 0.6};
        QTest::newRow("power, low Ri") << int(Circuit::PentodePower) << TubeFigures{250, 48, 7.3, 11.3, 0, 3, 250, 5.5};
    }
    void modelPassesThroughTheRecordsPointWithSlopeS()
    {
        QFETCH(int, kind);
        QFETCH(TubeFigures, figures);
        const TubeModel model(stage::circuitData(Circuit(kind)).tube, figures);
        const double ug = -std::abs(figures.uc), h = 1e-4;
        QCOMPARE(model.anodeCurrent(figures.ua0, ug), figures.ia0);
        QCOMPARE(model.slope(figures.ua0, ug), figures.s);
        const double numeric = (model.anodeCurrent(figures.ua0, ug + h) - model.anodeCurrent(figures.ua0, ug - h)) / (2 * h);
        QVERIFY(std::abs(numeric - figures.s) < 1e-5 * figures.s);
        // Current never falls as the anode voltage rises, nor goes below zero.
        for (double ua = 0, last = 0; ua < 2 * figures.ua0; ua += figures.ua0 / 50) {
            const double ia = model.anodeCurrent(ua, ug);
            QVERIFY2(ia >= last, qPrintable(QString::number(ua)));
            last = ia;
        }
    }

    void plotsStayFiniteAndInsideTheirAxes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("ea");
        QTest::newRow("ECC83") << int(Circuit::TriodePreamp) << ecc83 << "250";
        QTest::newRow("EF86") << int(Circuit::PentodePreamp) << ef86 << "300";
        QTest::newRow("EL84") << int(Circuit::PentodePower) << el84 << "250";
        QTest::newRow("300B output stage, swing past the supply") << int(Circuit::TriodeOutput) << t300B << "361";
        QTest::newRow("triode output stage cut off at Ea")
            << int(Circuit::TriodeOutput) << QStringList{"0", "0", "250", "1", "1", "1", "2", "10"} << "10";
        QTest::newRow("triode output stage with huge figures")
            << int(Circuit::TriodeOutput) << QStringList{"0", "0", "1e300", "1e-300", "1e300", "1e-300", "1e300", "1e300"}
            << "1e300";
        QTest::newRow("triode cut off at Ea") << int(Circuit::TriodePreamp)
                                              << QStringList{"0", "0", "250", "1", "1", "1", "2", "10"} << "10";
        QTest::newRow("pentode with tiny current") << int(Circuit::PentodePreamp)
                                                   << QStringList{"0", "0", "250", "1e-9", "2", "2", "0", "1", "100", "1e-9"}
                                                   << "300";
        QTest::newRow("steep load lines") << int(Circuit::TriodePreamp)
                                          << QStringList{"0", "0", "3.4e38", "4e8", "1", "16", "50", "7"} << "250";
        QTest::newRow("subnormal supply") << int(Circuit::TriodePreamp)
                                          << QStringList{"8", "6.3", "6.3", "50", "203", "6", "6.3", "8"} << "3.5e-319";
        QTest::newRow("supply below the subnormal decades") << int(Circuit::TriodePreamp)
                                                            << QStringList{"8", "6.3", "6.3", "50", "203", "6", "6.3", "8"}
                                                            << "3e-323";
        QTest::newRow("overflowing model") << int(Circuit::TriodePreamp)
                                           << QStringList{"0", "0", "250", "1", "1", "1e300", "100", "10"} << "250";
        QTest::newRow("huge figures") << int(Circuit::PentodePower)
                                      << QStringList{"0", "0", "1e300", "1e-300", "1e300", "1e-300", "0", "1e300",
                                                     "1e300", "1e300"}
                                      << "1e300";
    }
    void plotsStayFiniteAndInsideTheirAxes()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, record);
        QFETCH(QString, ea);
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            const Analysis a = AnalyzeStage(input(Circuit(kind), record, locale, ea), locale);
            if (!a.ok()) {
                QVERIFY(a.rows.isEmpty() && a.curves.isEmpty());
                continue;
            }
            for (const AnalysisRow &row : a.rows)
                QVERIFY2(common::toNumber(row.value, locale).has_value(), qPrintable(row.spoken()));
            for (const Axis &axis : {a.ua, a.ia}) {
                const double ticks = axis.max / axis.tick;
                QVERIFY(roundTick(axis.tick) && ticks >= 4 - 1e-9 && ticks <= 10 + 1e-9);
                QCOMPARE(ticks, std::round(ticks));
                QCOMPARE(axis.ticks.size(), qsizetype(ticks) + 1);
            }
            QVERIFY(a.ua.max > a.swingHigh.x() && a.ia.max > a.swingLow.y());
            QVERIFY(a.curves.size() >= 6 && a.curves.size() <= 10);
            QCOMPARE(a.curves.first().label, QStringLiteral("Ug = 0 В"));
            QVERIFY(a.curves.last().ug <= 2 * *common::toNumber(a.rows.at(2).value, locale) + 0.01);
            for (const Curve &curve : a.curves) {
                for (qsizetype i = 0; i < curve.points.size(); ++i) {
                    QVERIFY(inside(curve.points[i], a));
                    QVERIFY(i == 0 || curve.points[i].x() >= curve.points[i - 1].x());
                }
            }
            for (const QPointF &p : a.dcLoadLine + a.acLoadLine + QList<QPointF>{a.operatingPoint})
                QVERIFY(inside(p, a));
            QCOMPARE(a.acLoadLine.size(), 2);
            // Q and both swing ends lie on the AC load line; the triode output
            // stage swings at full drive, where its cathode has moved, along
            // a line of the same slope.
            const QPointF d = a.acLoadLine[1] - a.acLoadLine[0];
            const bool driven = kind == int(Circuit::TriodeOutput);
            for (const QPointF &p : {a.operatingPoint, a.swingLow, a.swingHigh}) {
                const QPointF r = p - (driven && p != a.operatingPoint ? a.swingHigh : a.acLoadLine[0]);
                QVERIFY(std::abs(d.x() * r.y() - d.y() * r.x()) <= 1e-9 * (a.ua.max * a.ia.max));
            }
        }
    }

    void shownNumbersReadBackInEveryLocale_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en_US") << pointLocale;
        QTest::newRow("ru_RU") << commaLocale;
        QTest::newRow("fa_IR") << persianLocale;
        QTest::newRow("ar_DZ") << algerianLocale;
    }
    void shownNumbersReadBackInEveryLocale()
    {
        QFETCH(QLocale, locale);
        for (const auto &[kind, record] : {std::pair{Circuit::TriodePreamp, ecc83}, std::pair{Circuit::PentodePreamp, ef86},
                                           std::pair{Circuit::PentodePower, el84}}) {
            // The same stage in the point locale gives the values the texts must read back as.
            const Analysis plain = AnalyzeStage(input(kind, record, pointLocale), pointLocale);
            const Analysis a = AnalyzeStage(input(kind, record, locale), locale);
            QVERIFY2(a.ok() && plain.ok(), qPrintable(a.problem));
            QCOMPARE(a.rows.size(), plain.rows.size());
            for (qsizetype i = 0; i < a.rows.size(); ++i)
                QCOMPARE(common::toNumber(a.rows[i].value, locale), common::toNumber(plain.rows[i].value, pointLocale));
            for (qsizetype i = 0; i < a.curves.size(); ++i) {
                const QString number = a.curves[i].label.mid(5).chopped(2); // between "Ug = " and " В"
                QCOMPARE(common::toNumber(number, locale).value_or(NAN), a.curves[i].ug);
            }
            for (const Axis &axis : {a.ua, a.ia})
                for (const AxisTick &tick : axis.ticks)
                    QCOMPARE(common::toNumber(tick.text, locale).value_or(NAN), tick.value);
        }
    }

    void untrustworthyFiguresAreRefusedSayingWhich_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QString>("reason"); // empty: drawn
        const QString supply = QStringLiteral("Ea = %1 В, допустимо от 1 до 100000 В");
        const auto withS = [](QStringList record, const QString &s) {
            record[5] = s;
            return record;
        };
        QTest::newRow("0,1 V typed for 100") << int(Circuit::TriodePreamp) << ecc83 << "0.1" << supply.arg("0.1");
        QTest::newRow("microvolts") << int(Circuit::TriodePreamp) << ecc83 << "1e-6" << supply.arg("1E-6");
        QTest::newRow("picovolts") << int(Circuit::TriodePreamp) << ecc83 << "2e-12" << supply.arg("2E-12");
        QTest::newRow("500 kV") << int(Circuit::TriodePreamp) << ecc83 << "5e5" << supply.arg("500000");
        QTest::newRow("100 GV") << int(Circuit::PentodePreamp) << ef86 << "1e11" << supply.arg("100000000000");
        QTest::newRow("lowest supply") << int(Circuit::TriodePreamp) << ecc83 << "1" << "";
        QTest::newRow("highest supply") << int(Circuit::TriodePreamp) << ecc83 << "100000" << "";
        QTest::newRow("S 1e12 triode") << int(Circuit::TriodePreamp) << withS(ecc83, "1e12") << "250"
                                       << "рабочая точка не находится с нужной точностью";
        // Its C2 would be 1e14 µF.
        QTest::newRow("S 1e12 power") << int(Circuit::PentodePower) << withS(el84, "1e12") << "250"
                                      << "данные лампы вне пределов модели";
        // An Ri this low leaves the 1 V stage a primary of its own.
        QTest::newRow("power stage cut off by its cathode drop")
            << int(Circuit::PentodePower) << QStringList(el84).replaceInStrings("38", "0,38") << "1"
            << "рабочая точка вне характеристик лампы";
        QTest::newRow("nanoampere tube") << int(Circuit::TriodePreamp)
                                         << QStringList{"6.3", "0.3", "250", "1e-7", "2", "1e-7", "100", "62.5"}
                                         << "250" << "ток анода вне шкалы графика";
    }
    void untrustworthyFiguresAreRefusedSayingWhich()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, record);
        QFETCH(QString, ea);
        QFETCH(QString, reason);
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            const Analysis a = AnalyzeStage(input(Circuit(kind), record, locale, ea), locale);
            QString expected = reason.isEmpty() ? QString() : outOfRange + reason;
            expected.replace(u'.', locale.decimalPoint());
            QCOMPARE(a.problem, expected);
            QCOMPARE(a.rows.isEmpty(), !reason.isEmpty());
        }
    }

    void axesHaveFewReadableTicks_data()
    {
        QTest::addColumn<double>("limit");
        QTest::addColumn<QString>("labels"); // in the comma locale; empty: refused
        QTest::newRow("250 V") << 250.0 << "0 50 100 150 200 250 300";
        QTest::newRow("tenths") << 0.95 << "0 0,1 0,2 0,3 0,4 0,5 0,6 0,7 0,8 0,9 1";
        QTest::newRow("100 kV") << 1e5 << "0 20000 40000 60000 80000 100000 120000";
        QTest::newRow("smallest readable") << 0.0007 << "0 0,0001 0,0002 0,0003 0,0004 0,0005 0,0006 0,0007 0,0008";
        QTest::newRow("ticks that need an exponent") << 0.0003 << "";
        QTest::newRow("labels too long") << 2e7 << "";
        QTest::newRow("zero") << 0.0 << "";
        QTest::newRow("subnormal") << 1e-310 << "";
        QTest::newRow("infinite") << double(INFINITY) << "";
        QTest::newRow("not a number") << double(NAN) << "";
    }
    void axesHaveFewReadableTicks()
    {
        QFETCH(double, limit);
        QFETCH(QString, labels);
        const Axis axis = axisPast(limit, commaLocale);
        QStringList shown;
        for (const AxisTick &tick : axis.ticks)
            shown << tick.text;
        QCOMPARE(shown.join(u' '), labels);
        QVERIFY(axis.ticks.size() <= kMaxAxisTicks);
        if (!axis.ticks.isEmpty()) {
            QCOMPARE(axis.ticks.last().value, axis.max);
            QVERIFY(axis.max >= limit);
        }
    }

    void curvesStepRoundlyWithMinusLabels()
    {
        const Analysis a = AnalyzeStage(input(Circuit::TriodePreamp, ecc83, commaLocale), commaLocale);
        // Ugq −1.38: 2·Ugq = −2.75 is passed in steps of 0.5 V.
        QCOMPARE(a.curves.size(), 7);
        QCOMPARE(a.curves.at(1).label, QStringLiteral("Ug = -0,5 В"));
        QCOMPARE(a.curves.last().ug, -3.0);
        QCOMPARE(a.dcLoadLine.first(), QPointF(250, 0));
        QVERIFY(a.inputLines.contains(QStringLiteral("Fmin = 20 Гц")));
        QVERIFY(!a.modelNote.isEmpty());
    }
};

QTEST_APPLESS_MAIN(TestCharacteristics)
#include "tst_characteristics.moc"
