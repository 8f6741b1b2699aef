// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the tube record reader in memory: the bytes of a record file split
// into lines, and the round trip bytes → lines → bytes → lines. The same
// round trip through real files is tuberecordfile_fuzzer, a slower target.
#include "anodix/tubedb/tuberecord.h"

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

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

// Eight values from the input's lines, as an editor's boxes could hold them:
// whatever can be stored reads back unchanged, and what is read can be
// written again and reads back the same.
void checkRoundTrip(const QByteArray &bytes)
{
    QStringList values = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    values.resize(8);
    QString error;
    const QByteArray written = anodix::formatTubeRecordLines(values, &error);
    // A line end, or a byte order mark that reading would take for the file's
    // own, cannot be stored; everything else must be.
    const QString joined = values.join(QString());
    const bool unstorable = joined.contains(QLatin1Char('\r')) || joined.contains(QChar(0xFEFF));
    if (error.isEmpty() == unstorable)
        fail(unstorable ? "a value that cannot be stored was formatted" : "a plain record was refused", bytes);
    if (error.isEmpty() && anodix::parseTubeRecordLines(written, 8) != values)
        fail("a record does not read back as written", bytes);

    const QStringList read = anodix::parseTubeRecordLines(bytes, 8);
    if (read.isEmpty())
        return;
    const QByteArray again = anodix::formatTubeRecordLines(read, &error);
    if (error.isEmpty() && anodix::parseTubeRecordLines(again, 8) != read)
        fail("lines read do not survive being written again", bytes);
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
