// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the tube database shipped in data/bd: record form, numbers, figures
// that agree with each other, unique names, and that each tube computes a
// sensible stage from the usual inputs.
#include "common/numbertext.h"
#include "anodix/stages/pentodestage.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/stages/triodestage.h"
#include "anodix/tubedb/tubelimits.h"
#include "anodix/tubedb/tuberecord.h"

#include <QDir>

#include <QFile>
#include <QSet>
#include <QtTest>

#include <cmath>

using anodix::TubeClass;
using anodix::TubeDatabase;

namespace {

const TubeDatabase &bundled()
{
    static const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    return db;
}

// One row per bundled record: its class and file name.
void everyRecord()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("fileName");
    for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
        for (const QString &name : bundled().ListTubeRecords(tubeClass).names)
            QTest::newRow(qPrintable(anodix::TubeRecordFolder(tubeClass) + QLatin1Char('/') + name))
                << tubeClass << name;
    }
}

QList<QLocale> bothLocales()
{
    return {QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::Russian, QLocale::Russia)};
}

} // namespace

class BundledTubesTest : public QObject
{
    Q_OBJECT

private slots:
    void enoughTubesOfEachClass_data();
    void enoughTubesOfEachClass();
    void recordIsWellFormed_data();
    void recordIsWellFormed();
    void figuresAgreeWithEachOther_data();
    void figuresAgreeWithEachOther();
    void triodeSettlesAtItsOwnPointAsAPowerStage_data();
    void triodeSettlesAtItsOwnPointAsAPowerStage();
    void limitsHoldTheirRecordsTypicalPoint_data();
    void limitsHoldTheirRecordsTypicalPoint();
    void namesDifferRegardlessOfCase_data();
    void namesDifferRegardlessOfCase();
};

void BundledTubesTest::enoughTubesOfEachClass_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<int>("atLeast");
    QTest::newRow("at least 41 triodes") << TubeClass::Triode << 41;
    QTest::newRow("at least 16 preamplifier pentodes") << TubeClass::PreampPentode << 16;
    QTest::newRow("at least 31 power pentodes and beam tetrodes") << TubeClass::PowerPentode << 31;
}

void BundledTubesTest::enoughTubesOfEachClass()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(int, atLeast);
    const anodix::RecordList list = bundled().ListTubeRecords(tubeClass);
    QVERIFY2(list.ok(), qPrintable(list.error));
    QVERIFY2(list.names.size() >= atLeast, qPrintable(list.names.join(QLatin1Char(' '))));
}

void BundledTubesTest::recordIsWellFormed_data()
{
    everyRecord();
}

void BundledTubesTest::figuresAgreeWithEachOther_data()
{
    everyRecord();
}
// Every line a positive number followed by CR LF, nothing more; and with Ea 250 V,
// Fmin 20 Hz, R1 470 kOhm (and an 8 Ohm load) the stage of its class gives only
// positive numbers and no message, in a point and a comma locale alike.
void BundledTubesTest::recordIsWellFormed()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, fileName);
    const int count = anodix::recordLineCount(tubeClass);

    QFile file(bundled().folderPath(tubeClass) + QLatin1Char('/') + fileName);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.endsWith("\r\n"));
    QCOMPARE(bytes.count("\r\n"), count);
    QCOMPARE(bytes.count('\n'), count);
    QCOMPARE(bytes.count('\r'), count);

    const anodix::RecordLines read = bundled().ReadTubeRecord(tubeClass, fileName);
    QVERIFY2(read.ok(), qPrintable(read.error));

    for (const QLocale &locale : bothLocales()) {
        for (const QString &line : read.lines) {
            const std::optional<double> value = common::toNumberEitherSeparator(line, locale);
            QVERIFY2(value && *value > 0, qPrintable(line));
        }

        anodix::LoadedTube tube;
        anodix::StageResult result;
        if (tubeClass == TubeClass::Triode) {
            tube.lines = read.lines;
            result = anodix::CalculateTriodeStage(QStringLiteral("250"), QStringLiteral("20"), QStringLiteral("470"),
                                                  tube, locale);
        } else if (tubeClass == TubeClass::PreampPentode) {
            tube.lines = read.lines;
            result = anodix::CalculatePentodeStage(QStringLiteral("250"), QStringLiteral("20"),
                                                   QStringLiteral("470"), tube, locale);
        } else {
            tube.lines = bundled().ReadTubeRecord(tubeClass, fileName, 8).lines;
            result = anodix::CalculatePowerStage(QStringLiteral("250"), QStringLiteral("20"), QStringLiteral("470"),
                                                 QStringLiteral("8"), tube, locale);
        }
        QVERIFY2(!result.message, qPrintable(result.message ? result.message->text : QString()));
        QCOMPARE(result.updates.size(), tubeClass == TubeClass::Triode ? 7 : 8);
        for (const anodix::DisplayUpdate &update : std::as_const(result.updates)) {
            const std::optional<double> value = common::toNumber(update.text, locale);
            QVERIFY2(value && *value > 0, qPrintable(update.output + QStringLiteral(" = ") + update.text));
        }
    }
}

