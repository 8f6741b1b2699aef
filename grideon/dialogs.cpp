// SPDX-License-Identifier: GPL-3.0-or-later
// The real message box of Grideon.
#include "grideon/dialogs.h"

#include <QMessageBox>

namespace grideon {

void QtDialogs::message(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace grideon
