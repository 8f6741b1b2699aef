// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response through ComputeResponse and its SPICE texts: the
// worked triode figures, corners checked against textbook formulas, the
// common scale factor, refusals, in a point and a comma locale.
#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/stages/numbertext.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/tubedb/tuberecord.h"

#include <QTest>
#include <cmath>
#include <numbers>

using namespace anodix;
using namespace anodix::response;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
const QString notBuilt = QStringLiteral("Частотная характеристика не построена");

const QStringList ecc83{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};
const QStringList ef86{"6.3", "0.2", "250", "3", "2", "2", "0", "2500", "140", "0.6"};
const QStringList el84{"6,3", "0,76", "250", "48", "7,3", "11,3", "19", "38", "250", "5,5"};
const QStringList twoA3{"2.5", "2.5", "250", "60", "45", "5.25", "4.2", "0.8"};

QStringList recordOf(Circuit kind)
{
    switch (kind) {
    case Circuit::TriodePreamp:
        return ecc83;
    case Circuit::PentodePreamp:
        return ef86;
    case Circuit::TriodeOutput:
        return twoA3;
    case Circuit::PentodePower:
    case Circuit::PushPull:
        return el84;
    }
    return {};
}

// Box texts are written with a point and take the locale's separator.
ResponseInput input(Circuit kind, const QLocale &locale, const QString &source = "1")
{
    const auto local = [&](QString text) { return text.replace(u'.', locale.decimalPoint()); };
    analysis::AnalysisInput stage{kind, QStringLiteral("Лампа"), recordOf(kind), "250", "20", "470", "8", {}};
    if (kind == Circuit::PentodePower)
        stage.outputs = {{"R1", "470"}, {"Rt1", local("3.93")}};
    stage.kn = kind == Circuit::TriodeOutput ? QStringLiteral("3") : QString();
    if (kind == Circuit::PushPull) {
        stage.ug2 = QStringLiteral("250");
        stage.raa = QStringLiteral("8");
        stage.rk = QStringLiteral("130");
    }
    ResponseInput in = withTypicalValues(stage, locale);
    in.source = local(source);
    return in;
}

QString rowValue(const QList<AnalysisRow> &rows, const char *name)
{
    for (const AnalysisRow &row : rows) {
        if (qstrcmp(row.name, name) == 0)
            return row.value;
    }
    return QStringLiteral("(none)");
}

double number(const QString &text, const QLocale &locale)
{
    return toNumber(text, locale).value_or(qQNaN());
}

// Where the lower −3 dB point lies with every corner part as circuit has it.
double lowerCorner(const StageCircuit &circuit)
{
    return responseFigures(circuit, 20, 2).low.value_or(qQNaN());
}

// The members of a circuit that hold a coupling or bypass part or the primary.
using PartMember = double StageCircuit::*;
const QList<std::pair<const char *, PartMember>> cornerMembers{
    {"c1", &StageCircuit::c1}, {"ck", &StageCircuit::ck}, {"coupling", &StageCircuit::coupling},
    {"cScreen", &StageCircuit::cScreen}, {"l1", &StageCircuit::l1}};

} // namespace

