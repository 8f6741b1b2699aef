// SPDX-License-Identifier: GPL-3.0-or-later
// Modal dialogs and the desktop hand-off behind one small interface, so that
// window tests can answer them with a scripted fake instead of blocking.
#pragma once

#include <QString>

class QWidget;

namespace anodix {

class Dialogs
{
public:
    enum class Icon { None, Error, Information, Question };

    virtual ~Dialogs() = default;

    // A modal box with an OK button.
    virtual void message(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;
    // A modal Yes/No question with the question icon; true only for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text, const QString &title) = 0;
    // A modal input box with an empty default; an empty text on Cancel.
    virtual QString askText(QWidget *parent, const QString &prompt, const QString &title) = 0;
};

// The real dialogs: QMessageBox and QInputDialog.
class QtDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    QString askText(QWidget *parent, const QString &prompt, const QString &title) override;
};

} // namespace anodix
