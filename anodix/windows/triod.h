// SPDX-License-Identifier: GPL-3.0-or-later
// The triode preamplifier window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class Triod final : public CalcWindow
{
    Q_OBJECT
public:
    explicit Triod(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