class TestResponse : public QObject
{
    Q_OBJECT

private slots:
    // The ECC83 preamplifier at Ea 250, Fmin 20, R1 470 fed with no source
    // resistance: C1, C2 and C3 each set for 20 Hz lose 7.87 dB there together,
    // and the stage is −3 dB at 37.0 Hz (ngspice on the same circuit, 2000
    // points a decade: −7.87 dB and 36.97 Hz). The tube's capacitances add the
    // top of the band, and C1 against the Miller capacitance costs 0.05 dB.
    void workedTriodeFiguresInBothLocales_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("strays"); // the tube's and the load's capacitances, pF
        QTest::addColumn<QStringList>("expected");
        const QStringList bare{"Gain=54.6 (34.7 дБ)", "Low=37", "AtFmin=-7.87", "High=—"};
        const QStringList typical{"Gain=54.6 (34.7 дБ)", "Low=37.3", "AtFmin=-7.9", "High=78.1"};
        QTest::newRow("no stray capacitance, point") << pointLocale << "0" << bare;
        QTest::newRow("no stray capacitance, comma") << commaLocale << "0" << bare;
        QTest::newRow("typical capacitances, point") << pointLocale << "" << typical;
        QTest::newRow("typical capacitances, comma") << commaLocale << "" << typical;
        // sv_SE writes U+2212 itself; the program's one number text keeps "-".
        QTest::newRow("typical capacitances, sv_SE") << QLocale(QLocale::Swedish, QLocale::Sweden) << "" << typical;
    }
    void workedTriodeFiguresInBothLocales()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, strays);
        QFETCH(QStringList, expected);
        ResponseInput in = input(Circuit::TriodePreamp, locale, "0");
        if (!strays.isEmpty())
            in.input = in.anodeGrid = in.output = in.load = strays;
        const Response r = ComputeResponse(in, locale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QStringList shown;
        for (const AnalysisRow &row : r.rows)
            shown << QString::fromLatin1(row.name) + u'=' + row.value;
        QCOMPARE(shown, expected.replaceInStrings(".", locale.decimalPoint()));
        QCOMPARE(r.rows.constFirst().spoken(), "Усиление в середине полосы " + expected.constFirst().mid(5));
        QCOMPARE(r.rows.at(1).spoken(), QString("Нижняя граничная частота (−3 дБ) %1 Гц").arg(rowValue(r.rows, "Low")));
    }

    // Scaling every coupling and bypass part (and L1) by the one factor puts
    // the whole stage's −3 dB point on Fmin, and the rows show those values.
    void neededPartsPutTheLowerCornerOnFmin_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("triode") << int(Circuit::TriodePreamp) << pointLocale << QStringList{"C1", "C2", "C3"};
        QTest::newRow("pentode") << int(Circuit::PentodePreamp) << commaLocale
                                 << QStringList{"C1", "C2", "C4"};
        QTest::newRow("power") << int(Circuit::PentodePower) << pointLocale << QStringList{"C1", "C2", "L1"};
        QTest::newRow("triode output") << int(Circuit::TriodeOutput) << commaLocale
                                       << QStringList{"C1", "C2", "L1"};
        QTest::newRow("push-pull") << int(Circuit::PushPull) << pointLocale << QStringList{"C1", "L1"};
    }
    void neededPartsPutTheLowerCornerOnFmin()
    {
        QFETCH(int, kind);
        QFETCH(QLocale, locale);
        QFETCH(QStringList, parts);
        const Response r = ComputeResponse(input(Circuit(kind), locale), locale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        QVERIFY(r.figures.factor);
        // Three corners at or just below 20 Hz add up: the factor lies between 1 and 3.
        QVERIFY(*r.figures.factor > 1 && *r.figures.factor < 3);
        const ResponseFigures scaledFigures = responseFigures(scaled(r.circuit, *r.figures.factor), 20);
        QVERIFY(scaledFigures.low);
        QVERIFY(std::abs(*scaledFigures.low - 20) < 0.01);
        QVERIFY(std::abs(scaledFigures.atFmin + 3.0103) < 0.001);
        QStringList shown;
        for (int i = 0; i < r.needed.size(); ++i) {
            shown << r.needed[i].caption;
            const double unit = r.needed[i].unit == QStringLiteral("Гн") ? 1 : 1e-6;
            const double value = number(r.needed[i].value, locale) * unit;
            QVERIFY(std::abs(value / r.figures.needed[i].value - 1) < 0.005);
        }
        QCOMPARE(shown, parts);
        QCOMPARE(r.rows.size(), stage::circuitData(Circuit(kind)).outputTransformer ? 3 : 4); // no upper point behind a transformer
    }

    // A part is listed exactly when making it alone ten times larger moves
    // the lower corner, and the common factor scales the listed parts alone
    // (the push-pull pair's Ck, which the signal does not pass, is left out).
    void listedPartsAreTheOnesThatMoveTheCorner_data()
    {
        QTest::addColumn<int>("kind");
        for (int kind = 0; kind <= int(Circuit::PushPull); ++kind)
            QTest::addRow("kind %d", kind) << kind;
    }
    void listedPartsAreTheOnesThatMoveTheCorner()
    {
        QFETCH(int, kind);
        const Response r = ComputeResponse(input(Circuit(kind), pointLocale, "0"), pointLocale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        const QList<Part> listed = frequencyParts(r.circuit);
        QCOMPARE(r.needed.size(), listed.size());
        const StageCircuit doubled = scaled(r.circuit, 2);
        qsizetype movers = 0;
        for (const auto &[member, field] : cornerMembers) {
            const bool isListed = std::any_of(listed.cbegin(), listed.cend(),
                                              [&](const Part &p) { return p.value == r.circuit.*field; });
            StageCircuit larger = r.circuit;
            larger.*field *= 10;
            const double moved = std::abs(lowerCorner(larger) / lowerCorner(r.circuit) - 1);
            QVERIFY2(isListed == (moved > 1e-3), qPrintable(QStringLiteral("%1 moves by %2").arg(member).arg(moved)));
            QCOMPARE(doubled.*field, r.circuit.*field * (isListed ? 2 : 1));
            movers += isListed;
        }
        QCOMPARE(movers, listed.size());
    }

    // The characteristics window reads its gain off the AC load line; the
    // frequency window computes it at the operating point. With no source
    // resistance both load the anode with Ra and the next grid leak, so for
    // every bundled triode and preamplifier pentode they agree within 1 %.
    void characteristicsGainAgreesWithMidBand_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("record");
        const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
        for (const auto &[tubeClass, kind] : {std::pair{TubeClass::Triode, Circuit::TriodePreamp},
                                              std::pair{TubeClass::PreampPentode, Circuit::PentodePreamp}}) {
            const RecordList list = db.ListTubeRecords(tubeClass);
            QVERIFY2(list.ok() && !list.names.isEmpty(), qPrintable(list.error));
            for (const QString &name : list.names) {
                const RecordLines record = db.ReadTubeRecord(tubeClass, name);
                QVERIFY2(record.ok(), qPrintable(name));
                QTest::newRow(qPrintable(name)) << int(kind) << record.lines;
            }
        }
    }
    void characteristicsGainAgreesWithMidBand()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, record);
        // The supply that puts the stage's point near the record's own: Ra = Ea / (2·Ia).
        const double ua = toNumberEitherSeparator(record.value(2), pointLocale).value_or(0);
        const QString ea = doubleText(2 * ua, pointLocale);
        for (const QString &r1 : {QStringLiteral("470"), QStringLiteral("100")}) {
            const analysis::AnalysisInput stage{Circuit(kind), QStringLiteral("Лампа"), record, ea, "20", r1, "", {}};
            const analysis::Analysis a = analysis::AnalyzeStage(stage, pointLocale);
            QVERIFY2(a.ok(), qPrintable(a.problem));
            ResponseInput in = withTypicalValues(stage, pointLocale);
            in.source = QStringLiteral("0");
            const Response r = ComputeResponse(in, pointLocale);
            QVERIFY2(r.ok(), qPrintable(r.problem));
            double plotted = qQNaN();
            for (const AnalysisRow &row : a.rows) {
                if (qstrcmp(row.name, "Gain") == 0)
                    plotted = number(row.value, pointLocale);
            }
            // The shown gain has one decimal, the solved one all its digits.
            const double midBand = r.figures.gain;
            const QString figures = QStringLiteral("R1 %1: plot %2 (%3), mid-band %4")
                                        .arg(r1).arg(plotted).arg(r.point.gain).arg(midBand);
            QVERIFY2(std::abs(plotted - midBand) <= 0.01 * midBand + 0.05, qPrintable(figures));
            QVERIFY2(std::abs(r.point.gain / midBand - 1) < 0.01, qPrintable(figures));
            // The full swing's amplitude over the bias is the large-signal gain: never above
            // the small-signal one by more than the curvature gives (D2 shows the rest).
            const double amplitude = number(a.rows.at(4).value, pointLocale);
            QVERIFY2(amplitude > 0 && amplitude / std::abs(r.point.ugq) < 1.1 * midBand, qPrintable(figures));
        }
    }

    // With the cathode and output parts made huge and the tube's capacitances
    // gone, C1 into R1 alone is left: one corner at 1 / (2π·C1·R1) = Fmin,
    // −3.01 dB there; then the source's resistance with the Miller capacitance
    // Cgk + Cga·(1 + A) sets the top.
    void singleCornersMatchTheirFormulas_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("triode") << int(Circuit::TriodePreamp);
        QTest::newRow("pentode") << int(Circuit::PentodePreamp);
        QTest::newRow("power") << int(Circuit::PentodePower);
        QTest::newRow("triode output") << int(Circuit::TriodeOutput);
        QTest::newRow("push-pull") << int(Circuit::PushPull);
    }
    void singleCornersMatchTheirFormulas()
    {
        QFETCH(int, kind);
        const Response r = ComputeResponse(input(Circuit(kind), pointLocale, "0"), pointLocale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        StageCircuit c = r.circuit;
        c.ck *= 1e6;
        c.coupling *= 1e6;
        c.l1 *= 1e6;
        c.cScreen *= 1e6;
        // C1 also feeds the grid's capacitance: without it the corner is exact.
        StageCircuit bare = c;
        bare.cgk = bare.cga = 0;
        QVERIFY(std::abs(responseFigures(bare, 20).atFmin + 3.0103) < 0.001);

        c.rs = 100e3;
        c.load = 0;
        c.cak = 0;
        const double gain = r.figures.gain;
        const double miller = c.cgk + c.cga * (1 + gain);
        const double expected = 1 / (2 * std::numbers::pi * (c.rs * c.r1 / (c.rs + c.r1)) * miller);
        const ResponseFigures f = responseFigures(c, 20);
        QVERIFY(f.high);
        QVERIFY2(std::abs(*f.high / expected - 1) < 0.05, qPrintable(QString::number(*f.high / expected)));
    }

    // The output stages' parts are the ones their windows show (to the
    // window's digits), and the push-pull pair's shared cathode carries no
    // signal: its Ck changes nothing, while the triode's C2 does.
    void outputStagesUseTheirWindowsParts_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("cathodeMatters");
        QTest::newRow("triode output, point") << int(Circuit::TriodeOutput) << pointLocale << true;
        QTest::newRow("triode output, comma") << int(Circuit::TriodeOutput) << commaLocale << true;
        QTest::newRow("push-pull, point") << int(Circuit::PushPull) << pointLocale << false;
        QTest::newRow("push-pull, comma") << int(Circuit::PushPull) << commaLocale << false;
    }
    void outputStagesUseTheirWindowsParts()
    {
        QFETCH(int, kind);
        QFETCH(QLocale, locale);
        QFETCH(bool, cathodeMatters);
        const ResponseInput in = input(Circuit(kind), locale);
        const Response r = ComputeResponse(in, locale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        const analysis::AnalysisInput &s = in.stage;
        const StageResult window =
            kind == int(Circuit::TriodeOutput)
                ? CalculateTriodeOutputStage(s.ea, s.fmin, s.r1, s.rn, s.kn, LoadedTube{s.record}, locale)
                : CalculatePushPullStage({s.ea, s.ug2, s.fmin, s.r1, s.rn, s.raa, s.rk}, LoadedTube{s.record}, locale);
        QVERIFY(!window.message);
        const auto shown = [&](const char *name) {
            for (const DisplayUpdate &u : window.updates) {
                if (u.output == QLatin1String(name))
                    return number(u.text, locale);
            }
            return qQNaN();
        };
        QVERIFY2(std::abs(r.circuit.c1 * 1e6 / shown("C1") - 1) < 5e-4, "C1");
        QVERIFY2(std::abs(r.circuit.l1 / shown("L1") - 1) < 5e-3, "L1");
        if (kind == int(Circuit::TriodeOutput))
            QVERIFY2(std::abs(r.circuit.ck * 1e6 / shown("C2") - 1) < 5e-3, "C2");

        StageCircuit bypassed = r.circuit;
        bypassed.ck *= 1000;
        const double changed = std::abs(transfer(bypassed, 5) - transfer(r.circuit, 5)) / r.figures.gain;
        QCOMPARE(changed > 1e-3, cathodeMatters);
    }

    void refusalsNameWhatIsWrong_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem");
        QTest::newRow("no tube") << int(Circuit::TriodePreamp) << "record" << ""
                                 << "Недостаточно данных для построения характеристик: Ua, Ia, Uc, S, μ, Ri";
        QTest::newRow("letters as the source") << int(Circuit::TriodePreamp) << "source" << "abc"
                                               << notBuilt + ": нужно число не меньше нуля — сопротивление источника";
        QTest::newRow("negative Cga") << int(Circuit::PentodePreamp) << "cga" << "-1"
                                      << notBuilt + ": нужно число не меньше нуля — Cga";
        QTest::newRow("no loudspeaker") << int(Circuit::PentodePower) << "rn" << "0"
                                        << notBuilt + ": нужно число не меньше нуля — Rн";
        QTest::newRow("a supply of 1e300") << int(Circuit::TriodePreamp) << "ea" << "1e300"
                                           << "Характеристики не построены: исходные данные вне допустимых пределов: "
                                              "Ea = 1E300 В, допустимо от 1 до 100000 В";
    }
    void refusalsNameWhatIsWrong()
    {
        QFETCH(int, kind);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, problem);
        for (const QLocale &locale : {pointLocale, commaLocale}) {
            ResponseInput in = input(Circuit(kind), locale);
            QString *const boxes[] = {&in.source, &in.anodeGrid, &in.stage.rn, &in.stage.ea};
            const qsizetype i = QStringList{"source", "cga", "rn", "ea"}.indexOf(box);
            if (i >= 0)
                *boxes[i] = text;
            else
                in.stage.record.clear();
            const Response r = ComputeResponse(in, locale);
            QCOMPARE(r.problem, problem);
            QVERIFY(r.rows.isEmpty() && r.needed.isEmpty() && r.figures.points.isEmpty());
            QVERIFY(StageNetlist(r, QStringLiteral("Лампа")).isEmpty());
        }
    }

    void spiceNamesAreLatin_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<QString>("name");
        QTest::newRow("already Latin") << "ECC83" << "ECC83";
        QTest::newRow("Cyrillic") << "6Н2П" << "6N2P";
        QTest::newRow("dash and two letters") << "6П14П-ЕВ" << "6P14P_EV";
        QTest::newRow("lower case, Ж") << "6ж1п" << "6Zh1P";
        QTest::newRow("blank") << " " << "_";
    }
    void spiceNamesAreLatin()
    {
        QFETCH(QString, tube);
        QFETCH(QString, name);
        QCOMPARE(spiceName(tube), name);
    }

    // The netlist is the same under either locale: SPICE numbers take a point.
    void netlistIgnoresTheLocale_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("triode") << int(Circuit::TriodePreamp)
                                << QStringList{".subckt ECC83 anode grid cathode params: cin=1.6e-12 cga=1.7e-12 cout=5e-13",
                                               "C1 source grid 1.693138e-08", "R1 grid 0 470000",
                                               "XVL1 anode grid cathode ECC83", "R3 supply anode 104166.7",
                                               "Vin input 0 DC 0 AC 1 SIN(0 1.375265 1k)"};
        QTest::newRow("pentode") << int(Circuit::PentodePreamp)
                                 << QStringList{"XVL1 anode screen grid cathode ECC83", "R3 supply screen 183333.3",
                                                "C4 anode out 1.693138e-08"};
        QTest::newRow("power") << int(Circuit::PentodePower)
                               << QStringList{"XVL1 anode supply grid cathode ECC83", "K1 L1 L2 1", "Rn out 0 8",
                                              "wrdata op.data v(supply) v(anode) v(cathode) v(grid) l1#branch"};
        QTest::newRow("triode output") << int(Circuit::TriodeOutput)
                                       << QStringList{"XVL1 anode grid cathode ECC83", "L1 supply anode 4.774648",
                                                      "Rn out 0 8", "let gain = mag(v(anode))"};
        QTest::newRow("push-pull") << int(Circuit::PushPull)
                                   << QStringList{"Einv input2 0 input 0 -1", "C1B sourceB grid2 1.693138e-08",
                                                  "XVL1 anode1 screen grid1 cathode ECC83",
                                                  "XVL2 anode2 screen grid2 cathode ECC83", "Rk cathode 0 130",
                                                  "Vscreen screen 0 DC 250", "K3 L1B L2 1",
                                                  "wrdata op.data v(supply) v(anode1) v(cathode) v(grid1) l1a#branch"};
    }
    void netlistIgnoresTheLocale()
    {
        QFETCH(int, kind);
        QFETCH(QStringList, lines);
        const QString point = StageNetlist(ComputeResponse(input(Circuit(kind), pointLocale), pointLocale), "ECC83");
        const QString comma = StageNetlist(ComputeResponse(input(Circuit(kind), commaLocale), commaLocale), "ECC83");
        QCOMPARE(comma, point);
        const QStringList written = point.split(u'\n');
        for (const QString &line : lines)
            QVERIFY2(written.contains(line), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestResponse)
#include "tst_response.moc"
