// SPDX-License-Identifier: GPL-3.0-or-later
// Which window replaces which. Each window object is made on first use and
// lives until the program ends; a switch closes the current window first.
#pragma once

#include "anodix/forms/formwindow.h"

#include <QLocale>
#include <functional>
#include <map>
#include <memory>

namespace anodix {

class Dialogs;
class Navigator;

enum class WindowId {
    Obshaya, Triod, Pentod, Tetrod, Files, Files_Pentod, Files_Pentod_Vihod, About, TriodVihod, Dvuhtakt,
    BlokPitaniya, FazoinvertorKS
};

// What every window of the program is given.
struct AppContext
{
    Dialogs &dialogs;
    Navigator &navigator;
    QString workingFolder;  // the folder that holds bd/; "." in the program
    QLocale locale;         // the user's regional settings in the program
};

class Navigator
{
public:
    using Factory = std::function<std::unique_ptr<FormWindow>()>;

    Navigator();
    ~Navigator();
    Navigator(const Navigator &) = delete;
    Navigator &operator=(const Navigator &) = delete;

    void registerWindow(WindowId id, Factory factory);

    // The window object, made on first use; null when no factory is registered.
    FormWindow *window(WindowId id);

    // Closes current (if any), then opens next. Nothing happens when next is
    // not registered, so buttons of windows still to come do nothing.
    void switchTo(QWidget *current, WindowId next);

    // The window whose switch last opened id, or fallback when none did: an
    // editor that several calculation windows share returns to its caller.
    WindowId openedFrom(WindowId id, WindowId fallback) const;

    // Opens About beside the current window; an open About is only raised.
    void openAbout();

private:
    std::map<WindowId, Factory> m_factories;
    std::map<WindowId, std::unique_ptr<FormWindow>> m_windows;
    std::map<WindowId, WindowId> m_openedFrom;
};

} // namespace anodix
