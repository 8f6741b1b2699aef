// SPDX-License-Identifier: GPL-3.0-or-later
// The root object of the module anodix_printdialog: Qt's print dialog.
#include "anodix/forms/printdialogmodule.h"

#include <QObject>
#include <QPrintDialog>

namespace anodix {

class QtPrintDialogModule final : public QObject, public PrintDialogModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ANODIX_PRINT_DIALOG_MODULE_IID FILE "buildidentity.json")
    Q_INTERFACES(anodix::PrintDialogModule)

public:
    bool choosePrinter(QWidget *parent, QPrinter &printer) override
    {
        QPrintDialog dialog(&printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }
};

} // namespace anodix

#include "printdialogmodule.moc"
