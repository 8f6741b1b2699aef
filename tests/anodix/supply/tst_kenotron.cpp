// SPDX-License-Identifier: GPL-3.0-or-later
// The rectifier tube files: every bundled file reads with figures that agree
// with its sheet's tube drop, a malformed file is left out and named once,
// and the reader refuses what it cannot take whole.
#include "anodix/supply/kenotron.h"
#include "anodix/supply/supply.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace anodix::supply;

namespace {

// The tube drop each bundled file's sheet states, at its current per anode.
struct SheetDrop
{
    const char *name;
    double drop;      // V
    double current;   // A per anode
};

const SheetDrop kSheetDrops[] = {
    {"5U4G", 58.0, 0.225},
    {"5T4", 45.0, 0.225},
};

KenotronFolder bundledFolder()
{
    return ReadKenotronFolder(ANODIX_DATA_DIR "/bd/kenotron");
}

} // namespace

class TestKenotron : public QObject
{
    Q_OBJECT

private slots:
    void everyBundledFileReads_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("drop");      // V, the sheet's
        QTest::addColumn<double>("current");   // A per anode, at that drop
        for (const SheetDrop &row : kSheetDrops)
            QTest::newRow(row.name) << QString::fromUtf8(row.name) << row.drop << row.current;
    }

    void everyBundledFileReads()
    {
        QFETCH(QString, name);
        QFETCH(double, drop);
        QFETCH(double, current);
        const KenotronFolder folder = bundledFolder();
        QVERIFY2(folder.rejected.isEmpty(), qPrintable(folder.rejected.join("; ")));
        const auto k = std::find_if(folder.tubes.begin(), folder.tubes.end(),
                                    [&](const Kenotron &t) { return t.name == name; });
        QVERIFY(k != folder.tubes.end());
        QVERIFY(!k->source.isEmpty());
        // The perveance gives back the sheet's drop at its current.
        QCOMPARE_LT(std::abs(std::pow(current / k->perveance, 2.0 / 3) / drop - 1), 1e-3);
        // Ratings a capacitor-input sheet gives, in SI units.
        QVERIFY(k->maxDcCurrent && *k->maxDcCurrent < 1);
        QVERIFY(k->maxCapacitance && *k->maxCapacitance < 1e-3);
        // A tube run at its own ratings supplies its rated current.
        SupplyCircuit c;
        c.circuit = Circuit::CentreTap;
        c.secondaryVoltage = k->maxAcVoltage.value_or(350);
        c.windingResistance = k->minResistance.value_or(100);
        c.tube = *k;
        c.c1 = k->maxCapacitance.value_or(20e-6) / 2;
        c.filter = FilterElement::Resistor;
        c.filterResistance = 100;
        c.c2 = 50e-6;
        c.loadCurrent = k->maxDcCurrent.value_or(0.1);
        const SupplyOutcome o = SimulateSupply(c);
        QVERIFY2(o.result, qPrintable(o.error));
        QCOMPARE_GT(o.result->outputVoltage, 0.8 * c.secondaryVoltage);
        QCOMPARE_LT(o.result->c1Voltage, std::sqrt(2.0) * c.secondaryVoltage - drop / 2);
        // What the sheet does not give is reported as unknown, not as met.
        const QStringList warnings = SupplyWarnings(c, *o.result, QLocale(QLocale::Russian, QLocale::Russia));
        QCOMPARE(warnings.filter("неизвест").isEmpty(), bool(k->maxPeakCurrent));
    }

    // A file shipped without its sheet's drop above would go unchecked, and
    // a row whose file was renamed would check nothing.
    void everyBundledFileHasItsSheetDrop()
    {
        QStringList bundled;
        for (const Kenotron &k : bundledFolder().tubes)
            bundled << k.name;
        QStringList checked;
        for (const SheetDrop &row : kSheetDrops)
            checked << QString::fromUtf8(row.name);
        bundled.sort();
        checked.sort();
        QCOMPARE(bundled, checked);
    }

    void malformedFilesAreRefusedWithAReason_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no name") << QByteArray("perveance = 1e-3\n") << "name";
        QTest::newRow("no perveance") << QByteArray("name = X\n") << "perveance";
        QTest::newRow("unknown key") << QByteArray("name = X\nperveance = 1e-3\nmu = 3\n") << "неизвестный ключ";
        QTest::newRow("repeated key") << QByteArray("name = X\nname = Y\nperveance = 1e-3\n") << "повторён";
        QTest::newRow("comma decimal") << QByteArray("name = X\nperveance = 0,001\n") << "первеанс";
        QTest::newRow("negative") << QByteArray("name = X\nperveance = 1e-3\nmax_dc_current = -5\n") << "max_dc_current";
        QTest::newRow("overflowing") << QByteArray("name = X\nperveance = 1e-3\nmin_resistance = 1e400\n") << "min_resistance";
        QTest::newRow("no equals sign") << QByteArray("name X\n") << "ключ = значение";
        QTest::newRow("empty value") << QByteArray("name =\nperveance = 1e-3\n") << "нет значения";
        QTest::newRow("line separator in a name") << QByteArray("name = X\xe2\x80\xa8.end\nperveance = 1e-3\n")
                                                  << "ключ = значение";
        QTest::newRow("not UTF-8") << QByteArray("name = \xff\xfe\nperveance = 1e-3\n") << "UTF-8";
    }

    void malformedFilesAreRefusedWithAReason()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!ParseKenotron(text, error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    void unitsAndCommentsAreRead()
    {
        QString error;
        const auto k = ParseKenotron("# a comment\r\n\r\nname = Т1\r\nheater = 6,3 В, 1 А\r\nperveance = 2.5e-4\r\n"
                                     "max_dc_current = 150\r\nmax_capacitance = 50\r\nmax_peak_current = 450\r\n",
                                     error);
        QVERIFY2(k, qPrintable(error));
        QCOMPARE(k->name, QStringLiteral("Т1"));
        QCOMPARE(k->heater, QStringLiteral("6,3 В, 1 А"));
        QCOMPARE(k->maxDcCurrent.value_or(0), 0.150);
        QCOMPARE(k->maxCapacitance.value_or(0), 50e-6);
        QCOMPARE(k->maxPeakCurrent.value_or(0), 0.450);
        QVERIFY(!k->maxAcVoltage);
        QVERIFY(!k->minResistance);
    }

    void aMalformedFileIsLeftOutAndNamed()
    {
        QTemporaryDir dir;
        const auto put = [&](const char *name, const QByteArray &text) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(text);
        };
        put("b.txt", "name = B\nperveance = 1e-3\n");
        put("a.txt", "name = A\nperveance = 2e-3\n");
        put("broken.txt", "name = C\nperveance = lots\n");
        put("twin.txt", "name = A\nperveance = 3e-3\n");
        put("other.lamp", "not ours");
        const KenotronFolder folder = ReadKenotronFolder(dir.path());
        QCOMPARE(folder.tubes.size(), 2);
        QCOMPARE(folder.tubes[0].name, QStringLiteral("A"));
        QCOMPARE(folder.tubes[1].name, QStringLiteral("B"));
        QCOMPARE(folder.rejected.size(), 2);
        QVERIFY(folder.rejected[0].startsWith("broken.txt: "));
        QVERIFY(folder.rejected[1].startsWith("twin.txt: "));
    }
};

QTEST_GUILESS_MAIN(TestKenotron)
#include "tst_kenotron.moc"
