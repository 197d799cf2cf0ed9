// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>

// Disables and enables the controls of one window without stranding the
// keyboard. Qt moves the focus off a control that is disabled, onto the
// next in the tab order (at the end a picture that does nothing); when the
// control is enabled again the focus goes back to it, unless the user has
// put it elsewhere meanwhile. This holds while the window is in the
// background too: it is where the focus is once the window is activated.
class FocusReturn
{
public:
    explicit FocusReturn(QWidget *window) : m_window(window) {}

    void setEnabled(QWidget *control, bool enabled);

private:
    QWidget *m_window;
    QPointer<QWidget> m_had;   // the control the focus was taken from
    QPointer<QWidget> m_given; // where Qt put it instead
};
