// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the tube record files: exact bytes on disk, listing, reading and
// every refusal, each against a fresh temporary working folder.
#include "anodix/tubedb/tuberecord.h"
#include "support/durablewritercases.h"
#include "support/injectedwritefault.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <functional>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

using anodix::RecordOutcome;
using anodix::TubeClass;
using anodix::TubeDatabase;
using Status = RecordOutcome::Status;
using anodix::detail::WriteStep;

namespace {

// A working folder with the three class folders under bd/.
struct WorkingFolder
{
    QTemporaryDir dir;
    TubeDatabase db{dir.path()};

    WorkingFolder()
    {
        for (const char *sub : {"bd/triod", "bd/pentod", "bd/tetrod"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    }
    QString folder(TubeClass tubeClass) const { return db.folderPath(tubeClass); }
    QString file(TubeClass tubeClass, const QString &name) const { return folder(tubeClass) + '/' + name; }
};

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Everything in a folder, hidden entries included: a left-over temporary file shows here.
QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

bool isRussian(const QString &message)
{
    return std::any_of(message.cbegin(), message.cend(),
                       [](QChar c) { return c.unicode() >= 0x0410 && c.unicode() <= 0x044F; });
}

QStringList numbered(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QString::number(i);
    return lines;
}

const QFileDevice::Permissions kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadUser;
const QFileDevice::Permissions kReadOnlyFolder = kReadOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser;
const QFileDevice::Permissions kWritable = kReadOnlyFolder | QFileDevice::WriteOwner | QFileDevice::WriteUser;

// Root writes through permission bits; the tests that rely on them must know.
bool permissionBitsStopWrites(const QString &scratch)
{
    const QString probe = scratch + QStringLiteral("/probe");
    QDir().mkpath(probe);
    QFile::setPermissions(probe, kReadOnlyFolder);
    QFile file(probe + QStringLiteral("/x"));
    const bool refused = !file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    file.close();
    QFile::setPermissions(probe, kWritable);
    QDir(probe).removeRecursively();
    return refused;
}

#ifdef Q_OS_UNIX
// The record writer under the rules both programs' writers keep.
DurableWriter recordWriter()
{
    return {QStringLiteral("bd/triod"), QStringLiteral("6N2P.lamp"), QStringLiteral(".anodix-"),
            QStringLiteral(".grideon-"), QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n"),
            [](const QString &working, int openError) {
                std::optional<InjectedWriteFault> fault;
                if (openError)
                    fault.emplace(WriteStep::Open, openError);
                return TubeDatabase(working).WriteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"),
                                                             numbered(8)).error;
            }};
}
#endif

} // namespace

class TubeRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void classFoldersAndLineCounts_data();
    void classFoldersAndLineCounts();
    void writeStoresExactBytes_data();
    void writeStoresExactBytes();
    void createWritesZeroRecord_data();
    void createWritesZeroRecord();
    void createOverExistingName_data();
    void createOverExistingName();
    void refusedNames_data();
    void refusedNames();
    void listsRecords_data();
    void listsRecords();
    void listingLeavesOutNamesTheEditorRefuses_data();
    void listingLeavesOutNamesTheEditorRefuses();
    void readsRecord_data();
    void readsRecord();
    void readFailsClearly_data();
    void readFailsClearly();
    void refusedWriteKeepsOldBytes_data();
    void refusedWriteKeepsOldBytes();
    void deleteRemovesRecord();
    void deleteFailsClearly_data();
    void deleteFailsClearly();
    void permissionRefusals_data();
    void permissionRefusals();
    void missingFolderRefusesEveryOperation_data();
    void missingFolderRefusesEveryOperation();
    void missingFolderNamedAsUserKnowsIt_data();
    void missingFolderNamedAsUserKnowsIt();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void fullDiskKeepsTheOldFile();
    void linksAndOddFilesAreNotWrittenThrough_data();
    void linksAndOddFilesAreNotWrittenThrough();
    void deleteRemovesALinkNotItsTarget();
    void deleteOnAReadOnlyDiskNamesTheDisk();
#ifdef Q_OS_UNIX
    void writerKeepsModesAndSpecialFiles_data() { durablewriter::addRows(); }
    void writerKeepsModesAndSpecialFiles() { durablewriter::checkRow(recordWriter()); }
    void writerRemovesItsOwnOldLeftovers_data() { durablewriter::addLeftoverRows(); }
    void writerRemovesItsOwnOldLeftovers() { durablewriter::checkLeftoverRow(recordWriter()); }
    void writerNamesAReadOnlyDisk_data() { durablewriter::addReadOnlyDiskRows(); }
    void writerNamesAReadOnlyDisk() { durablewriter::checkReadOnlyDiskRow(recordWriter()); }
#endif
};

void TubeRecordTest::classFoldersAndLineCounts_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("subfolder");
    QTest::addColumn<int>("lines");
    QTest::newRow("triodes: bd/triod, 8 lines") << TubeClass::Triode << "./bd/triod" << "/work/bd/triod" << 8;
    QTest::newRow("preamp pentodes: bd/pentod, 10 lines")
        << TubeClass::PreampPentode << "./bd/pentod" << "/work/bd/pentod" << 10;
    QTest::newRow("power pentodes: bd/tetrod, 10 lines")
        << TubeClass::PowerPentode << "./bd/tetrod" << "/work/bd/tetrod" << 10;
}

