// SPDX-License-Identifier: GPL-3.0-or-later
// The warning line under a form; see warningline.h.
#include "anodix/forms/warningline.h"

#include "anodix/forms/formlayout.h"

#include <QLabel>
#include <QPalette>

namespace anodix {

namespace {

// From the form's left margin to the same margin on the right.
constexpr int kMarginTwips = 120;

} // namespace

QLabel *makeWarningLine(QWidget *client)
{
    auto *line = new QLabel(client);
    line->setObjectName(QStringLiteral("Preduprezhdenie"));
    line->setWordWrap(true);
    QFont font = line->font();
    font.setBold(true);
    line->setFont(font);
    QPalette palette = line->palette();
    palette.setColor(QPalette::WindowText, QColor(0xa0, 0, 0));
    line->setPalette(palette);
    line->setAccessibleName(QStringLiteral("Предупреждений нет"));
    line->hide();
    return line;
}

void showWarningLine(QLabel *line, int designedHeight, const QStringList &warnings)
{
    QWidget *client = line->parentWidget();
    line->setText(warnings.join(QLatin1Char('\n')));
    line->setAccessibleName(warnings.isEmpty()
                                ? QStringLiteral("Предупреждений нет")
                                : QStringLiteral("Предупреждение: ") + warnings.join(QStringLiteral("; ")));
    if (warnings.isEmpty()) {
        line->hide();
        client->setFixedHeight(designedHeight);
        return;
    }
    const int margin = twips(kMarginTwips);
    const int width = client->width() - 2 * margin;
    const int height = line->heightForWidth(width);
    line->setGeometry(margin, designedHeight, width, height);
    line->show();
    line->raise();
    client->setFixedHeight(designedHeight + height + margin);
}

} // namespace anodix
