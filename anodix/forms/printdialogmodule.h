// SPDX-License-Identifier: GPL-3.0-or-later
// Qt's print dialog, kept in the module anodix_printdialog with the printing
// library it needs, so that the library is loaded only when something is
// printed; QtDialogs::choosePrinter opens it through this interface.
#pragma once

#include <QtPlugin>

class QPrinter;
class QWidget;

namespace anodix {

class PrintDialogModule
{
public:
    virtual ~PrintDialogModule() = default;
    // The modal print dialog, which sets up printer; false on Cancel.
    virtual bool choosePrinter(QWidget *parent, QPrinter &printer) = 0;
};

inline const QString kPrintDialogModule = QStringLiteral("anodix_printdialog");

} // namespace anodix

#define ANODIX_PRINT_DIALOG_MODULE_IID "ru.anodix.PrintDialogModule/1"
Q_DECLARE_INTERFACE(anodix::PrintDialogModule, ANODIX_PRINT_DIALOG_MODULE_IID)
