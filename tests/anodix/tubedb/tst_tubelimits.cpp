// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings files beside the records: what the reader takes, what it
// refuses and why, and how a file beside a record is found.
#include "anodix/tubedb/tubelimits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace anodix;

Q_DECLARE_METATYPE(std::optional<double>)

class TestTubeLimits : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatASheetGivesAndRefusesTheRest_data();
    void readsWhatASheetGivesAndRefusesTheRest();
    void findsTheFileBesideItsRecord_data();
    void findsTheFileBesideItsRecord();
};

void TestTubeLimits::readsWhatASheetGivesAndRefusesTheRest_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<std::optional<double>>("pa");
    QTest::addColumn<std::optional<double>>("pg2");
    QTest::addColumn<std::optional<double>>("ua");
    QTest::addColumn<std::optional<double>>("ik");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("error"); // empty when read

    const std::optional<double> none;
    const auto read = [&](const char *name, const QByteArray &bytes, std::optional<double> pa,
                          std::optional<double> pg2, std::optional<double> ua, std::optional<double> ik,
                          const char *source) {
        QTest::newRow(name) << bytes << pa << pg2 << ua << ik << QString::fromUtf8(source) << QString();
    };
    const auto refused = [&](const char *name, const QByteArray &bytes, const char *error) {
        QTest::newRow(name) << bytes << none << none << none << none << QString() << QString::fromUtf8(error);
    };

    read("all four with a source", "pa_max_w = 25\npg2_max_w = 8\nua_max_v = 800\nik_max_ma = 150\nsource = Philips\n",
         25.0, 8.0, 800.0, 150.0, "Philips");
    read("a triode's three, CR LF and a note", "# each section\r\npa_max_w = 2.75\r\nua_max_v = 300\r\nik_max_ma = 20\r\n",
         2.75, none, 300.0, 20.0, "");
    read("blanks around, blank lines, any order, bare CR", "\r  source=RC-30  \r\r ua_max_v=500 \rpa_max_w   =   30",
         30.0, none, 500.0, none, "RC-30");
    read("byte order mark and a Cyrillic source", "\xEF\xBB\xBFpa_max_w = 12\nsource = К–Л, 6П14П\n", 12.0, none,
         none, none, "К–Л, 6П14П");

    refused("empty file", "", "в файле нет ни одного предела");
    refused("only a source", "source = Philips\n", "в файле нет ни одного предела");
    refused("a comma as the decimal separator", "pa_max_w = 2,75\n", "строка 1: значение «2,75» — не число");
    refused("an exponent", "pa_max_w = 2.5e1\n", "строка 1: значение «2.5e1» — не число");
    refused("a sign", "ua_max_v = +300\n", "строка 1: значение «+300» — не число");
    refused("a unit after the number", "pa_max_w = 25 W\n", "строка 1: значение «25 W» — не число");
    refused("zero", "\npa_max_w = 0.0\n", "строка 2: значение должно быть больше нуля");
    refused("an unknown key", "pa_max_w = 25\nia_max_ma = 150\n", "строка 2: неизвестное имя «ia_max_ma»");
    refused("a key twice", "pa_max_w = 25\npa_max_w = 30\n", "строка 2: имя «pa_max_w» повторяется");
    refused("no equals sign", "pa_max_w 25\n", "строка 1: нет знака «=»");
    refused("no value", "pa_max_w =\n", "строка 1: нет значения");
    refused("not UTF-8", "source = \xC0\xC1\npa_max_w = 25\n", "текст не в кодировке UTF-8");
    refused("a control character in the source", QByteArray("pa_max_w = 25\nsource = a\x01" "b\n"),
            "строка 2: управляющий символ в тексте");
    refused("a line separator in the source", "pa_max_w = 25\nsource = a\xE2\x80\xA8" "b\n",
            "строка 2: управляющий символ в тексте");
}

void TestTubeLimits::readsWhatASheetGivesAndRefusesTheRest()
{
    QFETCH(QByteArray, bytes);
    QFETCH(std::optional<double>, pa);
    QFETCH(std::optional<double>, pg2);
    QFETCH(std::optional<double>, ua);
    QFETCH(std::optional<double>, ik);
    QFETCH(QString, source);
    QFETCH(QString, error);

    const LimitsRead read = parseTubeLimits(bytes);
    if (!error.isEmpty()) {
        QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
        QVERIFY(!read.limits);
        return;
    }
    QVERIFY2(read.ok(), qPrintable(read.error));
    QVERIFY(read.limits);
    QCOMPARE(read.limits->anodeDissipation, pa);
    QCOMPARE(read.limits->screenDissipation, pg2);
    QCOMPARE(read.limits->anodeVoltage, ua);
    QCOMPARE(read.limits->cathodeCurrent, ik);
    QCOMPARE(read.limits->source, source);
}

void TestTubeLimits::findsTheFileBesideItsRecord_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("beside");  // what lies at that name: "file", "folder", "big" or "none"
    QTest::addColumn<bool>("hasLimits");
    QTest::addColumn<QString>("error");   // how the message starts; empty for none

    QTest::newRow("a file beside the record") << "EL34.lamp" << "file" << true << QString();
    QTest::newRow("the record's extension in capitals") << "EL34.LAMP" << "file" << true << QString();
    QTest::newRow("no file: no ratings and no message") << "EL34.lamp" << "none" << false << QString();
    QTest::newRow("a folder of that name is named")
        << "EL34.lamp" << "folder" << false
        << QStringLiteral("Файл допустимых режимов «EL34.limits» не учтён: это не файл.");
    QTest::newRow("a file far too big for ratings is named")
        << "EL34.lamp" << "big" << false
        << QStringLiteral("Файл допустимых режимов «EL34.limits» не учтён: файл слишком велик.");
    QTest::newRow("a malformed file is named with its line")
        << "EL34.lamp" << "bad" << false
        << QStringLiteral("Файл допустимых режимов «EL34.limits» не учтён: строка 1: нет знака «=».");
}

void TestTubeLimits::findsTheFileBesideItsRecord()
{
    QFETCH(QString, record);
    QFETCH(QString, beside);
    QFETCH(bool, hasLimits);
    QFETCH(QString, error);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bd/tetrod")));
    const QString path = dir.path() + QStringLiteral("/bd/tetrod/EL34.limits");
    const auto write = [&](const QByteArray &bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    };
    if (beside == QLatin1String("file"))
        write("pa_max_w = 25\n");
    else if (beside == QLatin1String("bad"))
        write("pa_max_w 25\n");
    else if (beside == QLatin1String("big"))
        write(QByteArray(1 << 20, '#'));
    else if (beside == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));

    const LimitsRead read = ReadTubeLimits(TubeDatabase(dir.path()), TubeClass::PowerPentode, record);
    QCOMPARE(read.limits.has_value(), hasLimits);
    QCOMPARE(read.error, error);
    if (hasLimits)
        QCOMPARE(read.limits->anodeDissipation, std::optional(25.0));
}

QTEST_APPLESS_MAIN(TestTubeLimits)
#include "tst_tubelimits.moc"
