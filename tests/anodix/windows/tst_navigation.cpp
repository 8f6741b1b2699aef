// SPDX-License-Identifier: GPL-3.0-or-later
// How the windows of Anodix replace one another, driven through their buttons and menus.
#include "windowfixture.h"

#include "anodix/forms/formwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <functional>
#include <memory>

using anodix::FormWindow;
using anodix::WindowId;

namespace {

// A stand-in for a tube editor: its "Выход" switches back to its calculation window.
class FakeEditor final : public FormWindow
{
public:
    FakeEditor(anodix::Navigator &navigator, const QString &name, WindowId back)
        : FormWindow(name, QSize(3000, 1500))
        , m_navigator(navigator)
        , m_back(back)
    {
        setObjectName(name);
    }

protected:
    void createControls(QWidget *client) override
    {
        auto *exit = new QPushButton(QStringLiteral("Выход"), client);
        exit->setObjectName(QStringLiteral("Exit"));
        connect(exit, &QPushButton::clicked, this, [this] { m_navigator.switchTo(this, m_back); });
    }

private:
    anodix::Navigator &m_navigator;
    WindowId m_back;
};

} // namespace

class NavigationTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        const QString fault = endRun(m_app);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }

    void startShowsOnlyTheMainWindowCentred()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *main = m_app->start();
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Obshaya")});
        QCOMPARE(main->windowTitle(), QStringLiteral("Anodix V1.0"));
        for (const char *name : {"Triod1", "Pentod1", "Command1", "TriodVihod1", "Dvuhtakt1"})
            QVERIFY2(control<QPushButton>(main, QString::fromLatin1(name))->isVisible(), name);
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((main->frameGeometry().center() - screenCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("window %1,%2 %3×%4 around %5,%6; screen centre %7,%8")
                                .arg(main->frameGeometry().x()).arg(main->frameGeometry().y())
                                .arg(main->frameGeometry().width()).arg(main->frameGeometry().height())
                                .arg(main->frameGeometry().center().x()).arg(main->frameGeometry().center().y())
                                .arg(screenCentre.x()).arg(screenCentre.y())));
        main->close();
    }

    void buttonLeadsToItsWindowAndExitLeadsBack_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("caption");
        QTest::newRow("the triode button opens the triode preamplifier")
            << "Triod1" << "Triod" << "Anodix V1.0 - Предварительный усилитель на триоде";
        QTest::newRow("the pentode button under voltage amplifiers opens the pentode preamplifier")
            << "Pentod1" << "Pentod" << "Anodix V1.0 - Предварительный усилитель на пентоде";
        QTest::newRow("the same-worded button under power amplifiers opens the power stage")
            << "Command1" << "Tetrod" << "Anodix V1.0 - Усилитель мощности на пентоде";
        QTest::newRow("the triode button under power amplifiers opens the triode power stage")
            << "TriodVihod1" << "TriodVihod" << "Anodix V1.0 - Усилитель мощности на триоде";
        QTest::newRow("the push-pull button opens the push-pull power stage")
            << "Dvuhtakt1" << "Dvuhtakt" << "Anodix V1.0 - Двухтактный усилитель мощности";
        QTest::newRow("the split-load button under splitters and followers opens the cathodyne")
            << "FazoinvertorRN1" << "FazoinvertorRN" << "Anodix V1.0 - Фазоинвертор с разделённой нагрузкой";
        QTest::newRow("the follower button opens the cathode follower")
            << "Povtoritel1" << "Povtoritel" << "Anodix V1.0 - Катодный повторитель";
    }

    void buttonLeadsToItsWindowAndExitLeadsBack()
    {
        QFETCH(QString, button);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *main = m_app->start();

        clickButton(main, button);
        QCOMPARE(visibleWindows(), QStringList{window});
        FormWindow *calc = shownWindow(window);
        QVERIFY(calc);
        QCOMPARE(calc->windowTitle(), caption);
        QVERIFY(!main->isOpen());

        triggerItem(calc, QStringLiteral("Exit"));
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Obshaya")});
        QVERIFY(!calc->isOpen());
        QVERIFY(main->isOpen());
        main->close();
    }

    void aboutOpensOnceBesideTheWindowAndOkClosesIt_data()
    {
        QTest::addColumn<WindowId>("from");
        QTest::newRow("from the main window") << WindowId::Obshaya;
        QTest::newRow("from the triode window") << WindowId::Triod;
        QTest::newRow("from the pentode window") << WindowId::Pentod;
        QTest::newRow("from the power stage window") << WindowId::Tetrod;
        QTest::newRow("from the triode power stage window") << WindowId::TriodVihod;
        QTest::newRow("from the push-pull stage window") << WindowId::Dvuhtakt;
    }

    void aboutOpensOnceBesideTheWindowAndOkClosesIt()
    {
        QFETCH(WindowId, from);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(from);
        const QString name = window->objectName();

        triggerItem(window, QStringLiteral("Help_Abaut"));
        triggerItem(window, QStringLiteral("Help_Abaut"));
        QStringList expected{QStringLiteral("About"), name};
        expected.sort();
        QCOMPARE(visibleWindows(), expected);
        int abouts = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            abouts += widget->objectName() == QLatin1String("About");
        QCOMPARE(abouts, 1);

        FormWindow *about = m_app->navigator.window(WindowId::About);
        QCOMPARE(about->windowTitle(), QStringLiteral("О программе"));
        clickButton(about, QStringLiteral("Ok"));
        QCOMPARE(visibleWindows(), QStringList{name});
        window->close();
    }

    void shortcutsActLikeTheirMenuItems_data()
    {
        QTest::addColumn<WindowId>("from");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("afterwards");
        QTest::newRow("F1 in the main window opens About") << WindowId::Obshaya << QKeySequence(Qt::Key_F1) << ""
                                                           << QStringList{"About", "Obshaya"};
        QTest::newRow("Ctrl+A in the triode window opens About")
            << WindowId::Triod << QKeySequence(Qt::CTRL | Qt::Key_A) << "" << QStringList{"About", "Triod"};
        QTest::newRow("Ctrl+A typed in a box of the pentode window opens About, not selects the text")
            << WindowId::Pentod << QKeySequence(Qt::CTRL | Qt::Key_A) << "Fn1" << QStringList{"About", "Pentod"};
        QTest::newRow("Ctrl+X in the triode window returns to the main window")
            << WindowId::Triod << QKeySequence(Qt::CTRL | Qt::Key_X) << "" << QStringList{"Obshaya"};
        QTest::newRow("Ctrl+X in the pentode window returns to the main window")
            << WindowId::Pentod << QKeySequence(Qt::CTRL | Qt::Key_X) << "" << QStringList{"Obshaya"};
        QTest::newRow("Ctrl+X typed in a box of the power stage window returns to the main window")
            << WindowId::Tetrod << QKeySequence(Qt::CTRL | Qt::Key_X) << "Rn" << QStringList{"Obshaya"};
        QTest::newRow("Escape closes About as its Ok does")
            << WindowId::About << QKeySequence(Qt::Key_Escape) << "" << QStringList{};
        QTest::newRow("Enter on the focused Ok closes About")
            << WindowId::About << QKeySequence(Qt::Key_Return) << "Ok" << QStringList{};
        QTest::newRow("Ctrl+R in the power stage window opens its editor")
            << WindowId::Tetrod << QKeySequence(Qt::CTRL | Qt::Key_R) << "" << QStringList{"Files_Pentod_Vihod"};
        QTest::newRow("Ctrl+X typed in the ratio box of the triode power stage window returns to the main window")
            << WindowId::TriodVihod << QKeySequence(Qt::CTRL | Qt::Key_X) << "Kn" << QStringList{"Obshaya"};
    }

    void shortcutsActLikeTheirMenuItems()
    {
        QFETCH(WindowId, from);
        QFETCH(QKeySequence, keys);
        QFETCH(QString, focus);
        QFETCH(QStringList, afterwards);
        m_app = std::make_unique<WindowFixture>();
        registerFakeEditors();
        FormWindow *window = m_app->open(from);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget *target = window;
        if (!focus.isEmpty()) {
            target = control(window, focus);
            target->setFocus();
            if (qobject_cast<QLineEdit *>(target))
                QTest::keyClicks(target, QStringLiteral("12"));
        }
        QTest::keySequence(target, keys);
        QCOMPARE(visibleWindows(), afterwards);
        closeAll();
    }

    void editorReplacesTheCalculationWindowAndLeadsBack_data()
    {
        QTest::addColumn<WindowId>("calc");
        QTest::addColumn<QString>("editor");
        QTest::newRow("triode window and the triode editor") << WindowId::Triod << "Files";
        QTest::newRow("pentode window and the preamplifier pentode editor") << WindowId::Pentod << "Files_Pentod";
        QTest::newRow("power stage window and the power pentode editor") << WindowId::Tetrod << "Files_Pentod_Vihod";
    }

    void editorReplacesTheCalculationWindowAndLeadsBack()
    {
        QFETCH(WindowId, calc);
        QFETCH(QString, editor);
        m_app = std::make_unique<WindowFixture>();
        registerFakeEditors();
        FormWindow *window = m_app->open(calc);
        typeInto(window, QStringLiteral("Ea"), QStringLiteral("250"));

        triggerItem(window, QStringLiteral("Redaktor"));
        QCOMPARE(visibleWindows(), QStringList{editor});
        QVERIFY(!window->isOpen());

        FormWindow *editorWindow = shownWindow(editor);
        QVERIFY(editorWindow);
        clickButton(editorWindow, QStringLiteral("Exit"));
        QCOMPARE(visibleWindows(), QStringList{window->objectName()});
        QCOMPARE(control<QLineEdit>(window, QStringLiteral("Ea"))->text(), QString());
        QCOMPARE(outputText(window, QStringLiteral("R1")), QStringLiteral("0"));
        window->close();
    }

    void theProgramsEditorsReplaceTheirCalculationWindows_data()
    {
        QTest::addColumn<WindowId>("calc");
        QTest::addColumn<QString>("editor");
        QTest::newRow("Triod and Files") << WindowId::Triod << "Files";
        QTest::newRow("Pentod and Files_Pentod") << WindowId::Pentod << "Files_Pentod";
        QTest::newRow("Tetrod and Files_Pentod_Vihod") << WindowId::Tetrod << "Files_Pentod_Vihod";
        // The triode editor serves two windows and returns to the one that opened it.
        QTest::newRow("TriodVihod and Files") << WindowId::TriodVihod << "Files";
        // The power pentode editor is shared: it returns to the window that opened it.
        QTest::newRow("Dvuhtakt and Files_Pentod_Vihod") << WindowId::Dvuhtakt << "Files_Pentod_Vihod";
    }

    void theProgramsEditorsReplaceTheirCalculationWindows()
    {
        QFETCH(WindowId, calc);
        QFETCH(QString, editor);
        m_app = std::make_unique<WindowFixture>();
        FormWindow *window = m_app->open(calc);
        triggerItem(window, QStringLiteral("Redaktor"));
        FormWindow *editorWindow = shownWindow(editor);
        QVERIFY(editorWindow);
        QCOMPARE(visibleWindows(), QStringList{editor});
        triggerItem(editorWindow, QStringLiteral("Exit"));
        QCOMPARE(visibleWindows(), QStringList{window->objectName()});
        window->close();
    }

    void closingTheCalculationWindowEndsTheProgram()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *main = m_app->start();
        bool triodShownAfterTheSwitch = false;
        bool triodClosed = false;
        const bool ended = runProgram([&] {
            // The moment between closing the main window and opening Triod must not end the run.
            clickButton(main, QStringLiteral("Triod1"));
            QTimer::singleShot(50, [&] {
                triodShownAfterTheSwitch = visibleWindows() == QStringList{QStringLiteral("Triod")};
                triodClosed = m_app->navigator.window(WindowId::Triod)->close();
            });
        });
        QVERIFY(ended);
        QVERIFY(triodShownAfterTheSwitch);
        QVERIFY(triodClosed);
        QVERIFY(visibleWindows().isEmpty());
        QVERIFY2(!main->isOpen(), "the main window does not come back");
    }

    void aboutOpenBesideKeepsTheProgramRunningUntilItCloses()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *triod = m_app->open(WindowId::Triod);
        triggerItem(triod, QStringLiteral("Help_Abaut"));
        QStringList shownAfterTriodClosed;
        bool aboutClosed = false;
        const bool ended = runProgram([&] {
            triod->close();
            QTimer::singleShot(50, [&] {
                shownAfterTriodClosed = visibleWindows();
                aboutClosed = m_app->navigator.window(WindowId::About)->close();
            });
        });
        QVERIFY(ended);
        QCOMPARE(shownAfterTriodClosed, QStringList{QStringLiteral("About")});
        QVERIFY(aboutClosed);
    }

    void windowObjectLivesForTheWholeRun()
    {
        m_app = std::make_unique<WindowFixture>();
        FormWindow *main = m_app->start();
        clickButton(main, QStringLiteral("Triod1"));
        FormWindow *triod = m_app->navigator.window(WindowId::Triod);
        QWidget *firstControls = triod->client();
        triggerItem(triod, QStringLiteral("Exit"));
        clickButton(main, QStringLiteral("Triod1"));
        QCOMPARE(m_app->navigator.window(WindowId::Triod), triod);
        QVERIFY(triod->client() != firstControls);
        triod->close();
    }

private:
    void registerFakeEditors()
    {
        anodix::Navigator &navigator = m_app->navigator;
        const auto fake = [&navigator](const char *name, WindowId back) {
            return [&navigator, name, back] {
                return std::make_unique<FakeEditor>(navigator, QString::fromLatin1(name), back);
            };
        };
        navigator.registerWindow(WindowId::Files, fake("Files", WindowId::Triod));
        navigator.registerWindow(WindowId::Files_Pentod, fake("Files_Pentod", WindowId::Pentod));
        navigator.registerWindow(WindowId::Files_Pentod_Vihod, fake("Files_Pentod_Vihod", WindowId::Tetrod));
    }

    // Runs the event loop as the program's main() does, with first done at its start;
    // true when the run ended by itself, false when it was still running after 5 s.
    static bool runProgram(const std::function<void()> &first)
    {
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        deadline.start(5000);
        QTimer::singleShot(0, qApp, first);
        return QCoreApplication::exec() == 0;
    }

    static void closeAll()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->isVisible())
                widget->close();
    }

    std::unique_ptr<WindowFixture> m_app;
};

QTEST_MAIN(NavigationTest)
#include "tst_navigation.moc"
