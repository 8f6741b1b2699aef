// SPDX-License-Identifier: GPL-3.0-or-later
// The tube record operations: listing, reading, writing, creating and deleting
// "*.lamp" files in the class folders, with Russian messages for every refusal.
#include "anodix/tubedb/tuberecord.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <utility>
#include <vector>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
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


// The message of a failed save: whether the old file is still there matters most.
QString saveFailure(const QString &what, const common::SaveOutcome &problem)
{
    if (problem.replaced)
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
    if (const common::SaveOutcome saved = common::saveWhole(folder + QLatin1Char('/') + fileName, bytes, kWriterName);
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
    const common::SaveOutcome saved = common::saveWhole(
        path, zeroRecord(tubeClass), kWriterName, replaceExisting ? common::Existing::Replace : common::Existing::Keep);
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
        if (const int error = common::writeAccessError(path))
            return failed(failure(common::writeAccessReason(error, path)));
    }

    QFile file(path);
    if (!file.remove())
        return failed(failure(common::refusalReason(path, file.errorString())));
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

} // namespace anodix
