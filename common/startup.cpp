// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/startup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <utility>

namespace common {

namespace {

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

void afterFirstPaint(QWidget *window, std::function<void()> step)
{
    new AfterFirstPaint(window, std::move(step));
}

bool installQtRussianTexts()
{
    auto *texts = new QTranslator(QCoreApplication::instance());
    if (!texts->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete texts;
        return false;
    }
    return QCoreApplication::installTranslator(texts);
}

} // namespace common
