// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up steps both programs take once their first window exists: what
// that window does not show waits until it has painted.
#pragma once

#include <functional>

class QWidget;

namespace common {

// Runs step once, after window has painted for the first time, so that what
// the window does not show keeps it off the screen no longer.
void afterFirstPaint(QWidget *window, std::function<void()> step);

// Loads Qt's own texts in Russian (the buttons of message boxes and of the
// input box) for the rest of the run; false when the translation is not installed.
bool installQtRussianTexts();

} // namespace common