// A datasheet's figures hold together: μ is S·Ri within the sheets' spread
// (pentodes store S·Ri itself), the cathode resistor Uc / Ia lies between
// 10 Ω and 10 kΩ (a slip of units or of lines leaves it), and a pentode's
// screen draws less than its anode.
void BundledTubesTest::figuresAgreeWithEachOther()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, fileName);
    const anodix::RecordLines read = bundled().ReadTubeRecord(tubeClass, fileName);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const QLocale point(QLocale::C);
    const auto field = [&](anodix::TubeField f) {
        return common::toNumberEitherSeparator(read.lines.value(int(f)), point).value_or(0);
    };
    using F = anodix::TubeField;

    const double sRi = field(F::Transconductance) * field(F::InternalResistance);
    const double mu = field(F::AmplificationFactor);
    QVERIFY2(mu > 0 && std::abs(sRi / mu - 1) <= 0.25, qPrintable(QStringLiteral("S·Ri %1, μ %2").arg(sRi).arg(mu)));

    const double cathodeKOhm = field(F::GridBias) / field(F::AnodeCurrent);
    QVERIFY2(cathodeKOhm >= 0.01 && cathodeKOhm <= 10, qPrintable(QString::number(cathodeKOhm)));

    if (tubeClass != TubeClass::Triode)
        QVERIFY2(field(F::ScreenCurrent) < field(F::AnodeCurrent), qPrintable(read.lines.join(QLatin1Char(' '))));
}

void BundledTubesTest::limitsHoldTheirRecordsTypicalPoint_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::addColumn<QString>("fileName");
    int files = 0;
    for (TubeClass tubeClass : {TubeClass::Triode, TubeClass::PreampPentode, TubeClass::PowerPentode}) {
        const QDir folder(bundled().folderPath(tubeClass));
        for (const QString &name : folder.entryList({QStringLiteral("*.limits")}, QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable(anodix::TubeRecordFolder(tubeClass) + QLatin1Char('/') + name))
                << tubeClass << name;
            ++files;
        }
    }
    QVERIFY(files >= 24);
}

