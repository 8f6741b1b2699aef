// SPDX-License-Identifier: GPL-3.0-or-later
// Hands an address (a web page, a "mailto:" address) to the desktop's default
// handler, behind an interface so that tests can see what would be opened.
#pragma once

#include <QString>

namespace grideon {

class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    // Starts the handler without waiting for it; false when none could be started.
    virtual bool openAddress(const QString &address) = 0;
};

class QtDesktopShell final : public DesktopShell
{
public:
    bool openAddress(const QString &address) override;
};

} // namespace grideon