void TubeRecordTest::classFoldersAndLineCounts()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, folder);
    QFETCH(QString, subfolder);
    QFETCH(int, lines);
    QCOMPARE(anodix::TubeRecordFolder(tubeClass), QDir::toNativeSeparators(folder));
    QCOMPARE(anodix::recordLineCount(tubeClass), lines);
    QCOMPARE(TubeDatabase(QStringLiteral("/work")).folderPath(tubeClass), subfolder);
    QCOMPARE(TubeDatabase(QStringLiteral("/work/")).folderPath(tubeClass), subfolder);
}

void TubeRecordTest::writeStoresExactBytes_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QByteArray>("oldBytes");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("triode typed with decimal commas, each text then CR LF")
        << TubeClass::Triode << QByteArray()
        << QStringList{"6,3", "0,3", "250", "10", "-2", "2", "20", "10"}
        << QByteArray("6,3\r\n0,3\r\n250\r\n10\r\n-2\r\n2\r\n20\r\n10\r\n");
    QTest::newRow("preamp pentode typed with decimal points, screen grid last")
        << TubeClass::PreampPentode << QByteArray()
        << QStringList{"6.3", "0.175", "250", "3", "2", "2", "2000", "1000", "100", "0.8"}
        << QByteArray("6.3\r\n0.175\r\n250\r\n3\r\n2\r\n2\r\n2000\r\n1000\r\n100\r\n0.8\r\n");
    QTest::newRow("blanks, signs and exponents stored as typed")
        << TubeClass::Triode << QByteArray()
        << QStringList{" 6.3", "+0.30", "1e2", "2 ", "-0", "000", "  ", "10"}
        << QByteArray(" 6.3\r\n+0.30\r\n1e2\r\n2 \r\n-0\r\n000\r\n  \r\n10\r\n");
    QTest::newRow("Cyrillic text stored as UTF-8")
        << TubeClass::Triode << QByteArray()
        << QStringList{"шесть", "1", "2", "3", "4", "5", "6", "7"}
        << QByteArray("\xD1\x88\xD0\xB5\xD1\x81\xD1\x82\xD1\x8C\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    QTest::newRow("saving again drops an eleventh line")
        << TubeClass::PowerPentode << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n")
        << numbered(10) << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n");
    QTest::newRow("a longer record is replaced by a shorter text")
        << TubeClass::Triode << QByteArray("100000\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n")
        << QStringList{"1", "2", "3", "4", "5", "6", "7", "8"}
        << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n");
}

void TubeRecordTest::writeStoresExactBytes()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QByteArray, oldBytes);
    QFETCH(QStringList, values);
    QFETCH(QByteArray, expected);
    WorkingFolder work;
    const QString name = QStringLiteral("6Н2П.lamp");
    if (!oldBytes.isNull())
        putBytes(work.file(tubeClass, name), oldBytes);

    const RecordOutcome outcome = work.db.WriteTubeRecord(tubeClass, name, values);
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QCOMPARE(bytesOf(work.file(tubeClass, name)), expected);
    QCOMPARE(entriesOf(work.folder(tubeClass)), QStringList{name});

    const anodix::RecordLines back = work.db.ReadTubeRecord(tubeClass, name);
    QVERIFY2(back.ok(), qPrintable(back.error));
    QCOMPARE(back.lines, values);
}

void TubeRecordTest::createWritesZeroRecord_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("tubeName");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray eight("0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    const QByteArray ten("0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    QVERIFY(eight.size() == 24 && ten.size() == 30);

    QTest::newRow("triode: eight zero lines, 24 bytes") << TubeClass::Triode << "6N2P" << "6N2P.lamp" << eight;
    QTest::newRow("preamp pentode: ten zero lines, 30 bytes")
        << TubeClass::PreampPentode << "EF86" << "EF86.lamp" << ten;
    QTest::newRow("power pentode: ten zero lines, 30 bytes")
        << TubeClass::PowerPentode << "EL34" << "EL34.lamp" << ten;
    QTest::newRow("a typed extension is kept: .lamp.lamp")
        << TubeClass::Triode << "6N2P.lamp" << "6N2P.lamp.lamp" << eight;
    QTest::newRow("Cyrillic name used verbatim") << TubeClass::Triode << "6Н2П" << "6Н2П.lamp" << eight;
    QTest::newRow("blanks around the name are kept") << TubeClass::Triode << " 6N2P " << " 6N2P .lamp" << eight;
    QTest::newRow("brackets, dots and percent are fine")
        << TubeClass::PowerPentode << "6P14P (EL84) 100% v.2" << "6P14P (EL84) 100% v.2.lamp" << ten;
    QTest::newRow("245 bytes of name, 250 with the extension")
        << TubeClass::Triode << QString(245, 'x') << QString(245, 'x') + ".lamp" << eight;
}

void TubeRecordTest::createWritesZeroRecord()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, tubeName);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, expected);
    WorkingFolder work;

    QCOMPARE(TubeDatabase::nameProblem(tubeName), QString());
    const RecordOutcome outcome = work.db.CreateTubeRecord(tubeClass, tubeName);
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QCOMPARE(bytesOf(work.file(tubeClass, fileName)), expected);
    QCOMPARE(entriesOf(work.folder(tubeClass)), QStringList{fileName});
    QCOMPARE(work.db.ListTubeRecords(tubeClass).names, QStringList{fileName});
    QVERIFY(QFileInfo(work.file(tubeClass, fileName)).isReadable());
}

