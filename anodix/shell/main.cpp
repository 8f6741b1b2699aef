// SPDX-License-Identifier: GPL-3.0-or-later
// Start of Anodix: the application object, then the program as runAnodix starts it.
#include "anodix/shell/application.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return anodix::runAnodix(app);
}
