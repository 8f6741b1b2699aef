// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the rectifier tube file reader: any bytes either give a tube whose
// figures are finite and positive with a name, or a refusal with a reason;
// and a tube written back as key = value lines reads as the same tube.
#include "anodix/supply/kenotron.h"

#include <QByteArray>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using anodix::supply::Kenotron;

[[noreturn]] void fail(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "invariant broken: %s\n  input %s\n", what, bytes.toHex(' ').constData());
    std::abort();
}

bool good(const std::optional<double> &v)
{
    return !v || (std::isfinite(*v) && *v > 0);
}

QByteArray write(const Kenotron &k)
{
    QByteArray text = "name = " + k.name.toUtf8() + "\nperveance = " + QByteArray::number(k.perveance, 'g', 17) + '\n';
    if (!k.heater.isEmpty())
        text += "heater = " + k.heater.toUtf8() + '\n';
    if (!k.source.isEmpty())
        text += "source = " + k.source.toUtf8() + '\n';
    const auto add = [&](const char *key, const std::optional<double> &v, double unit) {
        if (v)
            text += QByteArray(key) + " = " + QByteArray::number(*v / unit, 'g', 17) + '\n';
    };
    add("max_ac_voltage", k.maxAcVoltage, 1);
    add("max_dc_current", k.maxDcCurrent, 1e-3);
    add("max_peak_current", k.maxPeakCurrent, 1e-3);
    add("max_capacitance", k.maxCapacitance, 1e-6);
    add("min_resistance", k.minResistance, 1);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<Kenotron> k = anodix::supply::ParseKenotron(bytes, error);
    if (!k) {
        if (error.isEmpty())
            fail("a refusal without a reason", bytes);
        return 0;
    }
    if (k->name.isEmpty() || !(std::isfinite(k->perveance) && k->perveance > 0) || !good(k->maxAcVoltage)
        || !good(k->maxDcCurrent) || !good(k->maxPeakCurrent) || !good(k->maxCapacitance) || !good(k->minResistance))
        fail("a tube with a figure that is not a positive number", bytes);
    for (const QChar ch : k->name + k->heater + k->source)
        if (ch == u'\n' || ch == u'\r' || ch == QChar(0x2028) || ch == QChar(0x2029) || ch == QChar(0x85))
            fail("a line break inside a value", bytes);
    QString again;
    const std::optional<Kenotron> back = anodix::supply::ParseKenotron(write(*k), again);
    if (!back || back->name != k->name || back->heater != k->heater || back->source != k->source
        || std::abs(back->perveance / k->perveance - 1) > 1e-12)
        fail("a tube written back does not read the same", bytes);
    return 0;
}
