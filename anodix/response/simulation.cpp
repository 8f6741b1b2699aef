// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/response/simulation.h"

#include "anodix/response/spice.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <sys/types.h>
#include <unistd.h>

namespace anodix::response {
namespace {

// Far above any file a stage netlist makes (ac.data is about 8 kB).
constexpr qint64 kLargestDataFile = 4 * 1024 * 1024;
// How long a group asked to end may take before it is killed.
constexpr int kGraceMs = 1000;
constexpr int kStopGraceMs = 300;

// The file's text, or nothing when it cannot be read or is too large.
std::optional<QString> textOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestDataFile)
        return std::nullopt;
    return QString::fromUtf8(file.read(kLargestDataFile));
}

// ngspice writes its numbers in the C locale whatever the user's is.
std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

QStringList linesOf(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

// ngspice's own forms of a failure: "Error: …", "Error on line …", "ERROR: …",
// "doAnalyses: …" and "… simulation(s) aborted". A "Warning: singular
// matrix" alone is not one: ngspice often steps past it to a solution.
bool isErrorLine(QStringView line)
{
    if (line.startsWith(u"error", Qt::CaseInsensitive) && (line.size() == 5 || !line.at(5).isLetter()))
        return true;
    return line.startsWith(u"doAnalyses:") || line.contains(u"aborted", Qt::CaseInsensitive);
}

// The last line with any text in a stream's kept tail.
QString lastLine(const QByteArray &tail)
{
    const QStringList lines = QString::fromUtf8(tail).replace(u'\r', u'\n').split(u'\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (!line->trimmed().isEmpty())
            return line->trimmed();
    }
    return {};
}

} // namespace

std::optional<Simulation> ParseSimulation(const QString &response, const QString &fourier, double midBandGain,
                                          QString &error)
{
    const auto missing = [&](const char *file) {
        error = QStringLiteral("ngspice не записала файл %1").arg(QString::fromLatin1(file));
        return std::nullopt;
    };
    Simulation s;
    if (!(midBandGain > 0) || !std::isfinite(midBandGain))
        return missing(kResponseFile);
    for (const QString &line : linesOf(response).mid(1)) { // under the header of column names
        const QStringList fields = line.simplified().split(u' ');
        const std::optional<double> hz = number(fields.value(0)), gain = number(fields.value(1));
        if (hz && gain && *hz > 0 && *gain > 0) {
            const double db = 20 * std::log10(*gain / midBandGain);
            if (std::isfinite(db))
                s.points.append({*hz, db});
        }
    }
    if (s.points.size() < 2)
        return missing(kResponseFile);

    bool thdRead = false;
    int harmonicsRead = 0;
    for (const QString &line : linesOf(fourier)) {
        const QStringList fields = line.simplified().split(u' ');
        if (const qsizetype at = fields.indexOf(QStringLiteral("THD:")); at >= 0) {
            const std::optional<double> thd = number(fields.value(at + 1));
            thdRead = thd.has_value();
            s.thd = thd.value_or(0);
        }
        // Harmonic, frequency, magnitude, phase, the magnitude over the fundamental's, its phase.
        const std::optional<double> harmonic = number(fields.value(0)), normalised = number(fields.value(4));
        if (fields.size() >= 6 && harmonic && normalised && *harmonic >= 2 && *harmonic <= 5
            && std::isfinite(*normalised * 100)) {
            s.harmonics[int(*harmonic) - 2] = *normalised * 100;
            ++harmonicsRead;
        }
    }
    if (!thdRead || harmonicsRead != 4)
        return missing(kFourierFile);
    return s;
}

std::optional<Simulation> ReadSimulation(const QString &folder, double midBandGain, QString &error)
{
    const QDir dir(folder);
    const std::optional<QString> response = textOf(dir.filePath(kResponseFile));
    const std::optional<QString> fourier = textOf(dir.filePath(kFourierFile));
    if (!response || !fourier) {
        error = QStringLiteral("ngspice не записала файл %1")
                    .arg(QString::fromLatin1(!response ? kResponseFile : kFourierFile));
        return std::nullopt;
    }
    return ParseSimulation(*response, *fourier, midBandGain, error);
}

