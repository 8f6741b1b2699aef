// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the reader of the ratings files beside the tube records: it either
// takes a file whole or refuses it with a reason, never half of it; what it
// takes is usable as it stands; and a file means the same whatever its line
// ends are or what notes stand before it.
#include "anodix/tubedb/tubelimits.h"

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "invariant broken: %s\n  input %s\n", what, bytes.toHex(' ').constData());
    std::abort();
}

bool usable(const std::optional<double> &figure)
{
    return !figure || (std::isfinite(*figure) && *figure > 0);
}

void check(const QByteArray &bytes)
{
    const anodix::LimitsRead read = anodix::parseTubeLimits(bytes);
    if (read.ok() != read.limits.has_value())
        fail("an error and limits together, or neither", bytes);
    if (!read.limits)
        return;
    const anodix::TubeLimits &l = *read.limits;
    if (!l.anodeDissipation && !l.screenDissipation && !l.anodeVoltage && !l.cathodeCurrent)
        fail("limits without a figure", bytes);
    if (!usable(l.anodeDissipation) || !usable(l.screenDissipation) || !usable(l.anodeVoltage)
        || !usable(l.cathodeCurrent))
        fail("a figure that is not a number above zero", bytes);
    for (const QChar c : l.source)
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029))
            fail("a control character or line separator in the source", bytes);

    // The same file with other line ends and a note before it reads the same.
    QByteArray other = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    other.replace("\r\n", "\n").replace('\r', '\n').replace('\n', "\r\n");
    const anodix::LimitsRead again = anodix::parseTubeLimits("# note\r\n" + other);
    if (!again.limits || !(*again.limits == l))
        fail("other line ends or a note change what the file says", bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    check(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
