// SPDX-License-Identifier: GPL-3.0-or-later
// The stage table through its own face: every circuit has one entry whose
// data agree with each other, and a calculation that goes the windows' way
// (the entry's calculation, its reading and its one solve) shows what the
// texts' way shows, solving once.
#include "anodix/response/followerresponse.h"
#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/stages/longtailedpair.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/solvecount.h"
#include "common/numbertext.h"

#include <QSet>
#include <cmath>
#include <QTest>

using namespace anodix;
using namespace anodix::response;
using stage::Circuit;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

// The worked examples of the stage windows: a record and the boxes by name.
struct Example
{
    Circuit circuit;
    QStringList record;
    QHash<QString, QString> boxes;
};

Example example(Circuit circuit)
{
    const QHash<QString, QString> three{{"Ea", "250"}, {"Fn1", "20"}, {"R11", "470"}};
    switch (circuit) {
    case Circuit::TriodePreamp:
        return {circuit, {"6.3", "0.3", "150", "2", "1.5", "2", "20", "10"}, three};
    case Circuit::PentodePreamp:
        return {circuit, {"6.3", "0.3", "250", "3", "2", "2", "2000", "1000", "100", "0.8"}, three};
    case Circuit::PentodePower:
        return {circuit, {"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "5"},
                {{"Ea", "250"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}}};
    case Circuit::TriodeOutput:
        return {circuit, {"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"},
                {{"Ea", "361"}, {"Fn1", "20"}, {"R11", "220"}, {"Rn", "8"}, {"Kn", "3"}}};
    case Circuit::PushPull:
        return {circuit, {"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"},
                {{"Ea", "250"}, {"Ug2", "250"}, {"Fn1", "20"}, {"R11", "470"}, {"Rn", "8"}, {"Raa", "8"},
                 {"Rk", "130"}}};
    case Circuit::CathodeFollower:
        return {circuit, {"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"},
                {{"Ea", "250"}, {"Rk", "100"}, {"R11", "1000"}, {"Fn1", "20"}, {"Rn", "470"}}};
    case Circuit::SplitLoad:
        return {circuit, {"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"},
                {{"Ea", "300"}, {"Rak", "47"}, {"R11", "1000"}, {"Fn1", "10.5"}, {"Rn", "470"}}};
    case Circuit::LongTailedPair:
        return {circuit, {"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"},
                {{"Ea", "300"}, {"Ra", "100"}, {"Rt", "22"}, {"Et", "0"}, {"R11", "1000"}, {"Fn1", "20"},
                 {"Rn", "470"}}};
    }
    return {};
}

// Box texts are written with a point and take the locale's separator.
QHash<QString, QString> local(QHash<QString, QString> boxes, const QLocale &locale)
{
    for (QString &text : boxes)
        text.replace(u'.', locale.decimalPoint());
    return boxes;
}

// The same calculation as the tests and fuzzers give it: texts only.
analysis::AnalysisInput textsOf(const Example &e, const QHash<QString, QString> &boxes,
                                const QList<DisplayUpdate> &outputs)
{
    analysis::AnalysisInput in{e.circuit, QStringLiteral("Лампа"), e.record, boxes.value("Ea"),
                               boxes.value("Fn1"), boxes.value("R11"), boxes.value("Rn"), outputs};
    in.kn = boxes.value("Kn");
    in.ug2 = boxes.value("Ug2");
    in.raa = boxes.value("Raa");
    in.rk = boxes.value("Rk");
    in.tap = boxes.value("Otvod");
    in.rak = boxes.value("Rak");
    in.ra = boxes.value("Ra");
    in.tail = boxes.value("Rt");
    in.et = boxes.value("Et");
    return in;
}

QStringList spoken(const QList<AnalysisRow> &rows)
{
    QStringList texts;
    for (const AnalysisRow &row : rows)
        texts << row.spoken();
    return texts;
}

void addStageRows()
{
    QTest::addColumn<Circuit>("circuit");
    for (const stage::CircuitData &data : stage::kCircuits)
        QTest::newRow(data.windowName) << data.circuit;
}

} // namespace

