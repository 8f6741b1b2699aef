// SPDX-License-Identifier: GPL-3.0-or-later
// The About window: program name, author, addresses and the icon.
#pragma once

#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"

#include <span>

namespace anodix {

class About final : public FormWindow
{
    Q_OBJECT
public:
    About();

    static std::span<const ControlRow> form();
    static QSize clientSize(); // twips

protected:
    void createControls(QWidget *client) override;

private:
    void Ok_Click();
};

} // namespace anodix
