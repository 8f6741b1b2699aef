// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/startupstyle.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPointer>
#include <QStyleOption>
#include <QWidget>

#include <memory>
#include <optional>

namespace common {

namespace {

// Asks the base style for its icon on first use. Qt reads a standard icon's
// PNG files at once, and to read a PNG it loads every image format plugin
// (SVG with Qt Svg, JPEG, GIF, ICO) to ask whether it reads PNG: each menu
// bar made paid that at start for an arrow that shows only when it overflows.
class DeferredIconEngine final : public QIconEngine
{
public:
    DeferredIconEngine(QStyle *base, QStyle::StandardPixmap which, Qt::LayoutDirection direction)
        : m_base(base)
        , m_which(which)
        , m_direction(direction)
        , m_icon(std::make_shared<std::optional<QIcon>>())
    {
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, 1.0, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("startupstyle-deferred"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon &icon() const
    {
        if (!m_icon->has_value()) {
            QStyleOption option;
            option.direction = m_direction;
            *m_icon = m_base ? m_base->standardIcon(m_which, &option) : QIcon();
        }
        return **m_icon;
    }

    QPointer<QStyle> m_base;
    QStyle::StandardPixmap m_which;
    Qt::LayoutDirection m_direction;
    // Shared by the copies Qt makes, so the files are read once.
    std::shared_ptr<std::optional<QIcon>> m_icon;
};

} // namespace

StartupStyle::StartupStyle(QStyle *base)
    : QProxyStyle(base)
{
}

QIcon StartupStyle::standardIcon(StandardPixmap which, const QStyleOption *option, const QWidget *widget) const
{
    if (which != SP_ToolBarHorizontalExtensionButton && which != SP_ToolBarVerticalExtensionButton)
        return QProxyStyle::standardIcon(which, option, widget);
    const Qt::LayoutDirection direction = option ? option->direction
        : widget                                  ? widget->layoutDirection()
                                                  : QGuiApplication::layoutDirection();
    return QIcon(new DeferredIconEngine(baseStyle(), which, direction));
}

} // namespace common
