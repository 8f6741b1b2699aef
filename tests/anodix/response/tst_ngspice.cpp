// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice on the exported netlists of bundled tubes, one test per stage: its
// operating point against the characteristics analysis, its small-signal
// response against ComputeResponse. A netlist it cannot read fails.
#include "anodix/response/simulation.h"
#include "anodix/response/spice.h"
#include "anodix/stages/powerstage.h"
#include "anodix/tubedb/modelstore.h"
#include "anodix/tubedb/tuberecord.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::response;

Q_DECLARE_METATYPE(anodix::model::FittedParameters)

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);

// Rows of numbers under a header line of column names.
struct DataFile
{
    QStringList columns;
    QList<QList<double>> rows;
    int column(const QString &name) const { return int(columns.indexOf(name)); }
};

DataFile readData(const QString &path)
{
    DataFile data;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return data;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QStringList fields = line.simplified().split(u' ', Qt::SkipEmptyParts);
        if (data.columns.isEmpty()) {
            data.columns = fields;
            continue;
        }
        QList<double> row;
        for (const QString &field : fields)
            row << field.toDouble();
        data.rows << row;
    }
    return data;
}

// The stage as its window would have left it after "Рассчитать".
analysis::AnalysisInput stageInput(StageKind kind, const QString &tube, const QString &ea)
{
    const TubeClass tubeClass = analysis::tubeTypeOf(kind) == model::TubeType::Triode ? TubeClass::Triode
                                : kind == StageKind::PreampPentode                   ? TubeClass::PreampPentode
                                                                                     : TubeClass::PowerPentode;
    const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    const RecordLines record = db.ReadTubeRecord(tubeClass, tube + QStringLiteral(".lamp"));
    analysis::AnalysisInput in{kind, tube, record.lines, ea, QStringLiteral("20"), QStringLiteral("470"),
                               QStringLiteral("8"), {}};
    if (kind == StageKind::Power)
        in.outputs = CalculatePowerStage(ea, in.fmin, in.r1, in.rn, LoadedTube{record.lines}, pointLocale).updates;
    if (kind == StageKind::TriodeOutput)
        in.kn = QStringLiteral("3");
    if (kind == StageKind::PushPull) {
        in.ug2 = ea;
        in.raa = QStringLiteral("8");
        in.rk = QStringLiteral("130");
    }
    return in;
}

// Where the sampled response first falls 3 dB below its peak, on either side;
// linear in dB over log f between the samples. Zero when it does not.
double sampledCorner(const DataFile &ac, double peak, int from, int step)
{
    const double level = peak / std::sqrt(2.0);
    for (int i = from; i + step >= 0 && i + step < ac.rows.size(); i += step) {
        const double g0 = ac.rows[i][1], g1 = ac.rows[i + step][1];
        if (g1 < level) {
            const double t = (20 * std::log10(g0 / level)) / (20 * std::log10(g0 / g1));
            return std::exp(std::log(ac.rows[i][0]) + t * (std::log(ac.rows[i + step][0]) - std::log(ac.rows[i][0])));
        }
    }
    return 0;
}

double deviation(double measured, double expected)
{
    return std::abs(measured - expected) / std::abs(expected);
}

// A bundled record's figures, with its bundled model file when fitted is set.
model::TubeFigures recordFigures(TubeClass tubeClass, const QString &tube, bool fitted)
{
    const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    const RecordLines record = db.ReadTubeRecord(tubeClass, tube + QStringLiteral(".lamp"));
    const auto n = [&](int i) { return i < record.lines.size() ? record.lines[i].toDouble() : 0.0; };
    model::TubeFigures f{n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9)};
    if (fitted)
        f.model = ReadTubeModel(db, tubeClass, tube + QStringLiteral(".lamp")).model;
    return f;
}

