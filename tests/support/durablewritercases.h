// SPDX-License-Identifier: GPL-3.0-or-later
// The rules both programs' durable writers keep, as one set of tables that each
// program's test runs against its own writer: the mode of the file, links and
// other special files, a read-only disk, and the leftovers of cut-short writes.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <functional>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

// One program's writer as the tables see it.
struct DurableWriter
{
    QString subfolder;       // where, under the working folder, the file lives ("" for the working folder)
    QString fileName;        // the file it writes there
    QString temporaryPrefix; // its temporary files: prefix + six letters or digits + ".tmp"
    QString otherPrefix;     // the other program's prefix, never its business
    QByteArray bytes;        // what the write puts in the file
    // Writes the file under the working folder, the opening for writing refused
    // with openError when not 0; empty on success, else the message the user sees.
    std::function<QString(const QString &workingFolder, int openError)> write;
};

namespace durablewriter {

#ifdef Q_OS_UNIX

inline QString folderOf(const DurableWriter &writer, const QString &working)
{
    return writer.subfolder.isEmpty() ? working : working + QLatin1Char('/') + writer.subfolder;
}

inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

const QByteArray kOldBytes = QByteArray("old contents\r\n");

inline bool putOldBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(kOldBytes) == kOldBytes.size();
}

// existing: what the name holds before the write ("none", "file", "link" to a
// file outside the folder, "dangling" link, "fifo"); mode: of that file;
// openError: the system's answer to opening for writing; then either done with
// the mode the file ends with, or refused with a message that says why.
inline void addRows()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("openError");
    QTest::addColumn<bool>("done");
    QTest::addColumn<int>("modeAfter");
    QTest::addColumn<QString>("mentioned");

    const QString link = QStringLiteral("ссылка на другой файл");
    const QString readOnly = QStringLiteral("диск доступен только для чтения");
    QTest::newRow("a new file gets 0666 less the umask 022") << "none" << 0 << 022 << 0 << true << 0644 << "";
    QTest::newRow("a new file under umask 077 is its owner's alone") << "none" << 0 << 077 << 0 << true << 0600 << "";
    QTest::newRow("a new file under umask 002 stays group-writable") << "none" << 0 << 002 << 0 << true << 0664 << "";
    QTest::newRow("a replaced file keeps 0600") << "file" << 0600 << 022 << 0 << true << 0600 << "";
    QTest::newRow("a replaced file keeps 0640") << "file" << 0640 << 022 << 0 << true << 0640 << "";
    QTest::newRow("a replaced file keeps 0755 whatever the umask") << "file" << 0755 << 077 << 0 << true << 0755 << "";
    QTest::newRow("a link to a file elsewhere is left as it was") << "link" << 0 << 022 << 0 << false << 0 << link;
    QTest::newRow("a link to nothing is left as it was") << "dangling" << 0 << 022 << 0 << false << 0 << link;
    QTest::newRow("a named pipe is left as it was")
        << "fifo" << 0 << 022 << 0 << false << 0 << QStringLiteral("не обычный файл");
    QTest::newRow("read-only disk: an existing file is refused as such")
        << "file" << 0644 << 022 << EROFS << false << 0 << readOnly;
    QTest::newRow("read-only disk: a new name is refused as such")
        << "none" << 0 << 022 << EROFS << false << 0 << readOnly;
}

inline void checkRow(const DurableWriter &writer)
{
    QFETCH(QString, existing);
    QFETCH(int, mode);
    QFETCH(int, mask);
    QFETCH(int, openError);
    QFETCH(bool, done);
    QFETCH(int, modeAfter);
    QFETCH(QString, mentioned);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = folderOf(writer, dir.path());
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QLatin1Char('/') + writer.fileName;
    const QString outside = dir.path() + QStringLiteral("/outside.txt");
    const QByteArray name = QFile::encodeName(path);
    if (existing == QLatin1String("file")) {
        QVERIFY(putOldBytes(path));
        QCOMPARE(::chmod(name.constData(), mode_t(mode)), 0);
    } else if (existing == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(name.constData(), 0644), 0);
    } else if (existing != QLatin1String("none")) {
        QVERIFY(existing == QLatin1String("dangling") || putOldBytes(outside));
        QVERIFY(QFile::link(outside, path));
    }
    const mode_t before = modeOf(path);
    const QStringList entriesBefore = entriesOf(folder);

    const mode_t previousMask = ::umask(mode_t(mask));
    const QString message = writer.write(dir.path(), openError);
    ::umask(previousMask);

    if (done) {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QCOMPARE(bytesOf(path), writer.bytes);
        QVERIFY(S_ISREG(modeOf(path)));
        QCOMPARE(QString::number(modeOf(path) & 07777, 8), QString::number(modeAfter, 8));
        QCOMPARE(entriesOf(folder).size(), entriesBefore.size() + (existing == QLatin1String("none")));
        return;
    }
    QVERIFY2(message.contains(mentioned), qPrintable(message));
    // Whatever was there stays what it was, and no temporary file is left.
    QCOMPARE(modeOf(path), before);
    QCOMPARE(entriesOf(folder), entriesBefore);
    if (existing == QLatin1String("file"))
        QCOMPARE(bytesOf(path), kOldBytes);
    if (existing == QLatin1String("link"))
        QCOMPARE(bytesOf(outside), kOldBytes);
    if (existing == QLatin1String("dangling"))
        QVERIFY(!QFileInfo::exists(outside));
}

