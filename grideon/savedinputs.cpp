// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing Grideon's saved inputs file.
#include "grideon/savedinputs.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

#ifdef Q_OS_UNIX
#include <dirent.h>
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

// How a write ended: error 0 and no refusal when the new file is durably in
// place; renamed tells whether the old file was already replaced.
struct WriteResult
{
    int error = 0;
    QString refusal{}; // a name the writer will not write over, and why
    bool renamed = false;
    bool ok() const { return error == 0 && refusal.isEmpty(); }
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

// The temporary files of this program: ".grideon-", six letters or digits, ".tmp".
const char kTemporaryPrefix[] = ".grideon-";
constexpr std::size_t kTemporaryPrefixLength = sizeof kTemporaryPrefix - 1;
constexpr std::size_t kTemporaryLetters = 6;
const char kTemporarySuffix[] = ".tmp";
constexpr std::size_t kTemporaryNameLength = kTemporaryPrefixLength + kTemporaryLetters + sizeof kTemporarySuffix - 1;
// A younger one may be the write of another copy of the program, still running.
constexpr std::time_t kLeftoverAge = 10 * 60;

bool isAsciiLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isTemporaryName(const char *name)
{
    if (std::strlen(name) != kTemporaryNameLength || std::strncmp(name, kTemporaryPrefix, kTemporaryPrefixLength) != 0)
        return false;
    const char *letters = name + kTemporaryPrefixLength;
    return std::all_of(letters, letters + kTemporaryLetters, isAsciiLetterOrDigit)
        && std::strcmp(letters + kTemporaryLetters, kTemporarySuffix) == 0;
}

// A close cut short (the program killed, the power lost) leaves its temporary
// file behind; the next write in the folder removes those old enough to be
// nobody's. One pass over the folder.
void removeLeftoverTemporaries(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent *entry = ::readdir(dir)) {
        if (!isTemporaryName(entry->d_name))
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
int createTemporary(const QByteArray &folder, QByteArray &name)
{
    if (const int fault = injectedFault(detail::WriteStep::Open)) {
        errno = fault;
        return -1;
    }
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + '/' + kTemporaryPrefix;
        for (std::size_t i = 0; i < kTemporaryLetters; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        name += kTemporarySuffix;
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Why the name cannot be written over: a link would leave its target as it
// was, a pipe or device would be replaced by a plain file, so neither is.
QString notRegularProblem(const QByteArray &target)
{
    struct stat status;
    if (::lstat(target.constData(), &status) != 0)
        return {};
    if (S_ISLNK(status.st_mode))
        return QStringLiteral("это ссылка на другой файл; через ссылку программа не пишет");
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("это не обычный файл");
    return {};
}

// A temporary file beside data.dat, synced and closed, then renamed over it;
// then the folder is synced so that the rename survives a power cut.
WriteResult writeDurably(const QString &path, const QByteArray &bytes)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const QByteArray target = QFile::encodeName(path);
    if (QString problem = notRegularProblem(target); !problem.isEmpty())
        return {0, std::move(problem)};
    // The rename would replace a write-protected file as easily as any other.
    // On a read-only disk every file is refused so; EROFS names the disk.
    int error = injectedFault(detail::WriteStep::Open);
    if (!error && ::access(target.constData(), F_OK) == 0 && ::access(target.constData(), W_OK) != 0)
        error = errno;
    if (error)
        return {error};
    removeLeftoverTemporaries(folder);
    QByteArray temporary;
    const int fd = createTemporary(folder, temporary);
    if (fd < 0)
        return {errno};
    // A replaced file keeps its mode; a new one keeps what the umask left.
    struct stat old;
    if (::stat(target.constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    error = writeAll(fd, bytes);
    if (!error)
        error = stepResult(detail::WriteStep::Sync, ::fsync(fd));
    const int closed = stepResult(detail::WriteStep::Close, ::close(fd));
    if (!error)
        error = closed;
    if (!error)
        error = renameStep(temporary.constData(), target.constData());
    if (error) {
        ::unlink(temporary.constData());
        return {error};
    }
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return {errno, {}, true};
    error = stepResult(detail::WriteStep::SyncFolder, ::fsync(dir));
    ::close(dir);
    // Some file systems cannot sync a folder at all; they say so with EINVAL.
    return {error == EINVAL ? 0 : error, {}, true};
}

#else

WriteResult writeDurably(const QString &path, const QByteArray &bytes)
{
    if (QFileInfo(path).isDir())
        return {EISDIR};
    QSaveFile file(path);
    // A buffered write that failed is seen only in error(), not in the result of commit().
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.error() == QFileDevice::NoError && file.commit())
        return {};
    file.cancelWriting();
    return {EIO};
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
    const WriteResult result = writeDurably(path, FormatSavedInputs(inputs));
    if (!result.ok() && reason) {
        const QString cause = result.refusal.isEmpty() ? errorReason(result.error) : result.refusal;
        *reason = result.renamed
            ? QStringLiteral("файл заменён, но система не подтвердила, что он сохранён на диске (%1)").arg(cause)
            : cause + QStringLiteral("; прежний файл не изменён");
    }
    return result.ok();
}

namespace detail {

void setWriteFaultForTesting(WriteFault fault)
{
    g_writeFault = fault;
}

} // namespace detail

} // namespace grideon
