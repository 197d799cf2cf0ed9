// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Driving modal windows: the action is scheduled before the click that
// opens the window, runs inside its event loop, and the window is closed
// afterwards whatever the action did, so a failing check never hangs a test.

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

inline bool RunModal(QAbstractButton *opener, std::function<void(QDialog *)> action)
{
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, [ran, action] {
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        *ran = true;
        // Offscreen, a window takes the keyboard focus only once activated.
        dialog->activateWindow();
        if (QTest::qWaitForWindowActive(dialog))
            action(dialog);
        if (dialog && dialog->isVisible())
            dialog->reject();
    });
    QTest::mouseClick(opener, Qt::LeftButton);
    return *ran;
}

// Answers the next message box; the returned text is filled from it.
inline std::shared_ptr<QString> AnswerNextMessageBox()
{
    auto text = std::make_shared<QString>();
    QTimer::singleShot(0, [text] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->accept();
        }
    });
    return text;
}
