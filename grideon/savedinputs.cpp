// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing Grideon's saved inputs file.
#include "grideon/savedinputs.h"

#include "common/durablewriter.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cmath>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace grideon {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool endsField(char c) { return isBlank(c) || c == ',' || c == '\r' || c == '\n'; }

} // namespace

SavedInputs ParseSavedInputs(const QByteArray &bytes)
{
    std::array<float, kStageInputCount> values{};
    int count = 0;
    qsizetype pos = 0;
    const qsizetype end = bytes.size();
    while (count < kStageInputCount) {
        while (pos < end && isBlank(bytes[pos]))
            ++pos;
        if (pos == end)
            break;
        const qsizetype start = pos;
        while (pos < end && !endsField(bytes[pos]))
            ++pos;
        const QString field = QString::fromLatin1(QByteArrayView(bytes).sliced(start, pos - start));
        // Blanks after a number belong to it; then one comma or one line end
        // closes the field, so " 44 \r\n" is one field and an empty line is another.
        while (pos < end && isBlank(bytes[pos]))
            ++pos;
        if (pos < end && bytes[pos] == ',') {
            ++pos;
        } else if (pos < end && bytes[pos] == '\r') {
            ++pos;
            if (pos < end && bytes[pos] == '\n')
                ++pos;
        } else if (pos < end && bytes[pos] == '\n') {
            ++pos;
        }
        // A number too large for a single-precision field is no usable number.
        const float value = narrowToSingle(ParseLeadingNumber(field));
        values[count++] = std::isfinite(value) ? value : 0.0f;
    }
    return {fromArray(values), count};
}

QByteArray FormatSavedInputs(const StageInputs &inputs)
{
    QByteArray bytes;
    for (float value : toArray(inputs))
        bytes += FormatPlainNumber(value).toLatin1() + " \r\n";
    return bytes;
}

std::optional<SavedInputs> ReadSavedInputsFile(const QString &path)
{
#ifdef Q_OS_UNIX
    // Opened without waiting, and its kind checked on the open file: opening a
    // pipe for reading would otherwise block until a writer came.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
#else
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
#endif
    return ParseSavedInputs(file.read(kMaxSavedInputsBytes));
}

bool WriteSavedInputsFile(const QString &path, const StageInputs &inputs, QString *reason)
{
    const common::SaveOutcome result = common::saveWhole(path, FormatSavedInputs(inputs), kWriterName);
    if (!result.ok() && reason) {
        *reason = result.replaced
            ? QStringLiteral("файл заменён, но система не подтвердила, что он сохранён на диске (%1)").arg(result.reason)
            : result.reason + QStringLiteral("; прежний файл не изменён");
    }
    return result.ok();
}

} // namespace grideon
