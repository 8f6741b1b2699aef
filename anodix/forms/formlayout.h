// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed form layouts kept as data: one row per control, positions in twips as
// the form designer gave them, turned into widgets by one builder.
#pragma once

#include <QHash>
#include <QIcon>
#include <QPointer>
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

// The controls of one built form by name. A window takes the controls its code
// uses from here once, as it builds them; a name the form lacks or a control of
// another kind is a fault of the program and stops it with a message that names
// the form and the control, rather than crashing on a null pointer later.
class FormControls
{
public:
    FormControls() = default;
    // The named children of client, for forms not made by buildForm.
    static FormControls of(QWidget *client);

    // Adds a control under its objectName; returns why it cannot be, empty when it can.
    QString add(QWidget *widget);

    // Why name is not a control of that kind here; empty when it is.
    QString problem(const QString &name, const QMetaObject &kind) const;
    template <typename T>
    QString problem(const QString &name) const { return problem(name, T::staticMetaObject); }

    // The control of that name and kind; a problem stops the program.
    QWidget *widget(const QString &name, const QMetaObject &kind = QWidget::staticMetaObject) const;
    template <typename T>
    T *get(const QString &name) const { return static_cast<T *>(widget(name, T::staticMetaObject)); }
    template <typename T>
    T *get(const char *name) const { return get<T>(QString::fromLatin1(name)); }

private:
    QString m_form; // the form's window, for the messages
    QHash<QString, QPointer<QWidget>> m_widgets;
};

// Creates the rows' widgets as children of client, in row order, and returns
// them by name; two rows of one name stop the program.
// Labels are top-left aligned, wrap at word boundaries and are at least one line
// of their font high; file lists are FileListBox; pictures keep their proportions.
FormControls buildForm(QWidget *client, std::span<const ControlRow> rows);

// Puts a control built from row back where the form gave it.
void placeControl(QWidget *widget, const ControlRow &row);

// Puts a result's value and unit back where the form gave them, the value
// widened to its text and the unit moved along, so a long figure is not cut.
void placeValueAndUnit(QWidget *value, QWidget *unit, const ControlRow &valueRow, const ControlRow &unitRow);

// A caption label and the box it names: {label name, box name}.
using BuddyPair = std::pair<const char *, const char *>;

// Makes each caption label the buddy of its box, so screen readers name the box.
void setBuddies(const FormControls &controls, std::span<const BuddyPair> pairs);
void setBuddies(const FormControls &controls, std::initializer_list<BuddyPair> pairs);
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
void nameOutputs(const FormControls &controls, std::span<const OutputRow> outputs);
void nameOutputs(QWidget *client, std::span<const OutputRow> outputs);
void nameOutputs(QWidget *client, std::initializer_list<OutputRow> outputs);

// Chains the named controls for the Tab key in the given order; the first one
// holds the focus when the window opens.
void setFocusOrder(const FormControls &controls, std::span<const char *const> names);
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

// A vector drawing fitted to its box at its own proportions. It is read
// through Qt's SVG icon plugin, so the SVG library is loaded with the first
// window that shows a drawing, not at every start.
class Drawing : public QWidget
{
    Q_OBJECT
public:
    Drawing(const QString &resource, QWidget *parent);
    // False when the drawing cannot be read.
    bool isValid() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QIcon m_drawing;
};

} // namespace anodix
