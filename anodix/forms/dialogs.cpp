// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/dialogs.h"

#include "anodix/forms/moduleloader.h"
#include "anodix/forms/printdialogmodule.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <algorithm>

namespace anodix {

namespace {
QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Error: return QMessageBox::Critical;
    case Dialogs::Icon::Information: return QMessageBox::Information;
    case Dialogs::Icon::Question: return QMessageBox::Question;
    case Dialogs::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void QtDialogs::message(QWidget *parent, const QString &text, const QString &title, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::askYesNo(QWidget *parent, const QString &text, const QString &title)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::askText(QWidget *parent, const QString &prompt, const QString &title)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}

SaveChoice QtDialogs::saveFileName(QWidget *parent, const QString &title, const QList<FileType> &types)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    QStringList filters;
    for (const FileType &type : types)
        filters << QStringLiteral("%1 (*.%2)").arg(type.name, type.suffix);
    dialog.setNameFilters(filters);
    if (!types.isEmpty())
        dialog.setDefaultSuffix(types.first().suffix);
    // The suffix follows the chosen filter, so the name returned is the file written.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString &filter) {
        if (const qsizetype index = filters.indexOf(filter); index >= 0)
            dialog.setDefaultSuffix(types.at(index).suffix);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().first(), int(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())))};
}

QStringList QtDialogs::openFileNames(QWidget *parent, const QString &title, const QList<FileType> &types)
{
    QStringList filters, patterns;
    for (const FileType &type : types) {
        filters << QStringLiteral("%1 (*.%2)").arg(type.name, type.suffix);
        patterns << QStringLiteral("*.") + type.suffix;
    }
    if (types.size() > 1)
        filters.prepend(QStringLiteral("Все поддерживаемые (%1)").arg(patterns.join(u' ')));
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

bool QtDialogs::choosePrinter(QWidget *parent, QPrinter &printer)
{
    QString reason;
    PrintDialogModule *dialogs = loadModule<PrintDialogModule>(kPrintDialogModule, reason);
    if (!dialogs) {
        message(parent, QStringLiteral("Печать недоступна: ") + reason, QStringLiteral("Ошибка"), Icon::None);
        return false;
    }
    return dialogs->choosePrinter(parent, printer);
}

} // namespace anodix