void TubeRecordTest::createOverExistingName_data()
{
    QTest::addColumn<bool>("existingIsFolder");
    QTest::addColumn<bool>("replaceExisting");
    QTest::addColumn<Status>("status");

    QTest::newRow("an existing record is kept without consent") << false << false << Status::AlreadyExists;
    QTest::newRow("an existing record is replaced with consent") << false << true << Status::Done;
    QTest::newRow("a folder of that name is reported as taken") << true << false << Status::AlreadyExists;
    QTest::newRow("a folder of that name is never replaced") << true << true << Status::Failed;
}

void TubeRecordTest::createOverExistingName()
{
    QFETCH(bool, existingIsFolder);
    QFETCH(bool, replaceExisting);
    QFETCH(Status, status);
    WorkingFolder work;
    const QString path = work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"));
    const QByteArray old("6.3\r\n0.3\r\n250\r\n2.3\r\n1.5\r\n2.1\r\n35\r\n17\r\n");
    if (existingIsFolder)
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    else
        putBytes(path, old);

    const RecordOutcome outcome = work.db.CreateTubeRecord(TubeClass::Triode, QStringLiteral("6N2P"), replaceExisting);
    QCOMPARE(outcome.status, status);
    QCOMPARE(outcome.ok(), outcome.error.isEmpty());
    if (!outcome.ok()) {
        QVERIFY2(outcome.error.contains(QStringLiteral("6N2P.lamp")) && isRussian(outcome.error),
                 qPrintable(outcome.error));
    }
    if (existingIsFolder)
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    else
        QCOMPARE(bytesOf(path), replaceExisting ? QByteArray("0\r\n").repeated(8) : old);
    QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), QStringList{QStringLiteral("6N2P.lamp")});
}

void TubeRecordTest::refusedNames_data()
{
    QTest::addColumn<QString>("tubeName");
    QTest::newRow("empty") << "";
    QTest::newRow("slash") << "6N2P/EL84";
    QTest::newRow("backslash") << "6N2P\\EL84";
    QTest::newRow("parent folder") << "..";
    QTest::newRow("climbing out of the folder") << "../6N2P";
    QTest::newRow("two dots inside") << "6N2P..x";
    QTest::newRow("tab") << "6N2P\tx";
    QTest::newRow("line feed") << "6N2P\n";
    QTest::newRow("carriage return") << "\r6N2P";
    QTest::newRow("NUL") << QString(QChar(0)) + "6N2P";
    QTest::newRow("DEL") << "6N2P\x7f";
    QTest::newRow("C1 control CSI") << QStringLiteral("6N2P\u009B31m");
    QTest::newRow("next line U+0085") << QStringLiteral("EL84\u0085.control");
    QTest::newRow("line separator U+2028") << QStringLiteral("EL84\u2028.control");
    QTest::newRow("paragraph separator U+2029") << QStringLiteral("EL84\u2029.control");
    QTest::newRow("a netlist's commands") << "EL84\n.control\nshell touch PWNED\n.endc";
    QTest::newRow("246 bytes of name, 251 with the extension") << QString(246, 'x');
    QTest::newRow("123 Cyrillic letters, 251 bytes with the extension") << QString(123, QChar(0x0416));
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) + "6N2P";
    QTest::newRow("one dot") << ".";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("dots and blanks") << ". .";
    QTest::newRow("right-to-left override") << QStringLiteral("6N2P\u202Epmal.exe");
    QTest::newRow("left-to-right isolate") << QStringLiteral("\u20666N2P");
    QTest::newRow("pop directional isolate") << QStringLiteral("6N2P\u2069");
}

void TubeRecordTest::refusedNames()
{
    QFETCH(QString, tubeName);
    WorkingFolder work;

    const QString problem = TubeDatabase::nameProblem(tubeName);
    QVERIFY2(isRussian(problem), qPrintable(problem));
    for (bool replace : {false, true}) {
        const RecordOutcome outcome = work.db.CreateTubeRecord(TubeClass::Triode, tubeName, replace);
        QCOMPARE(outcome.status, Status::Failed);
        QVERIFY2(isRussian(outcome.error), qPrintable(outcome.error));
    }
    QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), QStringList());
    QCOMPARE(entriesOf(work.dir.path() + QStringLiteral("/bd")),
             (QStringList{QStringLiteral("pentod"), QStringLiteral("tetrod"), QStringLiteral("triod")}));
}

void TubeRecordTest::listsRecords_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("an empty folder gives an empty list") << QStringList() << QStringList() << QStringList();
    QTest::newRow("alphabetical regardless of letter case")
        << QStringList{"b.lamp", "C.lamp", "a2.lamp", "A.lamp"} << QStringList()
        << QStringList{"A.lamp", "a2.lamp", "b.lamp", "C.lamp"};
    QTest::newRow("names differing only in case: capitals first")
        << QStringList{"ecc83.lamp", "ECC83.lamp", "Ecc83.lamp"} << QStringList()
        << QStringList{"ECC83.lamp", "Ecc83.lamp", "ecc83.lamp"};
    QTest::newRow("the extension matches in any letter case")
        << QStringList{"x.LAMP", "y.Lamp", "z.lamp"} << QStringList() << QStringList{"x.LAMP", "y.Lamp", "z.lamp"};
    QTest::newRow("other files are left out")
        << QStringList{"x.lamp.bak", "x.txt", "lamp", "xlamp", "y.lamp", "y.lamp~"} << QStringList()
        << QStringList{"y.lamp"};
    QTest::newRow("folders named like records are left out")
        << QStringList{"e.lamp"} << QStringList{"d.lamp", "f.LAMP"} << QStringList{"e.lamp"};
    QTest::newRow("Cyrillic names and digits")
        << QStringList{"ECC83.lamp", "6Н2П.lamp", "6н1п.lamp", "6Н23П.lamp", "6С45П.lamp"} << QStringList()
        << QStringList{"6н1п.lamp", "6Н23П.lamp", "6Н2П.lamp", "6С45П.lamp", "ECC83.lamp"};
    QTest::newRow("a name starting with a dot is listed")
        << QStringList{".6N2P.lamp", "6N1P.lamp"} << QStringList() << QStringList{".6N2P.lamp", "6N1P.lamp"};
}

