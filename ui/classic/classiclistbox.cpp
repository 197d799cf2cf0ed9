// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/classiclistbox.h"

#include <QMouseEvent>

ClassicListBox::ClassicListBox(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::currentRowChanged, this, &ClassicListBox::entrySelected);
}

QItemSelectionModel::SelectionFlags ClassicListBox::selectionCommand(const QModelIndex &index,
                                                                     const QEvent *event) const
{
    // With Ctrl held, Qt takes the selection away from the selected entry.
    const auto command = QListWidget::selectionCommand(index, event);
    if (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return command;
}

void ClassicListBox::mousePressEvent(QMouseEvent *event)
{
    const int before = currentRow();
    QListWidget::mousePressEvent(event);
    // A click on the current entry changes no row, so nothing has told of it.
    const QModelIndex pressed = indexAt(event->position().toPoint());
    if (pressed.isValid() && pressed.row() == before && currentRow() == before)
        emit entrySelected(before);
}
