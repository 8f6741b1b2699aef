// SPDX-License-Identifier: GPL-3.0-or-later
// The tube record operations: listing, reading, writing, creating and deleting
// "*.lamp" files in the class folders, with Russian messages for every refusal.
#include "anodix/tubedb/tuberecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStorageInfo>
#include <QStringDecoder>

#include <algorithm>
#include <utility>
#include <vector>
#include <cerrno>
#include <cstring>
#include <ctime>

#ifdef Q_OS_UNIX
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace anodix {

namespace {

const QString kExtension = QStringLiteral(".lamp");
// Most file systems stop at 255 bytes a name; the rest is kept spare.
constexpr qsizetype kMaxFileNameBytes = 250;
// A record is a few dozen bytes; a larger file is read no further than this.
constexpr qint64 kMaxRecordBytes = 1024 * 1024;

QString classSubfolder(TubeClass tubeClass)
{
    switch (tubeClass) {
    case TubeClass::Triode:
        return QStringLiteral("bd/triod");
    case TubeClass::PreampPentode:
        return QStringLiteral("bd/pentod");
    case TubeClass::PowerPentode:
        return QStringLiteral("bd/tetrod");
    }
    return QStringLiteral("bd/triod");
}

QString quoted(const QString &text)
{
    return QStringLiteral("«%1»").arg(text);
}

// "1 строка", "3 строки", "8 строк".
QString linesText(qsizetype count)
{
    const qsizetype lastTwo = count % 100;
    const qsizetype last = count % 10;
    const char *word = "строк";
    if (last == 1 && lastTwo != 11)
        word = "строка";
    else if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        word = "строки";
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromUtf8(word));
}

// C0 and C1 controls and the Unicode line and paragraph separators: each can
// end a line in some reader of the texts a name goes into.
bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
    });
}

// A file name as a message may show it: what would not print becomes "?".
QString shownName(const QString &name)
{
    QString shown = name;
    for (QChar &c : shown) {
        if (!c.isPrint() || (c.isSpace() && c != u' ')) // isPrint takes U+2028 for printable
            c = u'?';
    }
    return shown;
}

// These turn the letters after them around on screen, so "6N2P\u202Epmal.exe"
// would show as another name than the one on disk.
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

// A file name handed in by the list must stay inside the class folder.
QString fileNameProblem(const QString &fileName)
{
    if (fileName.isEmpty())
        return QStringLiteral("имя файла пустое");
    if (fileName.contains(QLatin1Char('/')) || fileName.contains(QLatin1Char('\\')))
        return QStringLiteral("имя файла содержит знак «/» или «\\»");
    if (fileName == QLatin1String(".") || fileName == QLatin1String(".."))
        return QStringLiteral("это имя папки, а не файла");
    return {};
}

RecordOutcome failed(const QString &message)
{
    return {RecordOutcome::Status::Failed, message};
}

// The likely cause of a refused write or removal, told in Russian; the
// system's own text only when none of the usual causes applies.
QString refusalReason(const QString &folder, const QString &path, const QString &systemText)
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
    default:
        break;
    }
    return refusalReason(folder, path, QString::fromLocal8Bit(std::strerror(error)));
}

// Records are written only as regular files of their folder: through a link
// the write would land in another file, perhaps far outside bd/.
QString notRegularProblem(const QString &path)
{
    const QFileInfo file(path);
    if (file.isSymLink())
        return QStringLiteral("это ссылка на другой файл, а не сама запись; через ссылку программа не пишет");
    if (!file.exists())
        return {};
    if (file.isDir())
        return QStringLiteral("под этим именем в папке есть вложенная папка");
    if (!file.isFile())
        return QStringLiteral("это не обычный файл");
    return {};
}

// 0 when an existing file at path may be written over, or there is none; else
// the errno of the refusal: EROFS on a read-only disk, EACCES for a
// write-protected file.
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

QString writeAccessReason(int error, const QString &folder, const QString &path)
{
    if (error == EACCES || error == EPERM)
        return QStringLiteral("файл защищён от записи");
    return errorReason(error, folder, path);
}

// How a write ended: error 0 when the new file is durably in place; renamed
// tells whether the old file was already replaced when the error came.
struct WriteResult
{
    int error = 0;
    bool renamed = false;
};

enum class Existing { Replace, Keep };

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

// The temporary files of this program: ".anodix-", six letters or digits, ".tmp".
const char kTemporaryPrefix[] = ".anodix-";
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

