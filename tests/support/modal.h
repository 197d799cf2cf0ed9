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
#include <QPushButton>
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

// Runs `action` once on the first modal window of type Window to open within
// 5 s, looking every 10 ms, so it finds a window opened deep inside other
// handlers (a menu's choice, then a dialog).
template <typename Window> void WhenModal(std::function<void(Window *)> action)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto tries = std::make_shared<int>(500);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, action] {
        if (auto *window = qobject_cast<Window *>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            action(window);
            return;
        }
        if (--*tries == 0)
            timer->deleteLater();
    });
    timer->start(10);
}

// What a Yes/No question showed: its text and whether Yes was its default.
struct Question
{
    bool asked = false;
    QString text;
    bool yesByDefault = false;
};

// Answers the next question with `answer`: a key (Return, Escape) or a click.
inline std::shared_ptr<Question> AnswerNextQuestion(std::function<void(QMessageBox *)> answer)
{
    auto seen = std::make_shared<Question>();
    QTimer::singleShot(0, [seen, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen->asked = true;
        seen->text = box->text();
        seen->yesByDefault = box->defaultButton() == box->button(QMessageBox::Yes);
        answer(box);
    });
    return seen;
}

inline std::function<void(QMessageBox *)> PressKey(Qt::Key key)
{
    return [key](QMessageBox *box) { QTest::keyClick(box, key); };
}

inline std::function<void(QMessageBox *)> ClickButton(QMessageBox::StandardButton button)
{
    return [button](QMessageBox *box) { box->button(button)->click(); };
}
