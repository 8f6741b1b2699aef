// SPDX-License-Identifier: GPL-3.0-or-later
// Where a companion window opens: beside its stage window, clear of the
// stage's other companion.
#pragma once

#include <QApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>

namespace anodix::charts {

// The top-left corner for a window of frame's size beside stage: to its
// right, else to its left, else below it, on the first spot inside available
// that covers neither the stage nor a taken window; next along from a taken
// window when one already stands there. Where no spot is clear, the one that,
// moved inside available, covers the least of them.
inline QPoint besideSpot(QSize frame, const QRect &stage, const QList<QRect> &taken, const QRect &available)
{
    QList<QPoint> spots{{stage.right() + 1, stage.top()}};
    for (const QRect &other : taken)
        spots.append({other.right() + 1, stage.top()});
    spots.append({stage.left() - frame.width(), stage.top()});
    for (const QRect &other : taken)
        spots.append({other.left() - frame.width(), stage.top()});
    spots.append({stage.left(), stage.bottom() + 1});
    for (const QRect &other : taken)
        spots.append({other.left(), other.bottom() + 1});
    const auto covered = [&](const QRect &placed) {
        qint64 area = 0;
        for (const QRect &other : QList<QRect>{stage} + taken) {
            const QRect both = placed.intersected(other);
            area += both.isEmpty() ? 0 : qint64(both.width()) * both.height();
        }
        return area;
    };
    QPoint best;
    qint64 least = -1;
    for (const QPoint &spot : std::as_const(spots)) {
        QRect placed(spot, frame);
        if (available.contains(placed) && covered(placed) == 0)
            return spot;
        placed.moveLeft(std::max(available.left(), std::min(placed.left(), available.right() - frame.width() + 1)));
        placed.moveTop(std::max(available.top(), std::min(placed.top(), available.bottom() - frame.height() + 1)));
        if (const qint64 area = covered(placed); least < 0 || area < least) {
            least = area;
            best = placed.topLeft();
        }
    }
    return best;
}

// Moves the sized window beside the stage window, clear of the stage's other
// companion windows that are open and of the others named.
inline void placeBeside(QWidget &window, const QWidget &stageWindow, const QList<const QWidget *> &others)
{
    static const char *const kStage = "anodixBesideStage";
    window.setProperty(kStage, QVariant::fromValue(static_cast<const QObject *>(&stageWindow)));
    QList<QRect> taken;
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other != &window && other->isVisible()
            && (others.contains(other) || other->property(kStage).value<const QObject *>() == &stageWindow))
            taken.append(other->frameGeometry());
    }
    const QRect stage = stageWindow.frameGeometry();
    const QScreen *screen = stageWindow.screen() ? stageWindow.screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : stage;
    // A window not yet shown has no frame; the stage window's is the best guess of it.
    const QRect inner = stageWindow.geometry();
    const QMargins stageFrame(inner.left() - stage.left(), inner.top() - stage.top(), stage.right() - inner.right(),
                              stage.bottom() - inner.bottom());
    const QSize frame = window.isVisible() ? window.frameGeometry().size() : window.size().grownBy(stageFrame);
    // move() places a window by its frame's corner, as the spot is.
    window.move(besideSpot(frame, stage, taken, available));
}

inline void placeBeside(QWidget &window, const QWidget &stageWindow)
{
    placeBeside(window, stageWindow, {});
}

} // namespace anodix::charts
