// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/dialogs.h"

#include "anodix/forms/moduleloader.h"
#include "anodix/forms/printdialogmodule.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTemporaryDir>
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

// Qt's file dialog reads its history, last folder and view from
// ~/.config/QtProject.conf and writes them back when it closes. The program
// keeps no settings, so while a dialog is open Qt's settings, the user's and
// the system's, are a scratch folder's, which goes with the dialog.
class ScratchSettings
{
public:
    ScratchSettings()
    {
        const QString path = m_folder.isValid() ? m_folder.path() : QStringLiteral("/nonexistent");
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
                QSettings::setPath(format, scope, path);
        }
    }

private:
    QTemporaryDir m_folder;
};
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
    const ScratchSettings scratch; // outlives the dialog, which writes on its end
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
    // Its "print to file" opens a file dialog of its own.
    const ScratchSettings scratch;
    return dialogs->choosePrinter(parent, printer);
}

} // namespace anodix
