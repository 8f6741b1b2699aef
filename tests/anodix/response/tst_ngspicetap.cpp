// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice on the exported netlist of push-pull pairs whose screens hang on a
// tap of the primary (ultralinear, triode-connected): the operating point,
// the small-signal gain, and the output power and distortion at full drive
// against the stage's own figures. The netlist's tapped, coupled primary and
// its screens that follow their pins are what is under test here; the pair's
// cycle solution is the other side.
#include "anodix/response/simulation.h"
#include "anodix/response/spice.h"
#include "anodix/stages/pushpullstage.h"
#include "anodix/tubedb/tuberecord.h"
#include "ngspicerun.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

using namespace anodix;
using namespace anodix::response;
using namespace anodix::testing;

namespace {

const QLocale pointLocale(QLocale::English, QLocale::UnitedStates);

} // namespace

class TestNgspiceTap : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(ngspiceMissing().isEmpty(), qPrintable(ngspiceMissing()));
    }

    // Driven as the window drives the pair (a sine of the rest bias) until the
    // bypassed cathode settles: the operating point within 0.5 %, the
    // small-signal gain within 2 %, the fundamental's power within 5 %, THD
    // within 15 % and the cathode under drive within 3 %.
    // The subcircuit whose screen follows its pin, alone: swept along the
    // anode with the screen at several voltages (a tap moves it there), its
    // anode and screen currents are the model's at that screen voltage, for
    // the 3/2 law and for a Koren pentode.
    void aFollowingScreenSweepsAsTheModel_data()
    {
        QTest::addColumn<QStringList>("record");
        QTest::addColumn<bool>("koren");
        const QStringList el34{"6.3", "1.5", "250", "100", "13.5", "11", "165", "15", "250", "14.9"};
        const QStringList kt88{"6.3", "1.6", "250", "140", "15", "11.5", "138", "12", "250", "3"};
        QTest::newRow("EL34, 3/2 law") << el34 << false;
        QTest::newRow("KT88, 3/2 law") << kt88 << false;
        QTest::newRow("EL34, a Koren pentode model") << el34 << true;
    }
    void aFollowingScreenSweepsAsTheModel()
    {
        QFETCH(QStringList, record);
        QFETCH(bool, koren);
        const auto n = [&](int i) { return record[i].toDouble(); };
        model::TubeFigures f{n(2), n(3), n(4), n(5), 0, n(7), n(8), n(9)};
        if (koren) {
            model::ModelFile file;
            file.type = model::ModelKind::KorenPentode;
            file.params = model::KorenPentodeParameters{11, 1.35, 650, 4200, 60, 24};
            f.model = std::make_shared<const model::ModelFile>(file);
        }
        const model::TubeModel tube(model::TubeType::Pentode, f);
        QCOMPARE(tube.kind() != model::ModelKind::PowerLaw, koren);
        const QString subcircuit =
            TubeSubcircuit(QStringLiteral("T"), Circuit::PushPull, f, TubeCapacitances{}, 0, true);
        QVERIFY(!subcircuit.isEmpty());
        const QList<double> screens{0, 120, 250, 400}, grids{0, -15};
        QString netlist = QStringLiteral("* sweep\n") + subcircuit + QStringLiteral("Va a 0 DC 0\nVg g 0 DC 0\nVs s 0 DC 0\n")
                          + QStringLiteral("X1 a s g 0 T\n.control\nset wr_singlescale\nset wr_vecnames\n");
        for (int i = 0; i < screens.size(); ++i)
            for (int j = 0; j < grids.size(); ++j)
                netlist += QStringLiteral("alter vs dc = %1\nalter vg dc = %2\ndc va 0 600 10\nwrdata s%3g%4.data i(va) i(vs)\n")
                               .arg(spiceNumber(screens[i]), spiceNumber(grids[j]))
                               .arg(i)
                               .arg(j);
        netlist += QStringLiteral("quit\n.endc\n.end\n");
        const NgspiceRun run = runNgspice(netlist, 20000);
        QVERIFY2(run.ok(), qPrintable(run.problem));
        int compared = 0;
        for (int i = 0; i < screens.size(); ++i) {
            for (int j = 0; j < grids.size(); ++j) {
                const DataFile data = readData(run.file(QStringLiteral("s%1g%2.data").arg(i).arg(j)));
                QVERIFY(data.rows.size() >= 50);
                const model::TubeModel at = tube.withScreenAt(screens[i]);
                for (const QList<double> &row : data.rows) {
                    const double ua = row.value(0);
                    // The sources deliver what the tube draws: their currents are negative.
                    const double ia = -row.value(1) * 1e3, ig2 = -row.value(2) * 1e3;
                    const double expectedA = at.anodeCurrent(ua, grids[j]), expectedS = at.screenCurrent(ua, grids[j]);
                    const QString where = QStringLiteral("Ug2 %1, Ug %2, Ua %3: Ia %4/%5, Ig2 %6/%7 mA")
                                              .arg(screens[i]).arg(grids[j]).arg(ua).arg(ia).arg(expectedA)
                                              .arg(ig2).arg(expectedS);
                    QVERIFY2(std::abs(ia - expectedA) <= 0.005 * std::abs(expectedA) + 1e-3, qPrintable(where));
                    QVERIFY2(std::abs(ig2 - expectedS) <= 0.005 * std::abs(expectedS) + 1e-3, qPrintable(where));
                    ++compared;
                }
            }
        }
        QVERIFY(compared > 400);
    }

    void tappedPairsAgreeWithNgspice_data()
    {
        QTest::addColumn<QString>("tube");
        QTest::addColumn<QStringList>("typed"); // Ea, Raa, Rk, tap %
        QTest::newRow("EL34 ultralinear at 43 %") << "EL34" << QStringList{"430", "6.6", "220", "43"};
        QTest::newRow("KT88 ultralinear at 43 %") << "KT88" << QStringList{"460", "4.5", "200", "43"};
        QTest::newRow("EL84 triode-connected") << "EL84" << QStringList{"300", "8", "270", "100"};
    }
    void tappedPairsAgreeWithNgspice()
    {
        QFETCH(QString, tube);
        QFETCH(QStringList, typed);
        const TubeDatabase db(QStringLiteral(ANODIX_DATA_DIR));
        const RecordLines record = db.ReadTubeRecord(TubeClass::PowerPentode, tube + QStringLiteral(".lamp"));
        QVERIFY(record.lines.size() >= 10);
        analysis::AnalysisInput input{Circuit::PushPull, tube, record.lines, typed[0], QStringLiteral("20"),
                                      QStringLiteral("470"), QStringLiteral("8"), {}};
        input.ug2 = QString(); // on a tap the screens need no voltage of their own
        input.raa = typed[1];
        input.rk = typed[2];
        input.tap = typed[3];
        const StageResult window = CalculatePushPullStage(
            {input.ea, input.ug2, input.fmin, input.r1, input.rn, input.raa, input.rk, input.tap},
            LoadedTube{input.record}, pointLocale);
        QVERIFY2(!window.message, qPrintable(window.message ? window.message->text : QString()));
        const auto shown = [&](const char *name) {
            for (const DisplayUpdate &u : window.updates)
                if (u.output == QLatin1String(name))
                    return u.text.toDouble();
            return qQNaN();
        };

        const Response response = ComputeResponse(withTypicalValues(input, pointLocale), pointLocale);
        QVERIFY2(response.ok(), qPrintable(response.problem));
        const QString netlist = StageNetlist(response, tube);
        QVERIFY(!netlist.isEmpty());
        // No screen supply of their own: the screens sit on the primary.
        QVERIFY(!netlist.contains(QStringLiteral("Vscreen")));
        const NgspiceRun run = runNgspice(netlist);
        QVERIFY2(run.ok(), qPrintable(run.problem));
        const QString &output = run.output;

        // The operating point of the first tube.
        const DataFile op = run.data(kOperatingPointFile);
        QCOMPARE(op.rows.size(), 1);
        QVERIFY(op.column(QStringLiteral("v(anode1)")) >= 0 && op.column(QStringLiteral("l1a#branch")) >= 0);
        const double uk = op.at(0, "v(cathode)");
        const double uq = op.at(0, "v(anode1)") - uk;
        const double iq = std::abs(op.at(0, "l1a#branch")) * 1e3;
        const model::TubeModel model(model::TubeType::Pentode, response.point.tube);
        const stage::PushPullCircuit circuit{input.ea.toDouble(), input.ea.toDouble(), input.raa.toDouble(),
                                             input.rk.toDouble(), input.tap.toDouble() / 100};
        const stage::PushPullPoint p = stage::solvePushPull(model, circuit);
        // The anode's end of the winding carries the anode current, and the
        // screen's too where the screen is tied to the anode.
        const double atAnodeEnd = p.iq + (circuit.tap >= 1 ? p.ig2q : 0);
        qInfo("%s: Uk %.5g/%.5g V, Uq %.5g/%.5g V, I %.5g/%.5g mA", qPrintable(tube), uk, p.uk, uq, p.eq, iq,
              atAnodeEnd);
        QVERIFY2(deviation(uk, p.uk) < 0.005, "cathode at rest");
        QVERIFY2(deviation(uq, p.eq) < 0.005, "anode at rest");
        QVERIFY2(deviation(iq, atAnodeEnd) < 0.005, "winding current at rest");

        // The small-signal gain to the first anode over the grids' 1 V in antiphase.
        double peak = 0;
        for (const QList<double> &row : run.data(kResponseFile).rows)
            peak = std::max(peak, row.value(1));
        qInfo("%s: gain %.4g/%.4g", qPrintable(tube), peak, response.figures.gain);
        QVERIFY2(deviation(peak, response.figures.gain) < 0.02, "mid-band gain");

        // Power and distortion at the window's full drive.
        const QList<double> fundamentals = fourierOf(run.file(kFourierFile)).fundamental;
        QCOMPARE(fundamentals.size(), 1);
        const double fundamental = fundamentals.constFirst();
        QString error;
        const std::optional<Simulation> simulation = ReadSimulation(run.dir->path(), response.figures.gain, error);
        QVERIFY2(simulation, qPrintable(error));
        const double power = fundamental * fundamental / 2 / input.rn.toDouble();
        const QRegularExpressionMatch cathode =
            QRegularExpression(QStringLiteral("cathode_mean\\s*=\\s*(\\S+)")).match(output);
        QVERIFY2(cathode.hasMatch(), qPrintable(output.right(2000)));
        const double ukSpice = cathode.captured(1).toDouble();
        qInfo("%s: Pout %.4g/%.4g W, THD %.3g/%.3g %%, H3 %.3g/%.3g %%, cathode driven %.4g/%.4g V; Ri %g kOhm, "
              "damping %g",
              qPrintable(tube), power, shown("Pout"), simulation->thd, shown("THD"), simulation->harmonics[1],
              shown("D3"), ukSpice, p.ukDriven, shown("Ri"), shown("Kd"));
        QVERIFY2(deviation(power, shown("Pout")) < 0.05, "output power");
        QVERIFY2(deviation(simulation->thd, p.thd) < 0.15, "total harmonic distortion");
        QVERIFY2(deviation(ukSpice, p.ukDriven) < 0.03, "cathode under drive");
        // The pair cancels its even harmonics in ngspice too.
        QVERIFY(simulation->harmonics[0] < simulation->harmonics[1] / 10 + 0.05);
    }
};

QTEST_MAIN(TestNgspiceTap)
#include "tst_ngspicetap.moc"
