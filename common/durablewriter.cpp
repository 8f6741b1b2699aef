// SPDX-License-Identifier: GPL-3.0-or-later
// The durable writer: a temporary file beside the target, synced, closed and
// renamed over it, then the folder synced; every refusal told in Russian.
#include "common/durablewriter.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace common {

namespace {

// The likely cause of a refused write or removal, told in Russian; the
// system's own text only when none of the usual causes applies.
QString refusalIn(const QString &folder, const QString &path, const QString &systemText)
{
    const QFileInfo file(path);
    if (file.isDir())
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    // A read-only disk makes every file look write-protected; it is the true cause.
    const QStorageInfo storage(folder);
    if (storage.isValid() && storage.isReadOnly())
        return QStringLiteral("диск доступен только для чтения");
    if (file.exists() && !file.isWritable())
        return QStringLiteral("файл защищён от записи");
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("нет прав на изменение папки");
    if (storage.isValid() && storage.bytesAvailable() == 0)
        return QStringLiteral("на диске нет свободного места");
    if (QFile::encodeName(file.fileName()).size() > 255)
        return QStringLiteral("имя файла слишком длинное");
    return QStringLiteral("система ответила: %1").arg(systemText);
}

detail::WriteFault g_writeFault = nullptr;

int injectedFault(detail::WriteStep step)
{
    return g_writeFault ? g_writeFault(step) : 0;
}

// The cause of a failed system call, told in Russian where it is a usual one.
QString errorReason(int error, const QString &folder, const QString &path)
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
    case EISDIR:
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    case ENOENT:
        return QStringLiteral("папка не найдена");
    default:
        break;
    }
    return refusalIn(folder, path, QString::fromLocal8Bit(std::strerror(error)));
}

// Files are written only as regular files of their folder: through a link the
// write would land in another file, perhaps far outside the folder.
QString notRegularProblem(const QString &path)
{
    const QFileInfo file(path);
    if (file.isSymLink())
        return QStringLiteral("это ссылка на другой файл; через ссылку программа не пишет");
    if (!file.exists())
        return {};
    if (file.isDir())
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    if (!file.isFile())
        return QStringLiteral("это не обычный файл");
    return {};
}

// How a write ended: error 0 when the new file is durably in place; renamed
// tells whether the old file was already replaced when the error came.
struct WriteResult
{
    int error = 0;
    bool renamed = false;
};

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

// Moves the finished file to its name without replacing one that exists.
int renameNoReplace(const char *from, const char *to)
{
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    // Where the file system cannot rename so, a hard link refuses an existing name too.
    if (::link(from, to) != 0)
        return errno;
    ::unlink(from);
    return 0;
}

// The temporary files of a program: "." + owner + "-", six letters or digits, ".tmp".
QByteArray temporaryPrefix(QLatin1StringView owner)
{
    return '.' + QByteArray(owner.data(), owner.size()) + '-';
}
constexpr std::size_t kTemporaryLetters = 6;
const char kTemporarySuffix[] = ".tmp";
// A younger one may be the write of another copy of the program, still running.
constexpr std::time_t kLeftoverAge = 10 * 60;

bool isAsciiLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isTemporaryName(const char *name, const QByteArray &prefix)
{
    const std::size_t prefixLength = std::size_t(prefix.size());
    if (std::strlen(name) != prefixLength + kTemporaryLetters + sizeof kTemporarySuffix - 1
        || std::strncmp(name, prefix.constData(), prefixLength) != 0)
        return false;
    const char *letters = name + prefixLength;
    return std::all_of(letters, letters + kTemporaryLetters, isAsciiLetterOrDigit)
        && std::strcmp(letters + kTemporaryLetters, kTemporarySuffix) == 0;
}

// A write cut short (the program killed, the power lost) leaves its complete
// or half temporary file behind; the next write in the folder removes those
// old enough to be nobody's. One pass over the folder, as a listing costs.
void removeLeftoverTemporaries(const QByteArray &folder, const QByteArray &prefix)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name, prefix))
            continue;
        struct stat status;
        if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode)
            && now - status.st_mtime >= kLeftoverAge)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

