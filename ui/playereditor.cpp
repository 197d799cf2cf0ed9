// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/playereditor.h"

#include "ui/form1.h"
#include "ui/form3.h"

PlayerEditor::PlayerEditor(::Form1 *owner) : ClassicDialog(owner), m_form1(owner) {}

void PlayerEditor::cmdcancel_Click()
{
    reject();
}

void PlayerEditor::ShowCharacterMap(QWidget *mapOwner, ClassicTextBox *Ui::Form3::*scratchBox)
{
    Form3 map(mapOwner);
    (map.*scratchBox)->setVisible(true);
    map.exec();
}
