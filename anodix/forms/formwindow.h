// SPDX-License-Identifier: GPL-3.0-or-later
// A window of fixed layout whose object lives for the whole run: opening it
// creates its controls afresh and runs its load step, closing it discards the
// controls but keeps whatever the object holds outside them.
#pragma once

#include <QMainWindow>
#include <QSize>

namespace anodix {

class FormWindow : public QMainWindow
{
    Q_OBJECT
public:
    // clientTwips: the fixed client area below the menu bar, in twips.
    FormWindow(const QString &caption, QSize clientTwips);

    // Creates the controls with their initial texts, runs Form_Load, centres
    // the window on the screen and shows it, not modal. An open window is raised.
    void open();
    bool isOpen() const { return m_client != nullptr; }

    // The parent of the current controls; null while the window is closed.
    QWidget *client() const { return m_client; }

protected:
    // Menus are made once, at the first opening; they hold no state.
    virtual void createMenus() {}
    // Creates the controls of the form (buildForm on its table) and connects them.
    virtual void createControls(QWidget *client) = 0;
    virtual void Form_Load() {}
    // Runs once the opened window is on screen, for what should appear over it.
    virtual void afterShow() {}
    // Moves the sized window to where it opens: the centre of the screen.
    virtual void placeOnScreen();

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize m_clientTwips;
    QWidget *m_client = nullptr;
    bool m_menusCreated = false;
};

} // namespace anodix
