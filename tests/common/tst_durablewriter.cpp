// SPDX-License-Identifier: GPL-3.0-or-later
// The one durable writer both programs use, through its own interface: a name
// kept when the caller must not replace it, and the cause of each failure with
// what became of the old file. The rules both programs' writes keep
// (support/durablewritercases.h) run through each program's own tests.
#include "common/durablewriter.h"
#include "support/injectedwritefault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

using common::Existing;
using common::detail::WriteStep;

Q_DECLARE_METATYPE(common::detail::WriteStep)

namespace {

const QByteArray kNewBytes = QByteArray("new contents\r\n");

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class DurableWriterTest : public QObject
{
    Q_OBJECT

private slots:
    void keepRefusesATakenNameAndWritesAFreeOne_data();
    void keepRefusesATakenNameAndWritesAFreeOne();
    void aFailedStepSaysWhetherTheOldFileSurvived_data();
    void aFailedStepSaysWhetherTheOldFileSurvived();
    void aTargetThatCannotBeAFileIsNamed_data();
    void aTargetThatCannotBeAFileIsNamed();
};

void DurableWriterTest::keepRefusesATakenNameAndWritesAFreeOne_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a free name is written") << "none" << false;
    QTest::newRow("a file keeps its content") << "file" << true;
    QTest::newRow("a folder stays a folder") << "folder" << true;
#ifdef Q_OS_UNIX
    QTest::newRow("a link to nothing is not followed") << "dangling" << true;
#endif
}

void DurableWriterTest::keepRefusesATakenNameAndWritesAFreeOne()
{
    QFETCH(QString, existing);
    QFETCH(bool, taken);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    if (existing == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
    } else if (existing == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out.txt")));
    } else if (existing == QLatin1String("dangling")) {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), path));
    }
    const QStringList before = entriesOf(dir.path());

    const common::SaveOutcome outcome = common::saveWhole(path, kNewBytes, QLatin1StringView("anodix"), Existing::Keep);

    QCOMPARE(outcome.taken, taken);
    QCOMPARE(outcome.ok(), !taken);
    QVERIFY(!outcome.replaced);
    if (!taken) {
        QCOMPARE(bytesOf(path), kNewBytes);
        return;
    }
    QVERIFY2(outcome.reason.contains(QStringLiteral("уже существует")), qPrintable(outcome.reason));
    QCOMPARE(entriesOf(dir.path()), before);
    if (existing == QLatin1String("file"))
        QCOMPARE(bytesOf(path), QByteArray("old"));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
}

void DurableWriterTest::aFailedStepSaysWhetherTheOldFileSurvived_data()
{
    QTest::addColumn<WriteStep>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("mentioned");
    QTest::addColumn<bool>("replaced");
    const QString full = QStringLiteral("на диске нет свободного места");
    QTest::newRow("disk full in the write") << WriteStep::Write << ENOSPC << full << false;
#ifdef EDQUOT
    QTest::newRow("quota reached in the sync") << WriteStep::Sync << EDQUOT << full << false;
#endif
    QTest::newRow("I/O error on closing") << WriteStep::Close << EIO << QStringLiteral("ошибка ввода-вывода") << false;
    QTest::newRow("rename refused on a read-only disk")
        << WriteStep::Rename << EROFS << QStringLiteral("только для чтения") << false;
    QTest::newRow("the folder's sync fails after the rename")
        << WriteStep::SyncFolder << EIO << QStringLiteral("не подтвердила") << true;
}

void DurableWriterTest::aFailedStepSaysWhetherTheOldFileSurvived()
{
    QFETCH(WriteStep, step);
    QFETCH(int, error);
    QFETCH(QString, mentioned);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(common::SaveWholeFile(path, "old", QLatin1StringView("grideon")).isEmpty());

    QString message;
    common::SaveOutcome outcome;
    {
        const InjectedWriteFault fault(step, error);
        outcome = common::saveWhole(path, kNewBytes, QLatin1StringView("grideon"));
        message = common::SaveWholeFile(path, kNewBytes, QLatin1StringView("grideon"));
    }
    QVERIFY(!outcome.ok());
    QCOMPARE(outcome.replaced, replaced);
    QVERIFY2(message.contains(mentioned), qPrintable(message));
    // Only a failure after the rename leaves the new content; never a temporary file.
    QCOMPARE(bytesOf(path), replaced ? kNewBytes : QByteArray("old"));
    QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("out.txt")});
}

void DurableWriterTest::aTargetThatCannotBeAFileIsNamed_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("a folder of that name") << "sub" << QStringLiteral("вложенная папка");
    QTest::newRow("a folder that does not exist") << "missing/out.txt" << QStringLiteral("папка не найдена");
}

void DurableWriterTest::aTargetThatCannotBeAFileIsNamed()
{
    QFETCH(QString, relative);
    QFETCH(QString, mentioned);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString message = common::SaveWholeFile(dir.filePath(relative), kNewBytes, QLatin1StringView("anodix"));
    QVERIFY2(message.contains(mentioned), qPrintable(message));
    QCOMPARE(entriesOf(dir.path()), QStringList{QStringLiteral("sub")});
    QVERIFY(entriesOf(dir.filePath(QStringLiteral("sub"))).isEmpty());
}

QTEST_GUILESS_MAIN(DurableWriterTest)
#include "tst_durablewriter.moc"
