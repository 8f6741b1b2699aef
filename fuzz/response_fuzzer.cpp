// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the frequency response and the SPICE texts with any box texts and
// records: a response is its one problem and nothing else, or rows that are
// numbers (or the dash of a point not found) and finite points; its netlist
// holds only finite numbers in SPICE's form, and every part a positive value.
// The tube's name comes from the input too: whatever it holds, the netlist's
// lines are those of a plain name, the name only ever inside a comment.
#include "anodix/response/spice.h"
#include "anodix/stages/numbertext.h"
#include "anodix/stages/powerstage.h"

#include <QLocale>
#include <QRegularExpression>
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
                 input.toHex(' ').constData());
    std::abort();
}

bool looksNonFinite(const QString &text)
{
    return text.contains(QLatin1String("nan"), Qt::CaseInsensitive)
        || text.contains(QLatin1String("inf"), Qt::CaseInsensitive) || text.contains(QChar(0x221E));
}

void checkRows(const QList<AnalysisRow> &rows, const QLocale &locale, const QByteArray &input)
{
    // The mid-band row holds the ratio and its decibels: "54,5 (34,7 дБ)".
    static const QRegularExpression withDecibels(QStringLiteral("^(\\S+) \\((\\S+) дБ\\)$"));
    for (const AnalysisRow &row : rows) {
        const bool dash = row.value == QStringLiteral("—");
        const QRegularExpressionMatch both = withDecibels.match(row.value);
        const bool numeric = both.hasMatch() ? anodix::isNumeric(both.captured(1), locale)
                                                   && anodix::isNumeric(both.captured(2), locale)
                                             : anodix::isNumeric(row.value, locale);
        if (row.value.isEmpty() || looksNonFinite(row.value) || (!dash && !numeric))
            fail("a response row that is no number", row.spoken(), input);
    }
}

// The line with the tube's SPICE name, a word of its own, as "TUBE".
QString withoutName(const QString &line, const QString &spiceTube)
{
    QStringList words = line.split(u' ');
    for (QString &word : words) {
        if (word == spiceTube)
            word = QStringLiteral("TUBE");
    }
    return words.join(u' ');
}

void checkNetlist(const QString &netlist, const QString &spiceTube, const QByteArray &input)
{
    if (netlist.isEmpty())
        fail("a response without its netlist", QString(), input);
    static const QRegularExpression number(QStringLiteral(R"((?<![\w.#])(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?(?![\w.]))"));
    bool commands = false; // ngspice's commands between .control and .endc
    for (const QString &named : netlist.split(u'\n', Qt::SkipEmptyParts)) {
        if (named.startsWith(u'*'))
            continue; // comments may name the tube as the user typed it
        const QString line = withoutName(named, spiceTube); // "1E400" is a name there
        if (line == QStringLiteral(".control") || line == QStringLiteral(".endc"))
            commands = line == QStringLiteral(".control");
        if (looksNonFinite(line))
            fail("a netlist line with a number that is not finite", line, input);
        for (auto match = number.globalMatch(line); match.hasNext();) {
            bool ok = false;
            const double value = match.next().captured().toDouble(&ok);
            if (!ok || !std::isfinite(value))
                fail("a netlist number SPICE cannot read", line, input);
        }
        // Resistors, capacitors and inductors: ngspice refuses a zero or negative one.
        const QChar part = line.front().toUpper();
        if (!commands && (part == u'R' || part == u'C' || part == u'L')) {
            const QString last = line.split(u' ', Qt::SkipEmptyParts).constLast();
            if (!(last.startsWith(u'{') || last.toDouble() > 0))
                fail("a part without a positive value", line, input);
        }
    }
}

