// SPDX-License-Identifier: GPL-3.0-or-later
// The ".model" text: what is written reads back to the same currents, and a
// file that is malformed or out of range is refused with its line.
#include "anodix/tubemodel/modelfile.h"

#include <QTest>

using namespace anodix::model;

namespace {

const char kGoodTriode[] = "# comment\n"
                           "type = koren-triode\n"
                           "mu = 3.83\n"
                           "ex = 1.8\n"
                           "kg1 = 6450\n"
                           "kp = 39.6\n"
                           "kvb = 8.4e-13\n"
                           "source = curvetracedata, 300B\n"
                           "points = 825\n"
                           "rms_ma = 0.757\n"
                           "rms_percent = 0.638\n"
                           "fitted = 2026-12-08\n";

ModelFile pentodeFile()
{
    ModelFile f;
    f.type = ModelKind::KorenPentode;
    f.params = KorenPentodeParameters{11.123456789, 1.35, 650.5, 4200.25, 60.1, 24.7};
    f.source = "EL34 Ug2=250.csv, EL34 Ug2=300.csv";
    f.points = 1200;
    f.rms_ma = 0.5;
    f.rms_percent = 0.33;
    f.fitted = "2026-12-08";
    f.record_ua = 250;
    f.record_ia = 100;
    f.record_uc = 12.2;
    return f;
}

} // namespace

class TestModelFile : public QObject
{
    Q_OBJECT

private slots:
    void aWrittenFileReadsBackToTheSameCurrents();
    void aHandWrittenFileReads();
    void malformedFilesAreRefusedWithTheirLine_data();
    void malformedFilesAreRefusedWithTheirLine();
    void aModelOfTheOtherTubeTypeIsNotUsed();
    void aMovedOperatingPointIsTold_data();
    void aMovedOperatingPointIsTold();
};

void TestModelFile::aWrittenFileReadsBackToTheSameCurrents()
{
    const ModelFile written = pentodeFile();
    const ModelFileRead read = parseModelFile(formatModelFile(written));
    QVERIFY2(read.ok(), read.error.c_str());
    QCOMPARE(int(read.model.type), int(ModelKind::KorenPentode));
    QCOMPARE(read.model.source, written.source);
    QCOMPARE(read.model.points, 1200);
    QCOMPARE(read.model.fitted, written.fitted);
    QCOMPARE(read.model.record_ia, 100.0);
    QCOMPARE(read.model.record_uc, 12.2);

    TubeFigures a{250, 100, 12.2, 11, 0, 15, 250, 14.9};
    TubeFigures b = a;
    a.model = std::make_shared<const ModelFile>(written);
    b.model = std::make_shared<const ModelFile>(read.model);
    const TubeModel ma(TubeType::Pentode, a), mb(TubeType::Pentode, b);
    QCOMPARE(int(mb.kind()), int(ModelKind::KorenPentode));
    for (double ua : {20.0, 100.0, 250.0, 400.0}) {
        for (double ug : {0.0, -5.0, -12.0, -20.0}) {
            QVERIFY(std::abs(ma.anodeCurrent(ua, ug) - mb.anodeCurrent(ua, ug)) <= 1e-6 * ma.anodeCurrent(ua, ug));
            QVERIFY(std::abs(ma.screenCurrent(ua, ug) - mb.screenCurrent(ua, ug)) <= 1e-6 * ma.screenCurrent(ua, ug));
        }
    }
}

void TestModelFile::aHandWrittenFileReads()
{
    const ModelFileRead read = parseModelFile(std::string("\xEF\xBB\xBF") + kGoodTriode);
    QVERIFY2(read.ok(), read.error.c_str());
    const auto *p = std::get_if<KorenTriodeParameters>(&read.model.params);
    QVERIFY(p);
    QCOMPARE(p->mu, 3.83);
    QCOMPARE(p->kvb, 8.4e-13);
    QCOMPARE(read.model.rms_percent, 0.638);
    // CR LF line ends read the same.
    std::string crlf;
    for (const char c : std::string(kGoodTriode))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    QVERIFY(parseModelFile(crlf).ok());
}

