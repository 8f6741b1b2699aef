// Anodix started as its main() starts it, reporting when Obshaya first shows.
#include "startupreport.h"

#include "anodix/shell/application.h"
#include "anodix/shell/dialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bench::reportWhenFirstShown(app);

    // The same steps as anodix/shell/main.cpp, in the same order.
    anodix::installQtRussianTexts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/anodix/anodix.svg")));

    anodix::QtDialogs dialogs;
    anodix::Navigator navigator;
    const anodix::AppContext context{dialogs, navigator, QStringLiteral("."), QLocale::system()};
    anodix::registerWindows(navigator, context);
    navigator.switchTo(nullptr, anodix::WindowId::Obshaya);
    return app.exec();
}
