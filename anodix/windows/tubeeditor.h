// SPDX-License-Identifier: GPL-3.0-or-later
// The tube parameter editors Files, Files_Pentod and Files_Pentod_Vihod: one
// window design, parameterised by the tube class whose records it edits.
#pragma once

#include "anodix/forms/formlayout.h"
#include "anodix/forms/formwindow.h"
#include "anodix/forms/navigator.h"
#include "anodix/tubedb/tuberecord.h"

#include <QStringList>
#include <span>

class QLabel;

namespace anodix {

class FileListBox;

class TubeEditor final : public FormWindow
{
    Q_OBJECT
public:
    TubeEditor(const AppContext &context, TubeClass tubeClass);

    TubeClass tubeClass() const { return m_tubeClass; }

    // The form of the editor of a class, one row per control.
    static std::span<const ControlRow> formRows(TubeClass tubeClass);
    // The names of the text boxes in file order: line n of a record is box n.
    static QStringList boxNamesInFileOrder(TubeClass tubeClass);

protected:
    void createMenus() override;
    void createControls(QWidget *client) override;
    void Form_Load() override;

private:
    void File_Click(const QString &fileName);
    void Save_Click();
    void DelFile1_Click();
    void New_Click();
    void SaveFile_Click();
    void DelFile_Click();
    void Exit_Click();
    void About11_Click();

    void SaveSelectedRecord();
    void DeleteSelectedRecord();

    // Closes the editor and opens it again: the list re-read, nothing selected.
    void reload();
    void showError(const QString &text);
    // Puts the list's selection back on the record FILE1 names, without loading it.
    void restoreSelection();
    // Remembers the record as it is on disk, to see later whether another program changed it.
    void rememberOnDisk(const QString &fileName, const QByteArray &bytes);
    // True when the record is still as loaded or saved here, or when the user
    // agrees to put the boxes over what another program did to it.
    bool mayOverwrite(const QString &fileName);

    FileListBox *fileList() const;
    QString boxText(const QString &boxName) const;
    void setBoxText(const QString &boxName, const QString &text);

    AppContext m_context;
    TubeClass m_tubeClass;
    TubeDatabase m_database;
    // Bound at each opening.
    FormControls m_controls;
    FileListBox *m_file = nullptr;
    QLabel *m_shownName = nullptr; // FILE1
    QString m_loadedName;    // the record last loaded or saved by this editor
    QByteArray m_loadedBytes; // its bytes at that moment
    QStringList m_toldRefused; // the record files left out of the list that were told
};

} // namespace anodix
