// SPDX-License-Identifier: GPL-3.0-or-later
// The companion windows' plots and placement through their public faces: the
// frequency plot's axis follows the curve (no flat line at the bottom), the
// characteristics plot's lines differ in colour and dash with a legend for
// each, its curve labels never meet, and the two windows open side by side.
#include "anodix/charts/besidestage.h"
#include "anodix/charts/characteristicsplot.h"
#include "anodix/charts/frequencyplot.h"
#include "anodix/response/response.h"

#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScreen>
#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::analysis;

namespace {

const QLocale commaLocale(QLocale::Russian, QLocale::Russia);

const QStringList ecc83{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};
const QStringList ef86{"6.3", "0.2", "250", "3", "2", "2", "0", "2500", "140", "0.6"};
const QStringList el84{"6.3", "0.76", "250", "48", "7.3", "11.3", "19", "38", "250", "5.5"};
const QStringList t300B{"5", "1.2", "300", "60", "61", "5.5", "3.85", "0.7"};

// A stage as its window leaves it after a calculation, in the comma locale.
AnalysisInput stageInput(Circuit kind)
{
    const bool output = kind == Circuit::TriodeOutput;
    AnalysisInput in{kind, "Лампа", kind == Circuit::TriodePreamp ? ecc83 : kind == Circuit::PentodePreamp ? ef86
                                      : output ? t300B : el84,
                     output ? "361" : "250", "20", "470", "8", {{"Rt1", "3,93"}}, "3", "250", "8", "130"};
    return in;
}

QList<QLineSeries *> lineSeries(const QChartView &view)
{
    QList<QLineSeries *> lines;
    for (QAbstractSeries *series : view.chart()->series()) {
        if (auto *line = qobject_cast<QLineSeries *>(series))
            lines.append(line);
    }
    return lines;
}

bool inLegend(const QChartView &view, QAbstractSeries *series)
{
    const QList<QLegendMarker *> markers = view.chart()->legend()->markers(series);
    return !markers.isEmpty() && markers.first()->isVisible();
}

// Response figures that fall from 0 dB at 100 Hz to depth at 1 Hz.
response::ResponseFigures falling(double depth)
{
    response::ResponseFigures f;
    f.gain = 10;
    f.gainDb = 20;
    f.atFmin = -3;
    for (int i = 0; i < 200; ++i) {
        const double hz = std::pow(10.0, 5.3 * i / 199);
        f.points.append({hz, std::min(0.0, depth * (1 - std::log10(hz) / 2))});
    }
    return f;
}

} // namespace

Q_DECLARE_METATYPE(response::ResponseFigures)

class TestPlots : public QObject
{
    Q_OBJECT

private slots:
    // The dB axis reaches down to the curve's lowest point in round steps, to
    // a floor past which the curve stops at the axis: never a flat line
    // along the bottom (the 300B stage is below −60 dB from 1 to 2 Hz).
    void frequencyAxisFollowsTheCurveDown_data()
    {
        QTest::addColumn<response::ResponseFigures>("figures");
        QTest::addColumn<bool>("whole"); // the curve fits above the floor
        for (const Circuit kind : {Circuit::TriodePreamp, Circuit::PentodePreamp, Circuit::PentodePower,
                                     Circuit::TriodeOutput, Circuit::PushPull}) {
            const response::Response r =
                response::ComputeResponse(response::withTypicalValues(stageInput(kind), commaLocale), commaLocale);
            QVERIFY2(r.ok(), qPrintable(r.problem));
            QTest::addRow("stage kind %d", int(kind)) << r.figures << true;
        }
        QTest::newRow("down to -75 dB") << falling(-75) << true;
        QTest::newRow("down to -300 dB") << falling(-300) << false;
    }
    void frequencyAxisFollowsTheCurveDown()
    {
        QFETCH(response::ResponseFigures, figures);
        QFETCH(bool, whole);
        charts::FrequencyPlot plot(commaLocale);
        QVERIFY(plot.setResponse(figures, 20));
        double lowest = 0;
        for (const response::ResponsePoint &p : figures.points)
            lowest = std::min(lowest, p.db);
        QCOMPARE(plot.floorDb() <= lowest, whole);
        qsizetype drawn = 0;
        for (const QLineSeries *line : lineSeries(plot)) {
            const QList<QPointF> points = line->points();
            drawn += points.size();
            for (qsizetype i = 0; i < points.size(); ++i) {
                QVERIFY(points[i].y() >= plot.floorDb() - 1e-9 && points[i].y() <= plot.topDb() + 1e-9);
                // Two points on the floor in a row would be the old flat clamp.
                if (i > 0)
                    QVERIFY(points[i].y() > plot.floorDb() + 1e-9 || points[i - 1].y() > plot.floorDb() + 1e-9);
            }
        }
        // Every point above the floor is drawn; a cut curve gains its crossing.
        const auto above = std::count_if(figures.points.cbegin(), figures.points.cend(),
                                         [&](const response::ResponsePoint &p) { return p.db >= plot.floorDb(); });
        QCOMPARE(drawn, above + (whole ? 0 : 1));
    }

