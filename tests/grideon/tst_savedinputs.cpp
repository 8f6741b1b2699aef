// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's saved inputs file "data.dat": its exact bytes, lenient reading of
// short and broken files, and a write that fails.
#include "grideon/savedinputs.h"
#include "grideonfakes.h"
#include "support/durablewritercases.h"
#include "support/injectedwritefault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <optional>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace grideon;

using Values = QList<float>;

Q_DECLARE_METATYPE(common::detail::WriteStep)

namespace {

StageInputs inputsOf(const Values &v)
{
    std::array<float, kStageInputCount> values{};
    for (int i = 0; i < kStageInputCount; ++i)
        values[i] = v.value(i);
    return fromArray(values);
}

#ifdef Q_OS_UNIX
// The data.dat writer under the rules both programs' writers keep.
DurableWriter savedInputsWriter()
{
    return {QString(), QStringLiteral("data.dat"), QStringLiteral(".grideon-"), QStringLiteral(".anodix-"),
            QByteArray(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n"),
            [](const QString &working, int openError) {
                std::optional<InjectedWriteFault> fault;
                if (openError)
                    fault.emplace(common::detail::WriteStep::Open, openError);
                QString reason;
                if (WriteSavedInputsFile(working + QStringLiteral("/data.dat"), inputsOf({44, 1, 1500, 250, 470, 20}),
                                         &reason))
                    return QString();
                return reason.isEmpty() ? QStringLiteral("<refused without a reason>") : reason;
            }};
}
#endif

} // namespace

class TestSavedInputs : public QObject
{
    Q_OBJECT

private slots:
    void writtenBytes_data();
    void writtenBytes();
    void reading_data();
    void reading();
    void whatIsWrittenReadsBackTheSame_data();
    void whatIsWrittenReadsBackTheSame();
    void fileRoundTripKeepsTheExactBytes();
    void aMissingFileCannotBeRead();
    void aWriteThatCannotBeDoneReportsFalse();
    void aFailedWriteKeepsThePreviousFile_data();
    void aFailedWriteKeepsThePreviousFile();
    void onlyARegularFileIsRead_data();
    void onlyARegularFileIsRead();
    void aHugeFileIsReadOnlyAsFarAsSixNumbers();
#ifdef Q_OS_UNIX
    void writerKeepsModesAndSpecialFiles_data() { durablewriter::addRows(); }
    void writerKeepsModesAndSpecialFiles() { durablewriter::checkRow(savedInputsWriter()); }
    void writerRemovesItsOwnOldLeftovers_data() { durablewriter::addLeftoverRows(); }
    void writerRemovesItsOwnOldLeftovers() { durablewriter::checkLeftoverRow(savedInputsWriter()); }
    void writerNamesAReadOnlyDisk_data() { durablewriter::addReadOnlyDiskRows(); }
    void writerNamesAReadOnlyDisk() { durablewriter::checkReadOnlyDiskRow(savedInputsWriter()); }
#endif
};

void TestSavedInputs::writtenBytes_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("the first example: six numbers between blanks, CR LF")
        << Values{44, 1, 1500, 250, 470, 20}
        << QByteArray(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n");
    QTest::newRow("nothing accepted yet: six zeros")
        << Values{0, 0, 0, 0, 0, 0} << QByteArray(" 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n 0 \r\n");
    QTest::newRow("fractions with a point and no leading 0, negatives with a minus")
        << Values{1.2f, 0.5f, -0.25f, -36, 52.8f, 0.04255319f}
        << QByteArray(" 1.2 \r\n .5 \r\n-.25 \r\n-36 \r\n 52.8 \r\n .04255319 \r\n");
    QTest::newRow("large and small values in exponent form")
        << Values{12345678, 1e-5f, 1e30f, 9999999, 0.0001f, 7}
        << QByteArray(" 1.234568E+07 \r\n 1E-05 \r\n 1E+30 \r\n 9999999 \r\n .0001 \r\n 7 \r\n");
}

void TestSavedInputs::writtenBytes()
{
    QFETCH(Values, values);
    QFETCH(QByteArray, bytes);
    QCOMPARE(FormatSavedInputs(inputsOf(values)), bytes);
}

void TestSavedInputs::reading_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("fieldsRead");
    QTest::addColumn<Values>("values");

