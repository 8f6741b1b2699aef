// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon started as main() starts it: Form1 on the working folder, then the
// program's icon and Qt's texts in Russian, under the shared start-up style,
// until the window closes.
#include "grideon/application.h"

#include "common/startupstyle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void runsForm1UntilItClosesAndSavesTheInputs();
};

void TestStartup::runsForm1UntilItClosesAndSavesTheInputs()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    QFile saved(QStringLiteral("data.dat"));
    QVERIFY(saved.open(QIODevice::WriteOnly));
    // What follows the sixth number is ignored on reading and gone after the save.
    saved.write(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\nleft over\r\n");
    saved.close();

    // What the running program shows, looked at once its event loop runs.
    QStringList windows;
    QString firstBox, focused, cancel;
    bool programIcon = false;
    bool sharedStyle = false;
    QTimer::singleShot(0, [&] {
        // The style whose overflow arrows the shared style test holds to its base's.
        sharedStyle = dynamic_cast<common::StartupStyle *>(QApplication::style()) != nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (!window->isVisible())
                continue;
            windows.append(window->windowTitle());
            if (auto *ri = window->findChild<QWidget *>(QStringLiteral("ri")))
                firstBox = ri->property("text").toString();
            if (window->focusWidget())
                focused = window->focusWidget()->objectName();
            // The icon and Qt's texts come right after the first paint.
            programIcon = QTest::qWaitFor([] { return !QApplication::windowIcon().isNull(); }, 5000)
                && window->windowIcon().cacheKey() == QApplication::windowIcon().cacheKey();
            cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
            window->close();
        }
    });
    // A program that showed nothing would never return; this ends the test instead.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    guard.start(20000);

    const int exitCode = grideon::runGrideon(*qApp);
    guard.stop();
    QApplication::setWindowIcon(QIcon());
    QFile reread(QStringLiteral("data.dat"));
    const QByteArray savedAgain = reread.open(QIODevice::ReadOnly) ? reread.readAll() : QByteArray();
    QDir::setCurrent(previousFolder);

    QCOMPARE(exitCode, 0);
    QCOMPARE(windows, QStringList{QStringLiteral("Valvora (Grideon)")});
    QCOMPARE(firstBox, QStringLiteral("44"));
    QCOMPARE(focused, QStringLiteral("ri"));
    QVERIFY(programIcon);
    QVERIFY(sharedStyle);
    QCOMPARE(savedAgain, QByteArray(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n"));
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm")))
        QSKIP("Qt's Russian texts are not installed");
    QCOMPARE(cancel, QStringLiteral("Отмена"));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
