// SPDX-License-Identifier: GPL-3.0-or-later
// The program's modules: each one found, loaded into a program that links the
// GUI, and implementing the interface its users ask for.
#include "anodix/charts/companion.h"
#include "anodix/forms/moduleloader.h"
#include "anodix/forms/printdialogmodule.h"

#include <QApplication>
#include <QRegularExpression>
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

    void onlyAModuleOfThisBuildIsLoaded_data()
    {
        QTest::addColumn<QString>("build");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<QString>("carried"); // the identity a refused module carries
        QTest::newRow("this build's module") << "samebuild" << true << QString();
        QTest::newRow("another build's module") << "otherbuild" << false << "000000000000-another-build";
        QTest::newRow("a module without an identity") << "noidentity" << false << "";
    }
    void onlyAModuleOfThisBuildIsLoaded()
    {
        QFETCH(QString, build);
        QFETCH(bool, loads);
        QFETCH(QString, carried);
        QCoreApplication::addLibraryPath(QStringLiteral(ANODIX_TEST_MODULE_PATH));
        const QString module = QStringLiteral("anodix_test_") + build;
        const QByteArray mark = "ANODIX_TEST_LOADED_" + build.toLatin1();
        QVERIFY(!qEnvironmentVariableIsSet(mark.constData()));

        // A refusal names both identities in the log, the one thing that tells
        // a stale program from a stale module.
        if (!loads) {
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QRegularExpression::escape(
                                     QStringLiteral("модуль %1 (").arg(module)) + QStringLiteral(".*/lib%1\\.so\\) ").arg(module)
                                     + QRegularExpression::escape(QStringLiteral("собран как «%1», программа — «%2»")
                                                                      .arg(carried, anodix::buildIdentity()))));
        }
        QString error;
        QObject *root = anodix::loadModule(module, error);

        QCOMPARE(root != nullptr, loads);
        // A refused module is not loaded at all: not one line of it ran.
        QCOMPARE(qEnvironmentVariableIsSet(mark.constData()), loads);
        if (!loads)
            QCOMPARE(error, QStringLiteral("модуль %1 собран для другой версии программы и не загружен").arg(module));
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