std::shared_ptr<const model::ModelFile> korenFile(const model::FittedParameters &params)
{
    model::ModelFile file;
    file.type = std::holds_alternative<model::KorenTriodeParameters>(params) ? model::ModelKind::KorenTriode
                                                                             : model::ModelKind::KorenPentode;
    file.params = params;
    file.source = "test; a line\nbreak";
    file.points = 100;
    file.fitted = "2026-01-01";
    return std::make_shared<const model::ModelFile>(file);
}

} // namespace

class TestNgspice : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("ngspice")).isEmpty(),
                 "ngspice not found: install Debian's ngspice package (scripts/test.sh does)");
    }

    void netlistRunsAndAgreesWithTheAnalysisAndResponse_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tube");
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QString>("source");
        QTest::newRow("triode ECC83, no source resistance") << int(StageKind::Triode) << "ECC83" << "250" << "0";
        QTest::newRow("triode 6Н2П") << int(StageKind::Triode) << "6Н2П" << "250" << "1";
        QTest::newRow("triode 12AU7") << int(StageKind::Triode) << "12AU7" << "300" << "1";
        QTest::newRow("triode 6С45П") << int(StageKind::Triode) << "6С45П" << "150" << "10";
        QTest::newRow("pentode EF86") << int(StageKind::PreampPentode) << "EF86" << "300" << "1";
        QTest::newRow("pentode 6Ж1П") << int(StageKind::PreampPentode) << "6Ж1П" << "250" << "1";
        QTest::newRow("pentode 6SJ7") << int(StageKind::PreampPentode) << "6SJ7" << "300" << "0";
        QTest::newRow("power EL84") << int(StageKind::Power) << "EL84" << "250" << "1";
        QTest::newRow("power 6П3С") << int(StageKind::Power) << "6П3С" << "300" << "1";
        QTest::newRow("power EL34") << int(StageKind::Power) << "EL34" << "300" << "10";
        QTest::newRow("triode output 300B") << int(StageKind::TriodeOutput) << "300B" << "350" << "1";
        QTest::newRow("triode output 2A3") << int(StageKind::TriodeOutput) << "2A3" << "300" << "10";
        QTest::newRow("push-pull EL84") << int(StageKind::PushPull) << "EL84" << "250" << "1";
        QTest::newRow("push-pull 6П14П") << int(StageKind::PushPull) << "6П14П" << "300" << "0";
    }

    void netlistRunsAndAgreesWithTheAnalysisAndResponse()
    {
        QFETCH(int, kind);
        QFETCH(QString, tube);
        QFETCH(QString, ea);
        QFETCH(QString, source);
        ResponseInput in = withTypicalValues(stageInput(StageKind(kind), tube, ea), pointLocale);
        in.source = source;
        const Response response = ComputeResponse(in, pointLocale);
        QVERIFY2(response.ok(), qPrintable(response.problem));
        const QString netlist = StageNetlist(response, tube);
        QVERIFY(!netlist.isEmpty());

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(SaveSpiceText(dir.filePath(QStringLiteral("stage.cir")), netlist).isEmpty());
        QProcess ngspice;
        ngspice.setWorkingDirectory(dir.path());
        ngspice.start(QStringLiteral("ngspice"), {QStringLiteral("-b"), QStringLiteral("stage.cir")});
        QVERIFY(ngspice.waitForFinished(20000));
        const QString errors = QString::fromUtf8(ngspice.readAllStandardError());
        QVERIFY2(ngspice.exitStatus() == QProcess::NormalExit && ngspice.exitCode() == 0, qPrintable(errors));
        // ngspice reports a line it cannot read on stderr and goes on without it.
        QVERIFY2(!errors.contains(QStringLiteral("rror")), qPrintable(errors));

        const DataFile op = readData(dir.filePath(kOperatingPointFile));
        QCOMPARE(op.rows.size(), 1);
        const QList<double> &v = op.rows.first();
        const auto at = [&](const char *name) {
            const int i = op.column(QString::fromLatin1(name));
            return i >= 0 ? v.value(i) : qQNaN();
        };
        const analysis::StagePoint &p = response.point;
        // The push-pull pair's first tube: anode1, grid1 and its half-primary.
        const bool pushPull = kind == int(StageKind::PushPull);
        const double anode = at(pushPull ? "v(anode1)" : "v(anode)");
        const double uq = anode - at("v(cathode)");
        const double ugq = at(pushPull ? "v(grid1)" : "v(grid)") - at("v(cathode)");
        const double iq = pushPull                          ? std::abs(at("l1a#branch")) * 1e3
                          : hasOutputTransformer(StageKind(kind)) ? at("l1#branch") * 1e3
                                                              : (at("v(supply)") - anode) / p.ra;
        qInfo("%s: Uq %.4g/%.4g V, Iq %.4g/%.4g mA, Ugq %.4g/%.4g V", qPrintable(tube), uq, p.uq, iq, p.iq, ugq,
              p.ugq);
        QVERIFY2(deviation(uq, p.uq) < 0.005, "Uq");
        QVERIFY2(deviation(iq, p.iq) < 0.005, "Iq");
        QVERIFY2(deviation(ugq, p.ugq) < 0.005, "Ugq");

        const DataFile ac = readData(dir.filePath(kResponseFile));
        QVERIFY(ac.rows.size() > 100);
        int peak = 0;
        for (int i = 0; i < ac.rows.size(); ++i) {
            if (ac.rows[i][1] > ac.rows[peak][1])
                peak = i;
        }
        const ResponseFigures &f = response.figures;
        const double gain = ac.rows[peak][1];
        const double low = sampledCorner(ac, gain, peak, -1);
        const double high = sampledCorner(ac, gain, peak, 1);
        qInfo("%s: gain %.4g/%.4g, low %.4g/%.4g Hz, high %.4g/%.4g Hz", qPrintable(tube), gain, f.gain, low,
              f.low.value_or(0), high, f.high.value_or(0));
        QVERIFY2(deviation(gain, f.gain) < 0.02, "mid-band gain");
        QVERIFY(f.low);
        QVERIFY2(deviation(low, *f.low) < 0.02, "lower -3 dB point");
        // The sweep ends at 200 kHz: the upper point is compared where it lies inside.
        if (f.high && *f.high < 150e3)
            QVERIFY2(deviation(high, *f.high) < 0.02, "upper -3 dB point");
        // And every sample of the curve, within 2 % of the gain.
        for (const QList<double> &row : ac.rows) {
            const double computed = std::abs(transfer(response.circuit, row[0]));
            QVERIFY2(std::abs(row[1] - computed) < 0.02 * f.gain, qPrintable(QString::number(row[0])));
        }
        QVERIFY(readData(dir.filePath(kTransientFile)).rows.size() > 100);

        // Read back as the frequency window draws it: every sample, and the
        // harmonics of the transient, none above their sum.
        QString error;
        const std::optional<Simulation> simulation = ReadSimulation(dir.path(), f.gain, error);
        QVERIFY2(simulation, qPrintable(error));
        QCOMPARE(simulation->points.size(), ac.rows.size());
        QVERIFY(std::abs(simulation->points[peak].db - 20 * std::log10(gain / f.gain)) < 1e-3);
        QVERIFY(simulation->thd > 0 && simulation->thd < 50);
        for (const double h : simulation->harmonics)
            QVERIFY(h >= 0 && h <= simulation->thd);
        // The pair's antiphase cancels the even harmonics; one tube alone makes mostly the second.
        const auto &h = simulation->harmonics;
        qInfo("%s: H2 %.3g %%, H3 %.3g %%, THD %.3g %%", qPrintable(tube), h[0], h[1], simulation->thd);
        QVERIFY(pushPull ? h[0] < h[1] / 10 : h[0] > h[2]);
    }

    // The exported subcircuit alone, swept over the anode characteristics up
    // to twice the record's anode voltage: ngspice's currents are the
    // program's, and the screen current never turns negative.
    void subcircuitSweepsAsTheModel_data()
    {
        QTest::addColumn<int>("tubeClass");
        QTest::addColumn<QString>("tube");
        QTest::addColumn<bool>("bundledModel");
        QTest::addColumn<model::FittedParameters>("koren");

        const model::FittedParameters none = model::KorenTriodeParameters{};
        QTest::newRow("300B, 3/2 law") << int(TubeClass::Triode) << "300B" << false << none;
        QTest::newRow("300B, its bundled fitted model") << int(TubeClass::Triode) << "300B" << true << none;
        QTest::newRow("12AX7, a Koren model")
            << int(TubeClass::Triode) << "12AX7" << false
            << model::FittedParameters(model::KorenTriodeParameters{100, 1.4, 1060, 600, 300});
        QTest::newRow("EL84, 3/2 law far above its screen")
            << int(TubeClass::PowerPentode) << "EL84" << false << none;
        QTest::newRow("EL34, 3/2 law") << int(TubeClass::PowerPentode) << "EL34" << false << none;
        QTest::newRow("EL34, a Koren pentode model")
            << int(TubeClass::PowerPentode) << "EL34" << false
            << model::FittedParameters(model::KorenPentodeParameters{11, 1.35, 650, 4200, 60, 24});
        QTest::newRow("EF86, 3/2 law") << int(TubeClass::PreampPentode) << "EF86" << false << none;
    }

    void subcircuitSweepsAsTheModel()
    {
        QFETCH(int, tubeClass);
        QFETCH(QString, tube);
        QFETCH(bool, bundledModel);
        QFETCH(model::FittedParameters, koren);

        model::TubeFigures f = recordFigures(TubeClass(tubeClass), tube, bundledModel);
        if (bundledModel)
            QVERIFY2(f.model, "the bundled model file is missing or unreadable");
        const bool triode = TubeClass(tubeClass) == TubeClass::Triode;
        const bool korenGiven = triode ? std::get<model::KorenTriodeParameters>(koren).mu > 0
                                       : std::holds_alternative<model::KorenPentodeParameters>(koren);
        if (korenGiven)
            f.model = korenFile(koren);
        const StageKind kind = triode ? StageKind::Triode : StageKind::Power;
        const model::TubeModel tube0(analysis::tubeTypeOf(kind), f);
        QCOMPARE(tube0.kind() != model::ModelKind::PowerLaw, bundledModel || korenGiven);
        const QString subcircuit = TubeSubcircuit(tube, kind, f, typicalCapacitances(kind));
        QVERIFY(!subcircuit.isEmpty());
        // The model file's source is one comment line, whatever it holds.
        if (korenGiven)
            QVERIFY(!subcircuit.contains(QStringLiteral("\nbreak\n")));

        const double uaMax = 2 * f.ua0;
        const double bias = std::abs(f.uc);
        const QList<double> grids{0, -bias / 2, -bias, -1.5 * bias, -2 * bias};
        QString netlist = QStringLiteral("* sweep\n") + subcircuit;
        netlist += QStringLiteral("Va a 0 DC 0\nVg g 0 DC 0\n");
        if (triode) {
            netlist += QStringLiteral("X1 a g 0 %1\n").arg(spiceName(tube));
        } else {
            netlist += QStringLiteral("Vs s 0 DC %1\n").arg(spiceNumber(f.ug2));
            netlist += QStringLiteral("X1 a s g 0 %1\n").arg(spiceName(tube));
        }
        netlist += QStringLiteral(".control\nset wr_singlescale\nset wr_vecnames\n");
        for (int i = 0; i < grids.size(); ++i) {
            netlist += QStringLiteral("alter vg dc = %1\ndc va 0 %2 %3\nwrdata g%4.data %5\n")
                           .arg(spiceNumber(grids[i]), spiceNumber(uaMax), spiceNumber(uaMax / 100))
                           .arg(i)
                           .arg(triode ? QStringLiteral("i(va)") : QStringLiteral("i(va) i(vs)"));
        }
        netlist += QStringLiteral("quit\n.endc\n.end\n");

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(SaveSpiceText(dir.filePath(QStringLiteral("sweep.cir")), netlist).isEmpty());
        QProcess ngspice;
        ngspice.setWorkingDirectory(dir.path());
        ngspice.start(QStringLiteral("ngspice"), {QStringLiteral("-b"), QStringLiteral("sweep.cir")});
        QVERIFY(ngspice.waitForFinished(20000));
        const QString errors = QString::fromUtf8(ngspice.readAllStandardError());
        QVERIFY2(!errors.contains(QStringLiteral("rror")), qPrintable(errors));

        double largest = 0, worst = 0, lowestScreen = 0;
        int compared = 0;
        for (int i = 0; i < grids.size(); ++i) {
            const DataFile data = readData(dir.filePath(QStringLiteral("g%1.data").arg(i)));
            QVERIFY2(data.rows.size() > 90, qPrintable(QStringLiteral("g%1.data").arg(i)));
            for (const QList<double> &row : data.rows) {
                const double ua = row[0];
                // The sources deliver what the tube draws: their currents are negative.
                const double ia = -row[1] * 1e3;
                const double expected = tube0.anodeCurrent(ua, grids[i]);
                largest = std::max(largest, expected);
                worst = std::max(worst, std::abs(ia - expected) / std::max(std::abs(expected), 1e-3));
                // Below 1 µA the relative figure means nothing; both must still be tiny.
                if (std::abs(expected) < 1e-3)
                    QVERIFY2(std::abs(ia) < 2e-3, qPrintable(QStringLiteral("Ua %1, Ug %2: %3 mA").arg(ua).arg(grids[i]).arg(ia)));
                else
                    QVERIFY2(deviation(ia, expected) < 0.005,
                             qPrintable(QStringLiteral("Ua %1, Ug %2: %3 against %4 mA")
                                            .arg(ua).arg(grids[i]).arg(ia).arg(expected)));
                if (!triode) {
                    const double ig2 = -row[2] * 1e3;
                    lowestScreen = std::min(lowestScreen, ig2);
                    const double screen = tube0.screenCurrent(ua, grids[i]);
                    QVERIFY2(std::abs(ig2 - screen) <= 0.005 * std::max(screen, 1.0),
                             qPrintable(QStringLiteral("Ig2 at Ua %1, Ug %2: %3 against %4 mA")
                                            .arg(ua).arg(grids[i]).arg(ig2).arg(screen)));
                }
                ++compared;
            }
        }
        qInfo("%s: %d points up to %g mA, worst relative deviation %.2g, lowest Ig2 %g mA", qPrintable(tube),
              compared, largest, worst, lowestScreen);
        QVERIFY(largest > 0);
        QVERIFY2(lowestScreen >= -1e-9, "the screen current went negative in the subcircuit");
    }

    // A netlist ngspice cannot read: the window tells the first error line.
    void aBrokenNetlistGivesItsErrorLine()
    {
        QTemporaryDir dir;
        QVERIFY(SaveSpiceText(dir.filePath(QStringLiteral("broken.cir")),
                              QStringLiteral("* broken\nR1 a 0 1k\nQ9 a b\n.op\n.end\n"))
                    .isEmpty());
        QProcess ngspice;
        ngspice.setWorkingDirectory(dir.path());
        ngspice.start(QStringLiteral("ngspice"), {QStringLiteral("-b"), QStringLiteral("broken.cir")});
        QVERIFY(ngspice.waitForFinished(20000));
        const QString line = FirstErrorLine(QString::fromLocal8Bit(ngspice.readAllStandardError()),
                                            QString::fromLocal8Bit(ngspice.readAllStandardOutput()));
        qInfo("%s", qPrintable(line));
        QVERIFY(line.contains(QStringLiteral("rror")));
        QVERIFY(!line.contains(u'\n'));
        QString error;
        QVERIFY(!ReadSimulation(dir.path(), 10, error));
        QCOMPARE(error, QStringLiteral("ngspice не записала файл ac.data"));
    }
};

QTEST_GUILESS_MAIN(TestNgspice)
#include "tst_ngspice.moc"
