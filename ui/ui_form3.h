// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classiclabel.h"
#include "ui/classic/classictextbox.h"

#include <QPushButton>

#include <array>

class QWidget;

namespace Ui {

// The character map's layout: one label per character code 32 to 255 in a
// grid of 18 columns, two hidden scratch boxes and a close button.
class Form3
{
public:
    static constexpr int FirstCode = 32;
    static constexpr int LastCode = 255;

    QPushButton *Command1 = nullptr;
    ClassicTextBox *tbname = nullptr;
    ClassicTextBox *tbmacro = nullptr;
    // Indexed by character code; entries below FirstCode are null.
    std::array<ClassicLabel *, 256> Label1{};

    void setupUi(QWidget *window);
};

} // namespace Ui
