// SPDX-License-Identifier: GPL-3.0-or-later
// Reports the first painted top-level window of a start-up benchmark child.
#include "startupreport.h"

#include "benchsupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

// The form's own controls by kind, as the bare twin builds them:
// labels buttons edits lists other menus width height.
void printControls(QWidget *window)
{
    // Both programs put a form's controls on a child named "client".
    QWidget *form = window->findChild<QWidget *>(QStringLiteral("client"));
    if (!form)
        form = qobject_cast<QMainWindow *>(window) ? static_cast<QMainWindow *>(window)->centralWidget() : window;
    const auto *menuBar = window->findChild<QMenuBar *>();
    const int menus = menuBar ? int(menuBar->actions().size()) : 0;
    int labels = 0, buttons = 0, edits = 0, lists = 0, other = 0;
    for (QWidget *child : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<QLabel *>(child))
            ++labels;
        else if (qobject_cast<QAbstractButton *>(child))
            ++buttons;
        else if (qobject_cast<QLineEdit *>(child))
            ++edits;
        else if (qobject_cast<QAbstractItemView *>(child))
            ++lists;
        else
            ++other;
    }
    std::printf(" controls %d %d %d %d %d %d %d %d\n", labels, buttons, edits, lists, other, menus, form->width(),
                form->height());
}

class FirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            auto *window = static_cast<QWidget *>(watched);
            // Queued, so that it runs once this paint and its flush are done.
            QTimer::singleShot(0, window, [window] {
                const long long shown = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                            Clock::now().time_since_epoch())
                                            .count();
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                const long long cpuUs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL
                    + usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
                std::printf("shown %lld rss %ld cpu %lld", shown, usage.ru_maxrss, cpuUs);
                printControls(window);
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

} // namespace

void reportWhenFirstShown(QApplication &app)
{
    app.installEventFilter(new FirstPaint(&app));
}

} // namespace bench
