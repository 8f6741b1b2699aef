// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes Grideon's reader of "data.dat": any bytes are read without harm into
// finite values, and what the writer makes of them reads back the same.
#include "grideon/savedinputs.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &bytes)
{
    std::fprintf(stderr, "invariant broken: %s\n  input %s\n", what, bytes.toHex(' ').constData());
    std::abort();
}

// The file keeps 7 significant digits of each value: half a unit of the
// seventh digit, and the rounding of the value read back to single precision.
bool sameToSevenDigits(float a, float b)
{
    return a == b || std::fabs(double(a) - double(b)) <= 6e-7 * std::max(std::fabs(a), std::fabs(b));
}

void checkRoundTrip(const grideon::StageInputs &inputs, const QByteArray &input)
{
    const QByteArray written = grideon::FormatSavedInputs(inputs);
    if (written.count("\r\n") != grideon::kStageInputCount || !written.endsWith(" \r\n"))
        fail("the written file is not six lines each ending in a blank and CR LF", input);
    const grideon::SavedInputs back = grideon::ParseSavedInputs(written);
    if (!back.complete())
        fail("a written file does not read back six fields", input);
    const auto before = grideon::toArray(inputs), after = grideon::toArray(back.inputs);
    for (int i = 0; i < grideon::kStageInputCount; ++i)
        if (!sameToSevenDigits(before[i], after[i]))
            fail("a saved value reads back as another", input + "\n  written " + written.toHex(' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    const grideon::SavedInputs read = grideon::ParseSavedInputs(bytes);
    if (read.fieldsRead < 0 || read.fieldsRead > grideon::kStageInputCount)
        fail("more than six fields or fewer than none", bytes);
    const auto values = grideon::toArray(read.inputs);
    for (int i = 0; i < grideon::kStageInputCount; ++i) {
        if (!std::isfinite(values[i]))
            fail("a field read is not finite", bytes);
        if (i >= read.fieldsRead && values[i] != 0)
            fail("a field not read is not 0", bytes);
    }
    checkRoundTrip(read.inputs, bytes);

    // The same bytes as six raw single-precision values: every finite value
    // the window can hold must survive a save and a load.
    if (size >= sizeof(float) * grideon::kStageInputCount) {
        std::array<float, grideon::kStageInputCount> raw;
        std::memcpy(raw.data(), data, sizeof raw);
        for (float &value : raw)
            if (!std::isfinite(value))
                value = 0;
        checkRoundTrip(grideon::fromArray(raw), bytes);
    }
    return 0;
}
