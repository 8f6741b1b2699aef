// SPDX-License-Identifier: GPL-3.0-or-later
// The results under a stage window's line as rows of its layout table: each a
// caption (two lines at most), the value and its unit level with its first line.
#pragma once

#include "anodix/forms/formlayout.h"

namespace anodix {

// Captions are the control array "Label9", units "Label10", each under the
// caption's index; column is a caption's left edge, row counts from top.
struct ResultGrid
{
    int top = 0;
    int step = 540;

    constexpr int rowTop(int row) const { return top + row * step; }

    constexpr ControlRow caption(int index, const char *text, int column, int row) const
    {
        return {ControlKind::Label, "Label9", index, text, column, rowTop(row), 2340, 495, kBoldSans975};
    }
    constexpr ControlRow value(const char *name, int column, int row) const
    {
        return {ControlKind::Label, name, -1, "0", column + 2400, rowTop(row), 780, 255, kBoldSans975};
    }
    constexpr ControlRow unit(int index, const char *text, int column, int row) const
    {
        return {ControlKind::Label, "Label10", index, text, column + 3180, rowTop(row), 420, 255, kBoldSans975};
    }

    // A one-line caption and a wide value: a word (what limits a swing) rather than a figure.
    constexpr ControlRow shortCaption(int index, const char *text, int column, int row) const
    {
        return {ControlKind::Label, "Label9", index, text, column, rowTop(row), 1440, 255, kBoldSans975};
    }
    constexpr ControlRow wideValue(const char *name, int column, int row) const
    {
        return {ControlKind::Label, name, -1, "0", column + 1500, rowTop(row), 2100, 255, kBoldSans975};
    }
};

} // namespace anodix
