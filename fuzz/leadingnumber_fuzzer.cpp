// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes Grideon's ParseLeadingNumber, the locale-independent reader of the
// longest leading number, against the locale reader it must agree with.
#include "grideon/stagecalc.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &text)
{
    std::fprintf(stderr, "invariant broken: %s\n  text \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = grideon::ParseLeadingNumber(text);
    if (std::isnan(value))
        fail("the leading number is not a number", text);

    // Blanks, tabs and line feeds are dropped wherever they stand.
    if (!text.isEmpty()) {
        QString spaced = text;
        spaced.insert(qsizetype(data[0]) % (text.size() + 1), QStringLiteral(" \t\n"));
        const double again = grideon::ParseLeadingNumber(spaced);
        if (!(again == value || (std::isnan(again) && std::isnan(value))))
            fail("a blank changed the leading number", text);
    }

    // Where the point locale takes the whole text as a number, the leading
    // number is that number (the "&H" and "&O" forms are no locale numbers).
    // The locale reader trims every kind of white space and takes the
    // locale's other signs ("\u2212"), the leading reader drops only blanks,
    // tabs and line feeds and reads ASCII, so only ASCII texts with no other
    // white space are compared.
    static const QLocale point(QLocale::English, QLocale::UnitedStates);
    const bool otherSpace = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() > 127
            || (c.isSpace() && c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'));
    });
    if (const std::optional<double> local = otherSpace ? std::nullopt : grideon::ParseLocalNumber(text, point)) {
        if (!std::isfinite(*local))
            fail("the locale reader accepted a value that is not finite", text);
        if (std::fabs(*local - value) > 1e-12 * std::fabs(*local))
            fail("the leading number differs from the locale number", text);
    }
    return 0;
}
