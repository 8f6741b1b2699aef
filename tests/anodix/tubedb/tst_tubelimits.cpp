// SPDX-License-Identifier: GPL-3.0-or-later
// The ratings files beside the records: what the reader takes, what it
// refuses and why, and how the file beside a record is found.
#include "anodix/tubedb/tubelimits.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace anodix;

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
    QTest::addColumn<QString>("read"); // "Pa/Pg2/Ua/Ik/source" as read, "-" for an absent figure; or the error

    QTest::newRow("all four with a source") << QByteArray("pa_max_w = 25\npg2_max_w = 8\nua_max_v = 800\n"
                                                          "ik_max_ma = 150\nsource = Philips\n")
                                            << "25/8/800/150/Philips";
    QTest::newRow("a note, CR LF, no source") << QByteArray("# each section\r\npa_max_w = 2.75\r\nik_max_ma = 20\r\n")
                                              << "2.75/-/-/20/";
    QTest::newRow("blanks, blank lines, any order, bare CR")
        << QByteArray("\r  source=RC-30  \r\r ua_max_v=500 \rpa_max_w   =   30") << "30/-/500/-/RC-30";
    QTest::newRow("byte order mark, Cyrillic source") << QByteArray("\xEF\xBB\xBFpa_max_w = 12\nsource = К–Л\n")
                                                      << "12/-/-/-/К–Л";
    const auto refused = [](const char *name, const QByteArray &bytes, const char *error) {
        QTest::newRow(name) << bytes << QString::fromUtf8(error);
    };
    refused("empty", "", "в файле нет ни одного предела");
    refused("only a source", "source = Philips\n", "в файле нет ни одного предела");
    refused("a decimal comma", "pa_max_w = 2,75\n", "строка 1: значение «2,75» — не число вида 25 или 2.75");
    refused("an exponent", "pa_max_w = 2.5e1\n", "строка 1: значение «2.5e1» — не число вида 25 или 2.75");
    refused("a sign", "ua_max_v = +300\n", "строка 1: значение «+300» — не число вида 25 или 2.75");
    refused("a unit", "pa_max_w = 25 W\n", "строка 1: значение «25 W» — не число вида 25 или 2.75");
    refused("zero", "\npa_max_w = 0.0\n", "строка 2: значение должно быть больше нуля");
    refused("an unknown key", "pa_max_w = 25\nia_max_ma = 150\n", "строка 2: неизвестное имя «ia_max_ma»");
    refused("a key twice", "pa_max_w = 25\npa_max_w = 30\n", "строка 2: имя «pa_max_w» повторяется");
    refused("no equals sign", "pa_max_w 25\n", "строка 1: нет знака «=»");
    refused("no value", "pa_max_w =\n", "строка 1: нет значения");
    refused("not UTF-8", "source = \xC0\xC1\npa_max_w = 25\n", "текст не в кодировке UTF-8");
    refused("a control character", "pa_max_w = 25\nsource = a\x01z\n", "строка 2: управляющий символ в тексте");
    refused("a line separator", "pa_max_w = 25\nsource = a\xE2\x80\xA8z\n", "строка 2: управляющий символ в тексте");
}

void TestTubeLimits::readsWhatASheetGivesAndRefusesTheRest()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, read);

    const LimitsRead result = parseTubeLimits(bytes);
    QCOMPARE(result.ok(), result.limits.has_value());
    if (!result.limits) {
        QCOMPARE(result.error, read);
        return;
    }
    const auto figure = [](const std::optional<double> &value) {
        return value ? QString::number(*value) : QStringLiteral("-");
    };
    const TubeLimits &l = *result.limits;
    QCOMPARE(QStringList({figure(l.anodeDissipation), figure(l.screenDissipation), figure(l.anodeVoltage),
                          figure(l.cathodeCurrent), l.source})
                 .join(u'/'),
             read);
}

void TestTubeLimits::findsTheFileBesideItsRecord_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QByteArray>("beside"); // the file's bytes; "" for none, "/" for a folder
    QTest::addColumn<QString>("error");     // empty: read, or no file

    const QString named = QStringLiteral("Файл допустимых режимов «EL34.limits» не учтён: %1.");
    QTest::newRow("a file beside the record") << "EL34.lamp" << QByteArray("pa_max_w = 25\n") << QString();
    QTest::newRow("the extension in capitals") << "EL34.LAMP" << QByteArray("pa_max_w = 25\n") << QString();
    QTest::newRow("no file: no ratings, no message") << "EL34.lamp" << QByteArray() << QString();
    QTest::newRow("a folder of that name") << "EL34.lamp" << QByteArray("/") << named.arg("это не файл");
    QTest::newRow("far too big for ratings") << "EL34.lamp" << QByteArray(1 << 20, '#')
                                             << named.arg("файл слишком велик");
    QTest::newRow("malformed, with its line") << "EL34.lamp" << QByteArray("pa_max_w 25\n")
                                              << named.arg("строка 1: нет знака «=»");
}

void TestTubeLimits::findsTheFileBesideItsRecord()
{
    QFETCH(QString, record);
    QFETCH(QByteArray, beside);
    QFETCH(QString, error);

    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bd/tetrod")));
    const QString path = dir.path() + QStringLiteral("/bd/tetrod/EL34.limits");
    if (beside == "/") {
        QVERIFY(QDir().mkpath(path));
    } else if (!beside.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(beside) == beside.size());
    }
    const LimitsRead read = ReadTubeLimits(TubeDatabase(dir.path()), TubeClass::PowerPentode, record);
    QCOMPARE(read.error, error);
    const bool readable = error.isEmpty() && !beside.isEmpty();
    QCOMPARE(read.limits.has_value(), readable);
    if (readable)
        QCOMPARE(read.limits->anodeDissipation, std::optional(25.0));
}

QTEST_APPLESS_MAIN(TestTubeLimits)
#include "tst_tubelimits.moc"
