// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings check against what the windows show: a warning above a rating
// and none below it for every stage kind, the EL34 pair that idles past its
// sheet's 25 W, and the pair's dissipation at full drive against a cycle
// solved apart.
#include "anodix/analysis/ratings.h"
#include "anodix/stages/numbertext.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"
#include "anodix/tubedb/tubelimits.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::analysis;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

const QStringList ecc83{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};
const QStringList ef86{"6.3", "0.2", "250", "3", "2", "2", "5000", "2500", "140", "0.6"};
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"};
const QStringList el34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
const QStringList tube300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};

// The stage as its window would pass it on, with the stage's own outputs.
AnalysisInput stageInput(Circuit kind, const QLocale &locale)
{
    const auto local = [&](QString text) { return text.replace(u'.', locale.decimalPoint()); };
    AnalysisInput in;
    in.circuit = kind;
    in.tubeName = QStringLiteral("T");
    in.fmin = QStringLiteral("20");
    in.r1 = QStringLiteral("470");
    in.rn = QStringLiteral("8");
    StageResult result;
    switch (kind) {
    case Circuit::TriodePreamp:
        in.record = ecc83;
        in.ea = QStringLiteral("250");
        result = CalculateTriodeStage(in.ea, in.fmin, in.r1, LoadedTube{in.record}, locale);
        break;
    case Circuit::PentodePreamp:
        in.record = ef86;
        in.ea = QStringLiteral("250");
        break;
    case Circuit::PentodePower:
        in.record = el84;
        in.ea = QStringLiteral("250");
        result = CalculatePowerStage(in.ea, in.fmin, in.r1, in.rn, LoadedTube{el84.mid(0, 8)}, locale);
        break;
    case Circuit::TriodeOutput:
        in.record = tube300B;
        in.ea = QStringLiteral("361");
        in.kn = QStringLiteral("3");
        result = CalculateTriodeOutputStage(in.ea, in.fmin, in.r1, in.rn, in.kn, LoadedTube{in.record}, locale);
        break;
    case Circuit::PushPull:
        in.record = el34;
        in.ea = in.ug2 = QStringLiteral("375");
        in.raa = local(QStringLiteral("3.4"));
        in.rk = QStringLiteral("130");
        result = CalculatePushPullStage({in.ea, in.ug2, in.fmin, in.r1, in.rn, in.raa, in.rk}, LoadedTube{el34},
                                        locale);
        break;
    }
    in.outputs = result.updates;
    return in;
}

double number(const QString &text, const QLocale &locale)
{
    const std::optional<double> value = toNumber(text, locale);
    return value ? *value : qQNaN();
}

// A figure as a window shows it: a stage output, or a row of the characteristics.
double shown(const AnalysisInput &in, const char *name, const QLocale &locale)
{
    for (const DisplayUpdate &update : in.outputs)
        if (update.output == QLatin1String(name))
            return number(update.text, locale);
    for (const AnalysisRow &row : AnalyzeStage(in, locale).rows)
        if (qstrcmp(row.name, name) == 0)
            return number(row.value, locale);
    return qQNaN();
}

enum class Rating { AnodePower, ScreenPower, AnodeVoltage, CathodeCurrent };

} // namespace

class TestRatings : public QObject
{
    Q_OBJECT

private slots:
    void warnsAboveARatingAndNotBelowIt_data();
    void warnsAboveARatingAndNotBelowIt();
    void theEl34PairIdlesPastItsSheetsRating();
    void fullDriveDissipationAgreesWithACycleSolvedApart_data();
    void fullDriveDissipationAgreesWithACycleSolvedApart();
};

