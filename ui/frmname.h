// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "classicdialog.h"
#include "ui_frmname.h"

class Form1;

// The name editor: changes the name of the player selected in the main
// window and writes it into the player file.
class frmname : public ClassicDialog, public Ui::frmname
{
    Q_OBJECT

public:
    explicit frmname(::Form1 *owner);

    void RefreshCurrentPlayer();

private:
    void txtname_Change();
    void cmdsave_Click();
    void cmdreset_Click();
    void cmdcancel_Click();
    void Command1_Click();

    ::Form1 *m_form1;
};