void TubeRecordTest::listsRecords()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QStringList, expected);
    WorkingFolder work;
    for (const QString &name : files)
        putBytes(work.file(TubeClass::PreampPentode, name), QByteArray("0\r\n").repeated(10));
    for (const QString &name : folders)
        QVERIFY(QDir().mkpath(work.file(TubeClass::PreampPentode, name)));

    const anodix::RecordList list = work.db.ListTubeRecords(TubeClass::PreampPentode);
    QVERIFY2(list.ok(), qPrintable(list.error));
    QCOMPARE(list.names, expected);
    QCOMPARE(work.db.ListTubeRecords(TubeClass::Triode).names, QStringList());
}

// A record file on disk under a name the editor refuses (any row of
// refusedNames the file system takes) is not listed, and the message names
// it as it can be shown; the records beside it are listed as ever.
void TubeRecordTest::listingLeavesOutNamesTheEditorRefuses_data()
{
    refusedNames_data();
}

void TubeRecordTest::listingLeavesOutNamesTheEditorRefuses()
{
    QFETCH(QString, tubeName);
    WorkingFolder work;
    const QString fileName = tubeName + QStringLiteral(".lamp");
    QFile file(work.file(TubeClass::PowerPentode, fileName));
    if (fileName.contains(u'/') || !file.open(QIODevice::WriteOnly))
        QSKIP("the file system does not take this name");
    file.write(QByteArray("0\r\n").repeated(10));
    file.close();
    putBytes(work.file(TubeClass::PowerPentode, QStringLiteral("EL84.lamp")), QByteArray("0\r\n").repeated(10));
    const QStringList onDisk = entriesOf(work.folder(TubeClass::PowerPentode));
    QCOMPARE(onDisk.size(), 2);
    const QString stored = onDisk.at(onDisk.at(0) == QLatin1String("EL84.lamp") ? 1 : 0);
    if (TubeDatabase::nameProblem(stored.chopped(5)).isEmpty())
        QSKIP("the file system stored another name, one the editor takes");

    const anodix::RecordList list = work.db.ListTubeRecords(TubeClass::PowerPentode);
    QVERIFY2(list.ok(), qPrintable(list.error));
    QCOMPARE(list.names, QStringList{QStringLiteral("EL84.lamp")});
    QCOMPARE(list.refused, QStringList{stored});
    QVERIFY2(isRussian(list.refusedMessage), qPrintable(list.refusedMessage));
    QVERIFY(list.refusedMessage.contains(QStringLiteral("не показан")));
    for (const QChar c : list.refusedMessage)
        QVERIFY(c == u' ' || c == u'\n' || (c.isPrint() && !c.isSpace()));
    // Every name listed is one the editor takes.
    for (const QString &name : list.names)
        QCOMPARE(TubeDatabase::nameProblem(name.chopped(5)), QString());
}

void TubeRecordTest::readsRecord_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("fails");

    const QByteArray ten("6.3\r\n0.76\r\n250\r\n48\r\n7.3\r\n11.3\r\n19\r\n40\r\n250\r\n5\r\n");
    const QStringList tenLines{"6.3", "0.76", "250", "48", "7.3", "11.3", "19", "40", "250", "5"};

    QTest::newRow("triode record: eight lines")
        << TubeClass::Triode << -1 << QByteArray("6,3\r\n0,3\r\n250\r\n10\r\n-2\r\n2\r\n20\r\n10\r\n")
        << QStringList{"6,3", "0,3", "250", "10", "-2", "2", "20", "10"} << false;
    QTest::newRow("pentode record read whole: ten lines") << TubeClass::PreampPentode << -1 << ten << tenLines
                                                          << false;
    QTest::newRow("the file's byte order mark is dropped, one opening a later line kept")
        << TubeClass::Triode << -1 << QByteArray("\xEF\xBB\xBF" "6.3\r\n\xEF\xBB\xBF" "0.3\r\n250\r\n10\r\n2\r\n2\r\n20\r\n10\r\n")
        << QStringList{"6.3", QStringLiteral("\uFEFF0.3"), "250", "10", "2", "2", "20", "10"} << false;
    QTest::newRow("the power stage reads 8 of 10 lines")
        << TubeClass::PowerPentode << 8 << ten << tenLines.mid(0, 8) << false;
    QTest::newRow("an eleventh line is ignored")
        << TubeClass::PreampPentode << -1 << ten + "11\r\n" << tenLines << false;
    QTest::newRow("bare LF line ends (a file edited on Linux)")
        << TubeClass::Triode << -1 << QByteArray("1\n2\n3\n4\n5\n6\n7\n8\n") << numbered(8) << false;
    QTest::newRow("bare CR line ends") << TubeClass::Triode << -1 << QByteArray("1\r2\r3\r4\r5\r6\r7\r8\r")
                                       << numbered(8) << false;
    QTest::newRow("mixed line ends")
        << TubeClass::Triode << -1 << QByteArray("1\r\n2\n3\r4\r\n5\n6\r\n7\n8") << numbered(8) << false;
    QTest::newRow("a last line without a line end still counts")
        << TubeClass::Triode << -1 << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8") << numbered(8) << false;
    QTest::newRow("a last line ending in a bare CR")
        << TubeClass::Triode << -1 << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r") << numbered(8) << false;
    QTest::newRow("blank lines are lines") << TubeClass::Triode << -1 << QByteArray("\r\n").repeated(8)
                                           << QStringList(8, QString()) << false;
    QTest::newRow("a UTF-8 byte order mark is skipped")
        << TubeClass::Triode << -1 << QByteArray("\xEF\xBB\xBF" "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n")
        << numbered(8) << false;
    QTest::newRow("texts come back unchanged, blanks and letters included")
        << TubeClass::Triode << -1 << QByteArray(" 6,3 \r\nabc\r\n\t250\r\n4\r\n5\r\n6\r\n7\r\n8\r\n")
        << QStringList{" 6,3 ", "abc", "\t250", "4", "5", "6", "7", "8"} << false;
    QTest::newRow("seven lines are too few for a triode")
        << TubeClass::Triode << -1 << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n") << QStringList() << true;
    QTest::newRow("a triode record in a pentode folder is too short")
        << TubeClass::PreampPentode << -1 << QByteArray("0\r\n").repeated(8) << QStringList() << true;
    QTest::newRow("an empty file fails") << TubeClass::Triode << -1 << QByteArray("") << QStringList() << true;
    QTest::newRow("a byte order mark alone fails")
        << TubeClass::Triode << -1 << QByteArray("\xEF\xBB\xBF") << QStringList() << true;
}

