// SPDX-License-Identifier: GPL-3.0-or-later
// What the model window shows, without the window: the model in use, its
// curves at the measured grid voltages, its error on the points, and the
// mark of a model fitted to another record's figures, in both locales.
#include "anodix/analysis/modelview.h"

#include <QTest>
#include <cmath>
#include <set>

using namespace anodix;
using namespace anodix::analysis;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);
const QLocale commaLocale(QLocale::Russian, QLocale::Russia);
const QString powerLaw = QStringLiteral("степень 3/2 по рабочей точке");

const QStringList t300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "19", "38", "250", "5.5"};

std::shared_ptr<const model::ModelFile> korenTriode()
{
    auto file = std::make_shared<model::ModelFile>();
    file->type = model::ModelKind::KorenTriode;
    file->params = model::KorenTriodeParameters{3.9, 1.38, 1250, 60, 320};
    file->record_ua = 300;
    file->record_ia = 60;
    file->record_uc = 61;
    return file;
}

std::shared_ptr<const model::ModelFile> korenPentode()
{
    auto file = std::make_shared<model::ModelFile>();
    file->type = model::ModelKind::KorenPentode;
    file->params = model::KorenPentodeParameters{19, 1.35, 650, 4500, 40, 20};
    return file;
}

model::TubeModel modelOf(model::TubeType type, const QStringList &record,
                         std::shared_ptr<const model::ModelFile> file)
{
    model::TubeFigures f = RecordFigures(type, record, pointLocale);
    f.model = std::move(file);
    return model::TubeModel(type, f);
}

// Points on a tube's curves at the grid (and screen) voltages given, every 25 V up to 400 V.
std::vector<model::MeasuredPoint> pointsOn(const model::TubeModel &tube, const QList<double> &grids,
                                           const QList<double> &screens = {0})
{
    std::vector<model::MeasuredPoint> points;
    for (double u2 : screens) {
        const model::TubeModel at = u2 > 0 ? tube.withScreenAt(u2) : tube;
        for (double ug : grids)
            for (double ua = 25; ua <= 400; ua += 25)
                points.push_back({ua, ug, at.anodeCurrent(ua, ug), u2, u2 > 0 ? at.screenCurrent(ua, ug) : 0,
                                  u2 > 0});
    }
    return points;
}

double number(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    return ok ? value : qQNaN();
}

} // namespace

Q_DECLARE_METATYPE(std::shared_ptr<const model::ModelFile>)

