// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice as the agreement tests run it: a netlist in a folder of its own,
// run there as the program runs it ("-n -b", no start-up file of the user's,
// a clean environment), and the data files it writes read back by column name.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace anodix::testing {

// Rows of numbers under a header line of column names, as wrdata writes them.
struct DataFile
{
    QStringList columns;
    QList<QList<double>> rows;
    int column(const QString &name) const { return int(columns.indexOf(name)); }
    // NaN where the row or the column is missing.
    double at(int row, const char *name) const;
};

DataFile readData(const QString &path);

// Each Fourier analysis's THD (%) and fundamental (its magnitude) as ngspice
// prints them, in file order.
struct Fourier
{
    QList<double> thd, fundamental;
};

Fourier fourierOf(const QString &path);

// |measured − expected| over |expected|.
double deviation(double measured, double expected);

// Where the response in column of an ac file (frequency in the first) first
// falls 3 dB below level, walking by step from the row from; linear in dB over
// log f between samples. Zero when it does not.
double sampledCorner(const DataFile &ac, int column, double level, int from, int step);

// One run: its folder (kept while the run is), what ngspice printed, and why
// it failed (not written, not finished, an exit code, an error on stderr),
// empty when it ran clean.
struct NgspiceRun
{
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    QString problem;
    QString output; // standard output
    qint64 elapsedMs = 0;

    bool ok() const { return problem.isEmpty(); }
    QString file(const QString &name) const { return dir->filePath(name); }
    QString file(const char *name) const { return file(QString::fromLatin1(name)); }
    DataFile data(const char *name) const { return readData(file(name)); }
};

// Writes netlist through the program's SPICE writer and runs it.
// ngspice reports a line it cannot read on stderr and goes on without it, so
// any "error" there fails the run.
NgspiceRun runNgspice(const QString &netlist, int timeoutMs = 60000);

// Why ngspice cannot be run here; empty when it is on PATH.
QString ngspiceMissing();

} // namespace anodix::testing