void TubeRecordTest::readsRecord()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(int, lineCount);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(bool, fails);
    WorkingFolder work;
    const QString name = QStringLiteral("6P14P.lamp");
    putBytes(work.file(tubeClass, name), bytes);

    const anodix::RecordLines read = work.db.ReadTubeRecord(tubeClass, name, lineCount);
    QCOMPARE(read.lines, expected);
    QCOMPARE(read.ok(), !fails);
    if (fails)
        QVERIFY2(read.error.contains(name) && isRussian(read.error), qPrintable(read.error));

    QString parseError;
    const int count = lineCount < 0 ? anodix::recordLineCount(tubeClass) : lineCount;
    QCOMPARE(anodix::parseTubeRecordLines(bytes, count, &parseError), expected);
    QCOMPARE(parseError.isEmpty(), !fails);
    QCOMPARE(bytesOf(work.file(tubeClass, name)), bytes);
}

void TubeRecordTest::readFailsClearly_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("mentioned");

    QTest::newRow("a missing file") << "6N9S.lamp" << "6N9S.lamp";
    QTest::newRow("a folder named like a record") << "folder.lamp" << "folder.lamp";
    QTest::newRow("a name climbing out of the folder") << "../outside.lamp" << "../outside.lamp";
    QTest::newRow("an empty name") << "" << "«»";
}

void TubeRecordTest::readFailsClearly()
{
    QFETCH(QString, fileName);
    QFETCH(QString, mentioned);
    WorkingFolder work;
    QVERIFY(QDir().mkpath(work.file(TubeClass::Triode, QStringLiteral("folder.lamp"))));
    putBytes(work.dir.path() + QStringLiteral("/bd/outside.lamp"), QByteArray("0\r\n").repeated(8));

    const anodix::RecordLines read = work.db.ReadTubeRecord(TubeClass::Triode, fileName);
    QVERIFY(!read.ok());
    QCOMPARE(read.lines, QStringList());
    QVERIFY2(read.error.contains(mentioned) && isRussian(read.error), qPrintable(read.error));
}

void TubeRecordTest::refusedWriteKeepsOldBytes_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("seven values for a triode") << TubeClass::Triode << "6N2P.lamp" << numbered(7);
    QTest::newRow("nine values for a triode") << TubeClass::Triode << "6N2P.lamp" << numbered(9);
    QTest::newRow("eight values for a pentode") << TubeClass::PreampPentode << "6N2P.lamp" << numbered(8);
    QTest::newRow("a value holding a line feed")
        << TubeClass::Triode << "6N2P.lamp" << QStringList{"1", "2", "3\n4", "5", "6", "7", "8", "9"};
    QTest::newRow("a value holding a carriage return")
        << TubeClass::Triode << "6N2P.lamp" << QStringList{"1", "2", "3", "4", "5", "6", "7", "8\r"};
    QTest::newRow("a value opening with a byte order mark")
        << TubeClass::Triode << "6N2P.lamp" << QStringList{QStringLiteral("\uFEFF1"), "2", "3", "4", "5", "6", "7", "8"};
    QTest::newRow("a name climbing out of the folder") << TubeClass::Triode << "../6N2P.lamp" << numbered(8);
    QTest::newRow("a backslash in the name") << TubeClass::Triode << "..\\6N2P.lamp" << numbered(8);
    QTest::newRow("a name the file system refuses (300 bytes)")
        << TubeClass::Triode << QString(295, 'x') + ".lamp" << numbered(8);
    QTest::newRow("a folder holds the name") << TubeClass::Triode << "folder.lamp" << numbered(8);
}

