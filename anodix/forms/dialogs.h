// SPDX-License-Identifier: GPL-3.0-or-later
// Modal dialogs and the desktop hand-off behind one small interface, so that
// window tests can answer them with a scripted fake instead of blocking.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace anodix {

// One kind of file a save dialog offers: "Изображение PNG", suffix "png".
struct FileType
{
    QString name;
    QString suffix; // without the dot
};

// What was chosen in a save dialog: the path, empty on Cancel, and the index
// of the file type chosen, which decides the file's format.
struct SaveChoice
{
    QString path;
    int type = 0;
};

class Dialogs
{
public:
    enum class Icon { None, Error, Information, Question };

    virtual ~Dialogs() = default;

    // A modal box with an OK button.
    virtual void message(QWidget *parent, const QString &text, const QString &title, Icon icon) = 0;
    // A modal Yes/No question with the question icon; true only for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &text, const QString &title) = 0;
    // A modal input box with an empty default; an empty text on Cancel.
    virtual QString askText(QWidget *parent, const QString &prompt, const QString &title) = 0;
    // A modal file dialog for saving one of types, the first offered first. It
    // adds the chosen type's suffix to a name typed without one, and does not
    // ask before replacing a file: the caller asks about the file it will write.
    virtual SaveChoice saveFileName(QWidget *parent, const QString &title, const QList<FileType> &types) = 0;
    // A modal file dialog for opening existing files of types (one filter
    // each, and one for them all first); the chosen paths, none on Cancel.
    virtual QStringList openFileNames(QWidget *parent, const QString &title, const QList<FileType> &types) = 0;
    // The modal print dialog, which sets up printer; false on Cancel.
    virtual bool choosePrinter(QWidget *parent, QPrinter &printer) = 0;
};

// The real dialogs: QMessageBox, QInputDialog, QFileDialog and QPrintDialog,
// the last from its module (printdialogmodule.h), loaded when first asked for.
// The file dialogs read and keep no history of Qt's under ~/.config.
class QtDialogs final : public Dialogs
{
public:
    void message(QWidget *parent, const QString &text, const QString &title, Icon icon) override;
    bool askYesNo(QWidget *parent, const QString &text, const QString &title) override;
    QString askText(QWidget *parent, const QString &prompt, const QString &title) override;
    SaveChoice saveFileName(QWidget *parent, const QString &title, const QList<FileType> &types) override;
    QStringList openFileNames(QWidget *parent, const QString &title, const QList<FileType> &types) override;
    bool choosePrinter(QWidget *parent, QPrinter &printer) override;
};

} // namespace anodix
