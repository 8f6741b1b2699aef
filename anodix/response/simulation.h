// SPDX-License-Identifier: GPL-3.0-or-later
// ngspice on a stage netlist: the run itself (a clean environment, a folder
// and a process group of its own, bounded output, a time limit), its messages
// read as they come, and what it left behind read back as numbers: the
// small-signal response and the harmonics of the 1 kHz transient.
// Window-free, QtCore only.
#pragma once

#include "anodix/response/response.h"

#include <QByteArray>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <optional>

class QProcess;
class QTemporaryDir;

namespace anodix::response {

struct Simulation
{
    QList<ResponsePoint> points;     // dB relative to the computed mid-band gain
    std::array<double, 4> harmonics{}; // H2…H5, % of the fundamental
    double thd = 0;                  // %
};

// Reads the data files of spice.h in folder; nothing, with the reason in
// Russian in error, when one is missing, too large or holds no numbers.
std::optional<Simulation> ReadSimulation(const QString &folder, double midBandGain, QString &error);
// The same from the texts of the response file and the Fourier file.
std::optional<Simulation> ParseSimulation(const QString &response, const QString &fourier, double midBandGain,
                                          QString &error);

// One of ngspice's output streams as it comes, in pieces of any size: only its
// last kKeptBytes are kept, and the first line that reports an error and
// whether a singular matrix was met are noted on the way.
class SpiceOutput
{
public:
    static constexpr qsizetype kKeptBytes = 32 * 1024;
    static constexpr qsizetype kLongestLine = 1024; // a longer line is judged on its start

    void append(QByteArrayView bytes);
    // The stream has ended: a last line without a line end is judged too.
    void finish();

    const QByteArray &tail() const { return m_tail; }
    // The first error line, trimmed but not cleaned; empty for none.
    const QString &errorLine() const { return m_errorLine; }
    bool singularMatrix() const { return m_singular; }

private:
    void judge(const QByteArray &line);

    QByteArray m_tail;
    QByteArray m_line; // the line being read, cut at kLongestLine
    QString m_errorLine;
    bool m_singular = false;
};

// ngspice's text as one line fit to show: printable characters only (others,
// and bytes that were no UTF-8, become spaces, runs of blanks one), at most
// kShownLength characters.
inline constexpr qsizetype kShownLength = 120;
QString shownSpiceLine(QStringView text);

// What went wrong in a run that reported errorLine, in Russian: a sentence,
// then on a second line ngspice's own text, cleaned.
QString spiceErrorMessage(const QString &errorLine, bool singularMatrix);

// A run of ngspice on one netlist in the background, in a temporary folder of
// its own that goes with the run. ngspice runs with -n (no start-up file of
// the user's), in the C locale with HOME in that folder and nothing of the
// user's environment but PATH, as the leader of a process group of its own:
// the time limit, stop() and the end of the program end that whole group,
// whatever it started, and remove the folder.
class SpiceRun final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultTimeLimitMs = 20000;
    static constexpr char kNetlistName[] = "stage.cir";

    explicit SpiceRun(QObject *parent = nullptr);
    ~SpiceRun() override; // a run still going is stopped

    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    int timeLimit() const { return m_timeLimitMs; }

    // Writes netlist and starts program on it; finished() comes once it ends,
    // drawn against midBandGain. Empty, or why it did not start, in Russian.
    QString start(const QString &program, const QString &netlist, double midBandGain);
    bool isRunning() const { return m_process != nullptr; }
    // The run's folder while it lasts, for tests; empty otherwise.
    QString folder() const;
    // Ends the run at once, its whole group; finished() does not come.
    void stop();

    // What ngspice gets.
    static QStringList arguments();
    static QProcessEnvironment environment(const QString &folder);

signals:
    // The run's figures, or the reason in Russian it gave none.
    void finished(const std::optional<anodix::response::Simulation> &simulation, const QString &problem);

private:
    void read(bool errors);
    void ended();
    void signalGroup(int signal);
    // The process and its folder go; pending output is dropped.
    void release();

    int m_timeLimitMs = kDefaultTimeLimitMs;
    QProcess *m_process = nullptr;
    qint64 m_group = 0; // the process group's id: ngspice's own
    std::unique_ptr<QTemporaryDir> m_folder;
    SpiceOutput m_output, m_errors;
    QTimer m_limit, m_grace;
    bool m_timedOut = false;
    double m_gain = 0;
};

} // namespace anodix::response
