// SPDX-License-Identifier: GPL-3.0-or-later
// The frequency response window beside each calculation window: F7, following
// the stage's calculations, its boxes, the SPICE exports of both companion
// windows, closing with the stage window.
#include "../windows/windowfixture.h"

#include "anodix/charts/chastota.h"

#include <QChartView>
#include <QAbstractSeries>
#include <QChart>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include <memory>

using anodix::FormWindow;
using anodix::WindowId;
using anodix::charts::Chastota;

namespace {

const QString kPrompt = QStringLiteral("Выберите лампу и нажмите «Рассчитать»");

Chastota *companion() { return qobject_cast<Chastota *>(shownWindow(QStringLiteral("Chastota"))); }

// The figures on screen as their screen-reader names, in order.
QStringList spokenResults(const FormWindow *window, const char *name)
{
    QStringList spoken;
    for (int i = 0; auto *value = control<QLabel>(window, QStringLiteral("%1(%2)").arg(name).arg(i)); ++i)
        if (!value->text().isEmpty())
            spoken.append(value->accessibleName());
    return spoken;
}

} // namespace

class ChastotaTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void f7ShowsTheResponseAndFollowsTheStage_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<bool>("preamplifier");
        QTest::newRow("Triod") << WindowId::Triod << QStringList{"C1", "C2", "C3"} << true;
        QTest::newRow("Pentod") << WindowId::Pentod << QStringList{"C1", "C2", "C4"} << true;
        QTest::newRow("Tetrod") << WindowId::Tetrod << QStringList{"C1", "C2", "L1"} << false;
        QTest::newRow("TriodVihod") << WindowId::TriodVihod << QStringList{"C1", "C2", "L1"} << false;
        QTest::newRow("Dvuhtakt") << WindowId::Dvuhtakt << QStringList{"C1", "L1"} << false;
    }
    void f7ShowsTheResponseAndFollowsTheStage()
    {
        QFETCH(WindowId, id);
        QFETCH(QStringList, parts);
        QFETCH(bool, preamplifier);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(kCommaLocale);
        m_app->writeRecord(s.tubeClass, QStringLiteral("6Н2П.lamp"), s.record);
        FormWindow *stageWindow = m_app->open(id);
        auto *item = stageWindow->findChild<QAction *>(QStringLiteral("Chastota_Menu"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("Частотная характеристика"));
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F7));

        // Before a calculation: the prompt, and boxes that wait for a stage.
        item->trigger();
        Chastota *window = companion();
        QVERIFY(window);
        QCOMPARE(window->windowTitle(), QStringLiteral("Anodix V1.0 - Частотная характеристика"));
        QCOMPARE(outputText(window, "Soobshenie"), kPrompt);
        QVERIFY(!control<QChartView>(window, "Grafik")->isVisible());
        QVERIFY(!control<QLineEdit>(window, "Istochnik")->isEnabled());

        pickRecord(stageWindow, QStringLiteral("6Н2П.lamp"));
        QVERIFY(calculatesWorkedExample(stageWindow, m_app->dialogs, s, kCommaLocale));
        QVERIFY(window->isOpen() && window->shownResponse() && window->shownResponse()->ok());
        QVERIFY(control<QChartView>(window, "Grafik")->isVisible());
        QVERIFY(outputText(window, "Lampa").contains(QStringLiteral("6Н2П")));
        const QStringList results = spokenResults(window, "Znachenie");
        QCOMPARE(results.size(), preamplifier ? 4 : 3);
        // One mid-band row: the ratio with its decibels.
        QVERIFY(results.first().startsWith(QStringLiteral("Усиление в середине полосы ")));
        QVERIFY(results.first().endsWith(QStringLiteral(" дБ)")));
        QCOMPARE(results.filter(QStringLiteral("Усиление в середине полосы")).size(), 1);
        QCOMPARE(results.filter(QStringLiteral("Верхняя граничная частота (−3 дБ) ")).size(), preamplifier ? 1 : 0);
        QCOMPARE(outputText(window, "Nuzhny"), QStringLiteral("Для спада 3 дБ на Fmin нужны"));
        QStringList shownParts;
        for (int i = 0; i < parts.size(); ++i)
            shownParts << outputText(window, QStringLiteral("Detal(%1)").arg(i));
        QCOMPARE(shownParts, parts);
        QCOMPARE(outputText(window, "Primechanie"), QStringLiteral("типичные значения — уточните по справочнику"));
        QCOMPARE(outputText(window, "Zamechanie").contains(QStringLiteral("трансформатора не учтены")),
                 !preamplifier);

        // A new calculation at a lower supply reaches the open window at once.
        control<QLineEdit>(stageWindow, QStringLiteral("Ea"))->clear();
        typeInto(stageWindow, QStringLiteral("Ea"), QStringLiteral("200"));
        clickButton(stageWindow, QStringLiteral("Command1"));
        QCOMPARE(window->shownResponse()->point.ea, 200.0);
        QVERIFY(spokenResults(window, "Znachenie") != results);

        stageWindow->close();
        QVERIFY(!window->isOpen());
        QVERIFY(m_app->dialogs.messageTexts().isEmpty());
    }

    // The boxes hold the typical values in the locale's form; an edit is
    // worked at once, and a wrong one is said without leaving the window unusable.
    void boxesAreWorkedAsTheyAreTyped()
    {
        FormWindow *stageWindow = calculatedStage(WindowId::Triod, kCommaLocale, QStringLiteral("ECC83.lamp"));
        QVERIFY(stageWindow);
        triggerItem(stageWindow, QStringLiteral("Chastota_Menu"));
        Chastota *window = companion();
        QVERIFY(window);
        QStringList boxes;
        for (const char *name : {"Istochnik", "Nagruzka", "Cvh", "Cga", "Cvyh"})
            boxes << control<QLineEdit>(window, QString::fromLatin1(name))->text();
        QCOMPARE(boxes, (QStringList{"1", "50", "1,6", "1,7", "0,5"}));
        QCOMPARE(control<QLineEdit>(window, "Cga")->accessibleName(), QStringLiteral("Cga, пФ"));
        const double high = window->shownResponse()->figures.high.value_or(0);

        // A larger source resistance with the Miller capacitance lowers the top.
        control<QLineEdit>(window, "Istochnik")->clear();
        typeInto(window, QStringLiteral("Istochnik"), QStringLiteral("100"));
        QVERIFY(window->shownResponse()->ok());
        QVERIFY(window->shownResponse()->figures.high.value_or(0) < high / 5);

        control<QLineEdit>(window, "Istochnik")->clear();
        typeInto(window, QStringLiteral("Istochnik"), QStringLiteral("abc"));
        QVERIFY(!control<QChartView>(window, "Grafik")->isVisible());
        QVERIFY(outputText(window, "Soobshenie").endsWith(QStringLiteral("сопротивление источника")));
        QVERIFY(spokenResults(window, "Znachenie").isEmpty());
        control<QLineEdit>(window, "Istochnik")->clear();
        typeInto(window, QStringLiteral("Istochnik"), QStringLiteral("0"));
        QVERIFY(control<QChartView>(window, "Grafik")->isVisible());
        // Typed values outlive a new calculation and a reopening.
        clickButton(stageWindow, QStringLiteral("Command1"));
        window->close();
        triggerItem(stageWindow, QStringLiteral("Chastota_Menu"));
        QCOMPARE(control<QLineEdit>(companion(), "Istochnik")->text(), QStringLiteral("0"));
        stageWindow->close();
    }

    void spiceExportsWriteTheFileAskedAbout_data()
    {
        QTest::addColumn<QString>("windowItem");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("existing"); // empty: none; else the answer to replacing it
        QTest::addColumn<QString>("starts");   // the first line of the text written
        QTest::newRow("tube model from the frequency window")
            << "Chastota_Menu" << "EksportModeli" << "model.inc" << "" << "* ECC83: триод, модель Anodix";
        QTest::newRow("stage from the frequency window, Да")
            << "Chastota_Menu" << "EksportSkhemy" << "model.cir" << "yes"
            << "* Anodix: Предварительный усилитель на триоде, ECC83";
        QTest::newRow("stage from the frequency window, Нет") << "Chastota_Menu" << "EksportSkhemy" << "model.cir"
                                                               << "no" << "old content";
        QTest::newRow("tube model from the characteristics window")
            << "Harakteristiki_Menu" << "EksportModeli" << "model.inc" << "yes" << "* ECC83: триод, модель Anodix";
        QTest::newRow("stage from the characteristics window")
            << "Harakteristiki_Menu" << "EksportSkhemy" << "model.cir" << ""
            << "* Anodix: Предварительный усилитель на триоде, ECC83";
    }
    void spiceExportsWriteTheFileAskedAbout()
    {
        QFETCH(QString, windowItem);
        QFETCH(QString, item);
        QFETCH(QString, written);
        QFETCH(QString, existing);
        QFETCH(QString, starts);
        FormWindow *stageWindow = calculatedStage(WindowId::Triod, kPointLocale, QStringLiteral("ECC83.lamp"));
        QVERIFY(stageWindow);
        triggerItem(stageWindow, windowItem);
        const QString windowName = windowItem.chopped(5);
        FormWindow *window = shownWindow(windowName);
        QVERIFY(window);

        const QString folder = m_app->dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/") + written;
        if (!existing.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("old content\n") > 0);
            existing == QLatin1String("yes") ? m_app->dialogs.answerYes() : m_app->dialogs.answerNo();
        }
        // Typed without the suffix: the type chosen adds it, and the question names the real file.
        m_app->dialogs.answerFileName(folder + QStringLiteral("/model"));
        triggerItem(window, item);

        QVERIFY2(m_app->dialogs.messageTexts().isEmpty(), qPrintable(m_app->dialogs.messageTexts().join('\n')));
        QStringList questions;
        for (const AskedDialog &asked : std::as_const(m_app->dialogs.asked))
            if (asked.kind == AskedDialog::Kind::YesNo)
                questions << asked.text;
        QCOMPARE(questions, existing.isEmpty() ? QStringList()
                                               : QStringList{QStringLiteral("Файл «%1» уже существует. Заменить его?")
                                                                 .arg(written)});
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{written});
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QCOMPARE(text.section(u'\n', 0, 0), starts);
        if (existing != QLatin1String("no"))
            QVERIFY(text.contains(written.endsWith(QLatin1String(".inc")) ? QStringLiteral(".ends ECC83")
                                                                          : QStringLiteral("\n.end\n")));
        stageWindow->close();
    }

    // "Моделировать в ngspice": without ngspice, said in an "Ошибка" box;
    // with a program that fails, its first error line; with ngspice, its
    // response drawn over the computed one and its harmonics shown.
    void ngspiceRunsInTheBackground_data()
    {
        QTest::addColumn<QString>("program"); // "" none; "fail" a script that fails; "ngspice" the real one
        QTest::addColumn<QString>("error");
        QTest::newRow("not installed") << "" << "Программа ngspice не найдена. Установите пакет ngspice.";
        QTest::newRow("a failing run") << "fail"
                                       << "ngspice сообщила об ошибке.\nngspice: Error: no such file or directory: stage.raw";
        QTest::newRow("ngspice") << "ngspice" << "";
    }
    void ngspiceRunsInTheBackground()
    {
        QFETCH(QString, program);
        QFETCH(QString, error);
        const QString ngspice = QStandardPaths::findExecutable(QStringLiteral("ngspice"));
        if (program == QLatin1String("ngspice") && ngspice.isEmpty())
            QSKIP("ngspice is not installed");
        FormWindow *stageWindow = calculatedStage(WindowId::Triod, kCommaLocale, QStringLiteral("ECC83.lamp"));
        QVERIFY(stageWindow);
        triggerItem(stageWindow, QStringLiteral("Chastota_Menu"));
        Chastota *window = companion();
        QVERIFY(window);
        QString path = ngspice;
        if (program == QLatin1String("fail")) {
            path = m_app->dir.filePath(QStringLiteral("fake-ngspice"));
            QFile script(path);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho 'Note: starting' >&2\necho 'Error: no such file or directory: stage.raw' >&2\n"
                         "echo 'Error: second' >&2\nexit 1\n");
            script.close();
            QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        } else if (program.isEmpty()) {
            path.clear();
        }
        window->setNgspiceFinder([path] { return path; });
        QCOMPARE(series(window).size(), 3); // the response, Fmin, the −3 dB points

        clickButton(window, QStringLiteral("Modelirovat"));
        if (!program.isEmpty()) {
            QVERIFY(control<QPushButton>(window, "Otmena")->isVisible());
            QVERIFY(control<QWidget>(window, "Hod")->isVisible());
            QVERIFY(!control<QPushButton>(window, "Modelirovat")->isEnabled());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!control<QPushButton>(window, "Otmena")->isVisible(), 30000);
        QVERIFY(control<QPushButton>(window, "Modelirovat")->isEnabled());
        QCOMPARE(m_app->dialogs.messageTexts(), error.isEmpty() ? QStringList() : QStringList{error});
        if (!error.isEmpty()) {
            QCOMPARE(m_app->dialogs.asked.constLast().title, QStringLiteral("Ошибка"));
            QVERIFY(!window->shownSimulation());
            QCOMPARE(series(window).size(), 3);
            QVERIFY(outputText(window, "Garmoniki").isEmpty());
        } else {
            QVERIFY(window->shownSimulation());
            QStringList names;
            for (const QAbstractSeries *one : series(window))
                names << one->name();
            QVERIFY(names.contains(QStringLiteral("ngspice")));
            const QString harmonics = outputText(window, "Garmoniki");
            QVERIFY2(harmonics.startsWith(QStringLiteral("ngspice: H2 = ")) && harmonics.contains(QStringLiteral("THD = ")),
                     qPrintable(harmonics));
            QVERIFY(harmonics.contains(u',')); // the comma locale's numbers
            // A new calculation takes the simulated curve away: it was for the old stage.
            clickButton(stageWindow, QStringLiteral("Command1"));
            QVERIFY(!window->shownSimulation());
            QCOMPARE(series(window).size(), 3);
        }
        // The window stays usable: its boxes still work the response.
        control<QLineEdit>(window, "Nagruzka")->clear();
        typeInto(window, QStringLiteral("Nagruzka"), QStringLiteral("0"));
        QVERIFY(window->shownResponse()->ok());
        stageWindow->close();
    }

    // "Отмена" stops a run at once: nothing is told, nothing drawn, and the
    // button is back for the next run.
    void cancelStopsTheRunQuietly()
    {
        FormWindow *stageWindow = calculatedStage(WindowId::Tetrod, kPointLocale, QStringLiteral("EL84.lamp"));
        QVERIFY(stageWindow);
        triggerItem(stageWindow, QStringLiteral("Chastota_Menu"));
        Chastota *window = companion();
        QVERIFY(window);
        const QString path = m_app->dir.filePath(QStringLiteral("slow-ngspice"));
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nexec sleep 30\n");
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        window->setNgspiceFinder([path] { return path; });

        QElapsedTimer clock;
        clock.start();
        clickButton(window, QStringLiteral("Modelirovat"));
        QVERIFY(control<QPushButton>(window, "Otmena")->isVisible());
        QTest::qWait(200); // the window stays responsive meanwhile
        clickButton(window, QStringLiteral("Otmena"));
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!control<QPushButton>(window, "Otmena")->isVisible());
        QVERIFY(!control<QWidget>(window, "Hod")->isVisible());
        QVERIFY(control<QPushButton>(window, "Modelirovat")->isEnabled());
        QTest::qWait(100);
        QVERIFY(m_app->dialogs.messageTexts().isEmpty());
        QVERIFY(!window->shownSimulation());
        stageWindow->close();
    }

    // A run that must be ended by the window: at its time limit (told), on
    // "Отмена" or on closing the window (quietly); afterwards the run and its
    // folder are gone and the window works. (What the run leaves of its
    // process group is tested on the run itself, in tst_ngspice.)
    void endedRunsLeaveNothing_data()
    {
        QTest::addColumn<QString>("work");
        QTest::addColumn<QString>("ending"); // "limit", "Otmena", "close"
        QTest::addColumn<QString>("message");
        QTest::newRow("the limit, output without end") << "cat /dev/urandom >&2" << "limit"
                                                       << "ngspice не закончила расчёт за 1 с.";
        QTest::newRow("Отмена, output without end") << "while :; do echo 'Error: again'; done" << "Otmena" << "";
        QTest::newRow("closing the window") << "exec sleep 1000" << "close" << "";
    }
    void endedRunsLeaveNothing()
    {
        QFETCH(QString, work);
        QFETCH(QString, ending);
        QFETCH(QString, message);
        FormWindow *stageWindow = calculatedStage(WindowId::Triod, kCommaLocale, QStringLiteral("ECC83.lamp"));
        QVERIFY(stageWindow);
        triggerItem(stageWindow, QStringLiteral("Chastota_Menu"));
        Chastota *window = companion();
        QVERIFY(window);
        const QString path = m_app->dir.filePath(QStringLiteral("endless-ngspice"));
        QFile script(path);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nsleep 1000 &\n%1\n").arg(work).toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        window->setNgspiceFinder([path] { return path; });
        window->setRunLimit(700);

        clickButton(window, QStringLiteral("Modelirovat"));
        const QString folder = window->run().folder();
        QVERIFY(QFileInfo(folder).isDir());
        if (ending == QLatin1String("limit")) {
            QTRY_VERIFY_WITH_TIMEOUT(!control<QPushButton>(window, "Otmena")->isVisible(), 10000);
        } else {
            QTest::qWait(300);
            if (ending == QLatin1String("Otmena"))
                clickButton(window, QStringLiteral("Otmena"));
            else
                window->close();
            QTest::qWait(100);
        }
        QCOMPARE(m_app->dialogs.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(!window->run().isRunning());
        QVERIFY(!QFileInfo::exists(folder));
        QVERIFY(!window->shownSimulation());
        if (ending != QLatin1String("close")) {
            QVERIFY(control<QPushButton>(window, "Modelirovat")->isEnabled());
            control<QLineEdit>(window, "Nagruzka")->clear();
            typeInto(window, QStringLiteral("Nagruzka"), QStringLiteral("0"));
            QVERIFY(window->shownResponse()->ok());
        }
        stageWindow->close();
    }

private:
    // A stage window that has calculated its worked example on the named record; null if it could not.
    FormWindow *calculatedStage(WindowId id, const QLocale &locale, const QString &record)
    {
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>(locale);
        m_app->writeRecord(s.tubeClass, record, s.record);
        FormWindow *stageWindow = m_app->open(id);
        pickRecord(stageWindow, record);
        return calculatesWorkedExample(stageWindow, m_app->dialogs, s, locale) ? stageWindow : nullptr;
    }

    static QList<QAbstractSeries *> series(const Chastota *window)
    {
        return control<QChartView>(window, "Grafik")->chart()->series();
    }

    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(ChastotaTest)
#include "tst_chastota.moc"
