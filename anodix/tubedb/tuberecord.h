// SPDX-License-Identifier: GPL-3.0-or-later
// Tube record files: one "*.lamp" text file per tube, one number text per
// line, each line ending in CR LF, in a folder per tube class under bd/.
#pragma once

#include "common/durablewriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace anodix {

enum class TubeClass { Triode, PreampPentode, PowerPentode };

// Record fields in file order; a triode record has the first eight.
enum class TubeField {
    HeaterVoltage,
    HeaterCurrent,
    AnodeVoltage,
    AnodeCurrent,
    GridBias,
    Transconductance,
    AmplificationFactor,
    InternalResistance,
    ScreenVoltage,
    ScreenCurrent,
};

// The class folder relative to the working folder, as the user knows it
// (".\bd\triod" on Windows, "./bd/triod" elsewhere).
QString TubeRecordFolder(TubeClass tubeClass);
// 8 for Triode, 10 for the pentode classes.
int recordLineCount(TubeClass tubeClass);

// Splits the bytes of a record file into its first lineCount lines. A line
// ends at CR LF, a bare LF or a bare CR; a last line without a line end still
// counts; a leading UTF-8 byte order mark is skipped; lines past lineCount are
// ignored. With fewer lines it returns an empty list and, when error is given,
// sets it to the reason in Russian (it is cleared on success).
QStringList parseTubeRecordLines(const QByteArray &bytes, int lineCount, QString *error = nullptr);
// The bytes of a record file holding these values, each followed by CR LF.
// A value with a line end, or with a byte order mark that reading would take
// for the file's own, cannot be stored: then it returns nothing and, when error
// is given, sets it to the reason in Russian (it is cleared on success).
QByteArray formatTubeRecordLines(const QStringList &values, QString *error = nullptr);

// Anodix's name on its temporary files (".anodix-…"), which it alone removes.
inline constexpr QLatin1StringView kWriterName("anodix");

// Writes bytes as the whole new content of path, atomically: an existing file
// keeps its old content until the new one is complete on disk. Empty on
// success, otherwise the likely reason in Russian. Every file the program
// writes goes through here, the one writer of common/durablewriter.h.
inline QString SaveWholeFile(const QString &path, const QByteArray &bytes)
{
    return common::SaveWholeFile(path, bytes, kWriterName);
}

struct RecordList
{
    QStringList names; // file names with extension, in alphabetical order
    QString error;     // empty on success
    // Record files left out because the editor would refuse their names (see
    // nameProblem), and the message for the user that names them; both empty
    // when there are none.
    QStringList refused;
    QString refusedMessage;
    bool ok() const { return error.isEmpty(); }
};

struct RecordLines
{
    QStringList lines; // the texts of the lines read, without line ends
    QByteArray bytes;  // the file as read, to tell later whether it changed
    QString error;     // empty on success
    bool ok() const { return error.isEmpty(); }
};

struct RecordOutcome
{
    enum class Status { Done, AlreadyExists, Failed };
    Status status = Status::Done;
    QString error; // a message for the user when not Done
    bool ok() const { return status == Status::Done; }
};

// The five record operations, on the class folders under one working folder.
class TubeDatabase
{
public:
    explicit TubeDatabase(QString workingFolder = QStringLiteral("."));

    const QString &workingFolder() const { return m_workingFolder; }
    // The absolute-or-relative path of the class folder under the working folder.
    QString folderPath(TubeClass tubeClass) const;

    // The class folder's records, the ones the editor could have made.
    RecordList ListTubeRecords(TubeClass tubeClass) const;
    // Reads lineCount lines (default: the class's count); fails when the file
    // is missing, unreadable or ends before that many lines.
    RecordLines ReadTubeRecord(TubeClass tubeClass, const QString &fileName, int lineCount = -1) const;
    // values must hold the class's count of texts; written exactly as given,
    // atomically and durably: Done only once the new file and its name are on
    // disk; on failure the old file stays as it was. A record that is a link or
    // any other non-regular file is refused, never written through.
    RecordOutcome WriteTubeRecord(TubeClass tubeClass, const QString &fileName, const QStringList &values) const;
    // A new record of "0" lines named tubeName + ".lamp". An existing record is
    // replaced only when replaceExisting is set; otherwise AlreadyExists.
    RecordOutcome CreateTubeRecord(TubeClass tubeClass, const QString &tubeName, bool replaceExisting = false) const;
    // Removes a "*.lamp" file of the folder; a link is removed, not its target.
    RecordOutcome DeleteTubeRecord(TubeClass tubeClass, const QString &fileName) const;

    // Why a tube name cannot name a file (path separator, "..", control
    // character or line separator, only dots and blanks, a bidirectional control character that
    // shows the name other than typed, empty, longer than 250 bytes with the
    // extension); a Russian
    // sentence for the user, empty when the name can be used.
    static QString nameProblem(const QString &tubeName);

private:
    // The class folder as the messages name it: the user's relative form when
    // working in ".", the native full path otherwise.
    QString shownFolder(TubeClass tubeClass) const;
    // A message when the class folder is missing or no folder; empty when usable.
    QString folderProblem(TubeClass tubeClass) const;

    QString m_workingFolder;
};

namespace detail {

// The writer's fault seam, under the names the record store's tests know.
using common::detail::WriteFault;
using common::detail::WriteStep;
using common::detail::setWriteFaultForTesting;

} // namespace detail

} // namespace anodix
