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
        for (const auto &[id, name] : {std::pair{WindowId::Triod, "Triod"}, {WindowId::Pentod, "Pentod"},
                                       {WindowId::Tetrod, "Tetrod"}, {WindowId::TriodVihod, "TriodVihod"},
                                       {WindowId::Dvuhtakt, "Dvuhtakt"}}) {
            QTest::addRow("%s, F6 and F7 open", name) << id << QStringLiteral("Harakteristiki_Menu Chastota_Menu");
            QTest::addRow("%s, F7 open", name) << id << QStringLiteral("Chastota_Menu");
            QTest::addRow("%s, none open", name) << id << QString();
        }
    }
    void oneCalculationSolvesTheStageOnceWithBothCompanionsOpen()
    {
        QFETCH(WindowId, id);
        QFETCH(QString, companions);
        const Stage s = stage(id);
        m_app = std::make_unique<WindowFixture>();
        m_app->writeRecord(s.tubeClass, QStringLiteral("6N2P.lamp"), s.record);
        FormWindow *window = m_app->open(id);
        pickRecord(window, QStringLiteral("6N2P.lamp"));
        for (const QString &item : companions.split(u' ', Qt::SkipEmptyParts))
            triggerItem(window, item);
        enterInputs(window, s);

        const int before = anodix::stage::solvesSoFar();
        clickButton(window, QStringLiteral("Command1"));
        const int solves = anodix::stage::solvesSoFar() - before;
        QCOMPARE(m_app->dialogs.messageTexts(), QStringList());
        QCOMPARE(solves, 1);
        // The companions show that calculation, not the prompt before it.
        if (companions.contains(QLatin1String("Chastota")))
            QVERIFY(outputText(shownWindow(QStringLiteral("Chastota")), QStringLiteral("Lampa"))
                        .contains(QStringLiteral("6N2P")));
        // A second calculation with nothing changed solves once more, not twice.
        clickButton(window, QStringLiteral("Command1"));
        QCOMPARE(anodix::stage::solvesSoFar() - before, 2);
        window->close();
    }

private:
    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(SolveCountTest)
#include "tst_solvecount.moc"
