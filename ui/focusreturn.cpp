// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/focusreturn.h"

void FocusReturn::setEnabled(QWidget *control, bool enabled)
{
    if (!enabled) {
        // Of several controls disabled one after another, the focus may pass
        // through some of them: it goes back to the first.
        if (!m_had && m_window->focusWidget() == control)
            m_had = control;
        control->setEnabled(false);
        if (m_had)
            m_given = m_window->focusWidget();
        return;
    }
    control->setEnabled(true);
    if (control != m_had)
        return;
    QWidget *now = m_window->focusWidget();
    if (!now || now == m_given || !now->isEnabled())
        control->setFocus(Qt::OtherFocusReason);
    m_had = nullptr;
    m_given = nullptr;
}
