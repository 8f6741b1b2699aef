// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the record operations on real files: a record written and read back
// through them in a temporary working folder. Each input does a write, an
// fsync and a read, so this target runs far slower than tuberecord_fuzzer.
#include "anodix/tubedb/tuberecord.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using anodix::TubeClass;

[[noreturn]] void fail(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "invariant broken: %s\n  input %s\n", what, bytes.toHex(' ').constData());
    std::abort();
}

void checkRoundTrip(const QByteArray &bytes)
{
    // On a RAM file system, where a sync costs nothing, when there is one.
    static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                    ? QStringLiteral("/dev/shm/tuberecordfile-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/tuberecordfile-XXXXXX"));
    static const bool made = QDir(folder.path()).mkpath(QStringLiteral("bd/triod"));
    if (!made)
        std::abort();
    const anodix::TubeDatabase database(folder.path());

    // Eight values from the input's lines; missing ones are empty texts.
    QStringList values = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    values.resize(8);
    const anodix::RecordOutcome written =
        database.WriteTubeRecord(TubeClass::Triode, QStringLiteral("fuzz.lamp"), values);
    // A line end, or a byte order mark that reading would take for the file's
    // own, cannot be stored; everything else must be.
    const QString joined = values.join(QString());
    const bool unstorable = joined.contains(QLatin1Char('\r')) || joined.contains(QChar(0xFEFF));
    if (written.ok() == unstorable)
        fail(unstorable ? "a value that cannot be stored was written" : "a plain record was refused", bytes);
    if (!written.ok())
        return;
    const anodix::RecordLines read = database.ReadTubeRecord(TubeClass::Triode, QStringLiteral("fuzz.lamp"));
    if (!read.ok() || read.lines != values)
        fail("a record does not read back as written", bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    checkRoundTrip(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
