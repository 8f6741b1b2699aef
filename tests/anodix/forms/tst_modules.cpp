// SPDX-License-Identifier: GPL-3.0-or-later
// The program's modules: each one found, loaded into a program that links the
// GUI, and implementing the interface its users ask for.
#include "anodix/charts/companion.h"
#include "anodix/forms/moduleloader.h"
#include "anodix/forms/printdialogmodule.h"

#include <QApplication>
#include <QTest>

class ModulesTest : public QObject
{
    Q_OBJECT

private slots:
    void everyModuleLoadsWithItsInterface_data()
    {
        QTest::addColumn<QString>("module");
        QTest::addColumn<QByteArray>("interfaceId");
        QTest::newRow("characteristics window")
            << anodix::charts::kCharacteristicsModule << QByteArray(ANODIX_COMPANION_MODULE_IID);
        QTest::newRow("print dialog") << anodix::kPrintDialogModule << QByteArray(ANODIX_PRINT_DIALOG_MODULE_IID);
    }
    void everyModuleLoadsWithItsInterface()
    {
        QFETCH(QString, module);
        QFETCH(QByteArray, interfaceId);
        QString error;
        QObject *root = anodix::loadModule(module, error);
        QVERIFY2(root, qPrintable(error));
        QVERIFY(root->qt_metacast(interfaceId.constData()));
        QCOMPARE(anodix::loadModule(module, error), root); // loaded once for the run
    }

    void aModuleOfAnotherKindIsRefused()
    {
        QString error;
        QVERIFY(!anodix::loadModule<anodix::PrintDialogModule>(anodix::charts::kCharacteristicsModule, error));
        QCOMPARE(error, QStringLiteral("модуль anodix_harakteristiki не того вида"));
    }
};

QTEST_MAIN(ModulesTest)
#include "tst_modules.moc"
