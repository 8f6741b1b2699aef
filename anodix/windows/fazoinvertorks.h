// SPDX-License-Identifier: GPL-3.0-or-later
// The long-tailed pair phase splitter window.
#pragma once

#include "anodix/windows/calcwindow.h"

#include <QLocale>

class QLineEdit;

namespace anodix {

class FazoinvertorKS final : public CalcWindow
{
    Q_OBJECT
public:
    explicit FazoinvertorKS(const AppContext &context);
    static const CalcWindowSpec &layout();

protected:
    void createControls(QWidget *client) override;

private:
    // The drawing of the tail the supply box names: to ground, or to the negative supply.
    void showTail();

    QLocale m_locale; // the user's, as the calculation reads the boxes
    QWidget *m_toGround = nullptr;
    QWidget *m_toNegative = nullptr;
    QLineEdit *m_supply = nullptr;
};

} // namespace anodix
