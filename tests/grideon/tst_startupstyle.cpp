// SPDX-License-Identifier: GPL-3.0-or-later
// A menu bar that overflows looks the same under the application's style,
// which reads the overflow arrow late, as under the style it stands on.
#include "common/startupstyle.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleFactory>
#include <QTest>
#include <QToolButton>

namespace {

QImage menuBarShot(bool &arrowShown)
{
    QMainWindow window;
    // Too narrow for its menus, so the bar shows its overflow arrow.
    for (const char *title : {"Файл", "Правка", "Расчёт", "Справка"})
        window.menuBar()->addMenu(QString::fromUtf8(title));
    window.setFixedSize(90, 60);
    window.show();
    const auto *arrow = window.menuBar()->findChild<QToolButton *>(QStringLiteral("qt_menubar_ext_button"));
    arrowShown = arrow && arrow->isVisible();
    return window.grab().toImage();
}

} // namespace

class StartupStyleTest : public QObject
{
    Q_OBJECT

private slots:
    void menuBarThatOverflowsLooksTheSame()
    {
        QApplication::setStyle(QStringLiteral("Fusion"));
        bool arrowShown = false;
        const QImage plain = menuBarShot(arrowShown);
        QVERIFY(arrowShown);
        QApplication::setStyle(new common::StartupStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
        const QImage deferred = menuBarShot(arrowShown);
        QVERIFY(arrowShown);
        QCOMPARE(deferred, plain);
    }
};

QTEST_MAIN(StartupStyleTest)
#include "tst_startupstyle.moc"
