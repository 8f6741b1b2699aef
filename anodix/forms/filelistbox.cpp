// SPDX-License-Identifier: GPL-3.0-or-later
#include "anodix/forms/filelistbox.h"

#include <QItemSelectionModel>
#include <QStringListModel>

namespace anodix {

FileListBox::FileListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new QStringListModel(this))
{
    setModel(m_model);
    // Uniform rows let the view skip measuring each of thousands of names.
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QString name = selectedName();
        if (!name.isEmpty())
            emit fileClicked(name);
    });
}

void FileListBox::setNames(const QStringList &names)
{
    m_model->setStringList(names);
    selectionModel()->clear();
}

QStringList FileListBox::names() const
{
    return m_model->stringList();
}

QString FileListBox::selectedName() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QString() : selected.first().data().toString();
}

bool FileListBox::selectName(const QString &name)
{
    const int row = m_model->stringList().indexOf(name);
    if (row < 0)
        return false;
    const QModelIndex index = m_model->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    return true;
}

} // namespace anodix
