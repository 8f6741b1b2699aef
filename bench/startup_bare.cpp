// SPDX-License-Identifier: GPL-3.0-or-later
// The bare twin of a program's first window: a plain QMainWindow with a menu
// and as many labels, buttons, boxes and lists as the real form, no more.
#include "startupreport.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStringListModel>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Arguments as the reporter prints them: labels buttons edits lists other menus width height.
    if (argc != 9)
        return 2;
    int counts[8];
    for (int i = 0; i < 8; ++i)
        counts[i] = std::atoi(argv[i + 1]);
    const auto [labels, buttons, edits, lists, other, menus, width, height] = counts;

    QApplication app(argc, argv);
    bench::reportWhenFirstShown(app);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare"));
    for (int m = 0; m < menus; ++m)
        window.menuBar()->addMenu(QStringLiteral("Menu"))->addAction(QStringLiteral("Item"));
    auto *form = new QWidget;
    form->setFixedSize(width, height);
    window.setCentralWidget(form);

    // Placed on a grid so that every control is painted, as in the real form.
    int slot = 0;
    const auto place = [&](QWidget *control) {
        control->setGeometry(8 + (slot % 4) * (width / 4), 8 + (slot / 4) * 28, width / 4 - 16, 24);
        ++slot;
    };
    for (int i = 0; i < labels; ++i)
        place(new QLabel(QStringLiteral("Label %1").arg(i), form));
    for (int i = 0; i < buttons; ++i)
        place(new QPushButton(QStringLiteral("Button %1").arg(i), form));
    for (int i = 0; i < edits; ++i)
        place(new QLineEdit(form));
    for (int i = 0; i < lists; ++i) {
        auto *list = new QListView(form);
        list->setModel(new QStringListModel(list));
        place(list);
    }
    for (int i = 0; i < other; ++i) {
        auto *line = new QFrame(form);
        line->setFrameShape(QFrame::HLine);
        place(line);
    }
    window.show();
    return app.exec();
}
