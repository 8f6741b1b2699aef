// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's modal message box behind a small interface, so that window tests
// can answer it with a scripted fake instead of blocking.
#pragma once

#include <QString>

class QWidget;

namespace grideon {

class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // A modal box with the text, the title, an OK button and no icon.
    virtual void message(QWidget *parent, const QString &text, const QString &title) = 0;
};

class QtDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &text, const QString &title) override;
};

} // namespace grideon