// A rating read a decade off, or put on the wrong tube, shows against the
// sheet's own typical point: the tube must work there within its ratings.
// Three sheets give their characteristics above their own dissipation (the
// 6AS7G and 6080 at 16.9 W against 13 W, the 6С33С at 66 W against 60 W);
// the other ratings still hold for them.
void BundledTubesTest::limitsHoldTheirRecordsTypicalPoint()
{
    QFETCH(TubeClass, tubeClass);
    QFETCH(QString, fileName);
    const QString recordName = fileName.chopped(int(qstrlen(".limits"))) + QStringLiteral(".lamp");
    QVERIFY2(bundled().ListTubeRecords(tubeClass).names.contains(recordName), "a ratings file without its record");
    const anodix::LimitsRead limits = anodix::ReadTubeLimits(bundled(), tubeClass, recordName);
    QVERIFY2(limits.ok() && limits.limits, qPrintable(limits.error));
    QVERIFY(!limits.limits->source.isEmpty());
    if (tubeClass == TubeClass::Triode)
        QVERIFY(!limits.limits->screenDissipation);

    const anodix::RecordLines read = bundled().ReadTubeRecord(tubeClass, recordName);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const auto field = [&](anodix::TubeField f) {
        return common::toNumberEitherSeparator(read.lines.value(int(f)), QLocale(QLocale::C)).value_or(0);
    };
    using F = anodix::TubeField;
    const double ua = field(F::AnodeVoltage), ia = field(F::AnodeCurrent);
    const double ig2 = tubeClass == TubeClass::Triode ? 0 : field(F::ScreenCurrent);
    const auto within = [](const std::optional<double> &limit, double value) { return !limit || value <= *limit; };
    const QString stem = fileName.chopped(int(qstrlen(".limits")));
    const bool aboveItsOwnDissipation = QStringList{"6AS7G", "6080", "6С33С"}.contains(stem);
    QVERIFY2(aboveItsOwnDissipation == !within(limits.limits->anodeDissipation, ua * ia / 1000),
             qPrintable(QStringLiteral("Pa %1 W").arg(ua * ia / 1000)));
    QVERIFY(within(limits.limits->screenDissipation, field(F::ScreenVoltage) * ig2 / 1000));
    QVERIFY(within(limits.limits->anodeVoltage, ua));
    QVERIFY(within(limits.limits->cathodeCurrent, ia + ig2));
}

void BundledTubesTest::triodeSettlesAtItsOwnPointAsAPowerStage_data()
{
    QTest::addColumn<QString>("fileName");
    for (const QString &name : bundled().ListTubeRecords(TubeClass::Triode).names)
        QTest::newRow(qPrintable(name)) << name;
}

// With its sheet's anode voltage plus its bias as the supply, the cathode
// resistor Uc / Ia holds every triode at its sheet's point: the model passes
// through it, and the output stage finds it.
void BundledTubesTest::triodeSettlesAtItsOwnPointAsAPowerStage()
{
    QFETCH(QString, fileName);
    const anodix::RecordLines read = bundled().ReadTubeRecord(TubeClass::Triode, fileName);
    QVERIFY2(read.ok(), qPrintable(read.error));
    const QLocale point(QLocale::C);
    const auto field = [&](anodix::TubeField f) {
        return *common::toNumberEitherSeparator(read.lines.value(int(f)), point);
    };
    using F = anodix::TubeField;
    const QString ea = QString::number(field(F::AnodeVoltage) + field(F::GridBias));
    const anodix::StageResult result = anodix::CalculateTriodeOutputStage(
        ea, QStringLiteral("20"), QStringLiteral("220"), QStringLiteral("8"), QStringLiteral("3"),
        anodix::LoadedTube{read.lines}, point);
    QVERIFY2(!result.message, qPrintable(result.message ? result.message->text : QString()));
    QCOMPARE(result.updates.size(), 20);
    const auto shown = [&](const char *output) {
        for (const anodix::DisplayUpdate &update : result.updates)
            if (update.output == QLatin1String(output))
                return *common::toNumber(update.text, point);
        return -1.0;
    };
    QCOMPARE(shown("Uq"), common::roundHalfEven(field(F::AnodeVoltage), 1));
    QCOMPARE(shown("Iq"), common::roundSignificant(field(F::AnodeCurrent), 3));
    QVERIFY2(shown("Pout") > 0 && shown("D2") >= 0, qPrintable(QString::number(shown("Pout"))));
}

void BundledTubesTest::namesDifferRegardlessOfCase_data()
{
    QTest::addColumn<TubeClass>("tubeClass");
    QTest::newRow("triod") << TubeClass::Triode;
    QTest::newRow("pentod") << TubeClass::PreampPentode;
    QTest::newRow("tetrod") << TubeClass::PowerPentode;
}

// Two names that differ only in case would be one file on a case-blind file system.
void BundledTubesTest::namesDifferRegardlessOfCase()
{
    QFETCH(TubeClass, tubeClass);
    QSet<QString> seen;
    for (const QString &name : bundled().ListTubeRecords(tubeClass).names) {
        QVERIFY2(!seen.contains(name.toCaseFolded()), qPrintable(name));
        seen.insert(name.toCaseFolded());
    }
}

QTEST_GUILESS_MAIN(BundledTubesTest)
#include "tst_bundledtubes.moc"