void TestModelFile::malformedFilesAreRefusedWithTheirLine_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("says");

    QTest::newRow("decimal comma") << "mu = 3.83" << "mu = 3,83" << 3 << "десятичной точкой";
    QTest::newRow("no equals sign") << "ex = 1.8" << "ex 1.8" << 4 << "«=»";
    QTest::newRow("unknown key") << "kvb = 8.4e-13" << "kvb = 8.4e-13\nkz = 1" << 8 << "неизвестное имя";
    QTest::newRow("a key twice") << "kp = 39.6" << "kp = 39.6\nkp = 40" << 7 << "второй раз";
    QTest::newRow("a screen parameter in a triode") << "kp = 39.6" << "kp = 39.6\nkg2 = 100" << 7 << "нет параметра";
    QTest::newRow("an empty value") << "kg1 = 6450" << "kg1 =" << 5 << "нет значения";
    QTest::newRow("unknown type") << "type = koren-triode" << "type = spice" << 2 << "неизвестный тип";
    QTest::newRow("points not whole") << "points = 825" << "points = 82.5" << 9 << "целым";
    QTest::newRow("negative error") << "rms_ma = 0.757" << "rms_ma = -1" << 10 << "от 0";
    QTest::newRow("infinite error") << "rms_percent = 0.638" << "rms_percent = inf" << 11 << "от 0";
    QTest::newRow("bad date") << "fitted = 2026-12-08" << "fitted = 08.12.2026" << 12 << "ГГГГ-ММ-ДД";
    QTest::newRow("a control character") << "source = curvetracedata, 300B" << QString("source = a\u0001b") << 8
                                         << "управляющий";
    QTest::newRow("nan parameter") << "mu = 3.83" << "mu = nan" << 3 << "десятичной точкой";
    QTest::newRow("a parameter out of range") << "ex = 1.8" << "ex = 30" << 0 << "вне допустимых пределов";
    QTest::newRow("a zero parameter") << "kg1 = 6450" << "kg1 = 0" << 0 << "вне допустимых пределов";
    QTest::newRow("a missing parameter") << "kp = 39.6\n" << "" << 0 << "нет параметра «kp»";
    QTest::newRow("half of the record's point") << "fitted = 2026-12-08" << "fitted = 2026-12-08\nrecord_ua = 300"
                                                << 0 << "задаются вместе";
    QTest::newRow("a negative record point")
        << "fitted = 2026-12-08" << "fitted = 2026-12-08\nrecord_ua = 300\nrecord_ia = -60\nrecord_uc = 61" << 14
        << "рабочая точка";
    QTest::newRow("a missing date") << "fitted = 2026-12-08\n" << "" << 0 << "нет строки «fitted»";
}

void TestModelFile::malformedFilesAreRefusedWithTheirLine()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, line);
    QFETCH(QString, says);
    QString text = QString::fromUtf8(kGoodTriode);
    QVERIFY(text.contains(from));
    text.replace(from, to);
    const ModelFileRead read = parseModelFile(text.toStdString());
    QVERIFY(!read.ok());
    QCOMPARE(read.line, line);
    const QString error = QString::fromStdString(read.error);
    QVERIFY2(error.contains(says), qPrintable(error));
    if (line > 0)
        QVERIFY2(error.startsWith(QStringLiteral("строка %1:").arg(line)), qPrintable(error));
}

void TestModelFile::aModelOfTheOtherTubeTypeIsNotUsed()
{
    const ModelFileRead read = parseModelFile(kGoodTriode);
    QVERIFY(read.ok());
    QVERIFY(!modelProblem(TubeType::Pentode, read.model).empty());
    TubeFigures el84{250, 48, 7.3, 11.3, 0, 38, 250, 5.5};
    const TubeModel plain(TubeType::Pentode, el84);
    el84.model = std::make_shared<const ModelFile>(read.model);
    const TubeModel withTriodeFile(TubeType::Pentode, el84);
    QCOMPARE(int(withTriodeFile.kind()), int(ModelKind::PowerLaw));
    QVERIFY(!withTriodeFile.file());
    QCOMPARE(withTriodeFile.anodeCurrent(250, -7.3), plain.anodeCurrent(250, -7.3));
}

void TestModelFile::aMovedOperatingPointIsTold_data()
{
    QTest::addColumn<double>("ua");
    QTest::addColumn<double>("ia");
    QTest::addColumn<double>("uc");
    QTest::addColumn<bool>("moved");
    QTest::newRow("the same point") << 250.0 << 100.0 << 12.2 << false;
    QTest::newRow("the bias as a negative number") << 250.0 << 100.0 << -12.2 << false;
    QTest::newRow("Ua 4.9 % higher") << 262.25 << 100.0 << 12.2 << false;
    QTest::newRow("Ua 5.2 % higher") << 263.0 << 100.0 << 12.2 << true;
    QTest::newRow("Ia 6 % lower") << 250.0 << 94.0 << 12.2 << true;
    QTest::newRow("bias 10 % deeper") << 250.0 << 100.0 << 13.42 << true;
}

void TestModelFile::aMovedOperatingPointIsTold()
{
    QFETCH(double, ua);
    QFETCH(double, ia);
    QFETCH(double, uc);
    QFETCH(bool, moved);
    const TubeFigures now{ua, ia, uc, 11, 0, 15, 250, 14.9};
    QCOMPARE(operatingPointMoved(pentodeFile(), now), moved);
    // A file that does not say where the point was never claims it moved.
    ModelFile unknown = pentodeFile();
    unknown.record_ua = unknown.record_ia = unknown.record_uc = 0;
    QVERIFY(!operatingPointMoved(unknown, now));
}

QTEST_GUILESS_MAIN(TestModelFile)
#include "tst_modelfile.moc"
