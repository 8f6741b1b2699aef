// SPDX-License-Identifier: GPL-3.0-or-later
// The assembly of Anodix: how the program starts and which window each WindowId stands for.
#pragma once

#include "anodix/forms/navigator.h"
#include "common/startup.h"

class QApplication;

namespace anodix {

// The program after its QApplication exists: every window registered, Obshaya
// opened on the current folder and, once it has painted, Qt's texts in Russian
// and the icon; returns the event loop's exit code once the last window has
// closed. main() and the start-up benchmark both start Anodix through it.
int runAnodix(QApplication &app);

// Qt's own texts in Russian, as both programs load them.
using common::installQtRussianTexts;

// Registers the factory of every window; each window gets its own copy of context.
void registerWindows(Navigator &navigator, const AppContext &context);

} // namespace anodix
