// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classiclabel.h"
#include "ui/classic/classictextbox.h"

#include <QPushButton>

#include <array>

class QWidget;

namespace Ui {

// The macros editor's layout: the player's name, a column of ten macro boxes
// and a row of four buttons.
class Form2
{
public:
    QPushButton *Command1 = nullptr;
    std::array<ClassicTextBox *, 10> txtmacro{};
    QPushButton *cmdreset = nullptr;
    QPushButton *cmdcancel = nullptr;
    QPushButton *cmdsave = nullptr;
    ClassicLabel *lblname = nullptr;

    void setupUi(QWidget *window);
};

} // namespace Ui