// Creates the temporary file with mode 0666, which the system narrows by the
// umask (and a default ACL of the folder) as for any new file. The open
// descriptor, or -1 with errno set.
int createTemporary(const QByteArray &folder, const QByteArray &prefix, QByteArray &name)
{
    if (const int fault = injectedFault(detail::WriteStep::Open)) {
        errno = fault;
        return -1;
    }
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '/' + prefix;
        for (std::size_t i = 0; i < kTemporaryLetters; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        name += kTemporarySuffix;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The bytes go to a temporary file beside the target, which is synced, closed
// and only then renamed over it; then the folder is synced so that the
// rename survives a power cut. Any failure before the rename leaves the old
// file untouched and removes the temporary one.
WriteResult writeDurably(const QString &folder, const QString &path, const QByteArray &bytes,
                         QLatin1StringView owner, Existing existing)
{
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray target = QFile::encodeName(path);
    const QByteArray prefix = temporaryPrefix(owner);
    removeLeftoverTemporaries(folderName, prefix);
    QByteArray temporary;
    const int fd = createTemporary(folderName, prefix, temporary);
    if (fd < 0)
        return {errno};
    // A replaced file keeps its mode; a new one keeps what the umask left.
    struct stat old;
    if (existing == Existing::Replace && ::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);

    int error = writeAll(fd, bytes);
    if (!error)
        error = stepResult(detail::WriteStep::Sync, ::fsync(fd));
    const int closed = stepResult(detail::WriteStep::Close, ::close(fd));
    if (!error)
        error = closed;
    if (!error) {
        if (existing == Existing::Replace)
            error = renameStep(temporary.constData(), target.constData());
        else if (!(error = injectedFault(detail::WriteStep::Rename)))
            error = renameNoReplace(temporary.constData(), target.constData());
    }
    if (error) {
        ::unlink(temporary.constData());
        return {error};
    }

    const int dir = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return {errno, true};
    error = stepResult(detail::WriteStep::SyncFolder, ::fsync(dir));
    ::close(dir);
    // Some file systems cannot sync a folder at all; they say so with EINVAL.
    if (error == EINVAL)
        error = 0;
    return {error, true};
}

#else

WriteResult writeDurably(const QString &, const QString &path, const QByteArray &bytes, QLatin1StringView,
                         Existing existing)
{
    if (existing == Existing::Keep && QFileInfo::exists(path))
        return {EEXIST};
    QSaveFile file(path);
    // A buffered write that failed is seen only in error(), not in the result of commit().
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError && file.commit())
        return {};
    file.cancelWriting();
    return {EIO};
}

#endif

} // namespace

SaveOutcome saveWhole(const QString &path, const QByteArray &bytes, QLatin1StringView owner, Existing existing)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (existing == Existing::Replace) {
        if (QString problem = notRegularProblem(path); !problem.isEmpty())
            return {std::move(problem)};
        // The rename would replace a write-protected file as easily as any
        // other. On a read-only disk every file is refused so; the disk is the cause told.
        int error = injectedFault(detail::WriteStep::Open);
        if (!error)
            error = writeAccessError(path);
        if (error)
            return {writeAccessReason(error, path)};
    }
    const WriteResult result = writeDurably(folder, path, bytes, owner, existing);
    if (!result.error)
        return {};
    if (result.error == EEXIST && existing == Existing::Keep)
        return {QStringLiteral("файл уже существует"), false, true};
    return {errorReason(result.error, folder, path), result.renamed};
}

QString SaveWholeFile(const QString &path, const QByteArray &bytes, QLatin1StringView owner)
{
    const SaveOutcome outcome = saveWhole(path, bytes, owner);
    if (outcome.replaced)
        return QStringLiteral("файл заменён, но система не подтвердила, что он сохранён на диске (%1)").arg(outcome.reason);
    return outcome.reason;
}

int writeAccessError(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (::access(name.constData(), F_OK) != 0 || ::access(name.constData(), W_OK) == 0)
        return 0;
    return errno;
#else
    const QFileInfo file(path);
    return file.exists() && !file.isWritable() ? EACCES : 0;
#endif
}

QString writeAccessReason(int error, const QString &path)
{
    if (error == EACCES || error == EPERM)
        return QStringLiteral("файл защищён от записи");
    return errorReason(error, QFileInfo(path).absolutePath(), path);
}

QString refusalReason(const QString &path, const QString &systemText)
{
    return refusalIn(QFileInfo(path).absolutePath(), path, systemText);
}

namespace detail {

void setWriteFaultForTesting(WriteFault fault)
{
    g_writeFault = fault;
}

} // namespace detail

} // namespace common
