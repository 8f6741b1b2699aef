// SPDX-License-Identifier: GPL-3.0-or-later
// The calculation windows driven through their controls: the tube list,
// the loaded record, "Рассчитать" and the messages of the frame.
#include "windowfixture.h"

#include "anodix/forms/formwindow.h"
#include "anodix/windows/dvuhtakt.h"
#include "anodix/windows/fazoinvertorrn.h"
#include "anodix/windows/pentod.h"
#include "anodix/windows/povtoritel.h"
#include "anodix/windows/tetrod.h"
#include "anodix/windows/triod.h"
#include "anodix/windows/triodvihod.h"

#include <memory>

using anodix::ControlRow;
using anodix::FormWindow;
using anodix::TubeClass;
using anodix::WindowId;

namespace {

// The button of the main window that opens a calculation window.
QString mainWindowButton(WindowId id)
{
    return id == WindowId::Triod      ? QStringLiteral("Triod1")
         : id == WindowId::Pentod     ? QStringLiteral("Pentod1")
         : id == WindowId::TriodVihod ? QStringLiteral("TriodVihod1")
         : id == WindowId::Dvuhtakt   ? QStringLiteral("Dvuhtakt1")
         : id == WindowId::Povtoritel ? QStringLiteral("Povtoritel1")
         : id == WindowId::FazoinvertorRN ? QStringLiteral("FazoinvertorRN1")
                                      : QStringLiteral("Command1");
}

const anodix::CalcWindowSpec &designOf(WindowId id)
{
    return id == WindowId::Triod      ? anodix::Triod::layout()
         : id == WindowId::Pentod     ? anodix::Pentod::layout()
         : id == WindowId::TriodVihod ? anodix::TriodVihod::layout()
         : id == WindowId::Dvuhtakt   ? anodix::Dvuhtakt::layout()
         : id == WindowId::Povtoritel ? anodix::Povtoritel::layout()
         : id == WindowId::FazoinvertorRN ? anodix::FazoinvertorRN::layout()
                                      : anodix::Tetrod::layout();
}

// Where a label's text stands in the window, wrapped as the label wraps it.
QRect textRect(const QLabel *label)
{
    if (label->text().isEmpty())
        return {};
    return label->fontMetrics()
        .boundingRect(QRect(0, 0, label->width(), 10000), Qt::AlignLeft | Qt::TextWordWrap, label->text())
        .translated(label->pos());
}

// Every result shows its whole text inside the window, its unit still after it
// on its row, and no two label texts meet.
void verifyResultsShowWhole(const FormWindow *window, const anodix::CalcWindowSpec &design)
{
    const QRect area = window->client()->rect();
    for (const anodix::OutputRow &row : design.outputs) {
        const auto *output = control<QLabel>(window, QString::fromLatin1(row.output));
        QVERIFY2(output->sizeHint().width() <= output->width(),
                 qPrintable(QStringLiteral("%1 \"%2\" needs %3, has %4")
                                .arg(output->objectName(), output->text())
                                .arg(output->sizeHint().width()).arg(output->width())));
        if (row.unit) {
            const auto *unit = control<QLabel>(window, QString::fromLatin1(row.unit));
            QCOMPARE(unit->y(), output->y());
            QVERIFY2(unit->x() > textRect(output).right(), qPrintable(output->objectName()));
        }
    }
    QList<const QLabel *> placed;
    for (const QLabel *label : window->client()->findChildren<QLabel *>()) {
        const QRect text = textRect(label);
        if (text.isEmpty())
            continue;
        QVERIFY2(area.contains(text), qPrintable(label->objectName() + QStringLiteral(" leaves the window")));
        for (const QLabel *other : std::as_const(placed))
            QVERIFY2(!textRect(other).intersects(text),
                     qPrintable(QStringLiteral("%1 \"%2\" meets %3 \"%4\"")
                                    .arg(label->objectName(), label->text(), other->objectName(), other->text())));
        placed.append(label);
    }
}

// Every label stands as the form gave it, and the window has its designed width.
void verifyDesignedPlaces(const FormWindow *window, const anodix::CalcWindowSpec &design)
{
    QCOMPARE(window->client()->width(), anodix::twips(design.clientTwips.width()));
    for (const anodix::ControlRow &row : design.form) {
        if (row.kind != anodix::ControlKind::Label)
            continue;
        const auto *label = control<QLabel>(window, anodix::controlName(row.name, row.index));
        const QRect designed(anodix::twips(row.left), anodix::twips(row.top), anodix::twips(row.width),
                             std::max(anodix::twips(row.height), label->fontMetrics().lineSpacing()));
        QVERIFY2(label->geometry() == designed, qPrintable(label->objectName()));
    }
}

// The width the form gives a control, in pixels.
int twipsWidthOf(const anodix::CalcWindowSpec &design, const QString &name)
{
    for (const ControlRow &row : design.form)
        if (anodix::controlName(row.name, row.index) == name)
            return anodix::twips(row.width);
    return -1;
}

void addCalcWindowRows()
{
    addWindowRows({WindowId::Triod, WindowId::Pentod, WindowId::Tetrod, WindowId::TriodVihod, WindowId::Dvuhtakt,
                   WindowId::Povtoritel, WindowId::FazoinvertorRN});
}

// The stages that divide by the record's anode current; the push-pull stage
// asks for it to be above zero instead.
void addRowsDividingByTheAnodeCurrent()
{
    addWindowRows({WindowId::Triod, WindowId::Pentod, WindowId::Tetrod, WindowId::TriodVihod});
}

} // namespace

class CalcWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void opensWithEmptyBoxesZeroOutputsAndTheRecordsOfItsClass_data() { addCalcWindowRows(); }
    void opensWithEmptyBoxesZeroOutputsAndTheRecordsOfItsClass()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("6Zh1P.lamp"), s.record);
        m_app->writeRecord(s.tubeClass, QStringLiteral("12AX7.lamp"), s.record);
        m_app->writeRecord(s.tubeClass, QStringLiteral("notes.txt"), {QStringLiteral("not a record")});
        const TubeClass other = s.tubeClass == TubeClass::Triode ? TubeClass::PowerPentode : TubeClass::Triode;
        m_app->writeRecord(other, QStringLiteral("other.lamp"), kTriodeRecord);

        FormWindow *window = m_app->open(id);
        const auto *list = control<anodix::FileListBox>(window, QStringLiteral("File"));
        QCOMPARE(list->names(), (QStringList{QStringLiteral("12AX7.lamp"), QStringLiteral("6Zh1P.lamp")}));
        QCOMPARE(list->selectedName(), QString());
        for (const auto &[box, text] : s.inputs)
            QCOMPARE(control<QLineEdit>(window, box)->text(), QString());
        for (const auto &[output, text] : s.outputs)
            QCOMPARE(outputText(window, output), QStringLiteral("0"));
        QVERIFY(m_app->dialogs.asked.isEmpty());
        window->close();
    }

    // A record file whose name would put commands into a netlist is left
    // out of the list and named in one message, not again at the next opening.
    void aRecordNamedWithLineEndsIsLeftOutAndToldOnce_data() { addCalcWindowRows(); }
    void aRecordNamedWithLineEndsIsLeftOutAndToldOnce()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("EL84\n.control\nshell touch PWNED\n.endc.lamp"), s.record);
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        for (int opening = 0; opening < 2; ++opening) {
            FormWindow *window = m_app->open(id);
            QCOMPARE(control<anodix::FileListBox>(window, QStringLiteral("File"))->names(),
                     QStringList{QStringLiteral("tube.lamp")});
            QTest::qWait(50);
            const QStringList told = m_app->dialogs.messageTexts();
            QCOMPARE(told.size(), 1);
            QVERIFY2(told.first().startsWith(QStringLiteral("Файл «EL84?.control?shell touch PWNED?.endc.lamp» в папке ")),
                     qPrintable(told.first()));
            QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
            window->close();
        }
    }

    void workedExampleShowsEveryOutput_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("triode window, decimal point") << WindowId::Triod << kPointLocale;
        QTest::newRow("triode window, decimal comma") << WindowId::Triod << kCommaLocale;
        QTest::newRow("pentode window, decimal point") << WindowId::Pentod << kPointLocale;
        QTest::newRow("pentode window, decimal comma") << WindowId::Pentod << kCommaLocale;
        QTest::newRow("power stage window, decimal point") << WindowId::Tetrod << kPointLocale;
        QTest::newRow("power stage window, decimal comma") << WindowId::Tetrod << kCommaLocale;
        QTest::newRow("triode power stage window, decimal point") << WindowId::TriodVihod << kPointLocale;
        QTest::newRow("triode power stage window, decimal comma") << WindowId::TriodVihod << kCommaLocale;
        QTest::newRow("push-pull stage window, decimal point") << WindowId::Dvuhtakt << kPointLocale;
        QTest::newRow("push-pull stage window, decimal comma") << WindowId::Dvuhtakt << kCommaLocale;
        QTest::newRow("cathode follower window, decimal point") << WindowId::Povtoritel << kPointLocale;
        QTest::newRow("cathode follower window, decimal comma") << WindowId::Povtoritel << kCommaLocale;
        QTest::newRow("split-load splitter window, decimal point") << WindowId::FazoinvertorRN << kPointLocale;
        QTest::newRow("split-load splitter window, decimal comma") << WindowId::FazoinvertorRN << kCommaLocale;
    }

    void workedExampleShowsEveryOutput()
    {
        QFETCH(WindowId, id);
        QFETCH(QLocale, locale);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *window = m_app->open(id);

        pickRecord(window, QStringLiteral("tube.lamp"));
        QVERIFY2(m_app->dialogs.asked.isEmpty(), "picking a record shows nothing");
        for (const auto &[output, text] : s.outputs)
            QCOMPARE(outputText(window, output), QStringLiteral("0"));

        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s, locale));
        saveScreenshot(window, window->objectName() + u'-' + locale.name());
        window->close();
    }

    void calculatingWithoutAPickedTubeReportsTheInputError_data() { addCalcWindowRows(); }
    void calculatingWithoutAPickedTubeReportsTheInputError()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));

        QCOMPARE(m_app->dialogs.asked.size(), 1);
        const AskedDialog &shown = m_app->dialogs.asked.first();
        QCOMPARE(shown.kind, AskedDialog::Kind::Message);
        QCOMPARE(shown.title, QStringLiteral("Ошибка"));
        QCOMPARE(shown.text, kInputError);
        QCOMPARE(shown.icon, anodix::Dialogs::Icon::None);
        for (const auto &[output, text] : s.outputs)
            QCOMPARE(outputText(window, output), QStringLiteral("0"));
        window->close();
    }

    void zeroAnodeCurrentKeepsEarlierOutputsThenReportsDivisionByZero_data() { addRowsDividingByTheAnodeCurrent(); }
    void zeroAnodeCurrentKeepsEarlierOutputsThenReportsDivisionByZero()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        QStringList record = s.record;
        record[int(anodix::TubeField::AnodeCurrent)] = QStringLiteral("0");
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("cold.lamp"), record);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("cold.lamp"));
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));

        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kDivisionByZero});
        QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        for (const auto &[output, text] : s.outputs) {
            const bool written = s.updatedBeforeZeroCurrent.contains(output);
            QCOMPARE(outputText(window, output), written ? text : QStringLiteral("0"));
        }
        window->close();
    }

    void theTubeReadBeforeSurvivesClosingTheWindow_data() { addCalcWindowRows(); }
    void theTubeReadBeforeSurvivesClosingTheWindow()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("tube.lamp"));
        triggerItem(window, QStringLiteral("Exit"));
        QVERIFY(!window->isOpen());

        clickButton(m_app->navigator.window(WindowId::Obshaya), mainWindowButton(id));
        QCOMPARE(visibleWindows(), QStringList{window->objectName()});
        QCOMPARE(control<anodix::FileListBox>(window, QStringLiteral("File"))->selectedName(), QString());
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));
        window->close();
    }

    void onlyTheLastPickedRecordEntersTheCalculation_data() { addRowsDividingByTheAnodeCurrent(); }
    void onlyTheLastPickedRecordEntersTheCalculation()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        QStringList cold = s.record;
        cold[int(anodix::TubeField::AnodeCurrent)] = QStringLiteral("0");
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("a-cold.lamp"), cold);
        m_app->writeRecord(s.tubeClass, QStringLiteral("b-warm.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        enterInputs(window, s);

        pickRecord(window, QStringLiteral("b-warm.lamp"));
        pickRecord(window, QStringLiteral("a-cold.lamp"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kDivisionByZero});

        m_app->dialogs.clear();
        pickRecord(window, QStringLiteral("b-warm.lamp"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        for (const auto &[output, text] : s.outputs)
            QCOMPARE(outputText(window, output), text);
        window->close();
    }

    void anUnreadableRecordIsReportedAndTheTubeBeforeStays_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<bool>("vanished");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("loadedBefore");
        QTest::newRow("triode record of five lines") << WindowId::Triod << false << 5 << true;
        QTest::newRow("empty triode record") << WindowId::Triod << false << 0 << true;
        QTest::newRow("triode record deleted after listing") << WindowId::Triod << true << 8 << true;
        QTest::newRow("triode record in the pentode folder") << WindowId::Pentod << false << 8 << true;
        QTest::newRow("pentode record deleted after listing") << WindowId::Pentod << true << 10 << true;
        QTest::newRow("power pentode record of seven lines") << WindowId::Tetrod << false << 7 << true;
        QTest::newRow("power pentode record deleted after listing") << WindowId::Tetrod << true << 10 << true;
        QTest::newRow("short triode record as the first pick") << WindowId::Triod << false << 5 << false;
        QTest::newRow("vanished power pentode record as the first pick") << WindowId::Tetrod << true << 10 << false;
        QTest::newRow("triode record of seven lines in the power stage window")
            << WindowId::TriodVihod << false << 7 << true;
        QTest::newRow("power pentode record of seven lines in the push-pull window")
            << WindowId::Dvuhtakt << false << 7 << true;
    }

    void anUnreadableRecordIsReportedAndTheTubeBeforeStays()
    {
        QFETCH(WindowId, id);
        QFETCH(bool, vanished);
        QFETCH(int, lines);
        QFETCH(bool, loadedBefore);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("good.lamp"), s.record);
        const QStringList broken = (kPowerPentodeRecord + kPowerPentodeRecord).mid(0, lines);
        m_app->writeRecord(s.tubeClass, QStringLiteral("broken.lamp"), broken);
        FormWindow *window = m_app->open(id);
        if (vanished)
            QVERIFY(QFile::remove(m_app->dir.filePath(classFolder(s.tubeClass) + QStringLiteral("/broken.lamp"))));

        if (loadedBefore)
            pickRecord(window, QStringLiteral("good.lamp"));
        clickRecord(window, QStringLiteral("broken.lamp"));
        QCOMPARE(m_app->dialogs.asked.size(), 1);
        const AskedDialog &shown = m_app->dialogs.asked.first();
        QCOMPARE(shown.title, QStringLiteral("Ошибка"));
        QCOMPARE(shown.icon, anodix::Dialogs::Icon::None);
        QVERIFY2(shown.text.contains(QStringLiteral("broken.lamp")), qPrintable(shown.text));
        // The highlight is on the tube the next calculation uses, or on none.
        const QString loaded = loadedBefore ? QStringLiteral("good.lamp") : QString();
        QCOMPARE(control<anodix::FileListBox>(window, QStringLiteral("File"))->selectedName(), loaded);

        m_app->dialogs.clear();
        if (loadedBefore) {
            QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));
        } else {
            enterInputs(window, s);
            clickButton(window, QStringLiteral("Command1"));
            QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kInputError});
        }
        window->close();
    }

    void theRatioBoxOpensHoldingThreeAndSetsThePrimaryLoad()
    {
        const Stage s = stage(WindowId::TriodVihod);
        m_app = std::make_unique<WindowFixture>(kCommaLocale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("300B.lamp"), s.record);
        FormWindow *window = m_app->open(WindowId::TriodVihod);
        auto *ratio = control<QLineEdit>(window, QStringLiteral("Kn"));
        QCOMPARE(ratio->text(), QStringLiteral("3"));

        pickRecord(window, QStringLiteral("300B.lamp"));
        enterInputs(window, s);
        ratio->clear();
        typeInto(window, QStringLiteral("Kn"), QStringLiteral("5"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        QCOMPARE(outputText(window, QStringLiteral("Ra")), QStringLiteral("3,5"));
        QCOMPARE(outputText(window, QStringLiteral("Pout")), QStringLiteral("5,36"));
        QCOMPARE(outputText(window, QStringLiteral("D2")), QStringLiteral("1,7"));

        // Opened again, the form starts afresh: the ratio is 3 again.
        window->close();
        window->open();
        QCOMPARE(control<QLineEdit>(window, QStringLiteral("Kn"))->text(), QStringLiteral("3"));
        window->close();
    }

    void aTubeCutOffAtTheSupplyIsReported()
    {
        const Stage s = stage(WindowId::TriodVihod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("300B.lamp"), s.record);
        FormWindow *window = m_app->open(WindowId::TriodVihod);
        pickRecord(window, QStringLiteral("300B.lamp"));
        enterInputs(window, s);
        control<QLineEdit>(window, QStringLiteral("Ea"))->setText(QStringLiteral("2"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(),
                 QStringList{QStringLiteral("Рабочая точка не найдена: лампа заперта при этом напряжении питания")});
        QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        QCOMPARE(outputText(window, QStringLiteral("Pout")), QStringLiteral("0"));
        window->close();
    }

    void thePowerStageReadsAnEightLineRecordInFull()
    {
        const Stage s = stage(WindowId::Tetrod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("eight.lamp"), s.record.mid(0, 8));
        FormWindow *window = m_app->open(WindowId::Tetrod);
        pickRecord(window, QStringLiteral("eight.lamp"));
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s));
        window->close();
    }

    void thePushPullStageLoadsAnEightLineRecordAndAsksForItsScreenLines_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("decimal point") << kPointLocale;
        QTest::newRow("decimal comma") << kCommaLocale;
    }

    void thePushPullStageLoadsAnEightLineRecordAndAsksForItsScreenLines()
    {
        QFETCH(QLocale, locale);
        const Stage s = stage(WindowId::Dvuhtakt);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("eight.lamp"), s.record.mid(0, 8));
        m_app->writeRecord(s.tubeClass, QStringLiteral("ten.lamp"), s.record);
        FormWindow *window = m_app->open(WindowId::Dvuhtakt);
        pickRecord(window, QStringLiteral("eight.lamp"));
        QVERIFY2(m_app->dialogs.asked.isEmpty(), "an eight-line record loads");
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(),
                 QStringList{QStringLiteral("В записи лампы нет данных экранной сетки (строки 9 и 10)")});
        QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        for (const auto &[output, text] : s.outputs)
            QCOMPARE(outputText(window, output), QStringLiteral("0"));

        m_app->dialogs.clear();
        pickRecord(window, QStringLiteral("ten.lamp"));
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        for (auto [output, text] : s.outputs)
            QCOMPARE(outputText(window, output), text.replace(QLatin1Char('.'), locale.decimalPoint()));
        window->close();
    }

    void aMissingRecordFolderIsReportedAndTheWindowStillOpens_data() { addCalcWindowRows(); }
    void aMissingRecordFolderIsReportedAndTheWindowStillOpens()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(kPointLocale, false);
        FormWindow *window = m_app->open(id);
        QCOMPARE(visibleWindows(), QStringList{window->objectName()});
        QVERIFY(control<anodix::FileListBox>(window, QStringLiteral("File"))->names().isEmpty());
        QCOMPARE(m_app->dialogs.asked.size(), 1);
        QCOMPARE(m_app->dialogs.asked.first().title, QStringLiteral("Ошибка"));
        QVERIFY(!m_app->dialogs.asked.first().text.isEmpty());

        m_app->dialogs.clear();
        enterInputs(window, s);
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kInputError});
        window->close();
    }

    // This program has no characteristics code linked in: the window F6 shows
    // can only come from the module, fed with the calculation made before.
    void f6OpensTheCharacteristicsWindowFromItsModule_data() { addCalcWindowRows(); }
    void f6OpensTheCharacteristicsWindowFromItsModule()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("6N2P.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("6N2P.lamp"));
        QVERIFY(calculatesWorkedExample(window, m_app->dialogs, s, kPointLocale));
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));

        FormWindow *characteristics = shownWindow(QStringLiteral("Harakteristiki"));
        QVERIFY(characteristics);
        QCOMPARE(characteristics->metaObject()->className(), "anodix::charts::Harakteristiki");
        QVERIFY(outputText(characteristics, QStringLiteral("Lampa")).contains(QStringLiteral("6N2P")));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        window->close();
        QVERIFY(!characteristics->isVisible()); // it goes with its stage window
    }

    void f6WithoutALoadableModuleSaysWhyAndOpensNothing_data()
    {
        QTest::addColumn<QByteArray>("moduleBytes"); // empty: no module file at all
        QTest::addColumn<QString>("reason");
        QTest::newRow("no module file") << QByteArray() << QStringLiteral("libanodix_harakteristiki.so");
        QTest::newRow("a file that is no module") << QByteArray("not a library") << QString();
    }
    void f6WithoutALoadableModuleSaysWhyAndOpensNothing()
    {
        QFETCH(QByteArray, moduleBytes);
        QFETCH(QString, reason);
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        if (!moduleBytes.isEmpty()) {
            QVERIFY(QDir(elsewhere.path()).mkdir(QStringLiteral("anodix")));
            QFile module(elsewhere.filePath(QStringLiteral("anodix/libanodix_harakteristiki.so")));
            QVERIFY(module.open(QIODevice::WriteOnly));
            module.write(moduleBytes);
        }
        const QStringList libraryPaths = QCoreApplication::libraryPaths();
        QCoreApplication::setLibraryPaths({elsewhere.path()});
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(WindowId::Triod);
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        QCoreApplication::setLibraryPaths(libraryPaths);

        QCOMPARE(m_app->dialogs.asked.size(), 1);
        const AskedDialog &told = m_app->dialogs.asked.constFirst();
        QCOMPARE(told.title, QStringLiteral("Ошибка"));
        QVERIFY2(told.text.startsWith(QStringLiteral("Окно характеристик не открывается: ")), qPrintable(told.text));
        QVERIFY2(told.text.size() > 40 && told.text.contains(reason), qPrintable(told.text));
        QVERIFY(!shownWindow(QStringLiteral("Harakteristiki")));
        QVERIFY(window->isVisible());
        // Once the module can be found, the next F6 opens the window.
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        QVERIFY(shownWindow(QStringLiteral("Harakteristiki")));
        QCOMPARE(m_app->dialogs.asked.size(), 1);
        window->close();
    }

    void longResultsShowWholeAndGoBackToTheirPlaces_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QStringList>("inputs");   // the window's boxes in their order on the form
        QTest::addColumn<QStringList>("outgrown"); // outputs whose texts outgrow their labels

        QTest::newRow("triode window: a huge supply, a tiny frequency and a tiny R1")
            << WindowId::Triod << kTriodeRecord << QStringList{"123456789", "0,0000001", "0,0001234567"}
            << QStringList{"C1", "C3"};
        QTest::newRow("triode window: a record of a huge anode voltage")
            << WindowId::Triod << QStringList{"6.3", "0.3", "1000000000", "123.456", "1.5", "2", "20", "10"}
            << QStringList{"250", "20", "470"} << QStringList{"Vt"};
        QTest::newRow("pentode window: a tiny screen current and a huge anode voltage")
            << WindowId::Pentod
            << QStringList{"6.3", "0.3", "123456789012", "3", "2", "2", "2000", "1000", "100", "0.000007"}
            << QStringList{"250", "20", "470"} << QStringList{"R3", "Vt"};
        QTest::newRow("power stage window: a tiny anode current and a huge supply")
            << WindowId::Tetrod << QStringList{"6.3", "1.5", "250", "0.0000123", "13.5", "11", "165", "15"}
            << QStringList{"1000000", "20", "470", "8"} << QStringList{"Rt1"};
        QTest::newRow("power stage window: a low transconductance and a huge anode voltage")
            << WindowId::Tetrod << QStringList{"6.3", "1.5", "123456789012", "100", "13.5", "0.00003", "165", "15"}
            << QStringList{"250", "20", "470", "8"} << QStringList{"Uvh", "Vt"};
        // Typed values are held to a real stage's range; a record's heater is not.
        QTest::newRow("push-pull stage window: a record of a huge heater current")
            << WindowId::Dvuhtakt
            << QStringList{"6.3", "123456.789", "250", "48", "7.3", "11.3", "430", "38", "250", "5.5"}
            << QStringList{"250", "250", "20", "470", "8", "8", "130"} << QStringList{"Vt"};
    }

    void longResultsShowWholeAndGoBackToTheirPlaces()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, record);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, outgrown);
        const Stage s = stage(id);
        const anodix::CalcWindowSpec &design = designOf(id);
        m_app = std::make_unique<WindowFixture>(kCommaLocale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("big.lamp"), record);
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        verifyDesignedPlaces(window, design);

        const auto calculate = [&](const QString &tube, const Texts &typed) {
            pickRecord(window, tube);
            for (const auto &[box, text] : typed)
                control<QLineEdit>(window, box)->setText(text);
            clickButton(window, QStringLiteral("Command1"));
            QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        };
        const QStringList boxes = id == WindowId::Dvuhtakt ? QStringList{"Ea", "Ug2", "Fn1", "R11", "Rn", "Raa", "Rk"}
                                                            : QStringList{"Ea", "Fn1", "R11", "Rn"};
        Texts typed;
        for (int i = 0; i < inputs.size(); ++i)
            typed.append({boxes[i], inputs[i]});
        // The rows must really give texts wider than the form's labels.
        const auto verifyOutgrown = [&] {
            for (const QString &name : outgrown) {
                const auto *label = control<QLabel>(window, name);
                QVERIFY2(label->sizeHint().width() > twipsWidthOf(design, name),
                         qPrintable(name + QStringLiteral(" \"") + label->text() + QStringLiteral("\" is short")));
            }
        };

        calculate(QStringLiteral("big.lamp"), typed);
        verifyOutgrown();
        verifyResultsShowWhole(window, design);

        // Short results again: every label back in its place.
        calculate(QStringLiteral("tube.lamp"), s.inputs);
        verifyDesignedPlaces(window, design);
        verifyResultsShowWhole(window, design);

        // A window opened again starts from the form.
        calculate(QStringLiteral("big.lamp"), typed);
        verifyOutgrown();
        window->close();
        window->open();
        verifyDesignedPlaces(window, design);
        window->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(CalcWindowsTest)
#include "tst_calcwindows.moc"
