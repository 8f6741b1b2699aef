// SPDX-License-Identifier: GPL-3.0-or-later
// Where a companion window opens: beside its stage window.
#pragma once

#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace anodix::charts {

namespace detail {

inline QRect clampedInto(QRect frame, const QRect &available)
{
    frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() - frame.width() + 1)));
    frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height() + 1)));
    return frame;
}

inline qint64 area(const QRect &rect) { return rect.isEmpty() ? 0 : qint64(rect.width()) * rect.height(); }

} // namespace detail

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
    window.move(detail::clampedInto(frame, available).topLeft());
}

// As above, but clear of the other companion windows shown: the places right
// of, left of and below the stage window, then right of, left of and below
// each of the others, are tried in turn, and the one that covers the least of
// them (and of the stage window) is taken, the first of equals.
inline void placeBeside(QWidget &window, const QWidget &stageWindow, const QList<const QWidget *> &others)
{
    if (others.isEmpty()) {
        placeBeside(window, stageWindow);
        return;
    }
    const QScreen *screen = stageWindow.screen() ? stageWindow.screen() : QGuiApplication::primaryScreen();
    const QRect stage = stageWindow.frameGeometry();
    const QRect available = screen ? screen->availableGeometry() : stage;
    const QSize size = window.frameGeometry().size();
    QList<QRect> keepClear{stage};
    for (const QWidget *other : others)
        keepClear.append(other->frameGeometry());
    QList<QRect> candidates;
    for (const QRect &next : std::as_const(keepClear)) {
        candidates.append(QRect(QPoint(next.right() + 1, next.top()), size));
        candidates.append(QRect(QPoint(next.left() - size.width(), next.top()), size));
        candidates.append(QRect(QPoint(next.left(), next.bottom() + 1), size));
    }
    QRect best;
    qint64 bestCovered = -1;
    for (const QRect &candidate : std::as_const(candidates)) {
        const QRect frame = detail::clampedInto(candidate, available);
        qint64 covered = 0;
        for (const QRect &clear : std::as_const(keepClear))
            covered += detail::area(frame.intersected(clear));
        if (bestCovered < 0 || covered < bestCovered) {
            best = frame;
            bestCovered = covered;
        }
    }
    window.move(best.topLeft());
}

} // namespace anodix::charts
