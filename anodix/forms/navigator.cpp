// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/navigator.h"

#include <QEventLoopLocker>

namespace anodix {

Navigator::Navigator() = default;
Navigator::~Navigator() = default;

void Navigator::registerWindow(WindowId id, Factory factory)
{
    m_factories[id] = std::move(factory);
}

FormWindow *Navigator::window(WindowId id)
{
    if (auto it = m_windows.find(id); it != m_windows.end())
        return it->second.get();
    const auto factory = m_factories.find(id);
    if (factory == m_factories.end())
        return nullptr;
    FormWindow *made = m_windows.emplace(id, factory->second()).first->second.get();
    return made;
}

void Navigator::switchTo(QWidget *current, WindowId next)
{
    FormWindow *target = window(next);
    if (!target)
        return;
    // Between closing one window and showing the next no window is visible;
    // the lock keeps the application from taking that moment for its end.
    QEventLoopLocker keepRunning;
    for (const auto &[id, made] : m_windows) {
        if (current && made.get() == current)
            m_openedFrom[next] = id;
    }
    if (current)
        current->close();
    target->open();
}

WindowId Navigator::openedFrom(WindowId id, WindowId fallback) const
{
    const auto it = m_openedFrom.find(id);
    return it != m_openedFrom.end() ? it->second : fallback;
}

void Navigator::openAbout()
{
    if (FormWindow *about = window(WindowId::About))
        about->open();
}

} // namespace anodix
