// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>

// The classic list box with one selectable entry. Once an entry is selected
// one stays selected: a Ctrl+click or Ctrl+Space on it keeps it. A click on
// the entry that is already selected counts as selecting it again.
class ClassicListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit ClassicListBox(QWidget *parent = nullptr);

signals:
    // The entry in `row` was selected: the current row changed (by the
    // program, the mouse or the keyboard), or the user clicked the entry
    // that was current already. Once for each.
    void entrySelected(int row);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
    void mousePressEvent(QMouseEvent *event) override;
};
