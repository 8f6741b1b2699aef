// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's start: the steps main() runs once the application object exists.
#include "grideon/application.h"

#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/form1.h"
#include "grideon/formlayout.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace grideon {

int runGrideon(QApplication &app)
{
    QApplication::setWindowIcon(programIcon());

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QtDialogs dialogs;
    QtDesktopShell shell;
    Form1 form(dialogs, shell, QLocale::system());
    form.show();
    return app.exec();
}

} // namespace grideon
