// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_frmname.h"

#include "ui/classic/classiccontrols.h"
#include "ui/classic/fonts.h"
#include "ui/classic/twips.h"

#include <QWidget>

void Ui::frmname::setupUi(QWidget *window)
{
    SetupClassicWindow(window, QStringLiteral("Name Editor"), TwipsPoint(7425, 6705),
                       TwipsSize(4125, 1800), TitleButtons::CloseOnly);

    const QFont defaultFont = DefaultWindowFont();
    // "Charactor" is the system's own spelling.
    Command1 = AddButton(window, QStringLiteral("Command1"), TwipsRect(120, 1080, 1215, 375),
                         QStringLiteral("Charactor Map"), defaultFont);
    cmdreset = AddButton(window, QStringLiteral("cmdreset"), TwipsRect(3000, 480, 975, 375),
                         QStringLiteral("Reset"), defaultFont);
    cmdcancel = AddButton(window, QStringLiteral("cmdcancel"), TwipsRect(2880, 1080, 1095, 375),
                          QStringLiteral("Cancel"), defaultFont);
    cmdsave = AddButton(window, QStringLiteral("cmdsave"), TwipsRect(1440, 1080, 1335, 375),
                        QStringLiteral("Submit changes"), defaultFont);
    txtname = AddTextBox(window, QStringLiteral("txtname"), TwipsRect(120, 480, 2655, 375),
                         ClassicFont(QStringLiteral("Times New Roman"), 9));
    // The opener replaces this caption with the player's name.
    lblname =
        AddLabel(window, QStringLiteral("lblname"), TwipsRect(165, 240, 2655, 255),
                 QStringLiteral("Label1"), ClassicFont(QStringLiteral("Times New Roman"), 9.75));
    // The player's name, shown as it is: "Black&Gold" keeps its ampersand.
    lblname->setLiteral(true);

    SetTabOrder(window, {txtname, cmdsave, cmdcancel, cmdreset, Command1});
}
