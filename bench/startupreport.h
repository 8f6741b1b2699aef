// SPDX-License-Identifier: GPL-3.0-or-later
// The child side of the start-up benchmark: reports the moment the first
// window has painted, the peak memory and the form's controls, then ends.
#pragma once

class QApplication;

namespace bench {

// Call right after constructing the application, before any window exists.
// Prints "shown <steady clock ns> rss <KB> cpu <µs> controls <counts...>" and
// ends the process once the first top-level window has finished its first paint.
void reportWhenFirstShown(QApplication &app);

} // namespace bench
