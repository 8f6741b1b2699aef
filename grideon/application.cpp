// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's start: the steps main() runs once the application object exists.
#include "grideon/application.h"

#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/form1.h"
#include "grideon/formlayout.h"
#include "common/startup.h"
#include "common/startupstyle.h"

#include <QApplication>
#include <QLocale>

namespace grideon {

int runGrideon(QApplication &app)
{
    QApplication::setStyle(new common::StartupStyle);
    QtDialogs dialogs;
    QtDesktopShell shell;
    Form1 form(dialogs, shell, QLocale::system());
    form.show();

    // Form1 shows neither Qt's own texts nor the icon, and no dialog can come
    // before the user acts in it: both are loaded once it has painted.
    common::afterFirstPaint(&form, [] {
        QApplication::setWindowIcon(programIcon());
        common::installQtRussianTexts();
    });
    return app.exec();
}

} // namespace grideon