// A write cut short (the program killed, the power lost) leaves its complete
// or half temporary file behind; the next write in the folder removes those
// old enough to be nobody's. One pass over the folder, as a listing costs.
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

// The bytes go to a temporary file beside the record, which is synced, closed
// and only then renamed over the record; then the folder is synced so that the
// rename survives a power cut. Any failure before the rename leaves the old
// file untouched and removes the temporary one.
WriteResult writeDurably(const QString &folder, const QString &path, const QByteArray &bytes, Existing existing)
{
    const QByteArray folderName = QFile::encodeName(folder);
    const QByteArray target = QFile::encodeName(path);
    removeLeftoverTemporaries(folderName);
    QByteArray temporary;
    const int fd = createTemporary(folderName, temporary);
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

WriteResult writeDurably(const QString &, const QString &path, const QByteArray &bytes, Existing existing)
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

struct SaveProblem
{
    QString reason;        // in Russian; empty on success
    bool renamed = false;  // the old file was already replaced
    bool taken = false;    // Keep found the name taken
};

// Writes the whole text so that the old content stays until the new one is
// complete on disk. Replace refuses a link or other non-regular file; Keep
// refuses any existing name.
SaveProblem saveWhole(const QString &folder, const QString &path, const QByteArray &bytes,
                      Existing existing = Existing::Replace)
{
    if (existing == Existing::Replace) {
        if (QString problem = notRegularProblem(path); !problem.isEmpty())
            return {std::move(problem)};
        // The rename would replace a write-protected record as easily as any
        // other. On a read-only disk every file is refused so; the disk is the cause told.
        int error = injectedFault(detail::WriteStep::Open);
        if (!error)
            error = writeAccessError(path);
        if (error)
            return {writeAccessReason(error, folder, path)};
    }
    const WriteResult result = writeDurably(folder, path, bytes, existing);
    if (!result.error)
        return {};
    if (result.error == EEXIST && existing == Existing::Keep)
        return {QStringLiteral("файл уже существует"), false, true};
    return {errorReason(result.error, folder, path), result.renamed};
}

// The message of a failed save: whether the old file is still there matters most.
QString saveFailure(const QString &what, const SaveProblem &problem)
{
    if (problem.renamed)
        return QStringLiteral("%1: файл заменён, но система не подтвердила, что он сохранён на диске (%2).")
            .arg(what, problem.reason);
    return QStringLiteral("%1: %2. Файл на диске не изменён.").arg(what, problem.reason);
}

// (case-folded name, name) of every record file in the folder, unsorted;
// 0, or the errno of a folder that cannot be opened or read to its end.
using NameEntries = std::vector<std::pair<QString, QString>>;

int collectRecordNames(const QString &folder, NameEntries &entries)
{
#ifdef Q_OS_UNIX
    // A plain directory read: the entry types come with the names, so a stat is
    // needed only for links, and a folder of 10,000 records lists in a few ms.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return errno;
    // readdir ends both the folder and a failed read with null; errno, cleared
    // before each call, tells them apart.
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            readError = errno;
            break;
        }
        const char *name = entry->d_name;
        const std::size_t length = std::strlen(name);
        if (length < 5 || ::strncasecmp(name + length - 5, ".lamp", 5) != 0)
            continue;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat status;
            isFile = ::fstatat(::dirfd(dir), name, &status, 0) == 0 && S_ISREG(status.st_mode);
        }
        if (isFile) {
            QString text = QFile::decodeName(name);
            entries.emplace_back(text.toCaseFolded(), std::move(text));
        }
    }
    ::closedir(dir);
    if (readError)
        return readError;
#else
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        QString name = it.fileName();
        if (name.endsWith(kExtension, Qt::CaseInsensitive))
            entries.emplace_back(name.toCaseFolded(), std::move(name));
    }
#endif
    return 0;
}

QByteArray zeroRecord(TubeClass tubeClass)
{
    return QByteArray("0\r\n").repeated(recordLineCount(tubeClass));
}

} // namespace

QString SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    const SaveProblem problem = saveWhole(QFileInfo(path).absolutePath(), path, bytes);
    if (problem.renamed)
        return QStringLiteral("файл заменён, но система не подтвердила, что он сохранён на диске (%1)").arg(problem.reason);
    return problem.reason;
}

QString TubeRecordFolder(TubeClass tubeClass)
{
    return QDir::toNativeSeparators(QStringLiteral("./") + classSubfolder(tubeClass));
}

int recordLineCount(TubeClass tubeClass)
{
    return tubeClass == TubeClass::Triode ? 8 : 10;
}

