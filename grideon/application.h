// SPDX-License-Identifier: GPL-3.0-or-later
// How Grideon starts, shared by main() and the start-up benchmark so that the
// benchmark measures what the program does.
#pragma once

class QApplication;

namespace grideon {

// The program after its QApplication exists: Form1 shown on "data.dat" in the
// current folder with the user's regional settings and, once it has painted,
// Qt's own texts in Russian and the icon; returns the event loop's exit code
// once the last window has closed.
int runGrideon(QApplication &app);

} // namespace grideon
