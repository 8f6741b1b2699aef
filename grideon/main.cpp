// Start of Grideon: the application object, then the program as runGrideon starts it.
#include "grideon/application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return grideon::runGrideon(app);
}
