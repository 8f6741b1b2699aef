// SPDX-License-Identifier: GPL-3.0-or-later
// Listing a record folder whose reading fails part-way. This program stands in
// for the C library's readdir, so the failure comes where a test wants it.
#include "anodix/tubedb/tuberecord.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <dlfcn.h>

using namespace anodix;

namespace {

int g_entriesBeforeFailure = -1; // -1: readdir works as the C library's
int g_entriesRead = 0;

void *passOn(const char *symbol, void *dir)
{
    using Readdir = void *(*)(void *);
    static const auto next = reinterpret_cast<Readdir>(::dlsym(RTLD_NEXT, symbol));
    if (g_entriesBeforeFailure >= 0 && g_entriesRead++ >= g_entriesBeforeFailure) {
        errno = EIO;
        return nullptr;
    }
    return next(dir);
}

} // namespace

// Both names, whichever one <dirent.h> maps readdir to; the types stay opaque here.
extern "C" void *readdir(void *dir) { return passOn("readdir", dir); }
extern "C" void *readdir64(void *dir) { return passOn("readdir64", dir); }

class TestFolderRead : public QObject
{
    Q_OBJECT

private slots:
    void aFailedReadIsReportedNotListedShort_data()
    {
        QTest::addColumn<int>("entriesBeforeFailure");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("reported");

        const QStringList all{"a.lamp", "b.lamp", "c.lamp"};
        QTest::newRow("the whole folder read") << -1 << all << false;
        QTest::newRow("failing at the first entry") << 0 << QStringList() << true;
        // ".", ".." and the three records: failing after three entries loses some.
        QTest::newRow("failing half-way") << 3 << QStringList() << true;
    }

    void aFailedReadIsReportedNotListedShort()
    {
        QFETCH(int, entriesBeforeFailure);
        QFETCH(QStringList, names);
        QFETCH(bool, reported);

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bd/triod")));
        for (const char *name : {"a.lamp", "b.lamp", "c.lamp"}) {
            QFile file(dir.filePath(QStringLiteral("bd/triod/") + QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        g_entriesRead = 0;
        g_entriesBeforeFailure = entriesBeforeFailure;
        const RecordList list = TubeDatabase(dir.path()).ListTubeRecords(TubeClass::Triode);
        g_entriesBeforeFailure = -1;

        QCOMPARE(list.names, names);
        QCOMPARE(list.ok(), !reported);
        if (reported)
            QVERIFY2(list.error.contains(QStringLiteral("triod")), qPrintable(list.error));
    }
};

QTEST_APPLESS_MAIN(TestFolderRead)
#include "tst_folderread.moc"