// name: %1 is the writer's own temporary prefix, %2 the other program's; kind:
// "file", "folder" or "link"; age: minutes since its last change.
inline void addLeftoverRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("age");
    QTest::addColumn<bool>("removed");

    QTest::newRow("its own leftover of eleven minutes is removed") << "%1Ab3xZ9.tmp" << "file" << 11 << true;
    QTest::newRow("its own file of five minutes may be a write still running")
        << "%1Ab3xZ9.tmp" << "file" << 5 << false;
    QTest::newRow("its own file dated in the future is kept") << "%1Ab3xZ9.tmp" << "file" << -60 << false;
    QTest::newRow("the other program's leftover is kept") << "%2Ab3xZ9.tmp" << "file" << 60 << false;
    QTest::newRow("seven letters are no name of its own") << "%1Ab3xZ9q.tmp" << "file" << 60 << false;
    QTest::newRow("another ending is no name of its own") << "%1Ab3xZ9.tmp.bak" << "file" << 60 << false;
    QTest::newRow("a folder named like its own is kept") << "%1Ab3xZ9.tmp" << "folder" << 60 << false;
    QTest::newRow("a link named like its own is kept") << "%1Ab3xZ9.tmp" << "link" << 60 << false;
}

inline void checkLeftoverRow(const DurableWriter &writer)
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(int, age);
    QFETCH(bool, removed);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = folderOf(writer, dir.path());
    QVERIFY(QDir().mkpath(folder));
    const QString entry = folder + QLatin1Char('/')
        + QString(name).replace(QLatin1String("%1"), writer.temporaryPrefix).replace(QLatin1String("%2"), writer.otherPrefix);
    const QString outside = dir.path() + QStringLiteral("/outside.txt");
    QVERIFY(putOldBytes(outside));
    if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(entry));
    else if (kind == QLatin1String("link"))
        QVERIFY(QFile::link(outside, entry));
    else
        QVERIFY(putOldBytes(entry));
    const timespec when{::time(nullptr) - time_t(age) * 60, 0};
    const timespec times[2] = {when, when};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(entry).constData(), times, AT_SYMLINK_NOFOLLOW), 0);

    const QString message = writer.write(dir.path(), 0);
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QCOMPARE(bytesOf(folder + QLatin1Char('/') + writer.fileName), writer.bytes);
    QStringList expected{writer.fileName};
    if (!removed)
        expected.append(QFileInfo(entry).fileName());
    if (folder == dir.path())
        expected.append(QStringLiteral("outside.txt"));
    expected.sort();
    QCOMPARE(entriesOf(folder), expected);
}

// A real read-only disk, where this user may mount one: a small tmpfs over the
// folder, mounted again read-only once the old file is in it.
inline void addReadOnlyDiskRows()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("an existing file") << true;
    QTest::newRow("a new name") << false;
}

inline void checkReadOnlyDiskRow(const DurableWriter &writer)
{
    QFETCH(bool, existing);
#ifdef Q_OS_LINUX
    if (::geteuid() != 0)
        QSKIP("mounting a tmpfs needs root; the injected read-only refusals cover this");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = folderOf(writer, dir.path());
    QVERIFY(QDir().mkpath(folder));
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder}) != 0)
        QSKIP("this system refuses to mount a tmpfs here; the injected read-only refusals cover this");
    const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {folder}); });
    const QString path = folder + QLatin1Char('/') + writer.fileName;
    if (existing)
        QVERIFY(putOldBytes(path));
    QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);

    const QString message = writer.write(dir.path(), 0);
    QVERIFY2(message.contains(QStringLiteral("диск доступен только для чтения")), qPrintable(message));
    QCOMPARE(bytesOf(path), existing ? kOldBytes : QByteArray("<missing>"));
#else
    Q_UNUSED(writer);
    QSKIP("a tmpfs is a Linux file system");
#endif
}

#endif // Q_OS_UNIX

} // namespace durablewriter
