// SPDX-License-Identifier: GPL-3.0-or-later
// One calculation solves its stage once: the stage window, the
// characteristics window and the frequency response window all show the same
// solution, whichever of them is open.
#include "../windows/windowfixture.h"

#include "anodix/stages/solvecount.h"

#include <memory>

using anodix::FormWindow;
using anodix::WindowId;

class SolveCountTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void oneCalculationSolvesTheStageOnceWithBothCompanionsOpen_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QString>("companions"); // the menu items opened before "Рассчитать"
        QTest::addColumn<bool>("ratings");       // a ratings file the stage exceeds lies beside the record
        const QString both = QStringLiteral("Harakteristiki_Menu Chastota_Menu");
        for (const auto &[id, name] : {std::pair{WindowId::Triod, "Triod"}, {WindowId::Pentod, "Pentod"},
                                       {WindowId::Tetrod, "Tetrod"}, {WindowId::TriodVihod, "TriodVihod"},
                                       {WindowId::Dvuhtakt, "Dvuhtakt"}, {WindowId::Povtoritel, "Povtoritel"},
                                       {WindowId::FazoinvertorRN, "FazoinvertorRN"},
                                       {WindowId::FazoinvertorKS, "FazoinvertorKS"}}) {
            QTest::addRow("%s, F6 and F7 open", name) << id << both << false;
            QTest::addRow("%s, F6 and F7 open, over its ratings", name) << id << both << true;
            QTest::addRow("%s, F7 open", name) << id << QStringLiteral("Chastota_Menu") << false;
            QTest::addRow("%s, F6, F7 and the model window open", name)
                << id << both + QStringLiteral(" ModelLampy_Menu") << false;
            QTest::addRow("%s, none open, over its ratings", name) << id << QString() << true;
        }
    }
    void oneCalculationSolvesTheStageOnceWithBothCompanionsOpen()
    {
        QFETCH(WindowId, id);
        QFETCH(QString, companions);
        QFETCH(bool, ratings);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("6N2P.lamp"), s.record);
        if (ratings) {
            QFile limits(m_app->dir.filePath(classFolder(s.tubeClass) + QStringLiteral("/6N2P.limits")));
            QVERIFY(limits.open(QIODevice::WriteOnly));
            limits.write("pa_max_w = 0.0001\n");
        }
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("6N2P.lamp"));
        for (const QString &item : companions.split(u' ', Qt::SkipEmptyParts))
            triggerItem(window, item);
        enterInputs(window, s);

        const int before = anodix::stage::solvesSoFar();
        const int readBefore = anodix::stage::readsSoFar();
        clickButton(window, QStringLiteral("Command1"));
        const int solves = anodix::stage::solvesSoFar() - before;
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        QCOMPARE(solves, 1);
        // Its texts were read once, whichever windows then showed it.
        QCOMPARE(anodix::stage::readsSoFar() - readBefore, 1);
        // The companions show that calculation, not the prompt before it.
        if (companions.contains(QLatin1String("Chastota")))
            QVERIFY(outputText(shownWindow(QStringLiteral("Chastota")), QStringLiteral("Lampa"))
                        .contains(QStringLiteral("6N2P")));
        if (companions.contains(QLatin1String("Harakteristiki")))
            QVERIFY(outputText(shownWindow(QStringLiteral("Harakteristiki")), QStringLiteral("Lampa"))
                        .contains(QStringLiteral("6N2P")));
        // The ratings were held against that same solution.
        if (ratings) {
            const auto *line = window->findChild<QLabel *>(QStringLiteral("Preduprezhdenie"));
            QVERIFY(line && line->isVisible() && !line->text().isEmpty());
        }
        for (const char *companion : {"Harakteristiki", "Chastota"}) {
            if (companions.contains(QLatin1String(companion)))
                saveScreenshot(shownWindow(QString::fromLatin1(companion)),
                               window->objectName() + u'-' + QString::fromLatin1(companion));
        }
        // A second calculation with nothing changed solves once more, not twice.
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(anodix::stage::solvesSoFar() - before, 2);
        QCOMPARE(anodix::stage::readsSoFar() - readBefore, 2);
        window->close();
    }

    void aRefusedCalculationReadsOnceAndSolvesNothing_data()
    {
        QTest::addColumn<WindowId>("id");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        for (const auto &[id, name] : {std::pair{WindowId::Triod, "Triod"}, {WindowId::Pentod, "Pentod"},
                                       {WindowId::Tetrod, "Tetrod"}, {WindowId::TriodVihod, "TriodVihod"},
                                       {WindowId::Dvuhtakt, "Dvuhtakt"}, {WindowId::Povtoritel, "Povtoritel"},
                                       {WindowId::FazoinvertorRN, "FazoinvertorRN"},
                                       {WindowId::FazoinvertorKS, "FazoinvertorKS"}}) {
            QTest::addRow("%s, Ea no number", name) << id << QStringLiteral("Ea") << QStringLiteral("x");
            QTest::addRow("%s, Fmin no number", name) << id << QStringLiteral("Fn1") << QStringLiteral("1,2,3");
        }
    }
    void aRefusedCalculationReadsOnceAndSolvesNothing()
    {
        QFETCH(WindowId, id);
        QFETCH(QString, box);
        QFETCH(QString, text);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("6N2P.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("6N2P.lamp"));
        triggerItem(window, QStringLiteral("Harakteristiki_Menu"));
        enterInputs(window, s);
        typeInto(window, box, text);

        const int solves = anodix::stage::solvesSoFar();
        const int reads = anodix::stage::readsSoFar();
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(m_app->dialogs.messageTexts().size(), 1);
        QCOMPARE(anodix::stage::readsSoFar() - reads, 1);
        QCOMPARE(anodix::stage::solvesSoFar() - solves, 0);
        // The characteristics still wait for a calculation: nothing was handed on.
        QVERIFY(!outputText(shownWindow(QStringLiteral("Harakteristiki")), QStringLiteral("Lampa"))
                     .contains(QStringLiteral("6N2P")));
        window->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(SolveCountTest)
#include "tst_solvecount.moc"
