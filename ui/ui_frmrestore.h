// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classiclabel.h"
#include "ui/classiclistbox.h"

#include <QPushButton>

class QWidget;

namespace Ui {

// The restore window's layout: the copies of the player file, newest
// first, and two buttons.
class frmrestore
{
public:
    ClassicLabel *lblcopies = nullptr;
    ClassicListBox *List1 = nullptr;
    QPushButton *cmdrestore = nullptr;
    QPushButton *cmdcancel = nullptr;

    void setupUi(QWidget *window);
};

} // namespace Ui
