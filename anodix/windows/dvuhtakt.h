// SPDX-License-Identifier: GPL-3.0-or-later
// The push-pull pentode output stage window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class Dvuhtakt final : public CalcWindow
{
    Q_OBJECT
public:
    explicit Dvuhtakt(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
