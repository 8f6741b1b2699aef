// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for Grideon's message box and desktop shell: they record what the
// windows asked for and never block; and a failing disk under data.dat.
#pragma once

#include "grideon/desktopshell.h"
#include "grideon/dialogs.h"
#include "grideon/savedinputs.h"
#include "support/injectedwritefault.h"

#include <QList>
#include <QString>
#include <QStringList>

struct ShownMessage
{
    QString text;
    QString title;
};

class RecordingDialogs final : public grideon::Dialogs
{
public:
    QList<ShownMessage> shown;

    void message(QWidget *, const QString &text, const QString &title) override { shown.append({text, title}); }
    QStringList texts() const
    {
        QStringList result;
        for (const ShownMessage &m : shown)
            result.append(m.text);
        return result;
    }
};

class FakeDesktopShell final : public grideon::DesktopShell
{
public:
    QStringList opened;   // every address handed over, in order
    bool succeeds = true; // false: as if no handler could be started

    bool openAddress(const QString &address) override
    {
        opened.append(address);
        return succeeds;
    }
};