QStringList parseTubeRecordLines(const QByteArray &bytes, int lineCount, QString *error)
{
    if (error)
        error->clear();
    if (lineCount < 0) {
        if (error)
            *error = QStringLiteral("запрошено отрицательное число строк");
        return {};
    }

    QStringList lines;
    lines.reserve(std::min(lineCount, 64));
    const char *const end = bytes.constData() + bytes.size();
    const char *pos = bytes.constData();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        pos += 3;
    QStringDecoder lineDecoder(QStringConverter::Utf8,
                               QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    while (lines.size() < lineCount && pos < end) {
        const char *stop = std::find_if(pos, end, [](char c) { return c == '\r' || c == '\n'; });
        // fromUtf8 would drop a byte order mark opening any line; only the
        // file's first one (skipped above) is not part of a value.
        lines.append(lineDecoder.decode(QByteArrayView(pos, stop - pos)));
        pos = stop;
        if (pos < end)
            pos += (*pos == '\r' && pos + 1 < end && pos[1] == '\n') ? 2 : 1;
    }

    if (lines.size() < lineCount) {
        if (error) {
            *error = lines.isEmpty()
                ? QStringLiteral("файл пуст")
                : QStringLiteral("в файле %1 из %2 нужных").arg(linesText(lines.size())).arg(lineCount);
        }
        return {};
    }
    return lines;
}

QByteArray formatTubeRecordLines(const QStringList &values, QString *error)
{
    const auto refuse = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QByteArray();
    };
    if (error)
        error->clear();
    QByteArray bytes;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (values[i].contains(QLatin1Char('\r')) || values[i].contains(QLatin1Char('\n')))
            return refuse(QStringLiteral("значение строки %1 содержит перевод строки").arg(i + 1));
        // An invisible byte order mark opening the file would be taken for the
        // file's own and dropped on reading; no number holds one anyway.
        if (values[i].contains(QChar(0xFEFF)))
            return refuse(QStringLiteral("значение строки %1 содержит невидимый знак U+FEFF").arg(i + 1));
        bytes += values[i].toUtf8() + "\r\n";
    }
    return bytes;
}

TubeDatabase::TubeDatabase(QString workingFolder)
    : m_workingFolder(std::move(workingFolder))
{
}

QString TubeDatabase::folderPath(TubeClass tubeClass) const
{
    const QString base = m_workingFolder.isEmpty() ? QStringLiteral(".") : m_workingFolder;
    const bool endsInSeparator = base.endsWith(QLatin1Char('/')) || base.endsWith(QLatin1Char('\\'));
    return base + (endsInSeparator ? QString() : QStringLiteral("/")) + classSubfolder(tubeClass);
}

QString TubeDatabase::shownFolder(TubeClass tubeClass) const
{
    if (m_workingFolder == QLatin1String(".") || m_workingFolder.isEmpty())
        return TubeRecordFolder(tubeClass);
    return QDir::toNativeSeparators(folderPath(tubeClass));
}

QString TubeDatabase::folderProblem(TubeClass tubeClass) const
{
    const QFileInfo folder(folderPath(tubeClass));
    if (!folder.exists())
        return QStringLiteral("Не найдена папка %1 с записями о лампах.").arg(quoted(shownFolder(tubeClass)));
    if (!folder.isDir())
        return QStringLiteral("%1 — не папка, а файл; записи о лампах хранятся в папке с этим именем.")
            .arg(quoted(shownFolder(tubeClass)));
    return {};
}