void TubeRecordTest::refusedWriteKeepsOldBytes()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, fileName);
    QFETCH(QStringList, values);
    WorkingFolder work;
    const QByteArray old = QByteArray("7\r\n").repeated(anodix::recordLineCount(tubeClass));
    putBytes(work.file(tubeClass, QStringLiteral("6N2P.lamp")), old);
    putBytes(work.dir.path() + QStringLiteral("/bd/6N2P.lamp"), old);
    QVERIFY(QDir().mkpath(work.file(tubeClass, QStringLiteral("folder.lamp"))));
    const QStringList before = entriesOf(work.folder(tubeClass));

    const RecordOutcome outcome = work.db.WriteTubeRecord(tubeClass, fileName, values);
    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(isRussian(outcome.error), qPrintable(outcome.error));
    QCOMPARE(bytesOf(work.file(tubeClass, QStringLiteral("6N2P.lamp"))), old);
    QCOMPARE(bytesOf(work.dir.path() + QStringLiteral("/bd/6N2P.lamp")), old);
    QCOMPARE(entriesOf(work.folder(tubeClass)), before);
    QVERIFY(QFileInfo(work.file(tubeClass, QStringLiteral("folder.lamp"))).isDir());
}

void TubeRecordTest::deleteRemovesRecord()
{
    WorkingFolder work;
    for (const char *name : {"6P1P.lamp", "6P14P.lamp"})
        QVERIFY(work.db.CreateTubeRecord(TubeClass::PowerPentode, QString::fromLatin1(name).chopped(5)).ok());

    const RecordOutcome outcome = work.db.DeleteTubeRecord(TubeClass::PowerPentode, QStringLiteral("6P1P.lamp"));
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QCOMPARE(entriesOf(work.folder(TubeClass::PowerPentode)), QStringList{QStringLiteral("6P14P.lamp")});
    QCOMPARE(work.db.ListTubeRecords(TubeClass::PowerPentode).names, QStringList{QStringLiteral("6P14P.lamp")});
}

void TubeRecordTest::deleteFailsClearly_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("mentioned");

    QTest::newRow("a missing file") << "6N9S.lamp" << "6N9S.lamp";
    QTest::newRow("a folder named like a record") << "folder.lamp" << "folder.lamp";
    QTest::newRow("a name climbing out of the folder") << "../outside.lamp" << "../outside.lamp";
    QTest::newRow("the class folder itself") << "." << "«.»";
    QTest::newRow("a file that is no record") << "notes.txt" << "notes.txt";
}

void TubeRecordTest::deleteFailsClearly()
{
    QFETCH(QString, fileName);
    QFETCH(QString, mentioned);
    WorkingFolder work;
    QVERIFY(QDir().mkpath(work.file(TubeClass::Triode, QStringLiteral("folder.lamp/inside"))));
    putBytes(work.dir.path() + QStringLiteral("/bd/outside.lamp"), QByteArray("0\r\n").repeated(8));
    putBytes(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp")), QByteArray("0\r\n").repeated(8));
    putBytes(work.file(TubeClass::Triode, QStringLiteral("notes.txt")), "keep me");
    const QStringList before = entriesOf(work.folder(TubeClass::Triode));

    const RecordOutcome outcome = work.db.DeleteTubeRecord(TubeClass::Triode, fileName);
    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(outcome.error.contains(mentioned) && isRussian(outcome.error), qPrintable(outcome.error));
    QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), before);
    QVERIFY(QFileInfo::exists(work.dir.path() + QStringLiteral("/bd/outside.lamp")));
    QVERIFY(QFileInfo(work.file(TubeClass::Triode, QStringLiteral("folder.lamp/inside"))).isDir());
}

void TubeRecordTest::permissionRefusals_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("fileReadOnly");
    QTest::addColumn<bool>("folderReadOnly");

    QTest::newRow("a read-only record is not rewritten") << "write" << true << false;
    QTest::newRow("a read-only folder keeps the old record on a write") << "write" << false << true;
    QTest::newRow("a read-only record is not replaced by a new one") << "replace" << true << false;
    QTest::newRow("a read-only folder refuses a new record") << "create" << false << true;
    QTest::newRow("a read-only record is not deleted") << "delete" << true << false;
    QTest::newRow("a read-only folder keeps its record on delete") << "delete" << false << true;
}

void TubeRecordTest::permissionRefusals()
{
    QFETCH(QString, operation);
    QFETCH(bool, fileReadOnly);
    QFETCH(bool, folderReadOnly);
    WorkingFolder work;
    if (!permissionBitsStopWrites(work.dir.path()))
        QSKIP("This user writes through permission bits (root), so read-only files cannot be tested here.");

    const QString folder = work.folder(TubeClass::Triode);
    const QString path = work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"));
    const QByteArray old("6.3\r\n0.3\r\n250\r\n2.3\r\n1.5\r\n2.1\r\n35\r\n17\r\n");
    putBytes(path, old);
    if (fileReadOnly)
        QVERIFY(QFile::setPermissions(path, kReadOnly));
    if (folderReadOnly)
        QVERIFY(QFile::setPermissions(folder, kReadOnlyFolder));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder, kWritable);
        QFile::setPermissions(path, kWritable);
    });

    RecordOutcome outcome;
    if (operation == QLatin1String("write"))
        outcome = work.db.WriteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"), numbered(8));
    else if (operation == QLatin1String("replace"))
        outcome = work.db.CreateTubeRecord(TubeClass::Triode, QStringLiteral("6N2P"), true);
    else if (operation == QLatin1String("create"))
        outcome = work.db.CreateTubeRecord(TubeClass::Triode, QStringLiteral("6N1P"));
    else
        outcome = work.db.DeleteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"));

    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(isRussian(outcome.error), qPrintable(outcome.error));
    QCOMPARE(bytesOf(path), old);
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("6N2P.lamp")});
}

