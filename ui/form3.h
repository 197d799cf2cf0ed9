// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classicdialog.h"
#include "ui/ui_form3.h"

// The character map: composes a name or a macro from the characters with
// codes 32 to 255 in whichever scratch box its opener made visible.
class Form3 : public ClassicDialog, public Ui::Form3
{
    Q_OBJECT

public:
    explicit Form3(QWidget *owner);

private:
    void Form_Load();
    void Label1_Click(int index);
    void tbname_Change();
    void tbmacro_Change();
    void Command1_Click();
};
