// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted stand-in for the program's dialogs: each expected dialog is
// queued with its answer; every dialog asked is recorded. A dialog that was
// not expected is recorded as unexpected and answered No / empty, so a test
// fails on it instead of hanging.
#pragma once

#include "anodix/forms/dialogs.h"

#include <QList>
#include <QPrinter>
#include <QString>

struct AskedDialog
{
    enum class Kind { Message, YesNo, Text, SaveFile, Print, OpenFiles };
    Kind kind;
    QString text;
    QString title;
    anodix::Dialogs::Icon icon = anodix::Dialogs::Icon::None;
};

class ScriptedDialogs final : public anodix::Dialogs
{
public:
    // Answers for the questions to come, in order.
    void answerYes() { m_yesNo.append(true); }
    void answerNo() { m_yesNo.append(false); }
    void answerText(const QString &text) { m_texts.append(text); }
    // The path typed and the file type chosen (its index) in the next save
    // dialog; an empty path cancels it. The path comes back exactly as given,
    // as from a dialog that adds no suffix, so the caller's own adding is tested.
    void answerFileName(const QString &path, int type = 0) { m_fileNames.append({path, type}); }
    // The files chosen in the next open dialog; none cancels it.
    void answerOpenFiles(const QStringList &paths) { m_openFiles.append(paths); }
    // The next print dialog is accepted with a printer that writes this PDF file.
    void answerPrinter(const QString &pdfPath) { m_printers.append(pdfPath); }

    QList<AskedDialog> asked;
    int unexpected = 0;

    void message(QWidget *, const QString &text, const QString &title, Icon icon) override
    {
        asked.append({AskedDialog::Kind::Message, text, title, icon});
    }
    bool askYesNo(QWidget *, const QString &text, const QString &title) override
    {
        asked.append({AskedDialog::Kind::YesNo, text, title, Icon::Question});
        if (m_yesNo.isEmpty()) {
            ++unexpected;
            return false;
        }
        return m_yesNo.takeFirst();
    }
    QString askText(QWidget *, const QString &prompt, const QString &title) override
    {
        asked.append({AskedDialog::Kind::Text, prompt, title, Icon::None});
        if (m_texts.isEmpty()) {
            ++unexpected;
            return {};
        }
        return m_texts.takeFirst();
    }

    // Recorded with the types offered as filters: "Изображение PNG (*.png);;…".
    anodix::SaveChoice saveFileName(QWidget *, const QString &title, const QList<anodix::FileType> &types) override
    {
        QStringList filters;
        for (const anodix::FileType &type : types)
            filters << type.name + QStringLiteral(" (*.") + type.suffix + u')';
        asked.append({AskedDialog::Kind::SaveFile, filters.join(QStringLiteral(";;")), title, Icon::None});
        if (m_fileNames.isEmpty()) {
            ++unexpected;
            return {};
        }
        return m_fileNames.takeFirst();
    }
    // Recorded with the filters offered, as the save dialog is.
    QStringList openFileNames(QWidget *, const QString &title, const QList<anodix::FileType> &types) override
    {
        QStringList filters;
        for (const anodix::FileType &type : types)
            filters << type.name + QStringLiteral(" (*.") + type.suffix + u')';
        asked.append({AskedDialog::Kind::OpenFiles, filters.join(QStringLiteral(";;")), title, Icon::None});
        if (m_openFiles.isEmpty()) {
            ++unexpected;
            return {};
        }
        return m_openFiles.takeFirst();
    }
    bool choosePrinter(QWidget *, QPrinter &printer) override
    {
        asked.append({AskedDialog::Kind::Print, {}, {}, Icon::None});
        if (m_printers.isEmpty()) {
            ++unexpected;
            return false;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_printers.takeFirst());
        return true;
    }

    // Messages only, for the common check "which message came".
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const AskedDialog &d : asked)
            if (d.kind == AskedDialog::Kind::Message)
                texts.append(d.text);
        return texts;
    }
    bool allAnswersUsed() const
    {
        return m_yesNo.isEmpty() && m_texts.isEmpty() && m_fileNames.isEmpty() && m_printers.isEmpty()
            && m_openFiles.isEmpty();
    }
    void clear()
    {
        asked.clear();
        unexpected = 0;
        m_yesNo.clear();
        m_texts.clear();
        m_fileNames.clear();
        m_printers.clear();
        m_openFiles.clear();
    }

private:
    QList<bool> m_yesNo;
    QList<QString> m_texts;
    QList<anodix::SaveChoice> m_fileNames;
    QList<QString> m_printers;
    QList<QStringList> m_openFiles;
};
