// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon started as its main() starts it, reporting when Form1 first shows.
#include "startupreport.h"

#include "grideon/application.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::reportWhenFirstShown(app);
    return grideon::runGrideon(app);
}
