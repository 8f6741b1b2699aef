// The assembly of Anodix: which window each WindowId stands for.
#pragma once

#include "anodix/shell/navigator.h"

namespace anodix {

// Registers the factory of every window; each window gets its own copy of context.
void registerWindows(Navigator &navigator, const AppContext &context);

} // namespace anodix