    QTest::newRow("the file as written")
        << QByteArray(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n") << 6 << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("line feeds only, no end after the last number")
        << QByteArray("44\n1\n1500\n250\n470\n20") << 6 << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("numbers separated by commas") << QByteArray("44,1,1500,250,470,20") << 6
                                                 << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("numbers separated by blanks on one line") << QByteArray("44 1  1500\t250 470 20\r\n") << 6
                                                             << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("blanks around a comma") << QByteArray("44 , 1,1500 ,250,470,20") << 6
                                           << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("what follows the sixth number is ignored")
        << QByteArray("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\ngarbage\r\n") << 6 << Values{1, 2, 3, 4, 5, 6};
    QTest::newRow("a line that is no number gives 0")
        << QByteArray("1\r\nabc\r\n3\r\n4\r\n5\r\n6\r\n") << 6 << Values{1, 0, 3, 4, 5, 6};
    QTest::newRow("an empty line is a field of 0")
        << QByteArray("1\r\n\r\n3\r\n4\r\n5\r\n6\r\n") << 6 << Values{1, 0, 3, 4, 5, 6};
    QTest::newRow("a number followed by letters keeps its number")
        << QByteArray("12abc\r\n2\r\n3\r\n4\r\n5\r\n6\r\n") << 6 << Values{12, 2, 3, 4, 5, 6};
    QTest::newRow("a decimal comma splits a field in two")
        << QByteArray("1,2\r\n3\r\n4\r\n5\r\n6\r\n") << 6 << Values{1, 2, 3, 4, 5, 6};
    QTest::newRow("the exponent form and fractions")
        << QByteArray(" 1.234568E+07 \r\n .5 \r\n-.25 \r\n 1E-05 \r\n&HFF\r\n 52.8 \r\n") << 6
        << Values{12345680, 0.5f, -0.25f, 1e-5f, 255, 52.8f};
    QTest::newRow("a value beyond the single-precision range gives 0")
        << QByteArray("1e39\r\n2\r\n3\r\n4\r\n5\r\n6\r\n") << 6 << Values{0, 2, 3, 4, 5, 6};
    QTest::newRow("a short file keeps the numbers read")
        << QByteArray(" 44 \r\n 1 \r\n") << 2 << Values{44, 1, 0, 0, 0, 0};
    QTest::newRow("a file cut inside the fifth line")
        << QByteArray(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 47") << 5 << Values{44, 1, 1500, 250, 47, 0};
    QTest::newRow("trailing blanks are no further number") << QByteArray("1 2 3   ") << 3 << Values{1, 2, 3, 0, 0, 0};
    QTest::newRow("an empty file") << QByteArray() << 0 << Values{0, 0, 0, 0, 0, 0};
    QTest::newRow("binary garbage") << QByteArray("\x01\xff\xfe\x00\x7f", 5) << 1 << Values{0, 0, 0, 0, 0, 0};
}

void TestSavedInputs::reading()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, fieldsRead);
    QFETCH(Values, values);

    const SavedInputs saved = ParseSavedInputs(bytes);
    QCOMPARE(saved.fieldsRead, fieldsRead);
    QCOMPARE(saved.complete(), fieldsRead == kStageInputCount);
    QCOMPARE(saved.inputs, inputsOf(values));
}

void TestSavedInputs::whatIsWrittenReadsBackTheSame_data()
{
    QTest::addColumn<Values>("values");

    QTest::newRow("the first example") << Values{44, 1, 1500, 250, 470, 20};
    QTest::newRow("typed fractions") << Values{7.7f, 1.2f, 0.04255319f, 52.8f, 0.001f, 1.44f};
    QTest::newRow("negatives and exponents") << Values{-35.5f, -0.25f, 1e30f, 1e-10f, 12345670, -7e-7f};
}

void TestSavedInputs::whatIsWrittenReadsBackTheSame()
{
    QFETCH(Values, values);
    const SavedInputs saved = ParseSavedInputs(FormatSavedInputs(inputsOf(values)));
    QVERIFY(saved.complete());
    QCOMPARE(saved.inputs, inputsOf(values));
}

