// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice on the exported netlists of bundled tubes, one test per stage: its
// operating point against the characteristics analysis, its small-signal
// response against ComputeResponse, and the output stages' power and
// harmonics at full drive against their windows. A netlist it cannot read fails.
#include "anodix/response/simulation.h"
#include "anodix/response/spice.h"
#include "anodix/response/stagetable.h"
#include "anodix/stages/powerstage.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"
#include "anodix/tubedb/modelstore.h"
#include "anodix/tubedb/tuberecord.h"
#include "ngspicerun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

using namespace anodix;
using namespace anodix::response;
using namespace anodix::testing;

Q_DECLARE_METATYPE(anodix::model::FittedParameters)

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);

// The stage as its window would have left it after "Рассчитать".
analysis::AnalysisInput stageInput(Circuit kind, const QString &tube, const QString &ea)
{
    const TubeClass tubeClass = stage::circuitData(kind).tube == model::TubeType::Triode ? TubeClass::Triode
                                : kind == Circuit::PentodePreamp                   ? TubeClass::PreampPentode
                                                                                     : TubeClass::PowerPentode;
    const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
    const RecordLines record = db.ReadTubeRecord(tubeClass, tube + QStringLiteral(".lamp"));
    analysis::AnalysisInput in{kind, tube, record.lines, ea, QStringLiteral("20"), QStringLiteral("470"),
                               QStringLiteral("8"), {}};
    if (kind == Circuit::PentodePower)
        in.outputs = CalculatePowerStage(ea, in.fmin, in.r1, in.rn, LoadedTube{record.lines}, pointLocale).updates;
    if (kind == Circuit::TriodeOutput)
        in.kn = QStringLiteral("3");
    if (kind == Circuit::PushPull) {
        in.ug2 = ea;
        in.raa = QStringLiteral("8");
        in.rk = QStringLiteral("130");
    }
    return in;
}

// An executable shell script at path.
bool writeScript(const QString &path, const QByteArray &body)
{
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + body) < 0)
        return false;
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The processes of a process group that still run (a zombie has ended).
QStringList aliveInGroup(qint64 group)
{
    QStringList alive;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // pid (comm) state ppid pgrp …; comm may hold blanks and parentheses.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z")
            alive << pid;
    }
    return alive;
}

// What an endless output may add to the process: the bounded buffers and Qt's
// read chunks, plus, under AddressSanitizer, its quarantine of freed chunks
// (256 MB by default), which keeps the freed reads resident for a while.
#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 kOutputMemoryBoundKb = (64 + 256) * 1024;
#else
constexpr qint64 kOutputMemoryBoundKb = 64 * 1024;
#endif

qint64 residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

// The stage and its response for a record with one line changed.
Response responseWith(Circuit kind, const QString &tube, const QString &ea, int line, const QString &value)
{
    ResponseInput in = withTypicalValues(stageInput(kind, tube, ea), pointLocale);
    if (line >= 0)
        in.stage.record[line] = value;
    return ComputeResponse(in, pointLocale);
}

// Runs ngspice (or a stand-in) to its end; the figures, or the problem told.
struct RunResult
{
    std::optional<Simulation> simulation;
    QString problem;
    QString folder;
    bool ended = false;
};

RunResult runToEnd(SpiceRun &run, const QString &program, const QString &netlist, double gain, int waitMs = 30000)
{
    RunResult result;
    QObject context;
    QObject::connect(&run, &SpiceRun::finished, &context,
                     [&](const std::optional<Simulation> &simulation, const QString &problem) {
                         result.simulation = simulation;
                         result.problem = problem;
                         result.ended = true;
                     });
    if (const QString failure = run.start(program, netlist, gain); !failure.isEmpty()) {
        result.problem = failure;
        return result;
    }
    result.folder = run.folder();
    if (!QTest::qWaitFor([&] { return result.ended; }, waitMs))
        result.problem = QStringLiteral("(the run did not end)");
    return result;
}

