// SPDX-License-Identifier: GPL-3.0-or-later
// The model file beside a record (written durably, read back, refused with its
// name when it cannot be used, deleted) and the import of measurement files.
#include "anodix/tubedb/modelstore.h"
#include "anodix/tubemodel/modelfile.h"
#include "support/injectedwritefault.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>

using namespace anodix;
using Status = RecordOutcome::Status;

namespace {

struct WorkingFolder
{
    QTemporaryDir dir;
    TubeDatabase db{dir.path()};

    WorkingFolder()
    {
        for (const char *sub : {"bd/triod", "bd/pentod", "bd/tetrod"})
            QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    }
    QString path(const char *relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    void write(const char *relative, const QByteArray &bytes) const
    {
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const char *relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
};

model::ModelFile triodeModel()
{
    model::ModelFile f;
    f.type = model::ModelKind::KorenTriode;
    f.params = model::KorenTriodeParameters{3.83, 1.8, 6450, 39.6, 1e-3};
    f.source = "300B_TJMesh_1.dat";
    f.points = 825;
    f.rms_ma = 0.757;
    f.rms_percent = 0.638;
    f.fitted = "2026-12-08";
    return f;
}

} // namespace

class TestModelStore : public QObject
{
    Q_OBJECT

private slots:
    void theModelFileIsNamedAfterTheRecord_data();
    void theModelFileIsNamedAfterTheRecord();
    void aWrittenModelReadsBack();
    void aMissingModelIsNoError();
    void aModelThatCannotBeUsedIsNamedInTheMessage_data();
    void aModelThatCannotBeUsedIsNamedInTheMessage();
    void aFailedWriteKeepsTheOldModel();
    void aLinkIsNotWrittenThrough();
    void deletingRemovesOnlyTheModel();
    void severalFilesImportAsOneSet();
    void oneBadFileFailsTheWholeImport_data();
    void oneBadFileFailsTheWholeImport();
};

void TestModelStore::theModelFileIsNamedAfterTheRecord_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("model");
    QTest::newRow("plain") << "300B.lamp" << "300B.model";
    QTest::newRow("upper-case extension") << "6Н2П.LAMP" << "6Н2П.model";
    QTest::newRow("dots in the name") << "6П14П-ЕВ v.2.lamp" << "6П14П-ЕВ v.2.model";
    QTest::newRow("no extension") << "EL34" << "EL34.model";
}

void TestModelStore::theModelFileIsNamedAfterTheRecord()
{
    QFETCH(QString, record);
    QFETCH(QString, model);
    QCOMPARE(modelFileName(record), model);
}

void TestModelStore::aWrittenModelReadsBack()
{
    WorkingFolder work;
    QVERIFY(!HasTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp")));
    const RecordOutcome written = WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), triodeModel());
    QVERIFY2(written.ok(), qPrintable(written.error));
    QVERIFY(HasTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp")));
    QVERIFY(work.read("bd/triod/300B.model").contains("type = koren-triode\n"));
    const ModelLoad load = ReadTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"));
    QVERIFY2(load.ok(), qPrintable(load.error));
    QVERIFY(load.present);
    QVERIFY(load.model);
    QCOMPARE(load.model->points, 825);
    QCOMPARE(std::get<model::KorenTriodeParameters>(load.model->params).kg1, 6450.0);
    // Replacing it writes the new one.
    model::ModelFile changed = triodeModel();
    changed.points = 900;
    QVERIFY(WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), changed).ok());
    QCOMPARE(ReadTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp")).model->points, 900);
}

void TestModelStore::aMissingModelIsNoError()
{
    WorkingFolder work;
    const ModelLoad load = ReadTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"));
    QVERIFY(load.ok());
    QVERIFY(!load.present);
    QVERIFY(!load.model);
}

void TestModelStore::aModelThatCannotBeUsedIsNamedInTheMessage_data()
{
    QTest::addColumn<int>("tubeClass");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("says");

    const std::string good = model::formatModelFile(triodeModel());
    QByteArray comma = QByteArray::fromStdString(good);
    comma.replace("ex = 1.8", "ex = 1,8");
    QTest::newRow("a malformed line") << int(TubeClass::Triode) << comma << "строка 4";
    QTest::newRow("a triode's model for a pentode")
        << int(TubeClass::PowerPentode) << QByteArray::fromStdString(good) << "модель триода не подходит";
    QByteArray range = QByteArray::fromStdString(good);
    range.replace("mu = 3.83", "mu = 5000");
    QTest::newRow("out of range") << int(TubeClass::Triode) << range << "вне допустимых пределов";
    QTest::newRow("empty") << int(TubeClass::Triode) << QByteArray() << "нет строки «type»";
    QTest::newRow("binary") << int(TubeClass::Triode) << QByteArray("\x00\x01\x02", 3) << "управляющий";
}

