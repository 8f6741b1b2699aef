// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/formlayout.h"

#include "anodix/forms/filelistbox.h"

#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace anodix {

QString controlName(const char *name, int index)
{
    const QString base = QString::fromLatin1(name);
    return index < 0 ? base : QStringLiteral("%1(%2)").arg(base).arg(index);
}

namespace {

// The metric twins that stand in for the forms' fonts where those are not installed.
struct FamilyTwin
{
    const char *family;
    const char *twin;
};
constexpr FamilyTwin kTwins[] = {{"Arial", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"}};

// The family a form names where it is installed, else its installed twin.
// Asked for a family that is not installed, Qt has fontconfig sort every font
// on the system for it before it settles on the twin, at each start.
QString installedFamily(const char *family)
{
    static const QStringList installed = QFontDatabase::families();
    const QString name = QString::fromLatin1(family);
    if (installed.contains(name, Qt::CaseInsensitive))
        return name;
    for (const FamilyTwin &twin : kTwins) {
        const QString twinName = QString::fromLatin1(twin.twin);
        if (qstrcmp(twin.family, family) == 0 && installed.contains(twinName, Qt::CaseInsensitive))
            return twinName;
    }
    return name;
}

void applyFont(QWidget *widget, const FontSpec &fontSpec)
{
    if (!fontSpec.family)
        return;
    QFont font(installedFamily(fontSpec.family));
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
        return new QLineEdit(text, client); // a box that opens holding a value has it as its text
    case ControlKind::Button: {
        // Enter on a focused button presses it, as Space does.
        auto *button = new WrapButton(text, client);
        button->setAutoDefault(true);
        return button;
    }
    case ControlKind::FileList:
        return new FileListBox(client);
    case ControlKind::Picture:
        return new Drawing(text, client);
    case ControlKind::Line:
        return createLine(client, row);
    }
    return nullptr;
}

} // namespace

FormControls FormControls::of(QWidget *client)
{
    FormControls controls;
    controls.m_form = client->window()->objectName();
    for (QWidget *widget : client->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!widget->objectName().isEmpty())
            controls.add(widget);
    return controls;
}

QString FormControls::add(QWidget *widget)
{
    const QString name = widget->objectName();
    if (m_form.isEmpty() && widget->parentWidget())
        m_form = widget->window()->objectName();
    if (m_widgets.contains(name))
        return QStringLiteral("form %1 has two controls named %2").arg(m_form, name);
    m_widgets.insert(name, widget);
    return {};
}

QString FormControls::problem(const QString &name, const QMetaObject &kind) const
{
    const QWidget *widget = m_widgets.value(name);
    if (!widget)
        return QStringLiteral("form %1 has no control named %2").arg(m_form, name);
    if (!kind.cast(widget))
        return QStringLiteral("control %2 of form %1 is a %3, not a %4")
            .arg(m_form, name, QLatin1String(widget->metaObject()->className()), QLatin1String(kind.className()));
    return {};
}

QWidget *FormControls::widget(const QString &name, const QMetaObject &kind) const
{
    if (const QString why = problem(name, kind); !why.isEmpty())
        qFatal("%s", qPrintable(why));
    return m_widgets.value(name);
}

FormControls buildForm(QWidget *client, std::span<const ControlRow> rows)
{
    FormControls controls;
    for (const ControlRow &row : rows) {
        QWidget *widget = createControl(client, row);
        widget->setObjectName(controlName(row.name, row.index));
        applyFont(widget, row.font);
        if (row.kind != ControlKind::Line)
            placeControl(widget, row);
        if (const QString why = controls.add(widget); !why.isEmpty())
            qFatal("%s", qPrintable(why));
    }
    return controls;
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

void placeValueAndUnit(QWidget *value, QWidget *unit, const ControlRow &valueRow, const ControlRow &unitRow)
{
    placeControl(value, valueRow);
    placeControl(unit, unitRow);
    if (const int extra = value->sizeHint().width() - value->width(); extra > 0) {
        value->resize(value->width() + extra, value->height());
        unit->move(unit->x() + extra, unit->y());
    }
}

void setBuddies(const FormControls &controls, std::initializer_list<BuddyPair> pairs)
{
    setBuddies(controls, std::span<const BuddyPair>(pairs.begin(), pairs.size()));
}

void setBuddies(const FormControls &controls, std::span<const BuddyPair> pairs)
{
    for (const auto &[labelName, boxName] : pairs) {
        auto *label = controls.get<QLabel>(labelName);
        QWidget *box = controls.get<QWidget>(boxName);
        label->setBuddy(box);
        box->setAccessibleName(label->text().trimmed());
    }
}

void setBuddies(QWidget *client, std::span<const BuddyPair> pairs)
{
    setBuddies(FormControls::of(client), pairs);
}

void setBuddies(QWidget *client, std::initializer_list<BuddyPair> pairs)
{
    setBuddies(FormControls::of(client), pairs);
}

void nameOutputs(const FormControls &controls, std::span<const OutputRow> outputs)
{
    const auto textOf = [&controls](const char *name) {
        return name ? controls.get<QLabel>(name)->text().simplified() : QString();
    };
    for (const OutputRow &row : outputs) {
        QStringList words{textOf(row.caption), textOf(row.output), textOf(row.unit)};
        words.removeAll(QString());
        controls.get<QLabel>(row.output)->setAccessibleName(words.join(QLatin1Char(' ')));
    }
}

void nameOutputs(QWidget *client, std::span<const OutputRow> outputs)
{
    nameOutputs(FormControls::of(client), outputs);
}

void nameOutputs(QWidget *client, std::initializer_list<OutputRow> outputs)
{
    nameOutputs(FormControls::of(client), std::span<const OutputRow>(outputs.begin(), outputs.size()));
}

void setFocusOrder(const FormControls &controls, std::span<const char *const> names)
{
    QWidget *previous = nullptr;
    for (const char *name : names) {
        QWidget *widget = controls.get<QWidget>(name);
        if (previous)
            QWidget::setTabOrder(previous, widget);
        else
            widget->setFocus(Qt::OtherFocusReason);
        previous = widget;
    }
}

void setFocusOrder(QWidget *client, std::span<const char *const> names)
{
    setFocusOrder(FormControls::of(client), names);
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

Drawing::Drawing(const QString &resource, QWidget *parent)
    : QWidget(parent)
    , m_drawing(resource)
{
}

bool Drawing::isValid() const
{
    return !m_drawing.actualSize(QSize(1000, 1000)).isEmpty();
}

void Drawing::paintEvent(QPaintEvent *)
{
    // The icon engine keeps the drawing's proportions even where its box is a
    // little off them, and draws it at the screen's pixel density.
    QPainter painter(this);
    m_drawing.paint(&painter, rect());
}

} // namespace anodix
