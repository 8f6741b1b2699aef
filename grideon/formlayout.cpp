// The builder that turns Grideon's layout tables into widgets.
#include "grideon/formlayout.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

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

} // namespace

QFont fontFor(const FontSpec &spec, const QFont &base)
{
    if (!spec.family)
        return base;
    QFont font(QString::fromLatin1(spec.family));
    font.setPixelSize(static_cast<int>(std::lround(spec.points * 96.0 / 72.0)));
    font.setBold(spec.bold);
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
    , m_renderer(new QSvgRenderer(resource, this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    m_renderer->setAspectRatioMode(Qt::KeepAspectRatio);
}

bool PictureBox::hasPicture() const
{
    return m_renderer->isValid();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!m_renderer->isValid())
        return;
    QPainter painter(this);
    m_renderer->render(&painter, contentsRect());
}

} // namespace grideon
