// SPDX-License-Identifier: GPL-3.0-or-later
// The supply window through its widgets: the main window's button, a stage
// window's item with its load, a calculation with its results, warnings and
// plot, refusals, Cancel, and the netlist export with a scripted dialog.
#include "windowfixture.h"

#include "common/numbertext.h"
#include "anodix/windows/blokpitaniya.h"

#include <QChartView>
#include <QComboBox>
#include <QLineSeries>
#include <QProgressBar>
#include <QSignalSpy>

using anodix::BlokPitaniya;
using anodix::WindowId;

namespace {

const Texts kWorked{{"U2", "300"}, {"Rw", "50"}, {"C1", "47"}, {"L", "5"}, {"Rf", "100"}, {"C2", "100"}, {"In", "150"}};

BlokPitaniya *supplyWindow(WindowFixture &f)
{
    return qobject_cast<BlokPitaniya *>(f.navigator.window(WindowId::BlokPitaniya));
}

void enter(const anodix::FormWindow *window, const Texts &texts)
{
    for (const auto &[box, text] : texts) {
        auto *edit = control<QLineEdit>(window, box);
        QVERIFY2(edit, qPrintable(box));
        edit->clear();
        QTest::keyClicks(edit, text);
    }
}

// Presses "Рассчитать" and waits for the simulation's thread to end.
void calculate(BlokPitaniya *window)
{
    QSignalSpy finished(window, &BlokPitaniya::calculationFinished);
    clickButton(window, "Command1");
    QVERIFY(finished.count() > 0 || finished.wait(60000));
}

} // namespace

