// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the locale number conversion of Anodix: the first byte picks the
// locale, the rest is the text as a user or a record file might give it.
#include "common/numbertext.h"

#include <QLocale>
#include <QString>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

const QLocale &localeFor(uint8_t selector)
{
    // Point, comma, comma with "." grouping (so "." and "," swap roles), C, and
    // those whose own number texts Qt cannot read back: a "×10^" exponent, a
    // minus with a direction mark, native digits.
    static const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::Russian, QLocale::Russia),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale::c(),
        QLocale(QLocale::Swedish, QLocale::Sweden),
        QLocale(QLocale::Persian, QLocale::Iran),
        QLocale(QLocale::Arabic, QLocale::Algeria),
        QLocale(QLocale::Arabic, QLocale::Egypt),
    };
    return locales[selector % std::size(locales)];
}

[[noreturn]] void fail(const char *what, const QString &text, const QLocale &locale)
{
    std::fprintf(stderr, "invariant broken: %s\n  locale %s, text \"%s\"\n", what, qPrintable(locale.name()),
                 text.toUtf8().constData());
    std::abort();
}

bool close(double a, double b, double relative)
{
    return a == b || std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QLocale &locale = localeFor(data[0]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    const std::optional<double> number = common::toNumber(text, locale);
    if (common::isNumeric(text, locale) != number.has_value())
        fail("isNumeric disagrees with toNumber", text, locale);

    const std::optional<double> either = common::toNumberEitherSeparator(text, locale);
    if (either && !std::isfinite(*either))
        fail("toNumberEitherSeparator accepted a value that is not finite", text, locale);
    if (!number)
        return 0;

    const double value = *number;
    if (!std::isfinite(value))
        fail("toNumber accepted a value that is not finite", text, locale);
    // Reading records with either separator must not lose what the locale itself reads.
    if (!either || *either != value)
        fail("toNumberEitherSeparator rejects or changes what toNumber accepts", text, locale);

    // What the program shows must read back as the number it stands for.
    const QString shownDouble = common::doubleText(value, locale);
    const std::optional<double> backDouble = common::toNumber(shownDouble, locale);
    if (!backDouble || !close(*backDouble, value, 1e-14))
        fail("doubleText does not read back", text, locale);

    // Only a value within the single range narrows; a cast of any other is undefined.
    if (std::fabs(value) <= FLT_MAX) {
        const float single = static_cast<float>(value);
        const QString shownSingle = common::singleText(single, locale);
        const std::optional<double> backSingle = common::toNumber(shownSingle, locale);
        if (!backSingle || !close(*backSingle, single, 1e-6))
            fail("singleText does not read back", text, locale);
    }

    // Stage results are rounded to 2, 4 or 5 decimals; within the single range
    // rounding must stay finite and move the value by at most half a unit.
    if (std::fabs(value) <= FLT_MAX) {
        for (int decimals : {2, 4, 5}) {
            const double rounded = common::roundHalfEven(value, decimals, 7);
            if (!std::isfinite(rounded))
                fail("roundHalfEven gave a value that is not finite", text, locale);
            const double unit = std::pow(10.0, -decimals);
            if (std::fabs(rounded - value) > unit / 2 + std::fabs(value) * 1e-6)
                fail("roundHalfEven moved the value by more than half a unit", text, locale);
        }
    }
    return 0;
}
