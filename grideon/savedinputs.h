// SPDX-License-Identifier: GPL-3.0-or-later
// The saved inputs file "data.dat": six lines of plain number text, each with
// one blank after it and a CR LF, read leniently at start and written at close.
#pragma once

#include "grideon/stagecalc.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <optional>

namespace grideon {

inline constexpr const char *kSavedInputsFile = "data.dat";
// Grideon's name on its temporary files (".grideon-…"), which it alone removes.
inline constexpr QLatin1StringView kWriterName("grideon");
// Six numbers take far less; the rest of a larger file is ignored unread.
inline constexpr int kMaxSavedInputsBytes = 4096;

struct SavedInputs
{
    StageInputs inputs; // the fields read; the others stay 0
    int fieldsRead = 0;
    bool complete() const { return fieldsRead == kStageInputCount; }
};

// Numbers are separated by line ends, blanks or commas; a field that is no
// number gives 0; reading stops at the end of the bytes or after six fields.
SavedInputs ParseSavedInputs(const QByteArray &bytes);
QByteArray FormatSavedInputs(const StageInputs &inputs);

// Nothing when the file cannot be opened (usually: it does not exist yet) or
// is no regular file (a pipe, a device, a folder); reads its first
// kMaxSavedInputsBytes bytes at most.
std::optional<SavedInputs> ReadSavedInputsFile(const QString &path);
// Written through the one durable writer (common/durablewriter.h), atomically
// and durably: true only once the new file and its name are on disk; on
// failure the previous file stays whole and, when reason is given, it is set
// to the cause in Russian.
bool WriteSavedInputsFile(const QString &path, const StageInputs &inputs, QString *reason = nullptr);

} // namespace grideon
