// SPDX-License-Identifier: GPL-3.0-or-later
// Start of Grideon: the application object, then the program as runGrideon starts it.
#include "grideon/application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return grideon::runGrideon(app);
}