void SpiceOutput::append(QByteArrayView bytes)
{
    m_tail.append(bytes);
    if (m_tail.size() > kKeptBytes)
        m_tail.remove(0, m_tail.size() - kKeptBytes);
    for (const char c : bytes) {
        if (c == '\n' || c == '\r') {
            judge(m_line);
            m_line.clear();
        } else if (m_line.size() < kLongestLine) {
            m_line.append(c);
        }
    }
}

void SpiceOutput::finish()
{
    judge(m_line);
    m_line.clear();
}

void SpiceOutput::judge(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const QString line = QString::fromUtf8(bytes).trimmed();
    m_singular = m_singular || line.contains(u"singular matrix", Qt::CaseInsensitive);
    if (m_errorLine.isEmpty() && isErrorLine(line))
        m_errorLine = line;
}

QString shownSpiceLine(QStringView text)
{
    QString shown;
    shown.reserve(std::min(text.size(), kShownLength + 1));
    for (const QChar c : text) {
        if (shown.size() > kShownLength)
            break;
        // Bytes that were no UTF-8 come as U+FFFD: shown as nothing better.
        shown += c.isPrint() && !c.isSpace() && c != QChar::ReplacementCharacter ? c : u' ';
    }
    shown = shown.simplified();
    if (shown.size() > kShownLength)
        shown = shown.left(kShownLength - 1) + u'…';
    return shown;
}

QString spiceErrorMessage(const QString &errorLine, bool singularMatrix)
{
    const QString hint = QStringLiteral(" Проверьте данные лампы и значения каскада.");
    QString sentence;
    if (singularMatrix)
        sentence = QStringLiteral("ngspice не смогла рассчитать каскад: матрица схемы вырождена.") + hint;
    else if (errorLine.contains(u"no such vector", Qt::CaseInsensitive))
        sentence = QStringLiteral("ngspice не смогла рассчитать каскад: анализ не дал результатов.") + hint;
    else if (errorLine.contains(u"timestep too small", Qt::CaseInsensitive))
        sentence = QStringLiteral("ngspice не смогла рассчитать каскад: шаг по времени стал слишком мал.") + hint;
    else if (errorLine.startsWith(u"Error on line", Qt::CaseInsensitive))
        sentence = QStringLiteral("ngspice не приняла строку схемы каскада.");
    else
        sentence = QStringLiteral("ngspice сообщила об ошибке.");
    const QString shown = shownSpiceLine(errorLine);
    return shown.isEmpty() ? sentence : sentence + QStringLiteral("\nngspice: ") + shown;
}

SpiceRun::SpiceRun(QObject *parent)
    : QObject(parent)
{
    m_limit.setSingleShot(true);
    m_grace.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        signalGroup(SIGTERM);
        m_grace.start(kGraceMs);
    });
    connect(&m_grace, &QTimer::timeout, this, [this] { signalGroup(SIGKILL); });
    // Leaving the program leaves no ngspice behind.
    if (QCoreApplication *application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &SpiceRun::stop);
}

SpiceRun::~SpiceRun()
{
    stop();
}

QStringList SpiceRun::arguments()
{
    return {QStringLiteral("-n"), QStringLiteral("-b"), QString::fromLatin1(kNetlistName)};
}

QProcessEnvironment SpiceRun::environment(const QString &folder)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QProcessEnvironment::systemEnvironment().value(
                                                   QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin")));
    environment.insert(QStringLiteral("HOME"), folder);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    return environment;
}

QString SpiceRun::folder() const
{
    return m_folder ? m_folder->path() : QString();
}

