// SPDX-License-Identifier: GPL-3.0-or-later
// The builder that turns Grideon's layout tables into widgets.
#include "grideon/formlayout.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTimer>

#include <cmath>

namespace grideon {

namespace {

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
    case Kind::Label:
    case Kind::LinkLabel: {
        QLabel *label = row.kind == Kind::Label ? new QLabel(text, client) : new LinkLabel(text, client);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(true);
        return label;
    }
    case Kind::TextBox:
        return new QLineEdit(client);
    case Kind::Button:
        return new QPushButton(text, client);
    case Kind::Picture:
        return new PictureBox(text, client);
    case Kind::Line:
        return createLine(client, row);
    }
    return nullptr;
}

// The metric twins that stand in for the form designer's fonts.
struct FamilyTwin
{
    const char *family;
    const char *twin;
};
constexpr FamilyTwin kTwins[] = {{"Times New Roman", "Liberation Serif"}, {"Arial", "Liberation Sans"}};

// The family the form names where it is installed, else its installed twin.
// Asked for a family that is not installed, Qt sorts every font on the system
// for each script of each text, which cost Grideon's start-up more than
// drawing its window; the twin is the font that search ends on.
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

} // namespace

QFont fontFor(const FontSpec &fontSpec, const QFont &base)
{
    if (!fontSpec.family)
        return base;
    QFont font(installedFamily(fontSpec.family));
    font.setPixelSize(static_cast<int>(std::lround(fontSpec.points * 96.0 / 72.0)));
    font.setBold(fontSpec.bold);
    return font;
}

QColor colourFor(Colour colour)
{
    switch (colour) {
    case Colour::DarkRed:
        return QColor(192, 0, 0);
    case Colour::DarkBlue:
        return QColor(0, 0, 192);
    case Colour::Default:
        break;
    }
    return {};
}

QIcon programIcon()
{
    const QIcon shared = QGuiApplication::windowIcon();
    return shared.isNull() ? QIcon(QStringLiteral(":/grideon/grideon.svg")) : shared;
}

void buildForm(QWidget *client, std::span<const ControlRow> rows)
{
    for (const ControlRow &row : rows) {
        QWidget *widget = createControl(client, row);
        widget->setObjectName(QString::fromLatin1(row.name));
        widget->setFont(fontFor(row.font, widget->font()));
        if (row.colour != Colour::Default) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::WindowText, colourFor(row.colour));
            widget->setPalette(palette);
        }
        if (row.kind != Kind::Line)
            widget->setGeometry(twips(row.left), twips(row.top), twips(row.width), twips(row.height));
    }
}

LinkLabel::LinkLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

PictureBox::PictureBox(const QString &resource, QWidget *parent)
    : QFrame(parent)
    , m_resource(resource)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

PictureBox::~PictureBox() = default;

QSvgRenderer *PictureBox::renderer() const
{
    if (!m_renderer) {
        m_renderer = std::make_unique<QSvgRenderer>(m_resource);
        m_renderer->setAspectRatioMode(Qt::KeepAspectRatio);
    }
    return m_renderer.get();
}

bool PictureBox::hasPicture() const
{
    return renderer()->isValid();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!m_renderer) {
        // The first paint shows the frame; the drawing follows at once.
        QTimer::singleShot(0, this, [this] {
            renderer();
            update();
        });
        return;
    }
    if (!m_renderer->isValid())
        return;
    QPainter painter(this);
    m_renderer->render(&painter, contentsRect());
}

} // namespace grideon
