// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode preamplifier window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class Pentod final : public CalcWindow
{
    Q_OBJECT
public:
    explicit Pentod(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