class StageTableTest : public QObject
{
    Q_OBJECT

private slots:
    void everyCircuitHasOneEntryAndItsDataAgree_data() { addStageRows(); }
    void everyCircuitHasOneEntryAndItsDataAgree()
    {
        QFETCH(Circuit, circuit);
        const StageEntry &entry = stageEntry(circuit);
        QCOMPARE(entry.data->circuit, circuit);
        QCOMPARE(stageEntryOfWindow(QString::fromLatin1(entry.data->windowName)), &entry);
        QCOMPARE(std::count_if(stageTable().begin(), stageTable().end(),
                               [&](const StageEntry &e) { return e.data->circuit == circuit; }),
                 1);
        QVERIFY(entry.calculate && entry.read && entry.solve && entry.response && entry.netlist);
        // The record class holds the tube the circuit is solved on.
        QCOMPARE(entry.data->tubeClass == TubeClass::Triode, entry.data->tube == model::TubeType::Triode);
        // A primary sets the lowest frequency exactly where there is a transformer.
        const bool primary = std::any_of(entry.cornerParts.begin(), entry.cornerParts.end(),
                                         [](const CornerPart &p) { return qstrcmp(p.name, "L1") == 0; });
        QCOMPARE(primary, entry.data->outputTransformer);
        QVERIFY(!entry.data->balancedPair || (entry.data->outputTransformer && entry.data->tubes == 2));
        // The typical capacitances of the tube's class: a pentode's screen shields its grid from its anode.
        const bool pentode = entry.data->tube == model::TubeType::Pentode;
        QVERIFY(entry.capacitances.anodeGrid > 0 && entry.capacitances.input > 0 && entry.capacitances.output > 0);
        QCOMPARE(entry.capacitances.anodeGrid < entry.capacitances.input, pentode);
    }

    void theTableIsOneNameToOneWindow()
    {
        QSet<QString> windows, captions;
        for (const StageEntry &entry : stageTable()) {
            windows.insert(QString::fromLatin1(entry.data->windowName));
            captions.insert(QString::fromUtf8(entry.data->caption));
        }
        QCOMPARE(windows.size(), qsizetype(std::size(stage::kCircuits)));
        QCOMPARE(captions.size(), windows.size());
        QCOMPARE(stageTable().size(), std::size(stage::kCircuits));
        QVERIFY(!stageEntryOfWindow(QStringLiteral("Obshaya")));
    }

