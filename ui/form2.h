// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playerfile/playerfile.h"
#include "ui/playereditor.h"
#include "ui/ui_form2.h"

// The macros editor: the ten macro texts of the player selected in the
// main window, each held to 40 characters.
class Form2 : public PlayerEditor, public Ui::Form2
{
    Q_OBJECT

public:
    // Loading the window reads the player's macros from the file.
    explicit Form2(::Form1 *owner);

private:
    void Form_Load();
    void fillBoxesFromFile();
    void txtmacro_Change(int index);
    void cmdsave_Click();
    void cmdreset_Click();
    void Command1_Click();

    // The macros as the file held them when the window last read them.
    MacroTexts m_read;
};
