#include "anodix/shell/formwindow.h"

#include "anodix/shell/formlayout.h"

#include <QCloseEvent>
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
    m_client = new QWidget;
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(twips(m_clientTwips.width()), twips(m_clientTwips.height()));
    createControls(m_client);
    setCentralWidget(m_client);
    Form_Load();

    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    activateWindow();
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
