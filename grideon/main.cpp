// Start of Grideon: Qt's own dialogs in Russian, the user's regional settings,
// and Form1 working on "data.dat" in the current folder.
#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/form1.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/grideon/grideon.svg")));

    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtTranslator);

    grideon::QtDialogs dialogs;
    grideon::QtDesktopShell shell;
    grideon::Form1 form(dialogs, shell, QLocale::system());
    form.show();
    return app.exec();
}
