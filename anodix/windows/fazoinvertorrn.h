// SPDX-License-Identifier: GPL-3.0-or-later
// The split-load phase splitter window.
#pragma once

#include "anodix/windows/calcwindow.h"

namespace anodix {

class FazoinvertorRN final : public CalcWindow
{
    Q_OBJECT
public:
    explicit FazoinvertorRN(const AppContext &context);
    static const CalcWindowSpec &layout();
};

} // namespace anodix
