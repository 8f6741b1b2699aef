// SPDX-License-Identifier: GPL-3.0-or-later
// Anodix started as its main() starts it, reporting when Obshaya first shows.
#include "startupreport.h"

#include "anodix/shell/application.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bench::reportWhenFirstShown(app);
    return anodix::runAnodix(app);
}
