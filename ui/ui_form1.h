// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/classic/classiclabel.h"
#include "ui/classic/classiclistbox.h"

#include <QLabel>
#include <QPushButton>

#include <array>

class QWidget;

// The makers' web address, which the main window shows and opens.
inline constexpr const char *MakersWebAddress = "https://ironvale.example.org/";

namespace Ui {

// The main window's layout: the player list, the ten macro rows, the two
// editor buttons, the makers' logo, credit line and web address.
class Form1
{
public:
    QLabel *Picture1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;
    ClassicListBox *List1 = nullptr;
    ClassicLabel *Label2 = nullptr;
    ClassicLabel *Label1 = nullptr;
    ClassicLabel *Label20 = nullptr;
    ClassicLabel *Label19 = nullptr;
    ClassicLabel *Label18 = nullptr;
    ClassicLabel *Label17 = nullptr;
    ClassicLabel *Label16 = nullptr;
    ClassicLabel *Label15 = nullptr;
    ClassicLabel *Label14 = nullptr;
    ClassicLabel *Label13 = nullptr;
    ClassicLabel *Label12 = nullptr;
    ClassicLabel *Label11 = nullptr;
    std::array<ClassicLabel *, 10> lblMacro{};
    ClassicLabel *lblPlayerName = nullptr;

    void setupUi(QWidget *window);
};

} // namespace Ui
