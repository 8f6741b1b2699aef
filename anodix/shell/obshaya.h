// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the user picks which amplifier stage to compute.
#pragma once

#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/forms/navigator.h"

#include <span>

namespace anodix {

class Obshaya final : public FormWindow
{
    Q_OBJECT
public:
    explicit Obshaya(const AppContext &context);

    static std::span<const ControlRow> form();
    static std::span<const char *const> focusOrder();
    static QSize clientSize(); // twips

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;

private:
    void Triod1_Click();
    void Pentod1_Click();
    void Command1_Click();
    void TriodVihod1_Click();
    void Dvuhtakt1_Click();
    void BlokPitaniya1_Click();
    void Help_Abaut_Click();

    AppContext m_context;
};

} // namespace anodix