void TestRatings::warnsAboveARatingAndNotBelowIt_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("rating");
    QTest::addColumn<double>("factor"); // the rating as a multiple of the shown figure
    QTest::addColumn<QString>("sentence");

    const QString power = QStringLiteral("Мощность на аноде "), current = QStringLiteral("Ток катода ");
    const QList<std::tuple<const char *, Circuit, Rating, QString>> cases{
        {"triode preamplifier, anode", Circuit::TriodePreamp, Rating::AnodePower, power},
        {"pentode preamplifier, anode", Circuit::PentodePreamp, Rating::AnodePower, power},
        {"pentode power stage, anode", Circuit::PentodePower, Rating::AnodePower, power},
        {"triode power stage, anode", Circuit::TriodeOutput, Rating::AnodePower, power},
        {"push-pull, anode", Circuit::PushPull, Rating::AnodePower, power},
        {"push-pull, screen", Circuit::PushPull, Rating::ScreenPower, "Мощность на экранной сетке "},
        {"triode preamplifier, anode voltage", Circuit::TriodePreamp, Rating::AnodeVoltage, "Напряжение на аноде "},
        {"triode power stage, cathode", Circuit::TriodeOutput, Rating::CathodeCurrent, current},
        {"push-pull, cathode", Circuit::PushPull, Rating::CathodeCurrent, current},
    };
    for (const QLocale &locale : {pointLocale, commaLocale})
        for (const auto &[name, kind, rating, sentence] : cases)
            for (const double factor : {0.95, 1.05})
                QTest::addRow("%s, rating %s the shown figure (%s)", name, factor < 1 ? "below" : "above",
                              qPrintable(locale.name()))
                    << locale << int(kind) << int(rating) << factor << sentence;
}

// The figure compared is taken from what the windows show, not from the check.
void TestRatings::warnsAboveARatingAndNotBelowIt()
{
    QFETCH(QLocale, locale);
    QFETCH(int, kind);
    QFETCH(int, rating);
    QFETCH(double, factor);
    QFETCH(QString, sentence);

    AnalysisInput in = stageInput(Circuit(kind), locale);
    const bool pushPull = Circuit(kind) == Circuit::PushPull;
    double figure = 0;
    TubeLimits limits;
    switch (Rating(rating)) {
    case Rating::AnodePower:
        figure = pushPull ? shown(in, "Pa", locale) : shown(in, "Uq", locale) * shown(in, "Iq", locale) / 1000;
        limits.anodeDissipation = figure * factor;
        break;
    case Rating::ScreenPower: // the screens sit at Ug2 less the cathode's rise, Ugq below zero
        figure = (number(in.ug2, locale) + shown(in, "Ugq", locale)) * shown(in, "Ig2q", locale) / 1000;
        limits.screenDissipation = figure * factor;
        break;
    case Rating::AnodeVoltage:
        figure = shown(in, "Uq", locale);
        limits.anodeVoltage = figure * factor;
        break;
    case Rating::CathodeCurrent:
        figure = shown(in, "Iq", locale) + (pushPull ? shown(in, "Ig2q", locale) : 0);
        limits.cathodeCurrent = figure * factor;
        break;
    }
    QVERIFY2(figure > 0, qPrintable(QString::number(figure)));
    in.limits = limits;

    const QStringList warnings = RatingWarnings(in, locale);
    const QString limit = QRegularExpression::escape(doubleText(figure * factor, locale));
    const QStringList matching = warnings.filter(
        QRegularExpression(u'^' + sentence + QStringLiteral(".* больше допустим(ой|ого) ") + limit + u' '));
    QVERIFY2(matching.size() == (factor < 1 ? 1 : 0), qPrintable(warnings.join(u'|')));
}

