// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed form layouts kept as data: one row per control, positions in twips as
// the form designer gave them, turned into widgets by one builder.
#pragma once

#include <QPushButton>
#include <QString>
#include <initializer_list>
#include <span>
#include <utility>

class QWidget;

namespace anodix {

// 15 twips make one logical pixel; Qt scales logical pixels on high-DPI screens.
constexpr int twips(int value) { return (value + 7) / 15; }

enum class ControlKind { Label, TextBox, Button, FileList, Picture, Line };

struct FontSpec
{
    const char *family = nullptr; // nullptr: the widget's default font
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// Fonts the forms use. Arial and Times New Roman resolve to their metric twins
// (Liberation Sans, Liberation Serif) where the originals are not installed.
inline constexpr FontSpec kDefaultFont{};
inline constexpr FontSpec kBoldSans975{"Arial", 9.75, true};
inline constexpr FontSpec kBoldSans825{"Arial", 8.25, true};
inline constexpr FontSpec kBoldSans12{"Arial", 12, true};
inline constexpr FontSpec kBoldArial1125{"Arial", 11.25, true};
inline constexpr FontSpec kBoldTimes12{"Times New Roman", 12, true};
inline constexpr FontSpec kSans18{"Arial", 18};
inline constexpr FontSpec kSans135{"Arial", 13.5};
inline constexpr FontSpec kBoldItalicArial1425{"Arial", 14.25, true, true};

struct ControlRow
{
    ControlKind kind;
    const char *name;  // the control's name; objectName is "Name" or "Name(index)"
    int index;         // -1 outside a control array
    const char *text;  // caption (UTF-8); for a Picture, the resource path of its image
    int left, top, width, height; // twips; for a Line: x1, y1, x2, y2
    FontSpec font = kDefaultFont;
};

// "Label2" with index 4 is addressed as "Label2(4)", the way the form designer writes it.
QString controlName(const char *name, int index = -1);

// Creates the rows' widgets as children of client, in row order.
// Labels are top-left aligned, wrap at word boundaries and are at least one line
// of their font high; file lists are FileListBox; pictures keep their proportions.
void buildForm(QWidget *client, std::span<const ControlRow> rows);

// Puts a control built from row back where the form gave it.
void placeControl(QWidget *widget, const ControlRow &row);

// A caption label and the box it names: {label name, box name}.
using BuddyPair = std::pair<const char *, const char *>;

// Makes each caption label the buddy of its box, so screen readers name the box.
void setBuddies(QWidget *client, std::span<const BuddyPair> pairs);
void setBuddies(QWidget *client, std::initializer_list<BuddyPair> pairs);

// An output label with the caption on its left and the unit on its right
// (nullptr where it has none).
struct OutputRow
{
    const char *caption;
    const char *output;
    const char *unit;
};

// Names each output for screen readers as its caption, value and unit, as a
// sighted user reads the row ("R1 = 470 кОм"); run again whenever the values change.
void nameOutputs(QWidget *client, std::span<const OutputRow> outputs);
void nameOutputs(QWidget *client, std::initializer_list<OutputRow> outputs);

// Chains the named controls for the Tab key in the given order; the first one
// holds the focus when the window opens.
void setFocusOrder(QWidget *client, std::span<const char *const> names);

// A push button whose caption wraps onto several lines, as the main window's buttons do.
class WrapButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace anodix
