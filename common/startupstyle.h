// SPDX-License-Identifier: GPL-3.0-or-later
// The application's style: Qt's own, except that the arrows shown where a menu
// bar or tool bar overflows are read when first drawn, not when the bar is made.
#pragma once

#include <QProxyStyle>

namespace common {

class StartupStyle final : public QProxyStyle
{
public:
    // With no base style the platform's default is used, as Qt would choose it.
    explicit StartupStyle(QStyle *base = nullptr);

    QIcon standardIcon(StandardPixmap which, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace common
