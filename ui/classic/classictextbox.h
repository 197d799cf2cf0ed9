// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

// The classic single-line text box. It has no length limit of its own, and
// text that the user puts in (pasted, dropped) keeps only what comes before
// its first line break, CR or LF. A text set by the program is kept whole.
class ClassicTextBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit ClassicTextBox(QWidget *parent = nullptr);

signals:
    // The text changed, by the user or by the program; what the user put in
    // has already been cut at its line break. Connect the box's change rule
    // here, not to textChanged.
    void changed();

private:
    void textChangedHere();
    bool cutInsertionAtLineBreak(const QString &before);

    QString m_text; // the text as of the last change
};
