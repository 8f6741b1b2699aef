// SPDX-License-Identifier: GPL-3.0-or-later
// The warning line of a form: text under the designed client area, which
// grows by as much while there is something to say. Not a message box: a
// warning does not stop the work, it stays in sight beside the results.
#pragma once

#include <QStringList>

class QLabel;
class QWidget;

namespace anodix {

// A hidden, word-wrapped label named "Preduprezhdenie" in client.
QLabel *makeWarningLine(QWidget *client);

// Shows the warnings one to a line under the designed height, or hides the
// line and gives the client its designed height back when there are none.
// Screen readers hear "Предупреждение: " and every warning, or
// "Предупреждений нет".
void showWarningLine(QLabel *line, int designedHeight, const QStringList &warnings);

} // namespace anodix