void TubeRecordTest::missingFolderRefusesEveryOperation_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("operation");
    const QStringList operations{"list", "read", "write", "create", "replace", "delete"};
    for (const QString &operation : operations) {
        QTest::addRow("%s: bd is a file, so no class folder can exist", qPrintable(operation))
            << TubeClass::Triode << operation;
    }
    for (const QString &operation : operations) {
        QTest::addRow("%s: the pentode folder is missing", qPrintable(operation))
            << TubeClass::PreampPentode << operation;
    }
}

void TubeRecordTest::missingFolderRefusesEveryOperation()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, operation);
    QTemporaryDir dir;
    if (tubeClass == TubeClass::Triode)
        putBytes(dir.path() + QStringLiteral("/bd"), QByteArray("not a folder"));
    else
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/bd/triod")));
    const QStringList before = entriesOf(dir.path() + QStringLiteral("/bd"));
    const TubeDatabase db(dir.path());
    const int count = anodix::recordLineCount(tubeClass);

    QString error;
    if (operation == QLatin1String("list")) {
        const anodix::RecordList list = db.ListTubeRecords(tubeClass);
        QCOMPARE(list.names, QStringList());
        error = list.error;
    } else if (operation == QLatin1String("read")) {
        const anodix::RecordLines read = db.ReadTubeRecord(tubeClass, QStringLiteral("6N2P.lamp"));
        QCOMPARE(read.lines, QStringList());
        error = read.error;
    } else {
        RecordOutcome outcome;
        if (operation == QLatin1String("write"))
            outcome = db.WriteTubeRecord(tubeClass, QStringLiteral("6N2P.lamp"), numbered(count));
        else if (operation == QLatin1String("create"))
            outcome = db.CreateTubeRecord(tubeClass, QStringLiteral("6N2P"));
        else if (operation == QLatin1String("replace"))
            outcome = db.CreateTubeRecord(tubeClass, QStringLiteral("6N2P"), true);
        else
            outcome = db.DeleteTubeRecord(tubeClass, QStringLiteral("6N2P.lamp"));
        QCOMPARE(outcome.status, Status::Failed);
        error = outcome.error;
    }
    QVERIFY2(error.contains(QDir::toNativeSeparators(db.folderPath(tubeClass))) && isRussian(error),
             qPrintable(error));
    QCOMPARE(entriesOf(dir.path() + QStringLiteral("/bd")), before);
}

void TubeRecordTest::missingFolderNamedAsUserKnowsIt_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::newRow("triodes") << TubeClass::Triode;
    QTest::newRow("preamp pentodes") << TubeClass::PreampPentode;
    QTest::newRow("power pentodes") << TubeClass::PowerPentode;
}

void TubeRecordTest::missingFolderNamedAsUserKnowsIt()
{
    QFETCH(TubeClass, tubeClass);
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });

    const anodix::RecordList list = TubeDatabase().ListTubeRecords(tubeClass);
    QVERIFY(!list.ok());
    QVERIFY2(list.error.contains(QStringLiteral("«%1»").arg(anodix::TubeRecordFolder(tubeClass))),
             qPrintable(list.error));
}

void TubeRecordTest::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<WriteStep>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("mentioned");
    QTest::addColumn<bool>("replaced");

    const QString full = QStringLiteral("на диске нет свободного места");
    const QString io = QStringLiteral("ошибка ввода-вывода");
    QTest::newRow("save, disk full in the write") << "save" << WriteStep::Write << ENOSPC << full << false;
    QTest::newRow("save, disk full in the sync") << "save" << WriteStep::Sync << ENOSPC << full << false;
    QTest::newRow("save, I/O error on closing") << "save" << WriteStep::Close << EIO << io << false;
    QTest::newRow("save, rename refused") << "save" << WriteStep::Rename << EIO << io << false;
    QTest::newRow("replace with consent, disk full in the write")
        << "replace" << WriteStep::Write << ENOSPC << full << false;
    QTest::newRow("new record, disk full in the sync") << "create" << WriteStep::Sync << ENOSPC << full << false;
    QTest::newRow("save, folder sync fails after the rename")
        << "save" << WriteStep::SyncFolder << EIO << QStringLiteral("не подтвердила") << true;
}

