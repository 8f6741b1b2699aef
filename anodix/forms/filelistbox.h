// SPDX-License-Identifier: GPL-3.0-or-later
// The file list of the forms: names of one folder's records, one selectable.
#pragma once

#include <QListView>
#include <QStringList>

class QStringListModel;

namespace anodix {

class FileListBox : public QListView
{
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);

    // Replaces the shown names; nothing is selected afterwards.
    void setNames(const QStringList &names);
    QStringList names() const;

    // The name the user selected; empty while nothing is selected, even when
    // the view has a current item of its own.
    QString selectedName() const;

    // Selects a name as a click would; returns false when it is not listed.
    bool selectName(const QString &name);

signals:
    // The selection moved to a name, by mouse or keyboard.
    void fileClicked(const QString &name);

private:
    QStringListModel *m_model;
};

} // namespace anodix