QString SpiceRun::start(const QString &program, const QString &netlist, double midBandGain)
{
    if (m_process)
        return QStringLiteral("ngspice уже работает");
    if (netlist.isEmpty())
        return QStringLiteral("схема каскада не построена");
    auto folder = std::make_unique<QTemporaryDir>();
    if (!folder->isValid())
        return QStringLiteral("не создаётся временная папка");
    if (const QString reason = SaveSpiceText(folder->filePath(QString::fromLatin1(kNetlistName)), netlist);
        !reason.isEmpty())
        return reason;
    m_folder = std::move(folder);
    m_output = {};
    m_errors = {};
    m_timedOut = false;
    m_gain = midBandGain;
    m_group = 0;

    m_process = new QProcess(this);
    m_process->setProgram(program);
    m_process->setArguments(arguments());
    m_process->setWorkingDirectory(m_folder->path());
    m_process->setProcessEnvironment(environment(m_folder->path()));
    m_process->setStandardInputFile(QProcess::nullDevice());
    // A session of its own: one signal to the group reaches all it starts,
    // and it cannot read the terminal the program was started from.
    m_process->setChildProcessModifier([] { ::setsid(); });
    connect(m_process, &QProcess::started, this, [this] { m_group = m_process->processId(); });
    connect(m_process, &QProcess::readyReadStandardOutput, this, [this] { read(false); });
    connect(m_process, &QProcess::readyReadStandardError, this, [this] { read(true); });
    connect(m_process, &QProcess::finished, this, &SpiceRun::ended);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended();
    });
    m_process->start();
    if (m_process)
        m_limit.start(m_timeLimitMs);
    return {};
}

void SpiceRun::read(bool errors)
{
    if (!m_process)
        return;
    if (errors)
        m_errors.append(m_process->readAllStandardError());
    else
        m_output.append(m_process->readAllStandardOutput());
}

void SpiceRun::signalGroup(int signal)
{
    if (!m_process)
        return;
    // Before the start is confirmed the child may not lead its group yet.
    if (m_group <= 0 || ::kill(-pid_t(m_group), signal) != 0) {
        if (signal == SIGKILL)
            m_process->kill();
        else
            m_process->terminate();
    }
}

void SpiceRun::ended()
{
    if (!m_process)
        return;
    m_limit.stop();
    m_grace.stop();
    // What ngspice started ends with it.
    if (m_group > 0)
        ::kill(-pid_t(m_group), SIGKILL);
    read(false);
    read(true);
    m_output.finish();
    m_errors.finish();
    const bool started = m_process->error() != QProcess::FailedToStart;
    const bool crashed = m_process->exitStatus() == QProcess::CrashExit;
    const int exitCode = m_process->exitCode();
    const QString errorLine = !m_errors.errorLine().isEmpty() ? m_errors.errorLine() : m_output.errorLine();
    const bool singular = m_errors.singularMatrix() || m_output.singularMatrix();

    QString problem;
    std::optional<Simulation> simulation;
    if (m_timedOut)
        problem = QStringLiteral("ngspice не закончила расчёт за %1 с.").arg((m_timeLimitMs + 999) / 1000);
    else if (!started)
        problem = QStringLiteral("Не удалось запустить ngspice.");
    else if (!errorLine.isEmpty())
        problem = spiceErrorMessage(errorLine, singular);
    else if (crashed || exitCode != 0) {
        problem = crashed ? QStringLiteral("ngspice завершилась аварийно.")
                          : QStringLiteral("ngspice завершилась с кодом %1.").arg(exitCode);
        if (const QString shown = shownSpiceLine(lastLine(m_errors.tail())); !shown.isEmpty())
            problem += QStringLiteral("\nngspice: ") + shown;
    } else {
        // The figures are read before the folder goes.
        simulation = ReadSimulation(m_folder->path(), m_gain, problem);
        if (!simulation)
            problem += u'.';
    }
    release();
    emit finished(simulation, problem);
}

void SpiceRun::stop()
{
    if (!m_process)
        return;
    m_process->disconnect(this);
    m_limit.stop();
    m_grace.stop();
    // Nothing more is read: an endless writer gets a broken pipe instead.
    m_process->closeReadChannel(QProcess::StandardOutput);
    m_process->closeReadChannel(QProcess::StandardError);
    signalGroup(SIGTERM);
    m_process->waitForFinished(kStopGraceMs);
    if (m_group > 0)
        ::kill(-pid_t(m_group), SIGKILL);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(kGraceMs);
    }
    release();
}

void SpiceRun::release()
{
    if (m_process) {
        m_process->disconnect(this);
        m_process->deleteLater();
        m_process = nullptr;
    }
    m_group = 0;
    m_folder.reset();
}

} // namespace anodix::response
