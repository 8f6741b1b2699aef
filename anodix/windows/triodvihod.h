// SPDX-License-Identifier: GPL-3.0-or-later
// The single-ended triode power stage window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class TriodVihod final : public CalcWindow
{
    Q_OBJECT
public:
    explicit TriodVihod(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
