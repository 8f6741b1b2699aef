// SPDX-License-Identifier: GPL-3.0-or-later
// A tube's ratings from its datasheet, kept beside its record as
// "<name>.limits": "key = value" lines, the numbers with a decimal point.
#pragma once

#include "anodix/tubedb/tuberecord.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace anodix {

// Each figure is absent where the sheet gives none.
struct TubeLimits
{
    std::optional<double> anodeDissipation;  // pa_max_w, W
    std::optional<double> screenDissipation; // pg2_max_w, W
    std::optional<double> anodeVoltage;      // ua_max_v, V
    std::optional<double> cathodeCurrent;    // ik_max_ma, mA
    QString source;                          // source: the sheet the figures come from
    bool operator==(const TubeLimits &) const = default;
};

struct LimitsRead
{
    std::optional<TubeLimits> limits; // none without a file, or when it is refused
    QString error;                    // why a file there was refused, in Russian; empty otherwise
    bool ok() const { return error.isEmpty(); }
};

// Reads the bytes of a limits file. Strict, as a file that is half right
// would give ratings nobody wrote: every line blank, a comment starting with
// "#", or one of the five keys once with its value; each figure a plain
// decimal number above zero ("25", "2.75"), at least one figure. On refusal
// the error names the line and what is wrong with it.
LimitsRead parseTubeLimits(const QByteArray &bytes);

// "EL34.lamp" → "EL34.limits".
QString limitsFileName(const QString &recordFileName);

// The limits beside a record of the database's class folder: none and no
// error when there is no such file; the reason, naming the file, when there
// is one that cannot be read or used.
LimitsRead ReadTubeLimits(const TubeDatabase &database, TubeClass tubeClass, const QString &recordFileName);

} // namespace anodix
