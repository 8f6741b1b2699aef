// SPDX-License-Identifier: GPL-3.0-or-later
// The model's solution of a stage that its own calculation needed already:
// the output stages solve their point to show it, and the analyses after them
// take it from here instead of solving again.
#pragma once

#include "anodix/stages/pushpullstage.h"
#include "anodix/stages/triodeoutputstage.h"

#include <optional>

namespace anodix::stage {

struct HandedSolution
{
    std::optional<PushPullPoint> pair;       // the push-pull pair at rest and driven
    std::optional<TriodeOutputSwing> swing;  // the single-ended triode at rest and driven
};

} // namespace anodix::stage
