// The assembly of Anodix: which window each WindowId stands for.
#pragma once

#include "anodix/shell/navigator.h"

namespace anodix {

// Loads Qt's own texts in Russian (the buttons of message boxes and of the
// input box); false when the translation is not installed.
bool installQtRussianTexts();

// Registers the factory of every window; each window gets its own copy of context.
void registerWindows(Navigator &navigator, const AppContext &context);

} // namespace anodix
