// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the readers of what ngspice leaves behind: its output streams fed
// in pieces of any size (a kept tail that is the stream's end and never
// longer than its bound, one trimmed error line, a message of at most two
// printable lines) and its data files (finite figures, or the one reason).
#include "anodix/response/simulation.h"

#include <QStringList>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace anodix::response;

[[noreturn]] void fail(const char *what, const QString &detail, const QByteArray &input)
{
    std::fprintf(stderr, "invariant broken: %s\n  %s\n  input %s\n", what, detail.toUtf8().constData(),
                 input.left(200).toHex(' ').constData());
    std::abort();
}

bool shownChar(QChar c)
{
    return c == u' ' || (c.isPrint() && !c.isSpace() && c != QChar::ReplacementCharacter);
}

void checkShown(const QString &line, const QByteArray &input)
{
    if (line.size() > kShownLength)
        fail("a shown line too long", line, input);
    for (const QChar c : line) {
        if (!shownChar(c))
            fail("a shown line with a character that does not print", line, input);
    }
}

void checkMessage(const QString &message, const QByteArray &input)
{
    const QStringList lines = message.split(u'\n');
    if (lines.size() > 2 || !lines.first().startsWith(QStringLiteral("ngspice ")))
        fail("a message that is not one sentence and one line of ngspice's", message, input);
    checkShown(lines.first().left(kShownLength), input);
    if (lines.size() == 2) {
        if (!lines[1].startsWith(QStringLiteral("ngspice: ")))
            fail("ngspice's line without its label", message, input);
        checkShown(lines[1].mid(9), input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // The first byte sets the size of the pieces the stream comes in, the
    // second the mid-band gain the response is drawn against.
    const qsizetype piece = 1 + data[0] % 64 * (data[0] >= 128 ? 97 : 1);
    const double gain = std::ldexp(1.0 + data[1] % 16, data[1] / 16 - 4);
    const QByteArray stream = input.mid(2);

    SpiceOutput output;
    for (qsizetype at = 0; at < stream.size(); at += piece)
        output.append(QByteArrayView(stream).sliced(at, std::min(piece, stream.size() - at)));
    output.finish();
    if (output.tail().size() > SpiceOutput::kKeptBytes || !stream.endsWith(output.tail())
        || output.tail().size() < std::min(stream.size(), SpiceOutput::kKeptBytes))
        fail("a kept tail that is not the stream's end", QString::number(output.tail().size()), input);
    const QString &line = output.errorLine();
    if (line != line.trimmed() || line.contains(u'\n') || line.contains(u'\r')
        || line.size() > SpiceOutput::kLongestLine)
        fail("an error line that is not one trimmed line", line, input);
    checkMessage(spiceErrorMessage(line, output.singularMatrix()), input);
    checkMessage(spiceErrorMessage(QString::fromUtf8(stream), output.singularMatrix()), input);
    checkShown(shownSpiceLine(QString::fromUtf8(stream)), input);

    // The response file, then after a NUL byte the Fourier file.
    const qsizetype split = stream.indexOf('\0');
    const QString response = QString::fromUtf8(stream.left(split < 0 ? stream.size() : split));
    const QString fourier = split < 0 ? QString() : QString::fromUtf8(stream.mid(split + 1));
    QString error;
    const std::optional<Simulation> s = ParseSimulation(response, fourier, gain, error);
    if (!s) {
        if (!error.startsWith(QStringLiteral("ngspice не записала файл ")))
            fail("a failed reading without its reason", error, input);
        return 0;
    }
    if (s->points.size() < 2)
        fail("a response of fewer than two points", QString::number(s->points.size()), input);
    for (const ResponsePoint &p : s->points) {
        if (!(p.hz > 0) || !std::isfinite(p.hz) || !std::isfinite(p.db))
            fail("a response point that cannot be drawn", QString::number(p.hz) + u' ' + QString::number(p.db), input);
    }
    for (const double h : s->harmonics) {
        if (!std::isfinite(h))
            fail("a harmonic that is not finite", QString::number(h), input);
    }
    if (!std::isfinite(s->thd))
        fail("a THD that is not finite", QString::number(s->thd), input);
    return 0;
}