void TestSavedInputs::fileRoundTripKeepsTheExactBytes()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("data.dat"));
    const StageInputs inputs = inputsOf({44, 1.2f, 1200, 250, 470, 20});

    QVERIFY(WriteSavedInputsFile(path, inputs));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(" 44 \r\n 1.2 \r\n 1200 \r\n 250 \r\n 470 \r\n 20 \r\n"));
    file.close();

    const std::optional<SavedInputs> saved = ReadSavedInputsFile(path);
    QVERIFY(saved.has_value());
    QVERIFY(saved->complete());
    QCOMPARE(saved->inputs, inputs);

    // Writing again replaces the whole file, not just its start.
    QVERIFY(WriteSavedInputsFile(path, inputsOf({1, 2, 3, 4, 5, 6})));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(" 1 \r\n 2 \r\n 3 \r\n 4 \r\n 5 \r\n 6 \r\n"));
}

void TestSavedInputs::aMissingFileCannotBeRead()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!ReadSavedInputsFile(dir.filePath(QStringLiteral("data.dat"))).has_value());
}

void TestSavedInputs::aWriteThatCannotBeDoneReportsFalse()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    // data.dat is a folder: nothing can be written in its place.
    const QString folderPath = dir.filePath(QStringLiteral("data.dat"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data.dat")));
    QVERIFY(!WriteSavedInputsFile(folderPath, inputsOf({44, 1, 1500, 250, 470, 20})));
    QVERIFY(QFileInfo(folderPath).isDir());

    // Nor in a folder that does not exist.
    QVERIFY(!WriteSavedInputsFile(dir.filePath(QStringLiteral("missing/data.dat")), inputsOf({9, 9, 9, 9, 9, 9})));
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("missing"))));
}

void TestSavedInputs::aFailedWriteKeepsThePreviousFile_data()
{
    QTest::addColumn<common::detail::WriteStep>("step");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("mentioned");
    QTest::newRow("disk full in the write") << common::detail::WriteStep::Write << ENOSPC << "на диске нет свободного места";
    QTest::newRow("disk full in the sync") << common::detail::WriteStep::Sync << ENOSPC << "на диске нет свободного места";
    QTest::newRow("I/O error on closing") << common::detail::WriteStep::Close << EIO << "ошибка ввода-вывода";
    QTest::newRow("rename refused") << common::detail::WriteStep::Rename << EIO << "ошибка ввода-вывода";
}

void TestSavedInputs::aFailedWriteKeepsThePreviousFile()
{
    QFETCH(common::detail::WriteStep, step);
    QFETCH(int, error);
    QFETCH(QString, mentioned);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.dat"));
    QVERIFY(WriteSavedInputsFile(path, inputsOf({44, 1, 1500, 250, 470, 20})));
    const QByteArray before = FormatSavedInputs(inputsOf({44, 1, 1500, 250, 470, 20}));

    QString reason;
    {
        const InjectedWriteFault fault(step, error);
        QVERIFY(!WriteSavedInputsFile(path, inputsOf({1, 2, 3, 4, 5, 6}), &reason));
    }
    QVERIFY2(reason.contains(mentioned), qPrintable(reason));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("data.dat")});
}

void TestSavedInputs::onlyARegularFileIsRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
#ifdef Q_OS_UNIX
    QTest::newRow("a named pipe no program writes to") << "fifo";
    QTest::newRow("a link to an endless device") << "device";
#endif
}

void TestSavedInputs::onlyARegularFileIsRead()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.dat"));
#ifdef Q_OS_UNIX
    if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    if (kind == "device")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
#endif
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("data.dat")));
    // A pipe would block here for ever, /dev/zero would fill the memory.
    QVERIFY(!ReadSavedInputsFile(path).has_value());
}

void TestSavedInputs::aHugeFileIsReadOnlyAsFarAsSixNumbers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.dat"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(" 44 \r\n 1 \r\n 1500 \r\n 250 \r\n 470 \r\n 20 \r\n");
    // 3 GB, sparse where the file system allows: more than the memory a read of all of it could take.
    if (!file.resize(qint64(3) << 30))
        QSKIP("this file system cannot hold a 3 GB file");
    file.close();

    const std::optional<SavedInputs> saved = ReadSavedInputsFile(path);
    QVERIFY(saved.has_value());
    QVERIFY(saved->complete());
    QCOMPARE(saved->inputs, inputsOf({44, 1, 1500, 250, 470, 20}));
}

QTEST_GUILESS_MAIN(TestSavedInputs)
#include "tst_savedinputs.moc"
