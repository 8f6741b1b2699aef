// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/response/simulation.h"

#include "anodix/response/spice.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <cmath>

namespace anodix::response {
namespace {

// The file's lines, or nothing when it cannot be read.
std::optional<QStringList> linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// ngspice writes its numbers in the C locale whatever the user's is.
std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

} // namespace

std::optional<Simulation> ReadSimulation(const QString &folder, double midBandGain, QString &error)
{
    const QDir dir(folder);
    const auto missing = [&](const char *file) {
        error = QStringLiteral("ngspice не записала файл %1").arg(QString::fromLatin1(file));
        return std::nullopt;
    };
    Simulation s;
    const std::optional<QStringList> ac = linesOf(dir.filePath(kResponseFile));
    if (!ac || !(midBandGain > 0))
        return missing(kResponseFile);
    for (const QString &line : ac->mid(1)) { // under the header of column names
        const QStringList fields = line.simplified().split(u' ');
        const std::optional<double> hz = number(fields.value(0)), gain = number(fields.value(1));
        if (hz && gain && *hz > 0 && *gain > 0)
            s.points.append({*hz, 20 * std::log10(*gain / midBandGain)});
    }
    if (s.points.size() < 2)
        return missing(kResponseFile);

    const std::optional<QStringList> four = linesOf(dir.filePath(kFourierFile));
    if (!four)
        return missing(kFourierFile);
    bool thdRead = false;
    int harmonicsRead = 0;
    for (const QString &line : *four) {
        const QStringList fields = line.simplified().split(u' ');
        if (const qsizetype at = fields.indexOf(QStringLiteral("THD:")); at >= 0) {
            const std::optional<double> thd = number(fields.value(at + 1));
            thdRead = thd.has_value();
            s.thd = thd.value_or(0);
        }
        // Harmonic, frequency, magnitude, phase, the magnitude over the fundamental's, its phase.
        const std::optional<double> harmonic = number(fields.value(0)), normalised = number(fields.value(4));
        if (fields.size() >= 6 && harmonic && normalised && *harmonic >= 2 && *harmonic <= 5) {
            s.harmonics[int(*harmonic) - 2] = *normalised * 100;
            ++harmonicsRead;
        }
    }
    if (!thdRead || harmonicsRead != 4)
        return missing(kFourierFile);
    return s;
}

QString FirstErrorLine(const QString &errorOutput, const QString &output)
{
    const QStringList errors = errorOutput.split(u'\n', Qt::SkipEmptyParts);
    for (const QStringList &lines : {errors, output.split(u'\n', Qt::SkipEmptyParts)}) {
        for (const QString &line : lines) {
            if (line.contains(QStringLiteral("rror")))
                return line.trimmed();
        }
    }
    for (const QString &line : errors) {
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    }
    return {};
}

} // namespace anodix::response
