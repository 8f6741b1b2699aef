// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/formlayout.h"

#include "anodix/forms/filelistbox.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QSvgRenderer>
#include <QSvgWidget>

namespace anodix {

QString controlName(const char *name, int index)
{
    const QString base = QString::fromLatin1(name);
    return index < 0 ? base : QStringLiteral("%1(%2)").arg(base).arg(index);
}

namespace {

void applyFont(QWidget *widget, const FontSpec &fontSpec)
{
    if (!fontSpec.family)
        return;
    QFont font(QString::fromLatin1(fontSpec.family));
    font.setPointSizeF(fontSpec.points);
    font.setBold(fontSpec.bold);
    font.setItalic(fontSpec.italic);
    widget->setFont(font);
}

QWidget *createLine(QWidget *client, const ControlRow &row)
{
    auto *line = new QFrame(client);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    const int x1 = twips(row.left), y1 = twips(row.top);
    const int x2 = twips(row.width), y2 = twips(row.height);
    if (y1 == y2) {
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(std::min(x1, x2), y1, std::abs(x2 - x1) + 1, 1);
    } else {
        line->setFrameShape(QFrame::VLine);
        line->setGeometry(x1, std::min(y1, y2), 1, std::abs(y2 - y1) + 1);
    }
    return line;
}

QWidget *createControl(QWidget *client, const ControlRow &row)
{
    const QString text = QString::fromUtf8(row.text ? row.text : "");
    switch (row.kind) {
    case ControlKind::Label: {
        auto *label = new QLabel(text, client);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        return label;
    }
    case ControlKind::TextBox:
        return new QLineEdit(client);
    case ControlKind::Button: {
        // Enter on a focused button presses it, as Space does.
        auto *button = new WrapButton(text, client);
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::FileList:
        return new FileListBox(client);
    case ControlKind::Picture: {
        auto *picture = new QSvgWidget(text, client);
        // A drawing keeps its proportions even where its box is a little off them.
        picture->renderer()->setAspectRatioMode(Qt::KeepAspectRatio);
        return picture;
    }
    case ControlKind::Line:
        return createLine(client, row);
    }
    return nullptr;
}

} // namespace

void buildForm(QWidget *client, std::span<const ControlRow> rows)
{
    for (const ControlRow &row : rows) {
        QWidget *widget = createControl(client, row);
        widget->setObjectName(controlName(row.name, row.index));
        applyFont(widget, row.font);
        if (row.kind != ControlKind::Line)
            placeControl(widget, row);
    }
}

void placeControl(QWidget *widget, const ControlRow &row)
{
    int height = twips(row.height);
    // A label is never lower than one line of its font, so descenders are not cut
    // off where the form gave a large font a box a pixel too low.
    if (row.kind == ControlKind::Label)
        height = std::max(height, widget->fontMetrics().lineSpacing());
    widget->setGeometry(twips(row.left), twips(row.top), twips(row.width), height);
}

void setBuddies(QWidget *client, std::initializer_list<BuddyPair> pairs)
{
    setBuddies(client, std::span<const BuddyPair>(pairs.begin(), pairs.size()));
}

void setBuddies(QWidget *client, std::span<const BuddyPair> pairs)
{
    for (const auto &[labelName, boxName] : pairs) {
        auto *label = client->findChild<QLabel *>(QString::fromLatin1(labelName));
        auto *box = client->findChild<QWidget *>(QString::fromLatin1(boxName));
        if (label && box) {
            label->setBuddy(box);
            box->setAccessibleName(label->text().trimmed());
        }
    }
}

void nameOutputs(QWidget *client, std::initializer_list<OutputRow> outputs)
{
    nameOutputs(client, std::span<const OutputRow>(outputs.begin(), outputs.size()));
}

void nameOutputs(QWidget *client, std::span<const OutputRow> outputs)
{
    const auto textOf = [client](const char *name) {
        const auto *label = name ? client->findChild<QLabel *>(QString::fromLatin1(name)) : nullptr;
        return label ? label->text().simplified() : QString();
    };
    for (const OutputRow &row : outputs) {
        auto *output = client->findChild<QLabel *>(QString::fromLatin1(row.output));
        if (!output)
            continue;
        QStringList words{textOf(row.caption), textOf(row.output), textOf(row.unit)};
        words.removeAll(QString());
        output->setAccessibleName(words.join(QLatin1Char(' ')));
    }
}

void setFocusOrder(QWidget *client, std::span<const char *const> names)
{
    QWidget *previous = nullptr;
    for (const char *name : names) {
        QWidget *widget = client->findChild<QWidget *>(QString::fromLatin1(name));
        if (!widget)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            widget->setFocus(Qt::OtherFocusReason);
        previous = widget;
    }
}

void WrapButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
}

} // namespace anodix
