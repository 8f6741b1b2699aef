// Grideon started as its main() starts it, reporting when Form1 first shows.
#include "startupreport.h"

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
    bench::reportWhenFirstShown(app);

    // The same steps as grideon/main.cpp, in the same order.
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