    void theWindowsWayShowsWhatTheTextsWayShowsAndSolvesOnce_data()
    {
        QTest::addColumn<Circuit>("circuit");
        QTest::addColumn<QLocale>("locale");
        // The texts' way (SolveTexts) is the older tests' and fuzzers'; every stage is held to it.
        for (const stage::CircuitData &data : stage::kCircuits) {
            QTest::addRow("%s, point", data.windowName) << data.circuit << pointLocale;
            QTest::addRow("%s, comma", data.windowName) << data.circuit << commaLocale;
        }
    }
    void theWindowsWayShowsWhatTheTextsWayShowsAndSolvesOnce()
    {
        QFETCH(Circuit, circuit);
        QFETCH(QLocale, locale);
        const Example e = example(circuit);
        const QHash<QString, QString> boxes = local(e.boxes, locale);
        const StageEntry &entry = stageEntry(circuit);

        const int before = stage::solvesSoFar();
        const StageResult result = calculateBoxes(circuit, boxes, LoadedTube{e.record}, locale);
        QVERIFY2(!result.message, qPrintable(result.message ? result.message->text : QString()));
        stage::StageTexts texts;
        texts.boxes = boxes;
        texts.outputs = result.updates;
        texts.tubeName = QStringLiteral("Лампа");
        texts.record = e.record;
        const auto solved = solveCalculation(circuit, texts, result.solved, locale);
        QCOMPARE(stage::solvesSoFar() - before, 1);
        QVERIFY2(solved->analysis.ok(), qPrintable(solved->analysis.problem));

        // The texts' way solves from scratch; a solution handed on must change nothing.
        const analysis::SolvedStage fresh = analysis::SolveTexts(textsOf(e, boxes, result.updates), locale);
        QCOMPARE(spoken(solved->analysis.rows), spoken(fresh.analysis.rows));
        QCOMPARE(solved->analysis.inputLines, fresh.analysis.inputLines);
        QCOMPARE(solved->analysis.description, fresh.analysis.description);
        QCOMPARE(solved->point.uq, fresh.point.uq);
        QCOMPARE(solved->point.iq, fresh.point.iq);
        QCOMPARE(solved->point.ugq, fresh.point.ugq);

        // The operating point is the tube's own: below the supply, current no more than the supply allows.
        const analysis::StagePoint &p = solved->point;
        QVERIFY(p.uq > 0 && p.uq <= p.ea);
        QVERIFY(p.iq > 0 && p.ugq < 0);

        // The response and the netlist take the solved stage and solve nothing more.
        const int afterSolve = stage::solvesSoFar();
        const Response r = entry.response(*solved, typicalBoxes(circuit, locale), locale);
        QVERIFY2(r.ok(), qPrintable(r.problem));
        const QString netlist = entry.netlist(r, QStringLiteral("Лампа"));
        QCOMPARE(stage::solvesSoFar(), afterSolve);
        QVERIFY(netlist.startsWith(QStringLiteral("* Anodix: ") + QString::fromUtf8(entry.netlistTitle)));
        // The stages with a network of their own answer from the solved texts alike.
        const bool ownNetwork = entry.cornerParts.empty();
        const Response fromTexts = ownNetwork
            ? entry.response(fresh, typicalBoxes(circuit, locale), locale)
            : ComputeResponse(withTypicalValues(textsOf(e, boxes, result.updates), locale), locale);
        QCOMPARE(r.figures.gain, fromTexts.figures.gain);
        QCOMPARE(entry.netlist(fromTexts, QStringLiteral("Лампа")), netlist);
        // A preamplifier's gain stays below the tube's own μ (a pentode's: below S·Ri);
        // a follower's below one.
        const double mu = e.record.size() > 6 && entry.data->tube == model::TubeType::Triode
                              ? e.record[6].toDouble()
                              : e.record[5].toDouble() * e.record[7].toDouble();
        const double gain = std::abs(r.figures.gain);
        if (!entry.data->outputTransformer)
            QVERIFY2(gain > 0 && gain < mu, qPrintable(QString::number(r.figures.gain)));
        if (circuit == Circuit::CathodeFollower || circuit == Circuit::SplitLoad)
            QVERIFY2(gain < 1, qPrintable(QString::number(r.figures.gain)));
    }

    void aFailedCalculationHandsNothingOn_data()
    {
        QTest::addColumn<Circuit>("circuit");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        for (const stage::CircuitData &data : stage::kCircuits) {
            QTest::addRow("%s, Ea not a number", data.windowName) << data.circuit << "Ea" << "двести";
            // The preamplifiers and the pentode power stage keep the original
            // formulas, which take any number; the stages solved on the model refuse.
            if (data.circuit == Circuit::TriodeOutput || data.circuit == Circuit::PushPull) {
                QTest::addRow("%s, Ea zero", data.windowName) << data.circuit << "Ea" << "0";
                QTest::addRow("%s, Fmin negative", data.windowName) << data.circuit << "Fn1" << "-20";
            }
        }
        QTest::newRow("push-pull, no cathode resistor") << Circuit::PushPull << "Rk" << "0";
        QTest::newRow("triode output, ratio out of range") << Circuit::TriodeOutput << "Kn" << "1000";
    }
    void aFailedCalculationHandsNothingOn()
    {
        QFETCH(Circuit, circuit);
        QFETCH(QString, box);
        QFETCH(QString, text);
        Example e = example(circuit);
        e.boxes[box] = text;
        const StageResult result = calculateBoxes(circuit, e.boxes, LoadedTube{e.record}, pointLocale);
        QVERIFY(result.message);
        QVERIFY(!result.message->text.isEmpty());
        QVERIFY(!result.solved);
    }

