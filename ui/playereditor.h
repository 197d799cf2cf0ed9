// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classicdialog.h"

#include <functional>

class ClassicTextBox;
class Form1;
class Questions;
namespace Ui {
class Form3;
}

// What the name and macros editors have in common: they work on the player
// selected in the main window, Cancel closes them without writing, and they
// open the character map. Each editor's own steps stay in its own class.
class PlayerEditor : public ClassicDialog
{
    Q_OBJECT

protected:
    explicit PlayerEditor(::Form1 *owner);

    ::Form1 *mainWindow() const { return m_form1; }

    void cmdcancel_Click();

    // Runs `write` (a submit of the main window's ChangeWriter) with its
    // questions asked over this editor, and tells whether it wrote. A text
    // the file cannot hold is refused before anything happens: the refusal
    // is shown, nothing is written, and the editor stays open for the user
    // to correct the text.
    bool submitted(const std::function<bool(Questions &questions)> &write);

    // Shows the character map modally, owned by `mapOwner` (none when null),
    // with `scratchBox`, the one of its boxes the editor composes in, visible.
    static void ShowCharacterMap(QWidget *mapOwner, ClassicTextBox *Ui::Form3::*scratchBox);

private:
    ::Form1 *const m_form1;
};
