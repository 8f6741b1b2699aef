// SPDX-License-Identifier: GPL-3.0-or-later
// The one durable writer of both programs: a file's whole new content put in
// place atomically, with the likely cause of a refusal told in Russian.
#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

namespace common {

// The program that writes names its temporary files "." + owner + "-", six
// letters or digits, ".tmp" ("anodix", "grideon"), and removes only its own
// leftovers: two programs in one folder never take each other's half-written file.
enum class Existing {
    Replace, // an existing regular file is replaced; a link or other special file is refused
    Keep,    // an existing name of any kind is refused, even one taken during the write
};

struct SaveOutcome
{
    QString reason;        // why the file was not written, in Russian; empty on success
    bool replaced = false; // the new file was already in place when the failure came
    bool taken = false;    // Keep found the name taken
    bool ok() const { return reason.isEmpty(); }
};

// Writes bytes as the whole new content of path: the old content stays until
// the new one is complete on disk, then the name moves over in one step and the
// folder is synced so that the move survives a power cut. A replaced file keeps
// its mode; a new one gets 0666 less the umask.
SaveOutcome saveWhole(const QString &path, const QByteArray &bytes, QLatin1StringView owner,
                      Existing existing = Existing::Replace);

// As saveWhole with Replace, told as one text: empty on success, otherwise the
// reason, saying so when the file was replaced but the disk did not confirm it.
QString SaveWholeFile(const QString &path, const QByteArray &bytes, QLatin1StringView owner);

// For a change of a file other than a write (a removal): 0 when an existing
// file at path may be changed, or there is none, else the errno of the refusal
// (EROFS on a read-only disk, EACCES for a write-protected file); and the
// reasons, in Russian, for such an errno and for a refusal the system told in systemText.
int writeAccessError(const QString &path);
QString writeAccessReason(int error, const QString &path);
QString refusalReason(const QString &path, const QString &systemText);

namespace detail {

// The steps of a write that the system can refuse. Open is the check that an
// existing file may be replaced and the creation of the temporary file.
enum class WriteStep { Open, Write, Sync, Close, Rename, SyncFolder };
// Asked before each step of every write; a non-zero errno value makes that step
// fail with it as the system would (a failing write has first written half its
// bytes, as on a disk that fills up). For tests: nullptr, the default, lets
// every step run.
using WriteFault = int (*)(WriteStep step);
void setWriteFaultForTesting(WriteFault fault);

} // namespace detail

} // namespace common
