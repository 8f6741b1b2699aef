// SPDX-License-Identifier: GPL-3.0-or-later
// Grideon's fixed window layouts kept as tables: one row per control, in twips
// as the form designer gave them, turned into widgets by one builder.
#pragma once

#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QString>

#include <memory>
#include <span>

class QSvgRenderer;

namespace grideon {

// 15 twips make one logical pixel (1440 twips an inch at 96 dots per inch).
constexpr int twips(int value) { return (value + 7) / 15; }

enum class Kind { Label, LinkLabel, TextBox, Button, Picture, Line };
enum class Colour { Default, DarkRed, DarkBlue };

struct FontSpec
{
    const char *family = nullptr; // nullptr: the widget's default font
    double points = 0;
    bool bold = false;
};

// Arial and Times New Roman resolve to Liberation Sans and Serif, their metric
// twins, where the originals are missing; MS Sans Serif is drawn as Arial.
inline constexpr FontSpec kDefaultFont{};
inline constexpr FontSpec kTimesBold12{"Times New Roman", 12, true};
inline constexpr FontSpec kTimesBold1425{"Times New Roman", 14.25, true};
inline constexpr FontSpec kTimesBold1575{"Times New Roman", 15.75, true};
inline constexpr FontSpec kArialBold12{"Arial", 12, true};
inline constexpr FontSpec kSansSerifBold12{"Arial", 12, true};
inline constexpr FontSpec kSansSerif12{"Arial", 12, false};

struct ControlRow
{
    Kind kind;
    const char *name; // objectName
    const char *text; // UTF-8 caption; for a Picture the resource path of its drawing
    int left, top, width, height; // twips; for a Line: x1, y1, x2, y2
    FontSpec font = kDefaultFont;
    Colour colour = Colour::Default;
};

// Creates the rows' widgets as children of client, in row order. Labels are
// plain text, top-left aligned and wrap at word boundaries.
void buildForm(QWidget *client, std::span<const ControlRow> rows);

// The font a row asks for, sized in logical pixels so that it keeps its
// proportion to the twip grid whatever the screen's reported dots per inch.
// A family that is not installed is asked for by its installed metric twin.
QFont fontFor(const FontSpec &fontSpec, const QFont &base);

QColor colourFor(Colour colour);

// Grideon's icon: the program's own once runGrideon has set it, so that the
// drawing is read once for the program and both windows.
QIcon programIcon();

// A label that reports a click, for the addresses in the About window.
class LinkLabel : public QLabel
{
    Q_OBJECT
public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A framed box showing a vector drawing at its own proportions. The drawing is
// read once the box has first painted its frame, so a window with it is on
// screen without waiting for the drawing.
class PictureBox : public QFrame
{
    Q_OBJECT
public:
    explicit PictureBox(const QString &resource, QWidget *parent = nullptr);
    ~PictureBox() override;
    bool hasPicture() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSvgRenderer *renderer() const; // reads the drawing on first use

    QString m_resource;
    mutable std::unique_ptr<QSvgRenderer> m_renderer;
};

} // namespace grideon
