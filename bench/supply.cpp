// SPDX-License-Identifier: GPL-3.0-or-later
// The worked supply (a silicon bridge, 5 H and 100 µF, 150 mA) simulated by
// the program and by ngspice on the program's own netlist, side by side over
// the same simulated time: the program's median CPU time against ngspice's
// (its child CPU time, and its wall time beside it).
#include "benchsupport.h"

#include "anodix/supply/supplyspice.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

namespace {

double childrenCpuNs()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return (double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)) * 1e9
           + (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) * 1e3;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    using namespace anodix::supply;
    if (bench::wantsHeader(argc, argv))
        bench::printHeader();

    SupplyCircuit c;
    c.secondaryVoltage = 300;
    c.windingResistance = 50;
    c.c1 = 47e-6;
    c.inductance = 5;
    c.filterResistance = 100;
    c.c2 = 100e-6;
    c.loadCurrent = 0.150;

    const SupplyOutcome first = SimulateSupply(c);
    if (!first.result) {
        std::fprintf(stderr, "the simulation failed: %s\n", qPrintable(first.error));
        return 1;
    }
    const double simulated = first.result->simulatedTime;
    const double ours = bench::medianNsPerRun([&] { bench::keep(SimulateSupply(c)); }, 5);

    QTemporaryDir dir;
    const QString netlist = dir.filePath("supply.cir");
    QFile file(netlist);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(SupplyNetlist(c, simulated, std::nullopt).toUtf8()) < 0)
        return 1;
    file.close();
    std::vector<double> cpu, wall;
    for (int run = 0; run < 3; ++run) {
        QProcess ngspice;
        // A clean environment; ngspice-39 crashes without HOME.
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("HOME"), dir.path());
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        ngspice.setProcessEnvironment(environment);
        ngspice.setWorkingDirectory(dir.path());
        const double cpuStart = childrenCpuNs();
        const bench::Stopwatch watch;
        ngspice.start(QStringLiteral("ngspice"), {QStringLiteral("-b"), QStringLiteral("-n"), netlist});
        if (!ngspice.waitForFinished(600000) || ngspice.exitCode() != 0) {
            std::fprintf(stderr, "ngspice did not run: %s\n%s\n", qPrintable(ngspice.errorString()),
                         ngspice.readAllStandardError().constData());
            return 1;
        }
        wall.push_back(watch.wallNs());
        cpu.push_back(childrenCpuNs() - cpuStart);
    }
    const double theirs = bench::median(cpu);
    char what[160];
    std::snprintf(what, sizeof what, "Supply in time, %.2f s simulated (SimulateSupply, %ld steps)", simulated,
                  first.result->steps);
    bench::printRow(what, bench::formatNs(ours));
    std::snprintf(what, sizeof what, "The same in ngspice -b, 10 µs steps (wall %s)", bench::formatNs(bench::median(wall)).c_str());
    bench::printRow(what, bench::formatNs(theirs));
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.1f×", theirs / ours);
    bench::printRow("Speed of the program over ngspice, same circuit and time", ratio, "≥ 10×", theirs >= 10 * ours);
    return 0;
}