class TestBlokPitaniya : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(visibleWindows().isEmpty());
    }

    void theMainWindowsButtonOpensTheSupply()
    {
        WindowFixture f;
        anodix::FormWindow *main = f.start();
        auto *button = control<QPushButton>(main, "BlokPitaniya1");
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Блок питания"));
        // The same size and column as the buttons above it.
        auto *above = control<QPushButton>(main, "Dvuhtakt1");
        QCOMPARE(button->size(), above->size());
        QCOMPARE(button->x(), above->x());
        QCOMPARE_GT(button->y(), above->y() + above->height());
        QVERIFY(main->client()->rect().contains(button->geometry()));
        clickButton(main, "BlokPitaniya1");
        QCOMPARE(visibleWindows(), QStringList{"BlokPitaniya"});
        QCOMPARE(shownWindow("BlokPitaniya")->windowTitle(), QStringLiteral("Anodix V1.0 - Блок питания"));
        // "Выход" leads back to the main window.
        triggerItem(shownWindow("BlokPitaniya"), "Exit");
        QCOMPARE(visibleWindows(), QStringList{"Obshaya"});
    }

    void theWorkedBridgeIsShownWithItsPlot_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("point") << kPointLocale;
        QTest::newRow("comma") << kCommaLocale;
    }

    void theWorkedBridgeIsShownWithItsPlot()
    {
        QFETCH(QLocale, locale);
        WindowFixture f(locale);
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        QVERIFY(w && w->isOpen());
        // Nothing is drawn before the first calculation.
        QVERIFY(!control<QChartView>(w, "Grafik"));
        enter(w, kWorked);
        calculate(w);
        QVERIFY2(f.dialogs.asked.isEmpty(), qPrintable(f.dialogs.messageTexts().join("; ")));
        const auto value = [&](const char *name) {
            return common::toNumber(control<QLabel>(w, name)->text(), locale).value_or(-1);
        };
        QCOMPARE_LT(std::abs(value("Uc1") / 380.95 - 1), 0.01);
        QCOMPARE_LT(std::abs(value("Uout") / 365.95 - 1), 0.01);
        QCOMPARE_LT(std::abs(value("Pout") / 96.8 - 1), 0.05);
        QCOMPARE_LT(std::abs(value("Ipk") / 800 - 1), 0.05);
        QCOMPARE_LT(std::abs(value("Ptr") / 93 - 1), 0.05);
        QCOMPARE(control<QLabel>(w, "Sag")->text(), QStringLiteral("—"));
        // Read out as caption, value and unit.
        QCOMPARE(control<QLabel>(w, "Pout")->accessibleName(),
                 QStringLiteral("Пульсации на выходе, размах ") + control<QLabel>(w, "Pout")->text() + " мВ");
        auto *plot = control<QWidget>(w, "PlotArea")->findChild<QChartView *>("Grafik");
        QVERIFY(plot);
        const QList<QAbstractSeries *> series = plot->chart()->series();
        QCOMPARE(series.size(), 2);
        const auto *output = static_cast<QLineSeries *>(series[1]);
        QCOMPARE_GT(output->count(), 100);
        QCOMPARE_LT(std::abs(output->at(output->count() - 1).y() / 365.95 - 1), 0.01);
        QVERIFY(!control<QProgressBar>(w, "Progress")->isVisible());
    }

    void theLoadStepIsMarkedAndItsSagShown()
    {
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        enter(w, kWorked + Texts{{"Istep", "250"}, {"Ut", "300"}});
        calculate(w);
        QVERIFY(w->lastResult() && w->lastResult()->stepTime);
        QCOMPARE_GT(common::toNumber(control<QLabel>(w, "Sag")->text(), kPointLocale).value_or(0), 10.0);
        auto *plot = control<QWidget>(w, "PlotArea")->findChild<QChartView *>("Grafik");
        QCOMPARE(plot->chart()->series().size(), 3);
        const auto *mark = static_cast<QLineSeries *>(plot->chart()->series()[2]);
        QCOMPARE(mark->at(0).x(), *w->lastResult()->stepTime);
        // 366 V against 300 V wanted: the warning is in the window, not in a box.
        QVERIFY(f.dialogs.asked.isEmpty());
        QVERIFY(control<QLabel>(w, "Warnings")->text().contains("требуемого"));
    }

    void theCircuitsPictureFollowsTheLists()
    {
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        const auto resource = [&] { return control<QWidget>(w, "Image1")->property("resource").toString(); };
        QCOMPARE(resource(), QStringLiteral(":/anodix/pitanie_bridge_choke.svg"));
        control<QComboBox>(w, "Circuit")->setCurrentIndex(1);
        QCOMPARE(resource(), QStringLiteral(":/anodix/pitanie_centre_choke.svg"));
        control<QComboBox>(w, "Filter")->setCurrentIndex(1);
        QCOMPARE(resource(), QStringLiteral(":/anodix/pitanie_centre_resistor.svg"));
        QVERIFY(!control<QLineEdit>(w, "L")->isEnabled());
        QVERIFY(control<anodix::Drawing>(w, "Image1")->isValid());
    }

    void badInputIsRefusedAndChangesNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("100 kV") << "U2" << "100000";
        QTest::newRow("1 F") << "C1" << "1000000";
        QTest::newRow("letters") << "In" << "abc";
        QTest::newRow("zero") << "Rw" << "0";
        QTest::newRow("a load no supply carries") << "In" << "5000";
    }

    void badInputIsRefusedAndChangesNothing()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        enter(w, kWorked);
        calculate(w);
        const QString before = control<QLabel>(w, "Uout")->text();
        enter(w, {{box, text}});
        calculate(w);
        QCOMPARE(f.dialogs.asked.size(), 1);
        QCOMPARE(f.dialogs.asked[0].title, QStringLiteral("Ошибка"));
        QCOMPARE(control<QLabel>(w, "Uout")->text(), before);
    }

    void aCollapsingSupplySaysSo()
    {
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        enter(w, kWorked + Texts{{"Rw", "2000"}, {"In", "400"}});
        control<QComboBox>(w, "Circuit")->setCurrentIndex(2);
        calculate(w);
        QCOMPARE(f.dialogs.messageTexts(), QStringList{"Выпрямитель не обеспечивает ток нагрузки"});
        QCOMPARE(control<QLabel>(w, "Uout")->text(), QStringLiteral("0"));
    }

    void cancelStopsTheSimulation()
    {
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        // A resistor filter with a long time constant runs for seconds of simulated time.
        enter(w, kWorked + Texts{{"Rf", "1000"}, {"C2", "2000"}, {"In", "50"}});
        control<QComboBox>(w, "Filter")->setCurrentIndex(1);
        QSignalSpy finished(w, &BlokPitaniya::calculationFinished);
        clickButton(w, "Command1");
        QVERIFY(w->isCalculating());
        QVERIFY(control<QPushButton>(w, "Cancel")->isVisible());
        clickButton(w, "Cancel");
        QVERIFY(finished.count() > 0 || finished.wait(30000));
        QVERIFY(!w->isCalculating());
        QVERIFY(f.dialogs.asked.isEmpty());
        QVERIFY(!w->lastResult());
    }

    void aStageWindowOpensItsSupplyWithItsLoad()
    {
        WindowFixture f;
        const Stage s = stage(WindowId::Dvuhtakt);
        f.writeRecord(s.tubeClass, "EL84.lamp", s.record);
        anodix::FormWindow *stageWindow = f.open(WindowId::Dvuhtakt);
        pickRecord(stageWindow, "EL84.lamp");
        enterInputs(stageWindow, s);
        clickButton(stageWindow, "Command1");
        triggerItem(stageWindow, "BlokPitaniya_Menu");
        QCOMPARE(visibleWindows(), (QStringList{"BlokPitaniya", "Dvuhtakt"}));
        BlokPitaniya *w = supplyWindow(f);
        // Both tubes at 29.5 mA of anode and 3.53 mA of screen current at 250 V.
        const double load = common::toNumber(control<QLineEdit>(w, "In")->text(), kPointLocale).value_or(0);
        QCOMPARE_LT(std::abs(load / (2 * (29.5 + 3.53)) - 1), 0.02);
        QCOMPARE(control<QLineEdit>(w, "Ut")->text(), QStringLiteral("250"));
        // Right of the stage window, as far as the screen allows.
        QCOMPARE_GT(w->x(), stageWindow->x());
        // Closing it leaves the stage window open.
        triggerItem(w, "Exit");
        QCOMPARE(visibleWindows(), QStringList{"Dvuhtakt"});
    }

    void aStageWindowWithoutACalculationAsksForOne()
    {
        WindowFixture f;
        anodix::FormWindow *stageWindow = f.open(WindowId::Triod);
        triggerItem(stageWindow, "BlokPitaniya_Menu");
        QCOMPARE(f.dialogs.asked.size(), 1);
        QCOMPARE(visibleWindows(), QStringList{"Triod"});
    }

    void theNetlistIsExportedAfterAsking()
    {
        WindowFixture f;
        f.open(WindowId::BlokPitaniya);
        BlokPitaniya *w = supplyWindow(f);
        triggerItem(w, "Export_Spice");
        QCOMPARE(f.dialogs.asked.size(), 1);   // nothing calculated yet
        f.dialogs.clear();
        enter(w, kWorked);
        calculate(w);
        const QString path = f.dir.filePath("supply.cir");
        f.dialogs.answerFileName(f.dir.filePath("supply"));
        triggerItem(w, "Export_Spice");
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY(text.contains(".model DR D(IS=7.03e-09 N=1.81 RS=0.034)"));
        QVERIFY(text.contains("I1 o 0 DC 0.15"));
        written.close();
        // A second export asks before replacing, and No keeps the file.
        f.dialogs.clear();
        QVERIFY(QFile::resize(path, 0));
        f.dialogs.answerFileName(path);
        f.dialogs.answerNo();
        triggerItem(w, "Export_Spice");
        QCOMPARE(f.dialogs.asked.last().kind, AskedDialog::Kind::YesNo);
        QCOMPARE(QFileInfo(path).size(), 0);
    }
};

QTEST_MAIN(TestBlokPitaniya)
#include "tst_blokpitaniya.moc"