    // Every load line has a colour and a dash of its own, apart from the
    // curves', and an entry in the legend; the curves are named beside them.
    void loadLinesDifferInColourAndDash_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("lines");
        QTest::newRow("triode") << int(Circuit::TriodePreamp) << 2;
        QTest::newRow("power") << int(Circuit::PentodePower) << 2;
        QTest::newRow("push-pull") << int(Circuit::PushPull) << 3;
    }
    void loadLinesDifferInColourAndDash()
    {
        QFETCH(int, kind);
        QFETCH(int, lines);
        charts::CharacteristicsPlot plot(commaLocale);
        const Analysis a = AnalyzeStage(stageInput(Circuit(kind)), commaLocale);
        QVERIFY2(a.ok(), qPrintable(a.problem));
        QVERIFY(plot.setAnalysis(a));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QCOMPARE(plot.chart()->legend()->markerShape(), QLegend::MarkerShapeFromSeries);
        QList<QLineSeries *> load, curves;
        for (QLineSeries *line : lineSeries(plot))
            (inLegend(plot, line) ? load : curves).append(line);
        QCOMPARE(load.size(), lines);
        QCOMPARE(curves.size(), a.curves.size());
        for (qsizetype i = 0; i < load.size(); ++i) {
            for (qsizetype j = i + 1; j < load.size(); ++j) {
                QVERIFY(load[i]->name() != load[j]->name());
                QVERIFY2(load[i]->pen().color() != load[j]->pen().color(), qPrintable(load[i]->name()));
                QVERIFY2(load[i]->pen().style() != load[j]->pen().style(), qPrintable(load[i]->name()));
            }
            QVERIFY(load[i]->pen().color() != curves.first()->pen().color());
        }
    }

    // Whatever the plot's size, the curve labels shown stand inside the plot
    // area apart from each other (the EL84's lowest curves end on one spot).
    void curveLabelsNeverMeet_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QSize>("size");
        for (const Circuit kind : {Circuit::TriodePreamp, Circuit::PentodePreamp, Circuit::PentodePower,
                                     Circuit::TriodeOutput, Circuit::PushPull}) {
            for (const QSize size : {QSize(552, 432), QSize(900, 700), QSize(320, 240)})
                QTest::addRow("kind %d, %dx%d", int(kind), size.width(), size.height()) << int(kind) << size;
        }
    }
    void curveLabelsNeverMeet()
    {
        QFETCH(int, kind);
        QFETCH(QSize, size);
        charts::CharacteristicsPlot plot(commaLocale);
        plot.resize(size);
        const Analysis a = AnalyzeStage(stageInput(Circuit(kind)), commaLocale);
        QVERIFY2(a.ok(), qPrintable(a.problem));
        QVERIFY(plot.setAnalysis(a));
        plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plot));
        QCoreApplication::processEvents();
        const QList<QRectF> boxes = plot.curveLabelBoxes();
        QVERIFY(!boxes.isEmpty());
        QVERIFY(boxes.size() <= a.curves.size());
        const QRectF area = plot.chart()->plotArea();
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            QVERIFY(area.contains(boxes[i]));
            // A pixel apart at least: labels that touch read as one.
            const QRectF halo = boxes[i].adjusted(-0.5, -0.5, 0.5, 0.5);
            for (qsizetype j = i + 1; j < boxes.size(); ++j)
                QVERIFY2(!halo.intersects(boxes[j].adjusted(-0.5, -0.5, 0.5, 0.5)),
                         qPrintable(QStringLiteral("labels %1 and %2").arg(i).arg(j)));
        }
    }

    // The companion windows open beside the stage window and beside each
    // other where the offscreen screen has room, never over the stage, a
    // companion or the screen's edge; with no room, as near as it allows.
    void companionsOpenSideBySide_data()
    {
        QTest::addColumn<QSizeF>("stage");     // fractions of the screen
        QTest::addColumn<QSizeF>("companion");
        QTest::addColumn<bool>("room");
        QTest::newRow("both right of the stage") << QSizeF(0.2, 0.3) << QSizeF(0.35, 0.5) << true;
        QTest::newRow("one right, one below") << QSizeF(0.3, 0.3) << QSizeF(0.6, 0.4) << true;
        QTest::newRow("no room for the second") << QSizeF(0.3, 0.3) << QSizeF(0.65, 0.75) << false;
    }
    void companionsOpenSideBySide()
    {
        QFETCH(QSizeF, stage);
        QFETCH(QSizeF, companion);
        QFETCH(bool, room);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const auto sized = [&](QSizeF f) { return QSize(int(screen.width() * f.width()), int(screen.height() * f.height())); };
        QWidget stageWindow;
        stageWindow.setGeometry(QRect(screen.topLeft(), sized(stage)));
        stageWindow.show();
        QWidget first, second;
        QList<QRect> placed;
        for (QWidget *window : {&first, &second}) {
            window->resize(sized(companion));
            charts::placeBeside(*window, stageWindow);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            placed.append(window->frameGeometry());
        }
        for (const QRect &r : std::as_const(placed)) {
            QVERIFY(screen.contains(r));
            QVERIFY(!r.intersects(stageWindow.frameGeometry()) || !room);
        }
        QCOMPARE(!placed[0].intersects(placed[1]), room);
        QVERIFY(!placed[0].intersects(stageWindow.frameGeometry()));
    }
};

QTEST_MAIN(TestPlots)
#include "tst_plots.moc"
