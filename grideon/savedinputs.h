// SPDX-License-Identifier: GPL-3.0-or-later
// The saved inputs file "data.dat": six lines of plain number text, each with
// one blank after it and a CR LF, read leniently at start and written at close.
#pragma once

#include "grideon/stagecalc.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace grideon {

inline constexpr const char *kSavedInputsFile = "data.dat";

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

// Nothing when the file cannot be opened (usually: it does not exist yet).
std::optional<SavedInputs> ReadSavedInputsFile(const QString &path);
// Written atomically, so a failed write leaves the previous file whole.
bool WriteSavedInputsFile(const QString &path, const StageInputs &inputs);

} // namespace grideon
