// SPDX-License-Identifier: GPL-3.0-or-later
// The characteristics window beside each calculation window: opening it,
// following the stage's calculations, closing with its stage window, saving
// and printing.
#include "../windows/windowfixture.h"

#include "anodix/charts/harakteristiki.h"
#include "support/injectedwritefault.h"

#include <QAbstractSeries>
#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QGraphicsScene>
#include <QImage>
#include <QSvgRenderer>

#include <cerrno>
#include <memory>

using anodix::FormWindow;
using anodix::WindowId;
using anodix::charts::Harakteristiki;

namespace {

const QString kPrompt = QStringLiteral("Выберите лампу и нажмите «Рассчитать»");
const QString kOutOfRange = QStringLiteral("Характеристики не построены: исходные данные вне допустимых пределов: ");
const QStringList kEcc83{"6.3", "0.3", "250", "1.2", "2", "1.6", "100", "62.5"};

void addStageRows()
{
    addWindowRows({WindowId::Triod, WindowId::Pentod, WindowId::Tetrod, WindowId::TriodVihod, WindowId::Dvuhtakt});
}

Harakteristiki *companion() { return qobject_cast<Harakteristiki *>(shownWindow(QStringLiteral("Harakteristiki"))); }

int shownCompanions()
{
    return int(visibleWindows().count(QStringLiteral("Harakteristiki")));
}

QString labelText(const FormWindow *window, const QString &name) { return outputText(window, name); }

// The result values on screen, in order, as their screen-reader names.
QStringList spokenResults(const FormWindow *window)
{
    QStringList spoken;
    for (int i = 0; auto *value = control<QLabel>(window, QStringLiteral("Znachenie(%1)").arg(i)); ++i)
        if (!value->text().isEmpty())
            spoken.append(value->accessibleName());
    return spoken;
}

// Every shown result reads as caption, value and unit, and says the same as the analysis.
void verifyResultsSpoken(const Harakteristiki *window)
{
    QVERIFY(window->shownAnalysis() && window->shownAnalysis()->ok());
    const auto &rows = window->shownAnalysis()->rows;
    QVERIFY(!rows.isEmpty());
    for (int i = 0; i < rows.size(); ++i) {
        const QString index = QStringLiteral("(%1)").arg(i);
        QStringList words{labelText(window, "Nazvanie" + index), labelText(window, "Znachenie" + index),
                          labelText(window, "Edinica" + index)};
        words.removeAll(QString());
        QCOMPARE(control<QLabel>(window, "Znachenie" + index)->accessibleName(), words.join(QLatin1Char(' ')));
        QCOMPARE(words.join(QLatin1Char(' ')), rows[i].spoken());
    }
    QCOMPARE(spokenResults(window).size(), rows.size());
}

// Running as root, permission bits stop no write; a read-only folder then proves nothing.
bool permissionsAreEnforced()
{
    QTemporaryDir probe;
    QFile::setPermissions(probe.path(), QFile::ReadOwner | QFile::ExeOwner);
    QFile file(probe.filePath(QStringLiteral("x")));
    const bool refused = !file.open(QIODevice::WriteOnly);
    QFile::setPermissions(probe.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return refused;
}

} // namespace

class HarakteristikiTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void f6OpensOneWindowThatAsksForACalculation_data() { addStageRows(); }
    void f6OpensOneWindowThatAsksForACalculation()
    {
        QFETCH(WindowId, id);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *stageWindow = m_app->open(id);
        auto *item = stageWindow->findChild<QAction *>(QStringLiteral("Harakteristiki_Menu"));
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F6));
        item->trigger();
        item->trigger();

        QCOMPARE(shownCompanions(), 1);
        QVERIFY(shownWindow(stageWindow->objectName())); // not a switch: the stage window stays
        Harakteristiki *window = companion();
        QCOMPARE(window->windowTitle(), QStringLiteral("Anodix V1.0 - Характеристики и нагрузочная прямая"));
        QCOMPARE(labelText(window, "Soobshenie"), kPrompt);
        QVERIFY(spokenResults(window).isEmpty());
        QVERIFY(!control<QChartView>(window, "Grafik")->isVisible());
        stageWindow->close();
    }

    void successfulCalculationsFillTheOpenWindowAtOnce_data() { addStageRows(); }
    void successfulCalculationsFillTheOpenWindowAtOnce()
    {
        QFETCH(WindowId, id);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(kCommaLocale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("6Н2П.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(id);
        pickRecord(stageWindow, QStringLiteral("6Н2П.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s, kCommaLocale));
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));

        Harakteristiki *window = companion();
        QVERIFY(window);
        QVERIFY(labelText(window, "Lampa").contains(QStringLiteral("6Н2П")));
        QVERIFY(!labelText(window, "Lampa").contains(QStringLiteral(".lamp")));
        QVERIFY(control<QChartView>(window, "Grafik")->isVisible());
        QVERIFY(!control<QLabel>(window, "Soobshenie")->isVisible());
        QCOMPARE(control<QChartView>(window, "Grafik")->accessibleDescription(), window->shownAnalysis()->description);
        verifyResultsSpoken(window);
        const QStringList before = spokenResults(window);
        // The single-ended stages show their cathode bypass (the pentode power
        // stage's C2 is R2's); the two output stages of their own do not.
        const bool bypassShown = id == WindowId::Triod || id == WindowId::Pentod || id == WindowId::Tetrod;
        QCOMPARE(before.filter(QStringLiteral("C2 не менее ")).size(), bypassShown ? 1 : 0);

        // A lower supply moves the operating point; the open window follows at once.
        auto *ea = control<QLineEdit>(stageWindow, QStringLiteral("Ea"));
        ea->clear();
        typeInto(stageWindow, QStringLiteral("Ea"), QStringLiteral("200"));
        clickButton(stageWindow, QStringLiteral("Command1"));
        QVERIFY(m_app->dialogs.asked.isEmpty());
        verifyResultsSpoken(window);
        QVERIFY(spokenResults(window) != before);
        QVERIFY(labelText(window, "Ishodnye").contains(QStringLiteral("200")));
        stageWindow->close();
    }

    // The characteristics window works the triode power stage on the same model
    // as its window: the point, the harmonic and the power read the same.
    void theTriodePowerStageShowsTheFiguresOfItsWindow_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("decimal point") << kPointLocale;
        QTest::newRow("decimal comma") << kCommaLocale;
    }
    void theTriodePowerStageShowsTheFiguresOfItsWindow()
    {
        QFETCH(QLocale, locale);
        const Stage s = stage(WindowId::TriodVihod);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("300B.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(WindowId::TriodVihod);
        pickRecord(stageWindow, QStringLiteral("300B.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s, locale));
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
        const Harakteristiki *window = companion();
        QVERIFY(window && window->shownAnalysis() && window->shownAnalysis()->ok());
        const auto &analysis = *window->shownAnalysis();

        const QList<std::pair<const char *, const char *>> same{
            {"Uq", "Uq"}, {"Iq", "Iq"}, {"Ugq", "Ugq"}, {"D2", "D2"}, {"D3", "D3"}, {"THD", "THD"}, {"Pout", "Pout"}};
        QStringList names;
        for (const auto &row : analysis.rows)
            names << QString::fromLatin1(row.name);
        QCOMPARE(names, (QStringList{"Uq", "Iq", "Ugq", "Sq", "Amp", "Gain", "D2", "D3", "THD", "Pout"}));
        for (const auto &[row, output] : same) {
            const auto &shown = analysis.rows[names.indexOf(QString::fromLatin1(row))];
            QCOMPARE(locale.toDouble(shown.value), locale.toDouble(outputText(stageWindow, QString::fromLatin1(output))));
        }
        QCOMPARE(analysis.rows.last().caption, QStringLiteral("Выходная мощность"));
        // The DC line is the cathode resistor's alone, from the supply on the axis.
        QCOMPARE(analysis.dcLoadLine.first(), QPointF(361, 0));
        // The swing runs past the supply to where the anode swings at cut-off,
        // beyond the rest line's Uq + Iq × Ra = 426 V: driven, the mean current
        // rises and lifts the line's end by (Ra − Rk) times as much.
        QVERIFY2(analysis.swingHigh.x() > 426 && analysis.swingHigh.x() < 440 && analysis.swingHigh.y() == 0,
                 qPrintable(QString::number(analysis.swingHigh.x())));
        QVERIFY(labelText(window, "Ishodnye").contains(locale.toString(2.1)));
        stageWindow->close();
    }

    void calculationEndingInAMessageLeavesTheWindowAsItWas()
    {
        const Stage s = stage(WindowId::Triod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(WindowId::Triod);
        pickRecord(stageWindow, QStringLiteral("tube.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s));
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
        const QStringList shown = spokenResults(companion());
        QVERIFY(!shown.isEmpty());

        typeInto(stageWindow, QStringLiteral("Ea"), QStringLiteral("x"));
        clickButton(stageWindow, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList{kInputError});
        QCOMPARE(spokenResults(companion()), shown);
        stageWindow->close();
    }

    void leavingTheStageWindowClosesIt_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Выход") << "Exit";
        QTest::newRow("tube editor") << "Redaktor";
        QTest::newRow("title bar's close button") << "close";
    }
    void leavingTheStageWindowClosesIt()
    {
        QFETCH(QString, how);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *stageWindow = m_app->open(WindowId::Pentod);
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
        QCOMPARE(shownCompanions(), 1);
        if (how == QLatin1String("close"))
            stageWindow->close();
        else
            triggerItem(stageWindow, how);
        QCOMPARE(shownCompanions(), 0);
        for (QWidget *widget : QApplication::topLevelWidgets())
            widget->close();
    }

    void eightLineTetrodRecordStillCalculatesAndTheWindowNamesWhatIsMissing()
    {
        const Stage s = stage(WindowId::Tetrod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("short.lamp"), s.record.mid(0, 8));
        FormWindow *stageWindow = m_app->open(WindowId::Tetrod);
        pickRecord(stageWindow, QStringLiteral("short.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s));
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));

        const QString said = labelText(companion(), "Soobshenie");
        QVERIFY2(said.startsWith(QStringLiteral("Недостаточно данных для построения характеристик: ")), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("Ug2")) && said.contains(QStringLiteral("Ig2")), qPrintable(said));
        QVERIFY(spokenResults(companion()).isEmpty());
        stageWindow->close();
    }

    void pushPullCharacteristicsShowTheStageWindowsFigures_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("decimal point") << kPointLocale;
        QTest::newRow("decimal comma") << kCommaLocale;
    }
    void pushPullCharacteristicsShowTheStageWindowsFigures()
    {
        QFETCH(QLocale, locale);
        const Stage s = stage(WindowId::Dvuhtakt);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("EL84.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(WindowId::Dvuhtakt);
        pickRecord(stageWindow, QStringLiteral("EL84.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s, locale));
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));

        Harakteristiki *window = companion();
        QVERIFY(window);
        verifyResultsSpoken(window);
        const anodix::analysis::Analysis &shown = *window->shownAnalysis();
        QStringList names, values;
        for (const anodix::analysis::AnalysisRow &row : shown.rows) {
            names << QString::fromLatin1(row.name);
            values << row.value;
        }
        QCOMPARE(names, (QStringList{"Ugq", "Iq", "Pout", "D2", "D3", "THD", "Klass"}));
        QStringList inWindow;
        for (const QString &name : std::as_const(names))
            inWindow << outputText(stageWindow, name);
        QCOMPARE(values, inWindow);
        QCOMPARE(shown.rows.last().caption, QStringLiteral("Класс усиления"));

        // The composite line is drawn beside the others; its geometry is the analysis test's.
        QStringList drawn;
        for (const QAbstractSeries *series : control<QChartView>(window, "Grafik")->chart()->series())
            drawn << series->name();
        QVERIFY2(drawn.contains(QStringLiteral("Составная")), qPrintable(drawn.join(u'|')));
        QVERIFY(labelText(window, "Ishodnye").contains(QStringLiteral("Raa = 8 кОм")));
        stageWindow->close();
    }

    void savingAndPrintingWriteReadableFiles_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("plot as PNG") << "SohranitGrafik" << "plot.png";
        QTest::newRow("plot as SVG") << "SohranitGrafik" << "plot.SVG";
        QTest::newRow("PDF report") << "SohranitOtchet" << "report.pdf";
        QTest::newRow("printing to a PDF printer") << "Pechat" << "printed.pdf";
    }
    void savingAndPrintingWriteReadableFiles()
    {
        QFETCH(QString, item);
        QFETCH(QString, fileName);
        Harakteristiki *window = openAfterTriodeCalculation();
        const QString path = m_app->dir.filePath(fileName);
        if (item == QLatin1String("Pechat"))
            m_app->dialogs.answerPrinter(path);
        else
            m_app->dialogs.answerFileName(path, fileName.endsWith(QLatin1String(".SVG")) ? 1 : 0);
        triggerItem(window, item);

        QVERIFY2(m_app->dialogs.messageTexts().isEmpty(), qPrintable(m_app->dialogs.messageTexts().join('\n')));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (fileName.endsWith(QLatin1String(".png"))) {
            const QImage image = QImage::fromData(bytes, "PNG");
            QVERIFY(image.width() >= control<QChartView>(window, "Grafik")->width());
        } else if (fileName.endsWith(QLatin1String(".SVG"))) {
            QVERIFY(QSvgRenderer(bytes).isValid());
        } else {
            QVERIFY(bytes.startsWith("%PDF-"));
            QVERIFY(bytes.trimmed().endsWith("%%EOF"));
        }
        QVERIFY(QDir(m_app->dir.path()).entryList(QDir::Files | QDir::Hidden).size() == 1); // no temporary left
        m_app->navigator.window(WindowId::Triod)->close();
    }

    void refusedWriteSaysWhyAndKeepsTheExistingFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("a folder of that name") << false;
    }
    void refusedWriteSaysWhyAndKeepsTheExistingFile()
    {
        QFETCH(bool, readOnlyFolder);
        if (readOnlyFolder && !permissionsAreEnforced())
            QSKIP("running with rights that permission bits do not stop; the other row covers refusals");
        Harakteristiki *window = openAfterTriodeCalculation();
        const QString folder = m_app->dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/plot.png")));
        const QString kept = readOnlyFolder ? folder + QStringLiteral("/old.png") : folder + QStringLiteral("/plot.png/old.png");
        {
            QFile file(kept);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old content");
        }
        if (readOnlyFolder) {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
            m_app->dialogs.answerYes(); // to replacing old.png
        }
        m_app->dialogs.answerFileName(readOnlyFolder ? kept : folder + QStringLiteral("/plot.png"));
        triggerItem(window, QStringLiteral("SohranitGrafik"));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(m_app->dialogs.messageTexts().size(), 1);
        QCOMPARE(m_app->dialogs.asked.last().title, QStringLiteral("Ошибка"));
        QVERIFY(m_app->dialogs.messageTexts().first().startsWith(QStringLiteral("Не удалось сохранить файл")));
        QFile file(kept);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old content"));
        m_app->navigator.window(WindowId::Triod)->close();
    }

    void suppliesOfAnyMagnitudeGiveAPlotOrTheMessageAtOnce_data()
    {
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<QStringList>("supplies"); // calculated in turn; F6 after the first
        QTest::addColumn<QString>("shown");        // for each: p plot, m message
        QStringList steep = kEcc83;
        steep[5] = "1e12";
        QTest::newRow("0.1 typed for 100, then back") << kEcc83 << QStringList{"250", "0.1", "250"} << "pmp";
        QTest::newRow("a microvolt, then back") << kEcc83 << QStringList{"250", "1e-6", "250"} << "pmp";
        QTest::newRow("ever higher") << kEcc83 << QStringList{"250", "5e5", "1e6", "1e11"} << "pmmm";
        QTest::newRow("picovolts at the first opening") << kEcc83 << QStringList{"2e-12", "250"} << "mp";
        QTest::newRow("lowest to highest and back") << kEcc83 << QStringList{"1", "100000", "1", "250"} << "pppp";
        QTest::newRow("S 1e12") << steep << QStringList{"250", "300"} << "mm";
    }
    void suppliesOfAnyMagnitudeGiveAPlotOrTheMessageAtOnce()
    {
        QFETCH(QStringList, record);
        QFETCH(QStringList, supplies);
        QFETCH(QString, shown);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(anodix::TubeClass::Triode, QStringLiteral("ECC83.lamp"), record);
        FormWindow *stageWindow = m_app->open(WindowId::Triod);
        pickRecord(stageWindow, QStringLiteral("ECC83.lamp"));
        typeInto(stageWindow, QStringLiteral("Fn1"), QStringLiteral("20"));
        typeInto(stageWindow, QStringLiteral("R11"), QStringLiteral("470"));
        for (qsizetype i = 0; i < supplies.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            control<QLineEdit>(stageWindow, QStringLiteral("Ea"))->clear();
            typeInto(stageWindow, QStringLiteral("Ea"), supplies[i]);
            clickButton(stageWindow, QStringLiteral("Command1"));
            if (i == 0)
                triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
            Harakteristiki *window = companion();
            QVERIFY(window);
            auto *plot = control<QChartView>(window, "Grafik");
            plot->grab(); // lays the chart out and paints it, as the screen would
            const qint64 ms = timer.elapsed();
            const QString step = supplies[i] + QStringLiteral(" V: ");
            QVERIFY2(ms < 1000, qPrintable(step + QString::number(ms) + QStringLiteral(" ms")));
            // One item per label and line: a runaway axis makes thousands.
            const qsizetype items = plot->scene()->items().size();
            QVERIFY2(items < 300, qPrintable(step + QString::number(items) + QStringLiteral(" items")));
            const QString said = labelText(window, "Soobshenie");
            if (shown[i] == u'p') {
                QVERIFY2(plot->isVisible() && !control<QLabel>(window, "Soobshenie")->isVisible(), qPrintable(step + said));
            } else {
                QVERIFY2(!plot->isVisible() && said.startsWith(kOutOfRange), qPrintable(step + said));
                QVERIFY(spokenResults(window).isEmpty());
            }
        }
        QVERIFY(m_app->dialogs.messageTexts().isEmpty());
        stageWindow->close();
    }

    void savingWritesTheFileItAskedAbout_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("type");         // the filter chosen: PNG, SVG
        QTest::addColumn<QString>("written");  // the one file in the folder afterwards
        QTest::addColumn<QString>("existing"); // empty: none; else the answer to replacing it
        QTest::newRow("PNG named without suffix") << "SohranitGrafik" << "plot" << 0 << "plot.png" << "";
        QTest::newRow("the SVG filter decides") << "SohranitGrafik" << "plot" << 1 << "plot.svg" << "";
        QTest::newRow("a PNG name under the SVG filter") << "SohranitGrafik" << "plot.png" << 1 << "plot.png.svg" << "";
        QTest::newRow("plot.png there, Нет") << "SohranitGrafik" << "plot" << 0 << "plot.png" << "no";
        QTest::newRow("plot.png there, Да") << "SohranitGrafik" << "plot" << 0 << "plot.png" << "yes";
        QTest::newRow("report.pdf there, Нет") << "SohranitOtchet" << "report" << 0 << "report.pdf" << "no";
        QTest::newRow("report.pdf there, Да") << "SohranitOtchet" << "report" << 0 << "report.pdf" << "yes";
    }
    void savingWritesTheFileItAskedAbout()
    {
        QFETCH(QString, item);
        QFETCH(QString, typed);
        QFETCH(int, type);
        QFETCH(QString, written);
        QFETCH(QString, existing);
        Harakteristiki *window = openAfterTriodeCalculation();
        QVERIFY(window);
        const QString path = m_app->dir.filePath(written);
        const QByteArray old("old content");
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
            existing == QLatin1String("yes") ? m_app->dialogs.answerYes() : m_app->dialogs.answerNo();
        }
        m_app->dialogs.answerFileName(m_app->dir.filePath(typed), type);
        triggerItem(window, item);

        QVERIFY2(m_app->dialogs.messageTexts().isEmpty(), qPrintable(m_app->dialogs.messageTexts().join('\n')));
        QStringList questions;
        for (const AskedDialog &asked : std::as_const(m_app->dialogs.asked))
            if (asked.kind == AskedDialog::Kind::YesNo)
                questions << asked.text;
        const QString question = QStringLiteral("Файл «%1» уже существует. Заменить его?").arg(written);
        QCOMPARE(questions, existing.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(QDir(m_app->dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{written});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        if (existing == QLatin1String("no"))
            QCOMPARE(bytes, old);
        else if (written.endsWith(QLatin1String(".svg")))
            QVERIFY(QSvgRenderer(bytes).isValid());
        else if (written.endsWith(QLatin1String(".png")))
            QVERIFY(!QImage::fromData(bytes, "PNG").isNull());
        else
            QVERIFY(bytes.startsWith("%PDF-"));
        m_app->navigator.window(WindowId::Triod)->close();
    }

    void failedSaveSaysWhyAndKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("diskFull"); // else the plot cannot be painted
        QTest::newRow("PNG not painted") << "SohranitGrafik" << "plot.png" << 0 << false;
        QTest::newRow("SVG not painted") << "SohranitGrafik" << "plot.svg" << 1 << false;
        QTest::newRow("PDF not painted") << "SohranitOtchet" << "report.pdf" << 0 << false;
        QTest::newRow("PNG on a full disk") << "SohranitGrafik" << "plot.png" << 0 << true;
    }
    void failedSaveSaysWhyAndKeepsTheOldFile()
    {
        QFETCH(QString, item);
        QFETCH(QString, fileName);
        QFETCH(int, type);
        QFETCH(bool, diskFull);
        Harakteristiki *window = openAfterTriodeCalculation();
        QVERIFY(window);
        const QString path = m_app->dir.filePath(fileName);
        const QByteArray old("old content");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        }
        // A plot without area paints nothing, on any device.
        if (!diskFull) {
            auto *view = control<QChartView>(window, "Grafik");
            view->chart()->setMinimumSize(0, 0);
            view->setMinimumSize(0, 0);
            view->resize(0, 0);
        }
        m_app->dialogs.answerYes();
        m_app->dialogs.answerFileName(path, type);
        {
            std::unique_ptr<InjectedWriteFault> fault;
            if (diskFull)
                fault = std::make_unique<InjectedWriteFault>(anodix::detail::WriteStep::Write, ENOSPC);
            triggerItem(window, item);
        }
        const QString said = QStringLiteral("Не удалось сохранить файл «%1»: ").arg(path);
        QCOMPARE(m_app->dialogs.messageTexts().size(), 1);
        QCOMPARE(m_app->dialogs.asked.last().title, QStringLiteral("Ошибка"));
        const QString text = m_app->dialogs.messageTexts().first();
        QVERIFY2(text.startsWith(said) && text.size() > said.size() + 1, qPrintable(text));
        if (!diskFull)
            QCOMPARE(text, said + QStringLiteral("график не нарисован."));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(m_app->dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{fileName});
        m_app->navigator.window(WindowId::Triod)->close();
    }

    void reopeningBeforeTheOldPlotIsGoneKeepsTheNewOne()
    {
        Harakteristiki *window = openAfterTriodeCalculation();
        QVERIFY(window);
        FormWindow *stageWindow = m_app->navigator.window(WindowId::Triod);
        window->close();
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
        // The closed window's controls go only now, after the new ones were made.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        control<QLineEdit>(stageWindow, QStringLiteral("Ea"))->clear();
        typeInto(stageWindow, QStringLiteral("Ea"), QStringLiteral("200"));
        clickButton(stageWindow, QStringLiteral("Command1"));
        QVERIFY(control<QChartView>(companion(), "Grafik")->isVisible());
        QVERIFY(labelText(companion(), "Ishodnye").contains(QStringLiteral("Ea = 200 В")));
        verifyResultsSpoken(companion());
        stageWindow->close();
    }

private:
    // The triode's worked example calculated, then its characteristics opened.
    Harakteristiki *openAfterTriodeCalculation()
    {
        const Stage s = stage(WindowId::Triod);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("tube.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(WindowId::Triod);
        pickRecord(stageWindow, QStringLiteral("tube.lamp"));
        if (!calculatesWorkedExample(stageWindow, m_app->dialogs, s))
            return nullptr;
        triggerItem(stageWindow, QStringLiteral("Harakteristiki_Menu"));
        return companion();
    }

    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(HarakteristikiTest)
#include "tst_harakteristiki.moc"
