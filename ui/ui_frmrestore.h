// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classiclabel.h"
#include "ui/classic/classiclistbox.h"

#include <QPushButton>

class QWidget;

namespace Ui {

// The restore window's layout: the copies of the player file, newest
// first; what the selected one would put back, player by player, and of
// the game's own data; and the two ways of putting it back.
class frmrestore
{
public:
    ClassicLabel *lblcopies = nullptr;
    ClassicListBox *List1 = nullptr;
    ClassicLabel *lblplayers = nullptr;
    ClassicListBox *List2 = nullptr;
    ClassicLabel *lblgame = nullptr;
    QPushButton *cmdplayer = nullptr;
    QPushButton *cmdrestore = nullptr;
    QPushButton *cmdcancel = nullptr;

    void setupUi(QWidget *window);
};

} // namespace Ui
