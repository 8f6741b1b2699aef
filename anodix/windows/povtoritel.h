// SPDX-License-Identifier: GPL-3.0-or-later
// The cathode follower window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class Povtoritel final : public CalcWindow
{
    Q_OBJECT
public:
    explicit Povtoritel(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
