// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's About window: the program's title, the author and the two
// addresses, which open in the desktop's browser and mail program.
#pragma once

#include "grideon/formlayout.h"

#include <QWidget>

#include <span>

namespace grideon {

class Dialogs;
class DesktopShell;

class About : public QWidget
{
    Q_OBJECT
public:
    // Discards itself when closed.
    About(Dialogs &dialogs, DesktopShell &shell, QWidget *parent = nullptr);

    static std::span<const ControlRow> layoutTable();
    static constexpr int kClientWidth = 5430, kClientHeight = 4095; // twips

private:
    void Command1_Click();
    void Label4_Click();
    void Label5_Click();
    void openAddress(const QString &address);

    Dialogs &m_dialogs;
    DesktopShell &m_shell;
};

} // namespace grideon
