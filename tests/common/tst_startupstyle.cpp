// SPDX-License-Identifier: GPL-3.0-or-later
// The application's style looks exactly like the style it stands on, the
// overflow arrows it reads late included.
#include "common/startupstyle.h"

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTest>
#include <QToolButton>

#include <memory>

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
    void iconsAsTheBaseStyleDrawsThem_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("extent");
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<bool>("rightToLeft");
        QTest::newRow("menu bar arrow") << int(QStyle::SP_ToolBarHorizontalExtensionButton) << 16 << 1.0 << false;
        QTest::newRow("menu bar arrow, right to left")
            << int(QStyle::SP_ToolBarHorizontalExtensionButton) << 16 << 1.0 << true;
        QTest::newRow("tool bar arrow, doubled") << int(QStyle::SP_ToolBarVerticalExtensionButton) << 32 << 2.0
                                                 << false;
        QTest::newRow("other icons pass through") << int(QStyle::SP_MessageBoxCritical) << 32 << 1.0 << false;
    }

    void iconsAsTheBaseStyleDrawsThem()
    {
        QFETCH(int, which);
        QFETCH(int, extent);
        QFETCH(qreal, scale);
        QFETCH(bool, rightToLeft);
        const std::unique_ptr<QStyle> plain(QStyleFactory::create(QStringLiteral("Fusion")));
        common::StartupStyle style(QStyleFactory::create(QStringLiteral("Fusion")));
        QStyleOption option;
        option.direction = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
        const auto pixmap = QStyle::StandardPixmap(which);

        const QIcon expected = plain->standardIcon(pixmap, &option);
        const QIcon icon = style.standardIcon(pixmap, &option);
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes(), expected.availableSizes());
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const QImage drawn = icon.pixmap(QSize(extent, extent), scale, mode).toImage();
            QVERIFY(!drawn.isNull());
            QCOMPARE(drawn, expected.pixmap(QSize(extent, extent), scale, mode).toImage());
        }
    }

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
