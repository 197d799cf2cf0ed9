// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_form2.h"

#include "ui/classic/classiccontrols.h"
#include "ui/classic/fonts.h"
#include "ui/classic/twips.h"

#include <QWidget>

void Ui::Form2::setupUi(QWidget *window)
{
    SetupClassicWindow(window, QStringLiteral("Macros Editor"), TwipsPoint(6120, 4725),
                       TwipsSize(6405, 5925), TitleButtons::CloseOnly);

    const QFont defaultFont = DefaultWindowFont();
    const QFont boxFont = ClassicFont(QStringLiteral("Times New Roman"), 9);
    const auto addMacroBox = [&](int i) {
        txtmacro[static_cast<std::size_t>(i)] =
            AddTextBox(window, ArrayMemberName("txtmacro", i),
                       TwipsRect(120, 480 + 480 * i, 6135, 375), boxFont);
    };
    const auto box = [&](int i) { return txtmacro[static_cast<std::size_t>(i)]; };

    // The controls are made in the classic layout's order (boxes 9 to 5, then
    // 0 to 3, box 4 after the buttons): it decides which control lies above
    // another and is the tab order's default.
    // "Charactor" is the system's own spelling.
    Command1 = AddButton(window, QStringLiteral("Command1"), TwipsRect(600, 5400, 1215, 375),
                         QStringLiteral("Charactor Map"), defaultFont);
    for (const int i : {9, 8, 7, 6, 5, 0, 1, 2, 3})
        addMacroBox(i);
    cmdreset = AddButton(window, QStringLiteral("cmdreset"), TwipsRect(2040, 5400, 1095, 375),
                         QStringLiteral("Reset"), defaultFont);
    cmdcancel = AddButton(window, QStringLiteral("cmdcancel"), TwipsRect(4920, 5400, 1335, 375),
                          QStringLiteral("Cancel"), defaultFont);
    cmdsave = AddButton(window, QStringLiteral("cmdsave"), TwipsRect(3360, 5400, 1335, 375),
                        QStringLiteral("Submit changes"), defaultFont);
    addMacroBox(4);
    // The opener replaces this caption with the player's name.
    lblname =
        AddLabel(window, QStringLiteral("lblname"), TwipsRect(160, 240, 2175, 255),
                 QStringLiteral("Label1"), ClassicFont(QStringLiteral("Times New Roman"), 9.75));
    // The player's name, shown as it is: "Black&Gold" keeps its ampersand.
    lblname->setLiteral(true);

    // The focus starts in the middle box, goes through the buttons, then up
    // the column and down from box 5.
    SetTabOrder(window, {box(4), cmdsave, cmdcancel, cmdreset, box(3), box(2), box(1), box(0),
                         box(5), box(6), box(7), box(8), box(9), Command1});
}
