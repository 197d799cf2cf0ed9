// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QKeyEvent>

// A modal window that closes only through its own buttons or the window
// frame: Escape closes nothing, and no button is pressed by Enter.
class ClassicDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
            event->key() == Qt::Key_Enter) {
            event->ignore();
            return;
        }
        QDialog::keyPressEvent(event);
    }
};
