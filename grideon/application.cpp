// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's start: the steps main() runs once the application object exists.
#include "grideon/application.h"

#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/form1.h"
#include "grideon/formlayout.h"
#include "grideon/startupstyle.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <functional>
#include <utility>

namespace grideon {

namespace {

// Runs a step once the window has painted for the first time, so that what the
// window does not show keeps it off the screen no longer.
class AfterFirstPaint final : public QObject
{
public:
    AfterFirstPaint(QWidget *window, std::function<void()> step)
        : QObject(window)
        , m_step(std::move(step))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued, so the step comes after this paint has reached the screen.
            QTimer::singleShot(0, this, [this] {
                m_step();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_step;
};

} // namespace

int runGrideon(QApplication &app)
{
    QApplication::setStyle(new StartupStyle);
    QTranslator qtTranslator;
    QtDialogs dialogs;
    QtDesktopShell shell;
    Form1 form(dialogs, shell, QLocale::system());
    form.show();

    // Form1 shows neither Qt's own texts nor the icon, and no dialog can come
    // before the user acts in it: both are loaded once it has painted.
    new AfterFirstPaint(&form, [&qtTranslator] {
        QApplication::setWindowIcon(programIcon());
        if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                              QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtTranslator);
    });
    return app.exec();
}

} // namespace grideon
