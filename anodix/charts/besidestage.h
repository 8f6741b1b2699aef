// SPDX-License-Identifier: GPL-3.0-or-later
// Where a companion window opens: beside its stage window.
#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace anodix::charts {

// Moves the sized window right of the stage window, else left of it, else as
// near its right as the screen allows.
inline void placeBeside(QWidget &window, const QWidget &stageWindow)
{
    const QRect stage = stageWindow.frameGeometry();
    const QScreen *screen = stageWindow.screen() ? stageWindow.screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : stage;
    QRect frame = window.frameGeometry();
    frame.moveTopLeft(QPoint(stage.right() + 1, stage.top()));
    if (!available.contains(frame)) {
        QRect left = frame;
        left.moveTopRight(QPoint(stage.left() - 1, stage.top()));
        frame = available.contains(left) ? left : frame;
    }
    frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
    frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
    window.move(frame.topLeft());
}

} // namespace anodix::charts
