// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/playereditor.h"
#include "ui/ui_frmname.h"

#include <string>

// The name editor: changes the name of the player selected in the main
// window and writes it into the player file.
class frmname : public PlayerEditor, public Ui::frmname
{
    Q_OBJECT

public:
    explicit frmname(::Form1 *owner);

private:
    void txtname_Change();
    void cmdsave_Click();
    void cmdreset_Click();
    void Command1_Click();

    // The name as the file held it when the window last read it.
    std::u16string m_read;
};