bool isShown(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint() || c == u'\n'; });
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
        QVERIFY2(ngspiceMissing().isEmpty(), qPrintable(ngspiceMissing()));
    }

    void netlistRunsAndAgreesWithTheAnalysisAndResponse_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tube");
        QTest::addColumn<QString>("ea");
        QTest::addColumn<QString>("source");
        QTest::newRow("triode ECC83, no source resistance") << int(Circuit::TriodePreamp) << "ECC83" << "250" << "0";
        QTest::newRow("triode 6Н2П") << int(Circuit::TriodePreamp) << "6Н2П" << "250" << "1";
        QTest::newRow("triode 12AU7") << int(Circuit::TriodePreamp) << "12AU7" << "300" << "1";
        QTest::newRow("triode 6С45П") << int(Circuit::TriodePreamp) << "6С45П" << "150" << "10";
        QTest::newRow("pentode EF86") << int(Circuit::PentodePreamp) << "EF86" << "300" << "1";
        QTest::newRow("pentode 6Ж1П") << int(Circuit::PentodePreamp) << "6Ж1П" << "250" << "1";
        QTest::newRow("pentode 6SJ7") << int(Circuit::PentodePreamp) << "6SJ7" << "300" << "0";
        QTest::newRow("power EL84") << int(Circuit::PentodePower) << "EL84" << "250" << "1";
        QTest::newRow("power 6П3С") << int(Circuit::PentodePower) << "6П3С" << "300" << "1";
        QTest::newRow("power EL34") << int(Circuit::PentodePower) << "EL34" << "300" << "10";
        QTest::newRow("triode output 300B") << int(Circuit::TriodeOutput) << "300B" << "350" << "1";
        QTest::newRow("triode output 2A3") << int(Circuit::TriodeOutput) << "2A3" << "300" << "10";
        QTest::newRow("triode output 6С33С") << int(Circuit::TriodeOutput) << "6С33С" << "139.25" << "1";
        QTest::newRow("push-pull EL84") << int(Circuit::PushPull) << "EL84" << "250" << "1";
        QTest::newRow("push-pull 6П14П") << int(Circuit::PushPull) << "6П14П" << "300" << "0";
    }

    void netlistRunsAndAgreesWithTheAnalysisAndResponse()
    {
        QFETCH(int, kind);
        QFETCH(QString, tube);
        QFETCH(QString, ea);
        QFETCH(QString, source);
        ResponseInput in = withTypicalValues(stageInput(Circuit(kind), tube, ea), pointLocale);
        in.source = source;
        const Response response = ComputeResponse(in, pointLocale);
        QVERIFY2(response.ok(), qPrintable(response.problem));
        const QString netlist = StageNetlist(response, tube);
        QVERIFY(!netlist.isEmpty());

        const NgspiceRun run = runNgspice(netlist, 20000);
        QVERIFY2(run.ok(), qPrintable(run.problem));

        const DataFile op = run.data(kOperatingPointFile);
        QCOMPARE(op.rows.size(), 1);
        const QList<double> &v = op.rows.first();
        const auto at = [&](const char *name) {
            const int i = op.column(QString::fromLatin1(name));
            return i >= 0 ? v.value(i) : qQNaN();
        };
        const analysis::StagePoint &p = response.point;
        // The push-pull pair's first tube: anode1, grid1 and its half-primary.
        const bool pushPull = kind == int(Circuit::PushPull);
        const double anode = at(pushPull ? "v(anode1)" : "v(anode)");
        const double uq = anode - at("v(cathode)");
        const double ugq = at(pushPull ? "v(grid1)" : "v(grid)") - at("v(cathode)");
        const double iq = pushPull                          ? std::abs(at("l1a#branch")) * 1e3
                          : stage::circuitData(Circuit(kind)).outputTransformer ? at("l1#branch") * 1e3
                                                              : (at("v(supply)") - anode) / p.ra;
        qInfo("%s: Uq %.4g/%.4g V, Iq %.4g/%.4g mA, Ugq %.4g/%.4g V", qPrintable(tube), uq, p.uq, iq, p.iq, ugq,
              p.ugq);
        QVERIFY2(deviation(uq, p.uq) < 0.005, "Uq");
        QVERIFY2(deviation(iq, p.iq) < 0.005, "Iq");
        QVERIFY2(deviation(ugq, p.ugq) < 0.005, "Ugq");

        const DataFile ac = run.data(kResponseFile);
        QVERIFY(ac.rows.size() > 100);
        int peak = 0;
        for (int i = 0; i < ac.rows.size(); ++i) {
            if (ac.rows[i][1] > ac.rows[peak][1])
                peak = i;
        }
        const ResponseFigures &f = response.figures;
        const double gain = ac.rows[peak][1];
        const double low = sampledCorner(ac, 1, gain, peak, -1);
        const double high = sampledCorner(ac, 1, gain, peak, 1);
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
        QVERIFY(run.data(kTransientFile).rows.size() > 100);

        // Read back as the frequency window draws it: every sample, and the
        // harmonics of the transient, none above their sum.
        QString error;
        const std::optional<Simulation> simulation = ReadSimulation(run.dir->path(), f.gain, error);
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
        const Circuit kind = triode ? Circuit::TriodePreamp : Circuit::PentodePower;
        const model::TubeModel tube0(stage::circuitData(kind).tube, f);
        QCOMPARE(tube0.kind() != model::ModelKind::PowerLaw, bundledModel || korenGiven);
        const QString subcircuit = TubeSubcircuit(tube, kind, f, stageEntry(kind).capacitances);
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

        const NgspiceRun run = runNgspice(netlist, 20000);
        QVERIFY2(run.ok(), qPrintable(run.problem));

        double largest = 0, worst = 0, lowestScreen = 0;
        int compared = 0;
        for (int i = 0; i < grids.size(); ++i) {
            const DataFile data = readData(run.file(QStringLiteral("g%1.data").arg(i)));
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

    // The output stages over the whole cycle against ngspice on their own
    // netlists, driven as the window drives them (a sine of the rest bias)
    // until the bypassed cathode settles: the fundamental's power within 5 %,
    // H2, H3 and THD within 15 %, the cathode's mean within 3 %.
    void outputStagesAgreeOverTheCycle_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tube");
        // Ea and, for the triodes, Ra / Ri; for the pairs Ug2, Raa and Rk.
        QTest::addColumn<QStringList>("typed");
        // The 300B at its sheet's 300 V plus its 61 V bias; Ri is 0.7 kΩ, the 2A3's 0.8 kΩ.
        QTest::newRow("300B at 3 kOhm") << int(Circuit::TriodeOutput) << "300B" << QStringList{"361", "4.285714"};
        QTest::newRow("300B at 3 Ri") << int(Circuit::TriodeOutput) << "300B" << QStringList{"361", "3"};
        QTest::newRow("2A3 at 2.5 kOhm") << int(Circuit::TriodeOutput) << "2A3" << QStringList{"295", "3.125"};
        QTest::newRow("EL84 pair") << int(Circuit::PushPull) << "EL84" << QStringList{"250", "250", "8", "130"};
        QTest::newRow("EL34 pair") << int(Circuit::PushPull) << "EL34" << QStringList{"400", "250", "3.4", "100"};
        QTest::newRow("6L6GC pair") << int(Circuit::PushPull) << "6L6GC" << QStringList{"360", "270", "6.6", "250"};
    }

    void outputStagesAgreeOverTheCycle()
    {
        QFETCH(int, kind);
        QFETCH(QString, tube);
        QFETCH(QStringList, typed);
        const bool pushPull = kind == int(Circuit::PushPull);
        analysis::AnalysisInput input = stageInput(Circuit(kind), tube, typed[0]);
        if (pushPull) {
            input.ug2 = typed[1];
            input.raa = typed[2];
            input.rk = typed[3];
        } else {
            input.kn = typed[1];
        }
        const StageResult window =
            pushPull ? CalculatePushPullStage({input.ea, input.ug2, input.fmin, input.r1, input.rn, input.raa, input.rk},
                                              LoadedTube{input.record}, pointLocale)
                     : CalculateTriodeOutputStage(input.ea, input.fmin, input.r1, input.rn, input.kn,
                                                  LoadedTube{input.record}, pointLocale);
        QVERIFY(!window.message);
        const auto shown = [&](const char *name) {
            for (const DisplayUpdate &u : window.updates) {
                if (u.output == QLatin1String(name))
                    return u.text.toDouble();
            }
            return qQNaN();
        };

        const Response response = ComputeResponse(withTypicalValues(input, pointLocale), pointLocale);
        QVERIFY2(response.ok(), qPrintable(response.problem));
        // The netlist's own transient runs ten times Rk·Ck at least before the periods it keeps.
        const QString netlist = StageNetlist(response, tube);
        const QRegularExpressionMatch tran =
            QRegularExpression(QStringLiteral("^\\.tran (\\S+) (\\S+) (\\S+)$"), QRegularExpression::MultilineOption)
                .match(netlist);
        QVERIFY(tran.hasMatch());
        QVERIFY(tran.captured(3).toDouble() >= 10 * response.circuit.rk * response.circuit.ck);
        QVERIFY(tran.captured(2).toDouble() - tran.captured(3).toDouble() >= 0.02 - 1e-9);
        const NgspiceRun run = runNgspice(netlist, 20000);
        QVERIFY2(run.ok(), qPrintable(run.problem));
        const qint64 elapsed = run.elapsedMs;
        const QString &output = run.output;

        // The fundamental's amplitude across the loudspeaker from the Fourier table.
        const QList<double> fundamentals = fourierOf(run.file(kFourierFile)).fundamental;
        QCOMPARE(fundamentals.size(), 1);
        const double fundamental = fundamentals.constFirst();
        QString error;
        const std::optional<Simulation> simulation = ReadSimulation(run.dir->path(), response.figures.gain, error);
        QVERIFY2(simulation, qPrintable(error));
        const double power = fundamental * fundamental / 2 / input.rn.toDouble();
        const auto &h = simulation->harmonics;
        const QRegularExpressionMatch cathode =
            QRegularExpression(QStringLiteral("cathode_mean\\s*=\\s*(\\S+)")).match(output);
        QVERIFY2(cathode.hasMatch(), qPrintable(output.right(2000)));
        const double ukSpice = cathode.captured(1).toDouble();

        // The bias the program finds at that drive.
        const model::TubeFigures &f = response.point.tube;
        double ukProgram = 0;
        if (pushPull) {
            const model::TubeModel model(model::TubeType::Pentode, f);
            ukProgram = stage::solvePushPull(model, {input.ea.toDouble(), input.ug2.toDouble(), input.raa.toDouble(),
                                                     input.rk.toDouble()})
                            .ukDriven;
        } else {
            const model::TubeModel model(model::TubeType::Triode, f);
            const std::optional<TriodeOutputSwing> q =
                SolveTriodeOutput(model, input.ea.toDouble(), response.point.rk, response.point.rp);
            QVERIFY(q);
            ukProgram = q->uk;
        }
        qInfo("%s: ngspice %lld ms; Pout %.3g/%.3g W, H2 %.3g/%.3g %%, H3 %.3g/%.3g %%, THD %.3g/%.3g %%, "
              "cathode at rest %.4g, driven %.4g/%.4g V",
              qPrintable(tube), elapsed, power, shown("Pout"), h[0], shown("D2"), h[1], shown("D3"), simulation->thd,
              shown("THD"), -response.point.ugq, ukSpice, ukProgram);
        QVERIFY2(deviation(power, shown("Pout")) < 0.05, "output power");
        QVERIFY2(deviation(h[1], shown("D3")) < 0.15, "third harmonic");
        QVERIFY2(deviation(simulation->thd, shown("THD")) < 0.15, "total harmonic distortion");
        QVERIFY2(deviation(ukSpice, ukProgram) < 0.03, "cathode under drive");
        if (pushPull) // the pair cancels its even harmonics: nothing to hold a relative bound to
            QVERIFY(h[0] < 0.05 && shown("D2") == 0);
        else
            QVERIFY2(deviation(h[0], shown("D2")) < 0.15, "second harmonic");
    }

    // A netlist ngspice cannot read: its error line is found on the way, and
    // the message is Russian with that line after it.
    void aBrokenNetlistGivesItsErrorLine()
    {
        SpiceRun run;
        const RunResult r = runToEnd(run, QStringLiteral("ngspice"),
                                     QStringLiteral("* broken\nR1 a 0 1k\nQ9 a b\n.op\n.end\n"), 10);
        QVERIFY(r.ended);
        qInfo("%s", qPrintable(r.problem));
        QVERIFY(!r.simulation);
        QVERIFY(r.problem.startsWith(QStringLiteral("ngspice не приняла строку схемы каскада.\nngspice: Error")));
        QCOMPARE(r.problem.count(u'\n'), 1);
        QVERIFY(!QFileInfo::exists(r.folder));
        QString error;
        QTemporaryDir empty;
        QVERIFY(!ReadSimulation(empty.path(), 10, error));
        QCOMPARE(error, QStringLiteral("ngspice не записала файл ac.data"));
    }

    // A tube's name can carry line ends of every kind; none may start a line
    // of the netlist (a ".control" block runs "shell" commands), and ngspice,
    // run on it, executes nothing and gives the figures of the plain name.
    void aHostileNameRunsNothing_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("LF") << "EL84\n.control\nshell touch " << "\n.endc";
        QTest::newRow("CR LF") << "EL84\r\n.control\r\nshell touch " << "\r\n.endc";
        QTest::newRow("CR") << "EL84\r.control\rshell touch " << "\r.endc";
        QTest::newRow("NEL U+0085") << "EL84\u0085.control\u0085shell touch " << "\u0085.endc";
        QTest::newRow("U+2028") << "EL84\u2028.control\u2028shell touch " << "\u2028.endc";
        QTest::newRow("U+2029") << "EL84\u2029.control\u2029shell touch " << "\u2029.endc";
        QTest::newRow("VT FF") << "EL84\v.control\fshell touch " << "\v.endc\x01";
    }
    void aHostileNameRunsNothing()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString pwned = dir.filePath(QStringLiteral("PWNED"));
        const QString name = before + pwned + after;

        const QString safe = spiceSafeText(name);
        QCOMPARE(safe.size(), name.size());
        for (const QChar c : safe)
            QVERIFY(c.category() != QChar::Other_Control && c != QChar(0x2028) && c != QChar(0x2029));

        const Response response = responseWith(Circuit::PentodePower, QStringLiteral("EL84"), QStringLiteral("250"), -1, {});
        QVERIFY(response.ok());
        const QString netlist = StageNetlist(response, name);
        const QString plain = StageNetlist(response, QStringLiteral("EL84"));
        const QStringList lines = netlist.split(u'\n');
        // The same lines as for the plain name, the name only ever after a "*".
        QCOMPARE(lines.size(), plain.split(u'\n').size());
        QCOMPARE(lines.count(QStringLiteral(".control")), 1);
        for (const QString &line : lines) {
            QVERIFY2(!line.contains(QStringLiteral("shell")) || line.startsWith(u'*'), qPrintable(line));
            for (const QChar c : line)
                QVERIFY(c.category() != QChar::Other_Control && c.category() != QChar::Separator_Line
                        && c.category() != QChar::Separator_Paragraph);
        }
        const QString subcircuit = TubeSubcircuit(name, Circuit::PentodePower, response.point.tube, {10, 0.5, 5});
        QCOMPARE(subcircuit.split(u'\n').size(),
                 TubeSubcircuit(QStringLiteral("EL84"), Circuit::PentodePower, response.point.tube, {10, 0.5, 5})
                     .split(u'\n')
                     .size());

        SpiceRun run;
        const RunResult r = runToEnd(run, QStringLiteral("ngspice"), netlist, response.figures.gain);
        QVERIFY2(r.simulation, qPrintable(r.problem));
        QVERIFY(!QFileInfo::exists(pwned));
    }

    // A record ngspice cannot solve ends in a Russian message with at most
    // one cleaned line of ngspice's own, and leaves nothing behind.
    void anUnsolvableRecordIsToldInRussian_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("tube");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("value");
        QTest::newRow("triode output 300B, Ri 1e9") << int(Circuit::TriodeOutput) << "300B" << 7 << "1e9";
        QTest::newRow("triode output 2A3, Ri 1e9") << int(Circuit::TriodeOutput) << "2A3" << 7 << "1e9";
    }
    void anUnsolvableRecordIsToldInRussian()
    {
        QFETCH(int, kind);
        QFETCH(QString, tube);
        QFETCH(int, line);
        QFETCH(QString, value);
        const Response response = responseWith(Circuit(kind), tube, QStringLiteral("250"), line, value);
        QVERIFY2(response.ok(), qPrintable(response.problem));
        SpiceRun run;
        const RunResult r = runToEnd(run, QStringLiteral("ngspice"), StageNetlist(response, tube), response.figures.gain);
        qInfo("%s", qPrintable(r.problem));
        QVERIFY(r.ended);
        QVERIFY(!r.simulation);
        QVERIFY(r.problem.startsWith(QStringLiteral("ngspice ")));
        QVERIFY(r.problem.contains(QRegularExpression(QStringLiteral("^ngspice [а-яё]"))));
        const QStringList parts = r.problem.split(u'\n');
        QVERIFY(parts.size() <= 2);
        if (parts.size() == 2) {
            QVERIFY(parts[1].startsWith(QStringLiteral("ngspice: ")));
            QVERIFY(parts[1].size() <= 9 + kShownLength);
        }
        QVERIFY(isShown(r.problem));
        QVERIFY(!QFileInfo::exists(r.folder));
    }

    // ngspice gets -n, the C locale, HOME in its own folder, PATH, and
    // nothing else of the environment the program was started with.
    void ngspiceRunsInACleanEnvironment()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("ngspice"));
        const QString seen = dir.filePath(QStringLiteral("seen"));
        QVERIFY(writeScript(program, QStringLiteral("env > '%1.env'\nprintf '%s ' \"$@\" > '%1.args'\npwd > '%1.pwd'\n"
                                                    "ls -A > '%1.ls'\nexit 3\n")
                                         .arg(seen)
                                         .toUtf8()));
        qputenv("SPICE_SCRIPTS", "/nowhere");
        qputenv("SPICE_LIB_DIR", "/nowhere");
        qputenv("LANG", "ru_RU.UTF-8");
        qputenv("LC_NUMERIC", "ru_RU.UTF-8");
        qputenv("HOME", dir.path().toUtf8());
        SpiceRun run;
        const RunResult r = runToEnd(run, program, QStringLiteral("* empty\n.end\n"), 10);
        QCOMPARE(r.problem, QStringLiteral("ngspice завершилась с кодом 3."));

        const auto text = [&](const char *suffix) {
            QFile file(seen + QLatin1String(suffix));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
        };
        QCOMPARE(text(".args"), QStringLiteral("-n -b stage.cir"));
        QCOMPARE(text(".pwd"), r.folder);
        QCOMPARE(text(".ls"), QStringLiteral("stage.cir"));
        QStringList names;
        for (const QString &line : text(".env").split(u'\n')) {
            const QString name = line.section(u'=', 0, 0);
            const QString value = line.section(u'=', 1);
            if (name == QLatin1String("HOME"))
                QCOMPARE(value, r.folder);
            if (name == QLatin1String("LC_ALL"))
                QCOMPARE(value, QStringLiteral("C"));
            if (name == QLatin1String("PATH"))
                QCOMPARE(value, qEnvironmentVariable("PATH"));
            // The shell adds its own PWD, SHLVL and "_".
            if (name != QLatin1String("PWD") && name != QLatin1String("SHLVL") && name != QLatin1String("_"))
                names << name;
        }
        names.sort();
        QCOMPARE(names, (QStringList{"HOME", "LC_ALL", "PATH"}));
        QVERIFY(!QFileInfo::exists(r.folder));
    }

    // What does not start, or starts and gives nothing, is told in Russian.
    void aRunThatGivesNothingIsTold_data()
    {
        QTest::addColumn<QByteArray>("script"); // empty: no program there
        QTest::addColumn<QString>("problem");
        QTest::newRow("no program") << QByteArray() << "Не удалось запустить ngspice.";
        QTest::newRow("killed by a signal") << QByteArray("echo 'Note: x' >&2\nkill -SEGV $$\n")
                                            << "ngspice завершилась аварийно.\nngspice: Note: x";
        QTest::newRow("an exit code, binary bytes last")
            << QByteArray("printf 'Note: a\\n\\033[1m\\001\\377bad\\n' >&2\nexit 2\n")
            << "ngspice завершилась с кодом 2.\nngspice: [1m bad";
        QTest::newRow("no files written") << QByteArray("exit 0\n") << "ngspice не записала файл ac.data.";
    }
    void aRunThatGivesNothingIsTold()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("ngspice"));
        if (!script.isEmpty())
            QVERIFY(writeScript(program, script));
        SpiceRun run;
        const RunResult r = runToEnd(run, program, QStringLiteral("* nothing\n.end\n"), 10);
        QCOMPARE(r.problem, problem);
        QVERIFY(!r.simulation);
        QVERIFY(!run.isRunning());
        QVERIFY(!QFileInfo::exists(r.folder));
    }

    // A run that must be ended: by the time limit, by stop() (Cancel, closing
    // the window) or by the end of its owner (leaving the program). The whole
    // process group goes, a child started in the background with it, and the
    // folder; output without end is read as it comes and kept bounded.
    void aRunThatMustBeEndedLeavesNothing_data()
    {
        QTest::addColumn<QString>("work");  // what the stand-in does after starting its child
        QTest::addColumn<QString>("ending"); // "limit", "stop", "destroy"
        QTest::addColumn<QString>("problem");
        const QString late = QStringLiteral("ngspice не закончила расчёт за 1 с.");
        QTest::newRow("sleeps past the limit") << "exec sleep 1000" << "limit" << late;
        QTest::newRow("writes stderr without end") << "cat /dev/zero >&2" << "limit" << late;
        QTest::newRow("writes stdout without end") << "while :; do echo 'Note: more'; done" << "limit" << late;
        QTest::newRow("ignores SIGTERM") << "trap '' TERM\nwhile :; do sleep 1; done" << "limit" << late;
        QTest::newRow("stopped (Cancel)") << "exec sleep 1000" << "stop" << "";
        QTest::newRow("stopped while writing") << "cat /dev/zero >&2" << "stop" << "";
        QTest::newRow("its owner destroyed") << "exec sleep 1000" << "destroy" << "";
    }
    void aRunThatMustBeEndedLeavesNothing()
    {
        QFETCH(QString, work);
        QFETCH(QString, ending);
        QFETCH(QString, problem);
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("ngspice"));
        const QString group = dir.filePath(QStringLiteral("group")), child = dir.filePath(QStringLiteral("child"));
        // The group's id, then a child of its own in the background.
        QVERIFY(writeScript(program, QStringLiteral("echo $$ > '%1'\nsleep 1000 &\necho $! > '%2'\n%3\n")
                                         .arg(group, child, work)
                                         .toUtf8()));
        const qint64 memoryBefore = residentKilobytes();
        auto run = std::make_unique<SpiceRun>();
        run->setTimeLimit(800);
        std::optional<QString> told;
        connect(run.get(), &SpiceRun::finished, this,
                [&](const std::optional<Simulation> &, const QString &text) { told = text; });
        QVERIFY(run->start(program, QStringLiteral("* nothing\n.end\n"), 10).isEmpty());
        const QString folder = run->folder();
        QVERIFY(QFileInfo::exists(folder));
        QTRY_VERIFY(QFileInfo(child).size() > 0);
        QFile groupFile(group), childFile(child);
        QVERIFY(groupFile.open(QIODevice::ReadOnly) && childFile.open(QIODevice::ReadOnly));
        const qint64 groupId = groupFile.readAll().trimmed().toLongLong();
        const qint64 childId = childFile.readAll().trimmed().toLongLong();
        QVERIFY(groupId > 1 && childId > 1);
        QVERIFY(aliveInGroup(groupId).contains(QString::number(childId)));

        if (ending == QLatin1String("limit")) {
            QTRY_VERIFY_WITH_TIMEOUT(told.has_value(), 10000);
            QCOMPARE(*told, problem);
        } else {
            QTest::qWait(300);
            QElapsedTimer clock;
            clock.start();
            if (ending == QLatin1String("stop"))
                run->stop();
            else
                run.reset();
            QVERIFY(clock.elapsed() < 3000);
            QTest::qWait(100);
            QVERIFY(!told); // nothing is told of a run ended on purpose
        }
        if (run)
            QVERIFY(!run->isRunning());
        QTRY_VERIFY(aliveInGroup(groupId).isEmpty());
        QVERIFY(!QFileInfo::exists(folder));
        // Output without end is not all kept: far below what was written.
        QVERIFY2(residentKilobytes() - memoryBefore < kOutputMemoryBoundKb,
                 qPrintable(QString::number(residentKilobytes() - memoryBefore)));
        // And the next run goes as usual.
        if (run) {
            QVERIFY(writeScript(program, "echo 'Error: the second run' >&2\n"));
            const RunResult again = runToEnd(*run, program, QStringLiteral("* nothing\n.end\n"), 10);
            QCOMPARE(again.problem, QStringLiteral("ngspice сообщила об ошибке.\nngspice: Error: the second run"));
        }
    }

    // ngspice's streams as they come: the first error line, a singular
    // matrix, whatever the pieces; the kept tail bounded.
    void outputIsJudgedByLinesAndKeptBounded_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("errorLine");
        QTest::addColumn<bool>("singular");
        QTest::newRow("clean run") << QByteArray("Note: No compatibility mode selected!\n\nCircuit: * t\nngspice-39 done\n")
                                   << "" << false;
        QTest::newRow("no such vector") << QByteArray("Circuit: x\n  Error: no such vector v(out)\n  in term: v(out)\n")
                                        << "Error: no such vector v(out)" << false;
        QTest::newRow("first of two") << QByteArray("Error on line 4 or its substitute:\r\n  q9 a b\r\nERROR: later\r\n")
                                      << "Error on line 4 or its substitute:" << false;
        QTest::newRow("a word with error in it") << QByteArray("Errors: none\nterror\nno error here\n") << "" << false;
        QTest::newRow("a warning that passes") << QByteArray("Warning: singular matrix:  check node c\n") << "" << true;
        QTest::newRow("analysis failed") << QByteArray("doAnalyses: TRAN:  Timestep too small\nrun simulation(s) aborted\n")
                                         << "doAnalyses: TRAN:  Timestep too small" << false;
        QTest::newRow("last line without an end") << QByteArray("Note: x\nError: cut short") << "Error: cut short" << false;
        QTest::newRow("after a line too long") << QByteArray(100000, 'x') + "\nError: after\n" << "Error: after" << false;
        QTest::newRow("binary") << QByteArray::fromHex("00fffe1b5b33316d4572726f72003a2062797465730a") << "" << false;
    }
    void outputIsJudgedByLinesAndKeptBounded()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QString, errorLine);
        QFETCH(bool, singular);
        // Whole, byte by byte, and in pieces of 7.
        for (const qsizetype piece : {stream.size(), qsizetype(1), qsizetype(7)}) {
            SpiceOutput output;
            for (qsizetype at = 0; at < stream.size(); at += piece)
                output.append(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
            output.finish();
            QCOMPARE(output.errorLine(), errorLine);
            QCOMPARE(output.singularMatrix(), singular);
            QVERIFY(output.tail().size() <= SpiceOutput::kKeptBytes);
            QVERIFY(stream.endsWith(output.tail()));
        }
        const QString message = spiceErrorMessage(QString::fromUtf8(stream), singular);
        QVERIFY(message.count(u'\n') <= 1);
        QVERIFY(message.section(u'\n', 1).size() <= 9 + kShownLength);
        QVERIFY(isShown(message));
    }

    void shownLinesArePrintableAndShort_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "Error: no such vector v(out)" << "Error: no such vector v(out)";
        QTest::newRow("controls and blanks") << "\tError:\x1b[31m\x07 red\r\n" << "Error: [31m red";
        QTest::newRow("separators and bidi") << "a\u2028b\u2029c\u0085d\u202Ee" << "a b c d e";
        QTest::newRow("long") << QString(500, u'ж') << QString(kShownLength - 1, u'ж') + u'…';
    }
    void shownLinesArePrintableAndShort()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(shownSpiceLine(text), shown);
    }
};

QTEST_GUILESS_MAIN(TestNgspice)
#include "tst_ngspice.moc"
