// SPDX-License-Identifier: GPL-3.0-or-later
// The pentode power stage window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class Tetrod final : public CalcWindow
{
    Q_OBJECT
public:
    explicit Tetrod(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
