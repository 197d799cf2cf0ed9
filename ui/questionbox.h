// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copies/questions.h"

#include <QString>

class QWidget;

// A Yes/No question of the editor's, with the button Return and the
// window's default answer given; Escape answers No.
bool AskYesNo(QWidget *parent, const QString &question, bool yesByDefault);

// The questions of a write, asked in message boxes above `parent`.
class QuestionBox : public Questions
{
public:
    explicit QuestionBox(QWidget *parent) : m_parent(parent) {}

    bool ask(const QString &question, bool yesByDefault) override;
    void tell(const QString &message) override;

private:
    QWidget *const m_parent;
};
