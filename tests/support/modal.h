// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Driving modal windows: the action is scheduled before the click that
// opens the window, runs inside its event loop, and the window is closed
// afterwards whatever the action did, so a failing check never hangs a test.

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

// Asks for `window` to be activated and waits until it is the application's
// active window. The Windows styles share the activation of an owner with
// its dialogs, so there QTest::qWaitForWindowActive() on a dialog returns
// while its owner still holds the focus. Under Wine with no window manager
// a request made while another window's activation is under way can be
// lost, so it is repeated.
inline bool WaitUntilActive(QWidget *window)
{
    // On Wayland only the compositor activates a window, and a headless one
    // has no keyboard to give: being shown is all there is to wait for, as
    // in QTest::qWaitForWindowActive() there.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return QTest::qWaitForWindowExposed(window);
    QDeadlineTimer nextRequest(0);
    return QTest::qWaitFor([window, &nextRequest] {
        if (QApplication::activeWindow() == window)
            return true;
        if (nextRequest.hasExpired()) {
            window->activateWindow();
            nextRequest.setRemainingTime(250);
        }
        return false;
    });
}

// Shows a window and waits until it is active, as it is before any click
// of a user. Under Wine a dialog opened before its owner's own activation
// loses the focus to it.
inline bool ShowAndActivate(QWidget &window)
{
    window.show();
    return WaitUntilActive(&window);
}

inline bool RunModal(QAbstractButton *opener, std::function<void(QDialog *)> action)
{
    auto ran = std::make_shared<bool>(false);
    QTimer::singleShot(0, [ran, action] {
        QPointer<QDialog> dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        // Offscreen, a window takes the keyboard focus only once activated.
        // One that never is counts as not run, not as a window that closed.
        if (WaitUntilActive(dialog)) {
            *ran = true;
            action(dialog);
        }
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