void TubeRecordTest::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, operation);
    QFETCH(WriteStep, step);
    QFETCH(int, error);
    QFETCH(QString, mentioned);
    QFETCH(bool, replaced);
    WorkingFolder work;
    const QByteArray old("6.3\r\n0.3\r\n250\r\n2.3\r\n1.5\r\n2.1\r\n35\r\n17\r\n");
    const QString name = operation == "create" ? QStringLiteral("EL84.lamp") : QStringLiteral("6N2P.lamp");
    putBytes(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp")), old);
    const QStringList before = entriesOf(work.folder(TubeClass::Triode));

    RecordOutcome outcome;
    {
        const InjectedWriteFault fault(step, error);
        if (operation == "save")
            outcome = work.db.WriteTubeRecord(TubeClass::Triode, name, numbered(8));
        else
            outcome = work.db.CreateTubeRecord(TubeClass::Triode, name.chopped(5), operation == "replace");
    }
    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(outcome.error.contains(mentioned) && outcome.error.contains(name), qPrintable(outcome.error));
    if (replaced) {
        QCOMPARE(bytesOf(work.file(TubeClass::Triode, name)), QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n"));
    } else {
        QVERIFY2(outcome.error.contains(QStringLiteral("не изменён")), qPrintable(outcome.error));
        QCOMPARE(bytesOf(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"))), old);
        // No half-written temporary file is left beside the records.
        QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), before);
    }
}

// The real thing where the tests may mount: a tiny tmpfs filled to the last byte.
void TubeRecordTest::fullDiskKeepsTheOldFile()
{
#ifdef Q_OS_LINUX
    if (::geteuid() != 0)
        QSKIP("mounting a small tmpfs needs root; the injected faults cover a full disk");
    WorkingFolder work;
    const QString folder = work.folder(TubeClass::Triode);
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
        QSKIP("this system refuses to mount a tmpfs here; the injected faults cover a full disk");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {folder}); });
    const QByteArray old("6.3\r\n0.3\r\n250\r\n2.3\r\n1.5\r\n2.1\r\n35\r\n17\r\n");
    putBytes(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp")), old);
    {
        QFile filler(folder + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'x');
        while (filler.write(block) == block.size()) {
        }
        while (filler.write("x", 1) == 1) {
        }
    }

    const RecordOutcome saved = work.db.WriteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"),
                                                        QStringList(8, QString(40, QLatin1Char('9'))));
    QCOMPARE(saved.status, Status::Failed);
    QVERIFY2(saved.error.contains(QStringLiteral("на диске нет свободного места")), qPrintable(saved.error));
    QCOMPARE(bytesOf(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"))), old);
    QCOMPARE(entriesOf(folder), (QStringList{QStringLiteral("6N2P.lamp"), QStringLiteral("filler")}));
#else
    QSKIP("a tmpfs is a Linux file system");
#endif
}

void TubeRecordTest::linksAndOddFilesAreNotWrittenThrough_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("replaceByCreate");
    QTest::addColumn<QString>("mentioned");

    const QString link = QStringLiteral("ссылка на другой файл");
    QTest::newRow("save over a link to a file outside bd") << "link" << false << link;
    QTest::newRow("create-replace over a link to a file outside bd") << "link" << true << link;
    QTest::newRow("save over a link to nothing") << "dangling" << false << link;
    QTest::newRow("save over a named pipe") << "fifo" << false << QStringLiteral("не обычный файл");
}

void TubeRecordTest::linksAndOddFilesAreNotWrittenThrough()
{
#ifdef Q_OS_UNIX
    QFETCH(QString, kind);
    QFETCH(bool, replaceByCreate);
    QFETCH(QString, mentioned);
    WorkingFolder work;
    const QString outside = work.dir.path() + QStringLiteral("/system.conf");
    const QByteArray precious = QByteArray("1\r\n").repeated(8);
    putBytes(outside, precious);
    const QString path = work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"));
    if (kind == "link")
        QVERIFY(QFile::link(outside, path));
    else if (kind == "dangling")
        QVERIFY(QFile::link(work.dir.path() + QStringLiteral("/nowhere"), path));
    else
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);

    if (kind == "link") {
        // Listed and read as before: only writing through it is refused.
        QCOMPARE(work.db.ListTubeRecords(TubeClass::Triode).names, QStringList{QStringLiteral("6N2P.lamp")});
        QCOMPARE(work.db.ReadTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp")).lines, QStringList(8, "1"));
    }
    const RecordOutcome outcome =
        replaceByCreate ? work.db.CreateTubeRecord(TubeClass::Triode, QStringLiteral("6N2P"), true)
                        : work.db.WriteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"), numbered(8));
    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(outcome.error.contains(mentioned), qPrintable(outcome.error));
    QCOMPARE(bytesOf(outside), precious);
    QVERIFY(!QFileInfo::exists(work.dir.path() + QStringLiteral("/nowhere")));
    QCOMPARE(QFileInfo(path).isSymLink(), kind != "fifo");
    QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), QStringList{QStringLiteral("6N2P.lamp")});
#else
    QSKIP("links and pipes as tested here are Unix ones");
#endif
}

void TubeRecordTest::deleteRemovesALinkNotItsTarget()
{
    WorkingFolder work;
    const QString outside = work.dir.path() + QStringLiteral("/outside.lamp");
    putBytes(outside, QByteArray("1\r\n").repeated(8));
    QVERIFY(QFile::link(outside, work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp"))));

    const RecordOutcome outcome = work.db.DeleteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"));
    QVERIFY2(outcome.ok(), qPrintable(outcome.error));
    QCOMPARE(entriesOf(work.folder(TubeClass::Triode)), QStringList());
    QCOMPARE(bytesOf(outside), QByteArray("1\r\n").repeated(8));
}

// On a read-only disk every record looks write-protected; the disk is the cause.
void TubeRecordTest::deleteOnAReadOnlyDiskNamesTheDisk()
{
#ifdef Q_OS_LINUX
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root");
    WorkingFolder work;
    const QString folder = work.folder(TubeClass::Triode);
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
        QSKIP("this system refuses to mount a tmpfs here");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {folder}); });
    putBytes(work.file(TubeClass::Triode, QStringLiteral("6N2P.lamp")), QByteArray("1\r\n").repeated(8));
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);

    const RecordOutcome outcome = work.db.DeleteTubeRecord(TubeClass::Triode, QStringLiteral("6N2P.lamp"));
    QCOMPARE(outcome.status, Status::Failed);
    QVERIFY2(outcome.error.contains(QStringLiteral("диск доступен только для чтения")), qPrintable(outcome.error));
    QCOMPARE(entriesOf(folder), QStringList{QStringLiteral("6N2P.lamp")});
#else
    QSKIP("a tmpfs is a Linux file system");
#endif
}

QTEST_GUILESS_MAIN(TubeRecordTest)
#include "tst_tuberecord.moc"