void TestModelStore::aModelThatCannotBeUsedIsNamedInTheMessage()
{
    QFETCH(int, tubeClass);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, says);
    WorkingFolder work;
    const char *path = TubeClass(tubeClass) == TubeClass::Triode ? "bd/triod/X.model" : "bd/tetrod/X.model";
    work.write(path, bytes);
    const ModelLoad load = ReadTubeModel(work.db, TubeClass(tubeClass), QStringLiteral("X.lamp"));
    QVERIFY(load.present);
    QVERIFY(!load.model);
    QVERIFY2(load.error.contains(says), qPrintable(load.error));
    QVERIFY2(load.error.contains(QStringLiteral("X.model")), qPrintable(load.error));
    QVERIFY2(load.error.contains(QStringLiteral("степень 3/2")), qPrintable(load.error));
}

void TestModelStore::aFailedWriteKeepsTheOldModel()
{
    WorkingFolder work;
    QVERIFY(WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), triodeModel()).ok());
    const QByteArray before = work.read("bd/triod/300B.model");
    model::ModelFile changed = triodeModel();
    changed.points = 1;
    for (const auto step : {detail::WriteStep::Write, detail::WriteStep::Sync, detail::WriteStep::Rename}) {
        const InjectedWriteFault fault(step, ENOSPC);
        const RecordOutcome outcome = WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), changed);
        QCOMPARE(outcome.status, Status::Failed);
        QVERIFY2(outcome.error.contains(QStringLiteral("300B.model")), qPrintable(outcome.error));
        QCOMPARE(work.read("bd/triod/300B.model"), before);
    }
    QCOMPARE(QDir(work.path("bd/triod")).entryList(QDir::Files | QDir::Hidden), QStringList{"300B.model"});
}

void TestModelStore::aLinkIsNotWrittenThrough()
{
    WorkingFolder work;
    work.write("outside.txt", "keep");
    QVERIFY(QFile::link(work.path("outside.txt"), work.path("bd/triod/300B.model")));
    const RecordOutcome outcome = WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), triodeModel());
    QCOMPARE(outcome.status, Status::Failed);
    QCOMPARE(work.read("outside.txt"), QByteArray("keep"));
}

void TestModelStore::deletingRemovesOnlyTheModel()
{
    WorkingFolder work;
    work.write("bd/triod/300B.lamp", "5\r\n");
    QVERIFY(WriteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp"), triodeModel()).ok());
    QVERIFY(DeleteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp")).ok());
    QVERIFY(!QFile::exists(work.path("bd/triod/300B.model")));
    QVERIFY(QFile::exists(work.path("bd/triod/300B.lamp")));
    // Deleting what is not there is no failure.
    QVERIFY(DeleteTubeModel(work.db, TubeClass::Triode, QStringLiteral("300B.lamp")).ok());
}

void TestModelStore::severalFilesImportAsOneSet()
{
    WorkingFolder work;
    work.write("a.dat", "% tracer\n100 0.1 100 0.010 0 -5 -1 -5 0 0 NA\n110 0.1 110 0.1 1 -5 -1 -5 0 0 NA\n");
    work.write("b.csv", "Ua;Ug;Ia\n120;-5;12,5\n130;-5;14\n");
    const MeasurementImport in = ImportMeasurementFiles({work.path("a.dat"), work.path("b.csv")});
    QVERIFY2(in.ok(), qPrintable(in.error));
    QCOMPARE(int(in.points.size()), 3);
    QCOMPARE(in.limitedRows, 1);
    QCOMPARE(in.files, (QStringList{"a.dat", "b.csv"}));
    QCOMPARE(in.points[0].ia, 10.0);
    QCOMPARE(in.points[1].ia, 12.5);
}

void TestModelStore::oneBadFileFailsTheWholeImport_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("says");
    QTest::newRow("a malformed line") << QByteArray("Ua,Ug,Ia\n1,2,3\n4,5\n") << "«b.csv», строка 3";
    QTest::newRow("an unknown format") << QByteArray("hello\n") << "формат файла не распознан";
    QTest::newRow("pentode points among triode points") << QByteArray("Ua,Ug,Ia,Ug2,Ig2\n1,2,3,4,5\n")
                                                        << "триод";
    QTest::newRow("no points") << QByteArray("Ua,Ug,Ia\n") << "нет ни одной";
}

void TestModelStore::oneBadFileFailsTheWholeImport()
{
    QFETCH(QByteArray, second);
    QFETCH(QString, says);
    WorkingFolder work;
    work.write("a.csv", "Ua,Ug,Ia\n100,-1,2\n");
    work.write("b.csv", second);
    const MeasurementImport in = ImportMeasurementFiles({work.path("a.csv"), work.path("b.csv")});
    QVERIFY(!in.ok());
    QVERIFY(in.points.empty());
    QVERIFY2(in.error.contains(says), qPrintable(in.error));
    const MeasurementImport missing = ImportMeasurementFiles({work.path("a.csv"), work.path("none.csv")});
    QVERIFY(!missing.ok());
    QVERIFY(missing.error.contains(QStringLiteral("none.csv")));
}

QTEST_GUILESS_MAIN(TestModelStore)
#include "tst_modelstore.moc"