    void aNewStagesPlotPiecesStayOnTheAxes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<model::TubeFigures>("figures");
        QTest::addColumn<double>("ugq");
        QTest::newRow("ECC83 at its point") << int(model::TubeType::Triode)
                                            << model::TubeFigures{250, 1.2, -2, 1.6, 100, 62.5} << -1.4;
        QTest::newRow("EL84 at its point") << int(model::TubeType::Pentode)
                                           << model::TubeFigures{250, 48, -7.3, 11.3, 0, 38, 250, 5.5} << -7.3;
        QTest::newRow("ECC83, no bias yet") << int(model::TubeType::Triode)
                                            << model::TubeFigures{250, 1.2, -2, 1.6, 100, 62.5} << 0.0;
    }
    void aNewStagesPlotPiecesStayOnTheAxes()
    {
        QFETCH(int, type);
        QFETCH(model::TubeFigures, figures);
        QFETCH(double, ugq);
        const model::TubeModel tube(model::TubeType(type), figures);
        QVERIFY(tube.valid());
        const analysis::Axis ua = analysis::axisPast(2 * figures.ua0, pointLocale);
        const analysis::Axis ia = analysis::axisPast(3 * figures.ia0, pointLocale);
        const QList<analysis::Curve> curves =
            analysis::curvesOnAxes(tube, ugq, std::abs(figures.uc), ua, ia, pointLocale);
        QVERIFY2(curves.size() >= 6 && curves.size() <= 10, qPrintable(QString::number(curves.size())));
        QCOMPARE(curves.first().ug, 0.0);
        // Each lower curve carries less current at the same anode voltage, and reaches past the bias.
        for (qsizetype i = 1; i < curves.size(); ++i) {
            QVERIFY(curves[i].ug < curves[i - 1].ug);
            QVERIFY(tube.anodeCurrent(ua.max / 2, curves[i].ug) <= tube.anodeCurrent(ua.max / 2, curves[i - 1].ug));
        }
        QVERIFY(curves.last().ug <= -2 * (ugq != 0 ? std::abs(ugq) : std::abs(figures.uc)) + 1e-9);
        analysis::Analysis plot;
        plot.ua = ua;
        plot.ia = ia;
        plot.curves = curves;
        // A line from far outside is cut to the axes; one wholly outside vanishes.
        plot.acLoadLine = analysis::lineOnAxes({-ua.max, 0}, {ua.max, ia.max}, ua, ia);
        QCOMPARE(plot.acLoadLine, (QList<QPointF>{{0, ia.max / 2}, {ua.max, ia.max}}));
        QVERIFY(analysis::lineOnAxes({2 * ua.max, 0}, {3 * ua.max, ia.max}, ua, ia).isEmpty());
        QVERIFY(analysis::insideAxes(plot));
        plot.operatingPoint = {ua.max * 1.01, 0};
        QVERIFY(!analysis::insideAxes(plot));
    }

    // The power stage's primary is worked out from the numbers, not read
    // back from its shown Rt1; it must still be the figure the window shows,
    // or nothing where the calculation stops before showing it.
    void thePowerStagesPrimaryIsTheRt1ItShows_data()
    {
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QString>("fmin");
        QTest::addColumn<QString>("ri");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("shown");
        for (const auto &[name, locale] : {std::pair{"point", pointLocale}, {"comma", commaLocale}}) {
            QTest::addRow("worked example, %s", name) << "250" << "20" << "15" << locale << true;
            QTest::addRow("odd supply, %s", name) << "333.3" << "20" << "15" << locale << true;
            // Kt then takes a negative root: Rt1 is shown before the message.
            QTest::addRow("swing below zero, %s", name) << "250" << "20" << "300" << locale << true;
            QTest::addRow("large supply, %s", name) << "123456.7" << "20" << "15" << locale << true;
            QTest::addRow("no lowest frequency, %s", name) << "250" << "0" << "15" << locale << false;
            QTest::addRow("supply no number, %s", name) << "x" << "20" << "15" << locale << false;
        }
    }
    void thePowerStagesPrimaryIsTheRt1ItShows()
    {
        QFETCH(QString, ea);
        QFETCH(QString, fmin);
        QFETCH(QString, ri);
        QFETCH(QLocale, locale);
        QFETCH(bool, shown);
        Example e = example(Circuit::PentodePower);
        e.boxes["Ea"] = ea;
        e.boxes["Fn1"] = fmin;
        e.record[7] = ri;
        const QHash<QString, QString> boxes = local(e.boxes, locale);
        const Calculation c = calculateStage(Circuit::PentodePower, stage::textsOfBoxes(boxes, LoadedTube{e.record}),
                                             locale);
        std::optional<double> rt1;
        for (const DisplayUpdate &update : c.result.updates)
            if (update.output == QLatin1String("Rt1"))
                rt1 = common::toNumber(update.text, locale);
        QCOMPARE(rt1.has_value(), shown);
        QCOMPARE(c.setup.rp, rt1.value_or(0));
        QCOMPARE(stage::powerStagePrimary(c.setup), c.setup.rp);
    }

    // The follower, the splitter and the pair calculate from the table's
    // reading alone: each box's number lands where the solve looks for it, and
    // a box that is no number, or blank where a number is needed, is refused
    // by the calculation as the input error with nothing shown. Only the
    // pair's tail supply may be blank: the tail then returns to ground.
    void theTablesReadingIsAllTheCalculationTakes_data()
    {
        QTest::addColumn<Circuit>("circuit");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("number"); // what the setup holds for it; NaN: none
        for (const Circuit circuit : {Circuit::CathodeFollower, Circuit::SplitLoad, Circuit::LongTailedPair}) {
            const char *name = stage::circuitData(circuit).windowName;
            QTest::addRow("%s, as in the example", name) << circuit << "Ea" << "300" << 300.0;
            QTest::addRow("%s, Rn no number", name) << circuit << "Rn" << "x" << qQNaN();
            QTest::addRow("%s, Rn blank", name) << circuit << "Rn" << " " << qQNaN();
            QTest::addRow("%s, Ea with the other separator", name) << circuit << "Ea" << "300,5" << qQNaN();
            QTest::addRow("%s, R1 beyond a double", name) << circuit << "R11" << "1e400" << qQNaN();
            QTest::addRow("%s, Fmin fractional", name) << circuit << "Fn1" << "12.5" << 12.5;
        }
        QTest::newRow("follower, Rk fractional") << Circuit::CathodeFollower << "Rk" << "2.2" << 2.2;
        QTest::newRow("follower, Rk blank") << Circuit::CathodeFollower << "Rk" << "" << qQNaN();
        QTest::newRow("splitter, Rak no number") << Circuit::SplitLoad << "Rak" << "много" << qQNaN();
        QTest::newRow("splitter, Rak fractional") << Circuit::SplitLoad << "Rak" << "39.5" << 39.5;
        QTest::newRow("pair, tail supply typed positive") << Circuit::LongTailedPair << "Et" << "150" << -150.0;
        QTest::newRow("pair, tail supply negative") << Circuit::LongTailedPair << "Et" << "-150" << -150.0;
        QTest::newRow("pair, tail supply blank") << Circuit::LongTailedPair << "Et" << "" << 0.0;
        QTest::newRow("pair, tail supply spaces") << Circuit::LongTailedPair << "Et" << "   " << 0.0;
        QTest::newRow("pair, tail supply no number") << Circuit::LongTailedPair << "Et" << "-1ё" << qQNaN();
        QTest::newRow("pair, tail no number") << Circuit::LongTailedPair << "Rt" << "x" << qQNaN();
        QTest::newRow("pair, Ra fractional") << Circuit::LongTailedPair << "Ra" << "82.5" << 82.5;
    }
    void theTablesReadingIsAllTheCalculationTakes()
    {
        QFETCH(Circuit, circuit);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(double, number);
        Example e = example(circuit);
        e.boxes[box] = text;
        const stage::StageTexts texts = stage::textsOfBoxes(e.boxes, LoadedTube{e.record});
        const int reads = stage::readsSoFar();
        const stage::StageSetup s = stageEntry(circuit).read(circuit, texts, pointLocale);
        QCOMPARE(stage::readsSoFar() - reads, 1);

        // Where the solve looks for the box; a box that is no number reads 0 there.
        const QHash<QString, double> placed{{"Ea", s.ea},          {"Fn1", s.fmin},     {"R11", s.r1.value_or(0)},
                                            {"Rn", s.rn.value_or(0)}, {"Rk", s.followerR}, {"Rak", s.followerR},
                                            {"Ra", s.ra},          {"Rt", s.tail},      {"Et", s.tailVoltage}};
        QVERIFY(placed.contains(box));
        QCOMPARE(placed.value(box), std::isnan(number) ? 0.0 : number);
        QCOMPARE(s.r1.has_value(), box != QLatin1String("R11") || !std::isnan(number));
        QCOMPARE(s.rn.has_value(), box != QLatin1String("Rn") || !std::isnan(number));
        if (circuit != Circuit::LongTailedPair)
            QCOMPARE(s.outputLoad, s.rn.value_or(0));
        // A tail supply is never above ground, whatever its sign was typed.
        QVERIFY(s.tailVoltage <= 0);

        const int readsBefore = stage::readsSoFar();
        const StageResult r = stageEntry(circuit).calculate(s, pointLocale);
        QCOMPARE(stage::readsSoFar(), readsBefore);
        const bool refused = std::isnan(number);
        const QString inputError = QStringLiteral("Ошибка ввода: Введено не числовое значение или не выбрана лампа");
        QCOMPARE(r.message && r.message->text == inputError, refused);
        if (refused)
            QVERIFY(r.updates.isEmpty());
    }

    // Boxes take the locale's separator only; the record either, so a record
    // written under one locale reads the same under another.
    void theReadKeepsWhatIsNoNumberAndWhatIsBlank_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("blank");
        QTest::addColumn<double>("number"); // NaN: no number
        QTest::newRow("point, point") << pointLocale << "250.5" << false << 250.5;
        QTest::newRow("point, comma") << pointLocale << "250,5" << false << qQNaN();
        QTest::newRow("comma, comma") << commaLocale << "250,5" << false << 250.5;
        QTest::newRow("comma, point") << commaLocale << "250.5" << false << qQNaN();
        QTest::newRow("blank") << pointLocale << "  " << true << qQNaN();
        QTest::newRow("empty") << commaLocale << "" << true << qQNaN();
        QTest::newRow("word") << pointLocale << "x" << false << qQNaN();
        QTest::newRow("beyond a double") << pointLocale << "1e400" << false << qQNaN();
    }
    void theReadKeepsWhatIsNoNumberAndWhatIsBlank()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, blank);
        QFETCH(double, number);
        Example e = example(Circuit::PushPull);
        e.boxes["Otvod"] = text;
        e.record[1] = text.isEmpty() || text.trimmed().isEmpty() ? e.record[1] : text; // the heater current
        e.record.removeLast();                                                           // no screen current
        const stage::StageSetup s =
            stage::readStandardSetup(Circuit::PushPull, stage::textsOfBoxes(e.boxes, LoadedTube{e.record}), locale);
        QCOMPARE(s.box("Otvod").blank, blank);
        QCOMPARE(s.box("Otvod").number.has_value(), !std::isnan(number));
        if (!std::isnan(number))
            QCOMPARE(*s.box("Otvod").number, number);
        // A box the window does not have is blank.
        QVERIFY(s.box("Kn").blank && !s.box("Kn").number);
        // The record's field reads with either separator, and the ended record has no screen current.
        const std::optional<double> heater = s.fields[TubeField::HeaterCurrent];
        if (text.contains(u'.') || text.contains(u','))
            QCOMPARE(heater.value_or(qQNaN()), 250.5);
        QVERIFY(s.fields.has(TubeField::ScreenVoltage) && !s.fields.has(TubeField::ScreenCurrent));
        QVERIFY(!s.fields[TubeField::ScreenCurrent]);
        // The calculation refuses that record for its missing screen before any box.
        const StageResult r = stageEntry(Circuit::PushPull).calculate(s, locale);
        QVERIFY(r.message && r.message->text.contains(QStringLiteral("экранной сетки")));
        QVERIFY(r.updates.isEmpty());
    }

    void aPentodeRecordCannotFeedATriodeStage()
    {
        // A record read as a triode where its line 7 is a pentode's Ri of thousands:
        // the read takes the fields of the circuit's tube type, never the screen's.
        stage::StageTexts texts;
        texts.record = example(Circuit::PentodePreamp).record;
        texts.boxes = example(Circuit::TriodePreamp).boxes;
        const stage::StageSetup triode = stage::readStandardSetup(Circuit::TriodePreamp, texts, pointLocale);
        const stage::StageSetup pentode = stage::readStandardSetup(Circuit::PentodePreamp, texts, pointLocale);
        QCOMPARE(triode.tube.ug2, 0.0);
        QCOMPARE(pentode.tube.mu, 0.0);
        QCOMPARE(pentode.tube.ug2, 100.0);
        QCOMPARE(triode.tube.mu, 2000.0);
    }
};

QTEST_GUILESS_MAIN(StageTableTest)
#include "tst_stagetable.moc"
