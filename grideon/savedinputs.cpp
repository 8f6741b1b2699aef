// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing Grideon's saved inputs file.
#include "grideon/savedinputs.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cmath>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace grideon {

namespace {

detail::WriteFault g_writeFault = nullptr;

int injectedFault(detail::WriteStep step)
{
    return g_writeFault ? g_writeFault(step) : 0;
}

QString errorReason(int error)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("на диске нет свободного места");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода на диске");
    case EROFS:
        return QStringLiteral("диск доступен только для чтения");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case EISDIR:
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    case ENOENT:
        return QStringLiteral("папка не найдена");
    default:
        return QStringLiteral("система ответила: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

#ifdef Q_OS_UNIX

int writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    std::size_t left = std::size_t(bytes.size());
    while (left > 0) {
        if (const int fault = injectedFault(detail::WriteStep::Write)) {
            [[maybe_unused]] const ssize_t half = ::write(fd, data, left / 2);
            return fault;
        }
        const ssize_t written = ::write(fd, data, left);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return ENOSPC;
        data += written;
        left -= std::size_t(written);
    }
    return 0;
}

int stepResult(detail::WriteStep step, int result)
{
    if (const int fault = injectedFault(step))
        return fault;
    return result == 0 ? 0 : errno;
}

// A rename that a test makes fail must not happen at all.
int renameStep(const char *from, const char *to)
{
    if (const int fault = injectedFault(detail::WriteStep::Rename))
        return fault;
    return ::rename(from, to) == 0 ? 0 : errno;
}

// A temporary file beside data.dat, synced and closed, then renamed over it;
// then the folder is synced so that the rename survives a power cut. Returns
// the errno of the failed step, 0 on success; renamed tells whether the old
// file was already replaced.
int writeDurably(const QString &path, const QByteArray &bytes, bool &renamed)
{
    renamed = false;
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const QByteArray target = QFile::encodeName(path);
    // The rename would replace a write-protected file as easily as any other.
    if (::access(target.constData(), F_OK) == 0 && ::access(target.constData(), W_OK) != 0)
        return EACCES;
    QByteArray temporary = folder + "/.grideon-XXXXXX.tmp";
    const int fd = ::mkostemps(temporary.data(), 4, O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::fchmod(fd, 0644);
    int error = writeAll(fd, bytes);
    if (!error)
        error = stepResult(detail::WriteStep::Sync, ::fsync(fd));
    const int closed = stepResult(detail::WriteStep::Close, ::close(fd));
    if (!error)
        error = closed;
    if (!error)
        error = renameStep(temporary.constData(), target.constData());
    if (error) {
        ::unlink(temporary.constData());
        return error;
    }
    renamed = true;
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    error = stepResult(detail::WriteStep::SyncFolder, ::fsync(dir));
    ::close(dir);
    // Some file systems cannot sync a folder at all; they say so with EINVAL.
    return error == EINVAL ? 0 : error;
}

#else

int writeDurably(const QString &path, const QByteArray &bytes, bool &renamed)
{
    renamed = false;
    QSaveFile file(path);
    // A buffered write that failed is seen only in error(), not in the result of commit().
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError && file.commit())
        return 0;
    file.cancelWriting();
    return EIO;
}

#endif

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
    bool renamed = false;
    const int error = writeDurably(path, FormatSavedInputs(inputs), renamed);
    if (error && reason) {
        *reason = renamed ? QStringLiteral("файл заменён, но система не подтвердила, что он сохранён на диске (%1)")
                                .arg(errorReason(error))
                          : errorReason(error) + QStringLiteral("; прежний файл не изменён");
    }
    return error == 0;
}

namespace detail {

void setWriteFaultForTesting(WriteFault fault)
{
    g_writeFault = fault;
}

} // namespace detail

} // namespace grideon