RecordList TubeDatabase::ListTubeRecords(TubeClass tubeClass) const
{
    RecordList result;
    if (const QString problem = folderProblem(tubeClass); !problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    // Sorted here on case-folded keys made once: QDir's own sorting folds the
    // names anew for every comparison and costs several times more.
    NameEntries entries;
    entries.reserve(256);
    // A read that fails half-way is told, never shown as a shorter list.
    if (const int error = collectRecordNames(folderPath(tubeClass), entries); error == EACCES) {
        result.error = QStringLiteral("Нет прав на чтение папки %1.").arg(quoted(shownFolder(tubeClass)));
        return result;
    } else if (error) {
        result.error = QStringLiteral("Не удалось прочитать папку %1: %2.")
                           .arg(quoted(shownFolder(tubeClass)), QString::fromLocal8Bit(std::strerror(error)));
        return result;
    }
    std::sort(entries.begin(), entries.end());

    // A file the editor could not have made under its name is left out and
    // told: its name would go into the netlists and reports as it is.
    result.names.reserve(qsizetype(entries.size()));
    QStringList reasons;
    for (auto &entry : entries) {
        if (const QString problem = nameProblem(entry.second.chopped(kExtension.size())); problem.isEmpty()) {
            result.names.append(std::move(entry.second));
        } else {
            reasons.append(quoted(shownName(entry.second)) + QStringLiteral(": ") + problem);
            result.refused.append(std::move(entry.second));
        }
    }
    constexpr qsizetype kNamedAtMost = 5;
    if (result.refused.size() == 1) {
        result.refusedMessage = QStringLiteral("Файл %1 в папке %2 не показан в списке. %3 Переименуйте файл.")
                                    .arg(quoted(shownName(result.refused.first())), quoted(shownFolder(tubeClass)),
                                         nameProblem(result.refused.first().chopped(kExtension.size())));
    } else if (!result.refused.isEmpty()) {
        if (reasons.size() > kNamedAtMost) {
            const qsizetype more = reasons.size() - kNamedAtMost;
            reasons = reasons.mid(0, kNamedAtMost);
            reasons.append(QStringLiteral("и ещё %1").arg(more));
        }
        result.refusedMessage = QStringLiteral("Файлы в папке %1 не показаны в списке:\n%2\nПереименуйте их.")
                                    .arg(quoted(shownFolder(tubeClass)), reasons.join(u'\n'));
    }
    return result;
}

RecordLines TubeDatabase::ReadTubeRecord(TubeClass tubeClass, const QString &fileName, int lineCount) const
{
    RecordLines result;
    const int wanted = lineCount < 0 ? recordLineCount(tubeClass) : lineCount;
    const auto failure = [&](const QString &reason) {
        return QStringLiteral("Не удалось прочитать запись %1: %2.").arg(quoted(fileName), reason);
    };

    if (const QString problem = fileNameProblem(fileName); !problem.isEmpty()) {
        result.error = failure(problem);
        return result;
    }
    if (const QString problem = folderProblem(tubeClass); !problem.isEmpty()) {
        result.error = problem;
        return result;
    }
    const QString path = folderPath(tubeClass) + QLatin1Char('/') + fileName;
    const QFileInfo info(path);
    // Opening a pipe or device by that name could block or never end.
    if (!info.exists()) {
        result.error = failure(QStringLiteral("файл не найден"));
        return result;
    }
    if (!info.isFile()) {
        result.error = failure(QStringLiteral("это не файл"));
        return result;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = failure(info.isReadable() ? QStringLiteral("система ответила: %1").arg(file.errorString())
                                                     : QStringLiteral("нет прав на чтение файла"));
        return result;
    }
    QByteArray bytes;
    while (bytes.size() < kMaxRecordBytes) {
        const QByteArray chunk = file.read(std::min<qint64>(64 * 1024, kMaxRecordBytes - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        result.error = failure(QStringLiteral("ошибка чтения (%1)").arg(file.errorString()));
        return result;
    }
    const bool cutShort = !file.atEnd();
    file.close();

    QString problem;
    result.lines = parseTubeRecordLines(bytes, wanted, &problem);
    if (!problem.isEmpty()) {
        result.error = failure(cutShort ? QStringLiteral("файл слишком велик для записи о лампе") : problem);
        result.lines.clear();
        return result;
    }
    result.bytes = std::move(bytes);
    return result;
}

RecordOutcome TubeDatabase::WriteTubeRecord(TubeClass tubeClass, const QString &fileName,
                                            const QStringList &values) const
{
    const QString what = QStringLiteral("Не удалось записать файл %1").arg(quoted(fileName));
    const auto failure = [&](const QString &reason) { return QStringLiteral("%1: %2.").arg(what, reason); };
    const int count = recordLineCount(tubeClass);
    if (values.size() != count) {
        return failed(failure(QStringLiteral("в записи должно быть %1 значений, а передано %2")
                                      .arg(count)
                                      .arg(values.size())));
    }
    QString problem;
    const QByteArray bytes = formatTubeRecordLines(values, &problem);
    if (!problem.isEmpty())
        return failed(failure(problem));
    if (const QString problem = fileNameProblem(fileName); !problem.isEmpty())
        return failed(failure(problem));
    if (const QString problem = folderProblem(tubeClass); !problem.isEmpty())
        return failed(problem);

    const QString folder = folderPath(tubeClass);
    if (const SaveProblem saved = saveWhole(folder, folder + QLatin1Char('/') + fileName, bytes);
        !saved.reason.isEmpty())
        return failed(saveFailure(what, saved));
    return {};
}

RecordOutcome TubeDatabase::CreateTubeRecord(TubeClass tubeClass, const QString &tubeName,
                                             bool replaceExisting) const
{
    if (const QString problem = nameProblem(tubeName); !problem.isEmpty())
        return failed(problem);
    if (const QString problem = folderProblem(tubeClass); !problem.isEmpty())
        return failed(problem);

    const QString fileName = tubeName + kExtension;
    const QString folder = folderPath(tubeClass);
    const QString path = folder + QLatin1Char('/') + fileName;
    const QString what = QStringLiteral("Не удалось создать запись %1").arg(quoted(fileName));
    const RecordOutcome exists{RecordOutcome::Status::AlreadyExists,
                               QStringLiteral("Запись %1 уже существует.").arg(quoted(fileName))};

    if (!replaceExisting) {
        const QFileInfo existing(path);
        if (existing.exists() || existing.isSymLink())
            return exists;
    }
    // Without consent to replace, the rename itself refuses a name taken
    // meanwhile, so no existing record can be lost.
    const SaveProblem saved =
        saveWhole(folder, path, zeroRecord(tubeClass), replaceExisting ? Existing::Replace : Existing::Keep);
    if (saved.taken)
        return exists;
    if (!saved.reason.isEmpty())
        return failed(saveFailure(what, saved));
    return {};
}

RecordOutcome TubeDatabase::DeleteTubeRecord(TubeClass tubeClass, const QString &fileName) const
{
    const auto failure = [&](const QString &reason) {
        return QStringLiteral("Не удалось удалить запись %1: %2.").arg(quoted(fileName), reason);
    };
    if (const QString problem = fileNameProblem(fileName); !problem.isEmpty())
        return failed(failure(problem));
    if (const QString problem = folderProblem(tubeClass); !problem.isEmpty())
        return failed(problem);

    if (!fileName.endsWith(kExtension, Qt::CaseInsensitive))
        return failed(failure(QStringLiteral("удаляются только файлы записей, с окончанием «.lamp»")));

    const QString folder = folderPath(tubeClass);
    const QString path = folder + QLatin1Char('/') + fileName;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return failed(failure(QStringLiteral("файл не найден")));
    if (info.isDir() && !info.isSymLink())
        return failed(failure(QStringLiteral("это папка, а не файл")));
    // A read-only record is kept on every platform, as Windows itself would.
    if (!info.isSymLink()) {
        if (const int error = writeAccessError(path))
            return failed(failure(writeAccessReason(error, folder, path)));
    }

    QFile file(path);
    if (!file.remove())
        return failed(failure(refusalReason(folder, path, file.errorString())));
    return {};
}

QString TubeDatabase::nameProblem(const QString &tubeName)
{
    if (tubeName.isEmpty())
        return QStringLiteral("Название лампы не может быть пустым.");
    if (tubeName.contains(QLatin1Char('/')) || tubeName.contains(QLatin1Char('\\')))
        return QStringLiteral("Название лампы не может содержать знаки «/» и «\\».");
    if (tubeName.contains(QLatin1String("..")))
        return QStringLiteral("Название лампы не может содержать две точки подряд.");
    if (hasControlCharacter(tubeName))
        return QStringLiteral("Название лампы не может содержать управляющие знаки (перевод строки, табуляцию).");
    if (std::all_of(tubeName.cbegin(), tubeName.cend(), [](QChar c) { return c == QLatin1Char('.') || c.isSpace(); }))
        return QStringLiteral("Название лампы не может состоять из одних точек и пробелов.");
    if (std::any_of(tubeName.cbegin(), tubeName.cend(), isBidiControl))
        return QStringLiteral("Название лампы не может содержать невидимые знаки направления письма "
                              "(U+202A–U+202E, U+2066–U+2069): имя файла выглядело бы не так, как набрано.");
    if (!tubeName.isValidUtf16())
        return QStringLiteral("Название лампы содержит недопустимые знаки.");
#ifdef Q_OS_WIN
    if (std::any_of(tubeName.cbegin(), tubeName.cend(), [](QChar c) { return QStringView(u"<>:\"|?*").contains(c); }))
        return QStringLiteral("Название лампы не может содержать знаки < > : \" | ? *.");
#endif
    if ((tubeName + kExtension).toUtf8().size() > kMaxFileNameBytes)
        return QStringLiteral("Название лампы слишком длинное для имени файла.");
    return {};
}

namespace detail {

void setWriteFaultForTesting(WriteFault fault)
{
    g_writeFault = fault;
}

} // namespace detail

} // namespace anodix
