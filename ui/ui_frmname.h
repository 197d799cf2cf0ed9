// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classiclabel.h"
#include "ui/classic/classictextbox.h"

#include <QPushButton>

class QWidget;

namespace Ui {

// The name editor's layout: the listed name, its editable copy and four
// buttons.
class frmname
{
public:
    QPushButton *Command1 = nullptr;
    QPushButton *cmdreset = nullptr;
    QPushButton *cmdcancel = nullptr;
    QPushButton *cmdsave = nullptr;
    ClassicTextBox *txtname = nullptr;
    ClassicLabel *lblname = nullptr;

    void setupUi(QWidget *window);
};

} // namespace Ui