// The netlist for a name against the one for "TUBE": the same lines, the
// comments aside and the tube's SPICE name where "TUBE" stands, and no
// character that could end a line in any reader.
void checkNamed(const QString &named, const QString &plain, const QString &name, const QByteArray &input)
{
    const QStringList lines = named.split(u'\n');
    const QStringList plainLines = plain.split(u'\n');
    if (lines.size() != plainLines.size())
        fail("a name that adds or takes away lines", name, input);
    const QString spiceTube = spiceName(name);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const QStringList words = line.split(u' '), plainWords = plainLines[i].split(u' ');
        bool same = words.size() == plainWords.size();
        for (qsizetype w = 0; same && w < words.size(); ++w)
            same = words[w] == plainWords[w] || (plainWords[w] == QLatin1String("TUBE") && words[w] == spiceTube);
        if (!line.startsWith(u'*') && !same)
            fail("a name that changes a line other than a comment", line, input);
        for (const QChar c : line) {
            const QChar::Category category = c.category();
            if (category == QChar::Other_Control || category == QChar::Separator_Line
                || category == QChar::Separator_Paragraph)
                fail("a line end inside a netlist line", line, input);
        }
    }
    if (lines.count(QStringLiteral(".control")) > 1)
        fail("a second .control block", name, input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::Russian, QLocale::Russia)};
    // The first byte picks the locale (bit 0) and the stage (the rest).
    const QLocale &locale = locales[data[0] % 2];
    const auto kind = Circuit((data[0] >> 1) % 5);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // The tube's name is what follows a NUL byte, line ends and all.
    const qsizetype nul = input.indexOf('\0', 1);
    const QString tubeName = nul < 0 ? QStringLiteral("6Н2П") : QString::fromUtf8(input.mid(nul + 1));
    const QStringList fields =
        QString::fromUtf8(input.mid(1, nul < 0 ? -1 : nul - 1)).split(QLatin1Char('\n'));

    // Ea, Fmin, R1, Rn, the source, the load, the three capacitances, the
    // record's ten lines, then Kn (the triode output stage) or Ug2, Raa and Rk
    // (the push-pull pair).
    ResponseInput in;
    in.stage = {kind, tubeName, fields.mid(9, 10), fields.value(0), fields.value(1), fields.value(2),
                fields.value(3), {}};
    in.source = fields.value(4);
    in.load = fields.value(5);
    in.input = fields.value(6);
    in.anodeGrid = fields.value(7);
    in.output = fields.value(8);
    if (kind == Circuit::TriodeOutput)
        in.stage.kn = fields.value(19);
    if (kind == Circuit::PushPull) {
        in.stage.ug2 = fields.value(19);
        in.stage.raa = fields.value(20);
        in.stage.rk = fields.value(21);
    }
    if (kind == Circuit::PentodePower)
        in.stage.outputs = anodix::CalculatePowerStage(in.stage.ea, in.stage.fmin, in.stage.r1, in.stage.rn,
                                                       anodix::LoadedTube{in.stage.record}, locale)
                               .updates;

    const Response response = ComputeResponse(in, locale);
    const QString netlist = StageNetlist(response, in.stage.tubeName);
    if (!response.ok()) {
        if (!response.rows.isEmpty() || !response.needed.isEmpty() || !response.figures.points.isEmpty()
            || !netlist.isEmpty())
            fail("a response with a problem and results", response.problem, input);
        return 0;
    }
    checkRows(response.rows, locale, input);
    checkRows(response.needed, locale, input);
    const ResponseFigures &f = response.figures;
    if (f.points.size() != 200)
        fail("a response without its points", QString::number(f.points.size()), input);
    for (const ResponsePoint &p : f.points) {
        if (!std::isfinite(p.hz) || !std::isfinite(p.db) || p.hz < kFirstHz * 0.999 || p.hz > kLastHz * 1.001)
            fail("a response point that cannot be drawn", QString::number(p.hz) + u' ' + QString::number(p.db), input);
    }
    const QString spiceTube = spiceName(tubeName);
    checkNetlist(netlist, spiceTube, input);
    const QString subcircuit = TubeSubcircuit(in.stage.tubeName, kind, response.point.tube, {1.6, 1.7, 0.5});
    checkNetlist(subcircuit, spiceTube, input);
    const QString plain = QStringLiteral("TUBE");
    checkNamed(netlist, StageNetlist(response, plain), tubeName, input);
    checkNamed(subcircuit, TubeSubcircuit(plain, kind, response.point.tube, {1.6, 1.7, 0.5}), tubeName, input);
    return 0;
}
