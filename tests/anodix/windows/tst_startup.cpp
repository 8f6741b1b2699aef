// SPDX-License-Identifier: GPL-3.0-or-later
// Anodix started as main() starts it: Obshaya first, then Qt's texts in
// Russian and the program's icon, in place before the user can act.
#include "anodix/shell/application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void obshayaComesFirstThenQtsTextsInRussianAndTheIcon()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString previousFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder.path()));

        QStringList windows;
        bool iconSet = false;
        QString yes, cancel;
        QTimer::singleShot(0, [&] {
            for (QWidget *window : QApplication::topLevelWidgets())
                if (window->isVisible())
                    windows.append(window->objectName());
            // What waits for the first paint comes right after it.
            iconSet = QTest::qWaitFor([] { return !QApplication::windowIcon().isNull(); }, 5000);
            yes = QCoreApplication::translate("QPlatformTheme", "&Yes").remove(QLatin1Char('&'));
            cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
            for (QWidget *window : QApplication::topLevelWidgets())
                window->close();
        });
        // A program that showed nothing would never return; this ends the test instead.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        guard.start(20000);

        const int exitCode = anodix::runAnodix(*qApp);
        guard.stop();
        QDir::setCurrent(previousFolder);

        QCOMPARE(exitCode, 0);
        QCOMPARE(windows, QStringList{QStringLiteral("Obshaya")});
        QVERIFY(iconSet);
        QVERIFY(!QApplication::windowIcon().pixmap(32).isNull());
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ru.qm")))
            QSKIP("Qt's Russian texts are not installed");
        QCOMPARE(yes, QStringLiteral("Да"));
        QCOMPARE(cancel, QStringLiteral("Отмена"));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
