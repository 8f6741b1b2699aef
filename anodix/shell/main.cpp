// Start of Anodix: Qt's own texts in Russian, the program icon, the main window.
#include "anodix/shell/application.h"
#include "anodix/shell/dialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    // Every text the user sees is Russian, the buttons of Qt's own dialogs too.
    anodix::installQtRussianTexts();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/anodix/anodix.svg")));

    anodix::QtDialogs dialogs;
    anodix::Navigator navigator;
    const anodix::AppContext context{dialogs, navigator, QStringLiteral("."), QLocale::system()};
    anodix::registerWindows(navigator, context);

    // The program ends when its last window closes; there is no quit command.
    navigator.switchTo(nullptr, anodix::WindowId::Obshaya);
    return app.exec();
}