// The case that was never warned of, with the bundled EL34 ratings.
void TestRatings::theEl34PairIdlesPastItsSheetsRating()
{
    QFile file(QStringLiteral(ANODIX_DATA_DIR "/bd/tetrod/EL34.limits"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const LimitsRead sheet = parseTubeLimits(file.readAll());
    QVERIFY2(sheet.ok(), qPrintable(sheet.error));

    AnalysisInput in = stageInput(Circuit::PushPull, pointLocale);
    in.limits = sheet.limits;
    const QStringList warnings = RatingWarnings(in, pointLocale);
    QVERIFY(!warnings.isEmpty());
    QCOMPARE(warnings.first(), QStringLiteral("Мощность на аноде 31.9 Вт больше допустимой 25 Вт"));
    // The window shows the same point.
    QCOMPARE(shown(in, "Pa", pointLocale), 31.94);
}

void TestRatings::fullDriveDissipationAgreesWithACycleSolvedApart_data()
{
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QStringList>("typed"); // Ea, Ug2, Raa, Rk
    QTest::addColumn<bool>("classA");
    QTest::newRow("EL84 pair in class A") << el84 << QStringList{"250", "250", "8", "50"} << true;
    QTest::newRow("EL84 pair in AB1") << el84 << QStringList{"250", "250", "8", "130"} << false;
    QTest::newRow("EL34 pair in AB1 past its rating") << el34 << QStringList{"375", "375", "3.4", "130"} << false;
}

// One tube over the whole cycle, its pair solved at each phase by plain
// bisection on the composite line (the check's own road: no symmetry folded
// in, no shared solver). In class A the anode also gives up output, so it
// runs cooler at full drive than at rest.
void TestRatings::fullDriveDissipationAgreesWithACycleSolvedApart()
{
    QFETCH(QStringList, record);
    QFETCH(QStringList, typed);
    QFETCH(bool, classA);

    const StageResult result = CalculatePushPullStage({typed[0], typed[1], "20", "470", "8", typed[2], typed[3]},
                                                      LoadedTube{record}, pointLocale);
    QVERIFY(!result.message);
    AnalysisInput shownStage;
    shownStage.outputs = result.updates;
    QVERIFY(result.updates.contains(DisplayUpdate{"Klass", classA ? "A" : "AB1"}));

    model::TubeFigures figures;
    figures.ua0 = record[2].toDouble();
    figures.ia0 = record[3].toDouble();
    figures.uc = record[4].toDouble();
    figures.s = record[5].toDouble();
    figures.ri = record[7].toDouble();
    figures.ug2 = record[8].toDouble();
    figures.ig2 = record[9].toDouble();
    const model::TubeModel tube(model::TubeType::Pentode, figures);
    const stage::PushPullCircuit circuit{typed[0].toDouble(), typed[1].toDouble(), typed[2].toDouble(),
                                         typed[3].toDouble()};
    const stage::PushPullPoint p = stage::solvePushPull(tube, circuit);
    const double full = p.paDriven;

    // At the cathode voltage the drive settles at: the bias is the solver's, the cycle this test's.
    const model::TubeModel screened = tube.withScreenAt(p.u2Driven);
    const double q = circuit.raa / 4;
    constexpr int kPhases = 720;
    double sum = 0;
    for (int k = 0; k < kPhases; ++k) {
        const double u = p.uk * std::sin(2 * M_PI * (k + 0.5) / kPhases);
        const auto excess = [&](double ic) {
            return ic - (screened.anodeCurrent(p.eqDriven - ic * q, -p.ukDriven + u)
                         - screened.anodeCurrent(p.eqDriven + ic * q, -p.ukDriven - u));
        };
        double low = -p.eqDriven / q, high = p.eqDriven / q;
        for (int i = 0; i < 200; ++i)
            (excess((low + high) / 2) > 0 ? high : low) = (low + high) / 2;
        const double ua1 = p.eqDriven - (low + high) / 2 * q;
        sum += ua1 * screened.anodeCurrent(ua1, -p.ukDriven + u);
    }
    const double apart = sum / kPhases / 1000;
    QVERIFY2(std::abs(full - apart) <= 1e-3 * apart, qPrintable(QStringLiteral("%1 W, apart %2 W").arg(full).arg(apart)));
    const double rest = shown(shownStage, "Pa", pointLocale);
    if (classA)
        QVERIFY2(full < rest, qPrintable(QStringLiteral("full %1 W, rest %2 W").arg(full).arg(rest)));
}

QTEST_APPLESS_MAIN(TestRatings)
#include "tst_ratings.moc"
