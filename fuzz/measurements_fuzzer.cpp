// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the readers of measured curves (the curve tracer's text and CSV):
// an error or points, never both; an error names the file; every
// point read is finite and within what a tube can show.
#include "anodix/tubemodel/measurements.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char *what, std::string_view text)
{
    std::fprintf(stderr, "invariant broken: %s\n  input of %zu bytes\n", what, text.size());
    std::abort();
}

void check(const anodix::model::MeasurementRead &read, std::string_view text)
{
    if (!read.ok()) {
        if (!read.points.empty())
            fail("a failed read returned points", text);
        if (read.error.find("«fuzzed.dat»") == std::string::npos)
            fail("the message does not name the file", text);
        return;
    }
    if (read.points.empty())
        fail("a good read returned no points", text);
    for (const anodix::model::MeasuredPoint &p : read.points) {
        for (const double v : {p.ua, p.ug, p.ia, p.ug2, p.ig2}) {
            if (!std::isfinite(v) || std::abs(v) > 1e5)
                fail("a point read is not finite or beyond any tube", text);
        }
        if (!p.hasScreen && (p.ug2 != 0 || p.ig2 != 0))
            fail("a triode's point carries a screen", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    using namespace anodix::model;
    check(readTwoSupplyTracer(text, "fuzzed.dat"), text);
    check(readMeasurementCsv(text, "fuzzed.dat"), text);
    const MeasurementRead any = readMeasurements(text, "fuzzed.dat");
    check(any, text);
    if (any.ok() && any.format != detectMeasurementFormat(text))
        fail("the reader and the detection disagree on the format", text);
    return 0;
}
