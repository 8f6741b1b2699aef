// SPDX-License-Identifier: GPL-3.0-or-later
#include "ngspicerun.h"

#include "anodix/response/simulation.h"
#include "anodix/response/spice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtNumeric>
#include <cmath>

namespace anodix::testing {

double DataFile::at(int row, const char *name) const
{
    const int i = column(QString::fromLatin1(name));
    return i >= 0 && row >= 0 && row < rows.size() ? rows[row].value(i, qQNaN()) : qQNaN();
}

DataFile readData(const QString &path)
{
    DataFile data;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return data;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
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

double deviation(double measured, double expected)
{
    return std::abs(measured - expected) / std::abs(expected);
}

double sampledCorner(const DataFile &ac, int column, double level, int from, int step)
{
    const double at = level / std::sqrt(2.0);
    for (int i = from; i + step >= 0 && i + step < ac.rows.size(); i += step) {
        const double g0 = ac.rows[i].value(column), g1 = ac.rows[i + step].value(column);
        if (g1 < at) {
            const double t = std::log10(g0 / at) / std::log10(g0 / g1);
            return std::exp(std::log(ac.rows[i][0]) + t * (std::log(ac.rows[i + step][0]) - std::log(ac.rows[i][0])));
        }
    }
    return 0;
}

Fourier fourierOf(const QString &path)
{
    QFile file(path);
    Fourier f;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return f;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QStringList fields = line.simplified().split(u' ');
        if (const qsizetype at = fields.indexOf(QStringLiteral("THD:")); at >= 0)
            f.thd << fields.value(at + 1).toDouble();
        // Harmonic, frequency, magnitude, phase, …
        if (fields.size() >= 6 && fields[0] == QStringLiteral("1"))
            f.fundamental << fields[2].toDouble();
    }
    return f;
}

NgspiceRun runNgspice(const QString &netlist, int timeoutMs)
{
    NgspiceRun run;
    if (netlist.isEmpty()) {
        run.problem = QStringLiteral("no netlist");
        return run;
    }
    // As the program runs it: its arguments, its clean environment.
    const QStringList arguments = response::SpiceRun::arguments();
    if (!run.dir->isValid() || !response::SaveSpiceText(run.file(arguments.constLast()), netlist).isEmpty()) {
        run.problem = QStringLiteral("cannot write the netlist");
        return run;
    }
    QProcess ngspice;
    ngspice.setWorkingDirectory(run.dir->path());
    ngspice.setProcessEnvironment(response::SpiceRun::environment(run.dir->path()));
    QElapsedTimer timer;
    timer.start();
    ngspice.start(QStringLiteral("ngspice"), arguments);
    if (!ngspice.waitForFinished(timeoutMs)) {
        run.problem = QStringLiteral("ngspice did not finish");
        return run;
    }
    run.elapsedMs = timer.elapsed();
    run.output = QString::fromUtf8(ngspice.readAllStandardOutput());
    const QString errors = QString::fromUtf8(ngspice.readAllStandardError());
    if (ngspice.exitStatus() != QProcess::NormalExit || ngspice.exitCode() != 0)
        run.problem = QStringLiteral("ngspice ended with %1: %2").arg(ngspice.exitCode()).arg(errors);
    else if (errors.contains(QStringLiteral("rror")))
        run.problem = errors;
    return run;
}

QString ngspiceMissing()
{
    if (!QStandardPaths::findExecutable(QStringLiteral("ngspice")).isEmpty())
        return {};
    return QStringLiteral("ngspice is not installed (Debian's ngspice package; scripts/test.sh installs it)");
}

} // namespace anodix::testing
