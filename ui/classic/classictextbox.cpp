// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/classic/classictextbox.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <utility>

ClassicTextBox::ClassicTextBox(QWidget *parent) : QLineEdit(parent)
{
    // QLineEdit would stop at 32767 characters; the windows hold their
    // boxes to their own limits instead.
    setMaxLength(std::numeric_limits<int>::max());
    connect(this, &QLineEdit::textChanged, this, &ClassicTextBox::textChangedHere);
}

void ClassicTextBox::textChangedHere()
{
    const QString before = std::exchange(m_text, text());
    // setText clears the modified flag, so it is set only after the user's
    // own edits.
    if (isModified() && cutInsertionAtLineBreak(before))
        return; // the cut was a change of its own, already told of
    emit changed();
}

// Text inserted by the user ends at the caret; before it, and after the
// caret, the text is as it was. Takes away the inserted text from its first
// line break on, as an edit of the user's.
bool ClassicTextBox::cutInsertionAtLineBreak(const QString &before)
{
    const QString now = text();
    const qsizetype caret = cursorPosition();
    const qsizetype after = now.size() - caret;
    if (after > before.size() || now.last(after) != before.last(after))
        return false;
    const qsizetype limit = std::min(caret, before.size() - after);
    qsizetype start = 0;
    while (start < limit && now[start] == before[start])
        ++start;
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n]"));
    const qsizetype cut = now.indexOf(lineBreak, start);
    if (cut < 0 || cut >= caret)
        return false;
    setSelection(static_cast<int>(cut), static_cast<int>(caret - cut));
    del();
    return true;
}
