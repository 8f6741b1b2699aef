// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/formwindow.h"

#include "anodix/forms/formlayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

namespace anodix {

FormWindow::FormWindow(const QString &caption, QSize clientTwips)
    : m_clientTwips(clientTwips)
{
    setWindowTitle(caption);
    // The form never resizes: the window is exactly the menu bar plus the client area.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void FormWindow::open()
{
    if (isOpen()) {
        raise();
        activateWindow();
        return;
    }
    if (!m_menusCreated) {
        createMenus();
        m_menusCreated = true;
    }
    // Made a child at once: reparenting later would drop the focus the form sets.
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(twips(m_clientTwips.width()), twips(m_clientTwips.height()));
    createControls(m_client);
    for (QLineEdit *box : m_client->findChildren<QLineEdit *>())
        box->installEventFilter(this);
    setCentralWidget(m_client);
    Form_Load();

    adjustSize();
    // With its platform window made, the frame's margins count in the placing.
    create();
    placeOnScreen();
    show();
    activateWindow();
    afterShow();
}

void FormWindow::placeOnScreen()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool FormWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The menu's shortcuts act in the text boxes too, where Ctrl+A, Ctrl+X or
    // Shift+Del would otherwise be taken for editing the text.
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
        for (const QAction *item : findChildren<QAction *>()) {
            if (item->isEnabled() && item->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FormWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    if (!event->isAccepted() || !m_client)
        return;
    // Discard the controls; the next opening starts from the initial texts.
    QWidget *old = takeCentralWidget();
    m_client = nullptr;
    old->deleteLater();
}

} // namespace anodix
