// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/playereditor.h"

#include "playerfile/codepage.h"
#include "ui/form1.h"
#include "ui/form3.h"
#include "ui/questionbox.h"
#include "ui/refusal.h"

PlayerEditor::PlayerEditor(::Form1 *owner) : ClassicDialog(owner), m_form1(owner) {}

void PlayerEditor::cmdcancel_Click()
{
    reject();
}

bool PlayerEditor::submitted(const std::function<bool(Questions &questions)> &write)
{
    try {
        QuestionBox questions(this);
        return write(questions);
    } catch (const UnencodableCharacterError &error) {
        ShowRefusal(this, error);
        return false;
    }
}

void PlayerEditor::ShowCharacterMap(QWidget *mapOwner, ClassicTextBox *Ui::Form3::*scratchBox)
{
    Form3 map(mapOwner);
    (map.*scratchBox)->setVisible(true);
    map.exec();
}
