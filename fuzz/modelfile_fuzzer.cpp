// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the ".model" reader: a file it accepts is in range, writes back to
// a text that reads as the same model, and gives a model whose currents are
// finite and physical; a refusal always says why.
#include "anodix/tubemodel/modelfile.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void fail(const char *what, std::string_view text)
{
    std::fprintf(stderr, "invariant broken: %s\n  input of %zu bytes\n", what, text.size());
    std::abort();
}

bool close(double a, double b)
{
    return std::abs(a - b) <= 1e-7 * std::max(std::abs(a), std::abs(b));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace anodix::model;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const ModelFileRead read = parseModelFile(text);
    if (!read.ok())
        return 0;
    const TubeType type = modelTubeType(read.model.type);
    if (!modelProblem(type, read.model).empty())
        fail("an accepted file is out of range", text);
    const ModelFileRead again = parseModelFile(formatModelFile(read.model));
    if (!again.ok())
        fail("a written model does not read back", text);
    if (again.model.type != read.model.type || again.model.points != read.model.points
        || again.model.fitted != read.model.fitted)
        fail("a written model reads back different", text);
    if (const auto *a = std::get_if<KorenTriodeParameters>(&read.model.params)) {
        const auto &b = std::get<KorenTriodeParameters>(again.model.params);
        if (!(close(a->mu, b.mu) && close(a->ex, b.ex) && close(a->kg1, b.kg1) && close(a->kp, b.kp)
              && close(a->kvb, b.kvb)))
            fail("a triode's parameters changed on the way back", text);
    }
    TubeFigures figures{250, 50, 10, 5, 10, 2, 250, 5};
    figures.model = std::make_shared<const ModelFile>(read.model);
    const TubeModel model(type, figures);
    if (model.kind() != read.model.type)
        fail("an accepted model is not used", text);
    for (const double ua : {0.0, 1.0, 100.0, 500.0, 5000.0}) {
        for (const double ug : {10.0, 0.0, -10.0, -1000.0}) {
            const double ia = model.anodeCurrent(ua, ug), ik = model.cathodeCurrent(ua, ug);
            const double ig2 = model.screenCurrent(ua, ug);
            if (!(std::isfinite(ia) && std::isfinite(ik) && std::isfinite(ig2)) || ia < 0 || ig2 < 0
                || ia > ik * (1 + 1e-12))
                fail("the model's currents are not physical", text);
        }
    }
    return 0;
}