class TestModelView : public QObject
{
    Q_OBJECT

private slots:
    void curvesFollowTheMeasuredVoltages_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<std::shared_ptr<const model::ModelFile>>("generator");
        QTest::addColumn<QList<double>>("grids");
        QTest::addColumn<QList<double>>("screens");
        QTest::addColumn<QLocale>("locale");
        const int triode = int(model::TubeType::Triode), pentode = int(model::TubeType::Pentode);
        QTest::newRow("300B, Koren points over the 3/2 law")
            << triode << t300B << korenTriode() << QList<double>{0, -20, -40, -60, -80} << QList<double>{0}
            << pointLocale;
        QTest::newRow("300B, 3/2-law points (ru_RU)")
            << triode << t300B << std::shared_ptr<const model::ModelFile>() << QList<double>{0, -30, -61}
            << QList<double>{0} << commaLocale;
        QTest::newRow("EL84, Koren points at two screen voltages")
            << pentode << el84 << korenPentode() << QList<double>{0, -5, -10} << QList<double>{200, 250}
            << pointLocale;
    }
    void curvesFollowTheMeasuredVoltages()
    {
        QFETCH(int, type);
        QFETCH(QStringList, record);
        QFETCH(std::shared_ptr<const model::ModelFile>, generator);
        QFETCH(QList<double>, grids);
        QFETCH(QList<double>, screens);
        QFETCH(QLocale, locale);
        const auto tubeType = model::TubeType(type);
        ModelViewInput input{tubeType, record, nullptr,
                             pointsOn(modelOf(tubeType, record, generator), grids, screens)};
        const ModelView view = ViewModel(input, locale);
        QVERIFY2(view.ok(), qPrintable(view.problem));
        QCOMPARE(view.modelName, powerLaw);
        // One curve per grid and screen voltage measured, from Ug = 0 down.
        QCOMPARE(view.curves.size(), grids.size() * screens.size());
        std::set<double> shown;
        for (const Curve &curve : view.curves) {
            shown.insert(curve.ug);
            QVERIFY(grids.contains(curve.ug));
            QVERIFY(!curve.points.isEmpty());
            for (const QPointF &p : curve.points) {
                QVERIFY(p.x() >= 0 && p.x() <= view.ua.max);
                QVERIFY(p.y() >= 0 && p.y() <= view.ia.max * (1 + 1e-9));
            }
        }
        QCOMPARE(int(shown.size()), grids.size());
        QCOMPARE(view.curves.first().ug, 0.0);
        // Every point is on the plot: the axes hold the largest measured.
        QCOMPARE(view.measured.size(), qsizetype(input.points.size()));
        // The percentage is the RMS over the largest current measured.
        QCOMPARE(view.errors.size(), 2);
        double largest = 0;
        for (const model::MeasuredPoint &p : input.points)
            largest = std::max(largest, p.ia);
        const double rms = number(view.errors[0].value, locale), percent = number(view.errors[1].value, locale);
        QVERIFY(rms >= 0 && percent >= 0);
        QVERIFY(std::abs(percent - 100 * rms / largest) <= 0.01 + 100 * 0.0005 / largest);
        QCOMPARE(view.errors[0].spoken(), QStringLiteral("Среднеквадратичная ошибка ") + view.errors[0].value
                                              + QStringLiteral(" мА"));
        // The 3/2 law is its own best fit; any other tube's points lie off it.
        if (generator)
            QVERIFY(percent > 1);
        else
            QCOMPARE(rms, 0.0);
        for (const AnalysisRow &row : view.parameters + view.errors)
            QVERIFY2(!row.value.contains(u'E') && !row.value.isEmpty(), qPrintable(row.value));
    }

    void theFittedModelIsShownWithItsParameters()
    {
        const auto file = korenTriode();
        ModelViewInput input{model::TubeType::Triode, t300B, file,
                             pointsOn(modelOf(model::TubeType::Triode, t300B, file), {0, -40})};
        const ModelView view = ViewModel(input, pointLocale);
        QVERIFY(view.ok());
        QVERIFY(view.modelName != powerLaw);
        QStringList names;
        for (const AnalysisRow &row : view.parameters)
            names << row.caption;
        QCOMPARE(names, (QStringList{"μ", "Ex", "Kg1", "Kp", "Kvb"}));
        QCOMPARE(view.parameters[2].value, QStringLiteral("1250"));
        // Its own points: no error.
        QCOMPARE(view.errors[0].value, QStringLiteral("0"));
        QVERIFY(view.note.isEmpty());
    }

    void withoutPointsRoundStepsReachTwiceTheBias_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("record");
        QTest::newRow("300B, Uc 61 V") << int(model::TubeType::Triode) << t300B;
        QTest::newRow("EL84, Uc 7.3 V") << int(model::TubeType::Pentode) << el84;
    }
    void withoutPointsRoundStepsReachTwiceTheBias()
    {
        QFETCH(int, type);
        QFETCH(QStringList, record);
        const ModelView view = ViewModel({model::TubeType(type), record, nullptr, {}}, pointLocale);
        QVERIFY(view.ok());
        QVERIFY(view.curves.size() >= 6 && view.curves.size() <= 10);
        QCOMPARE(view.curves.first().ug, 0.0);
        const double step = view.curves[0].ug - view.curves[1].ug;
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
        QVERIFY2(qFuzzyCompare(mantissa, 1.0) || qFuzzyCompare(mantissa, 2.0) || qFuzzyCompare(mantissa, 5.0),
                 qPrintable(QString::number(step)));
        for (qsizetype i = 1; i < view.curves.size(); ++i)
            QVERIFY(qFuzzyCompare(view.curves[i - 1].ug - view.curves[i].ug, step));
        const double bias = RecordFigures(model::TubeType(type), record, pointLocale).uc;
        QVERIFY(-view.curves.last().ug >= 2 * bias || view.curves.size() == 10);
        QVERIFY(view.errors.isEmpty());
        QVERIFY(view.measured.isEmpty());
    }

    void aMovedRecordPointMarksTheModel_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("marked");
        QTest::newRow("as fitted") << 3 << "60" << false;
        QTest::newRow("Ia 4 % up") << 3 << "62.4" << false;
        QTest::newRow("Ia 6 % up") << 3 << "63.6" << true;
        QTest::newRow("Ua 6 % down") << 2 << "282" << true;
        QTest::newRow("Uc 10 % up") << 4 << "67.1" << true;
    }
    void aMovedRecordPointMarksTheModel()
    {
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(bool, marked);
        QStringList record = t300B;
        record[field] = value;
        const ModelView view = ViewModel({model::TubeType::Triode, record, korenTriode(), {}}, pointLocale);
        QVERIFY(view.ok());
        QCOMPARE(!view.note.isEmpty(), marked);
    }

    void aRecordTheModelCannotTakeIsRefused()
    {
        QStringList broken = t300B;
        broken[3] = "0";
        const ModelView view = ViewModel({model::TubeType::Triode, broken, nullptr, {}}, pointLocale);
        QVERIFY(!view.ok());
        QVERIFY(view.curves.isEmpty());
    }
};

QTEST_MAIN(TestModelView)
#include "tst_modelview.moc"
