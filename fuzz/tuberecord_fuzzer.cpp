// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the tube record reader: the bytes of a record file split into lines,
// and, when the first byte is odd, a record written and read back through the
// record operations in a temporary working folder.
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

void checkParser(const QByteArray &bytes)
{
    QStringList previous;
    for (int lineCount : {0, 1, 8, 10}) {
        QString error;
        const QStringList lines = anodix::parseTubeRecordLines(bytes, lineCount, &error);
        if (error.isEmpty() != (lines.size() == lineCount))
            fail("the error does not match the number of lines returned", bytes);
        if (!error.isEmpty() && !lines.isEmpty())
            fail("a failed read returned lines", bytes);
        for (const QString &line : lines)
            if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')))
                fail("a line holds a line end", bytes);
        // Asking for more lines never changes the ones before them.
        if (!lines.isEmpty() && lines.mid(0, previous.size()) != previous)
            fail("a longer read disagrees with a shorter one", bytes);
        if (!lines.isEmpty())
            previous = lines;
    }
}

void checkRoundTrip(const QByteArray &bytes)
{
    static QTemporaryDir folder;
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
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] & 1)
        checkRoundTrip(bytes);
    else
        checkParser(bytes);
    return 0;
}
