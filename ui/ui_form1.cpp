// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_form1.h"

#include "ui/classic/classiccontrols.h"
#include "ui/classic/fonts.h"
#include "ui/classic/twips.h"

#include <QWidget>

namespace {

// Row n (1 to 10) of the macro table lies 240 twips below row n - 1.
constexpr int MacroRowTop(int row)
{
    return 2760 + 240 * (row - 1);
}

QString CreditLine()
{
    // « · IVL · Ironvale · » in the single-byte range the game's texts use.
    return QStringLiteral("Created by Kestrel \u00AB\u00B7IVL\u00B7Ironvale\u00B7\u00BB");
}

} // namespace

void Ui::Form1::setupUi(QWidget *window)
{
    SetupClassicWindow(window, QStringLiteral("Ironvale Name Editor For KORVAX."),
                       TwipsPoint(5790, 4725), TwipsSize(7365, 5250),
                       TitleButtons::MinimiseAndClose);

    const QFont times975 = ClassicFont(QStringLiteral("Times New Roman"), 9.75);
    const QFont times9 = ClassicFont(QStringLiteral("Times New Roman"), 9);
    QFont linkFont = DefaultWindowFont();
    linkFont.setUnderline(true);

    Picture1 = AddPictureBox(window, QStringLiteral("Picture1"), TwipsRect(3720, 120, 2765, 2055),
                             QStringLiteral(":/images/logo.gif"));
    Command2 = AddButton(window, QStringLiteral("Command2"), TwipsRect(240, 2280, 2655, 375),
                         QStringLiteral("Edit Macros"), times975);
    Command1 = AddButton(window, QStringLiteral("Command1"), TwipsRect(240, 1800, 2655, 375),
                         QStringLiteral("Edit Name"), times975);
    List1 = AddListBox(window, QStringLiteral("List1"), TwipsRect(240, 480, 2655, 1185), times975);

    Label2 = AddLabel(window, QStringLiteral("Label2"), TwipsRect(3240, 2520, 2175, 255),
                      QString::fromLatin1(MakersWebAddress), linkFont);
    Label2->setForeColor(QColor(48, 106, 241));
    Label2->setPointer(ArrowPointer());
    Label1 = AddLabel(window, QStringLiteral("Label1"), TwipsRect(3240, 2280, 3735, 255),
                      CreditLine(), times975);

    // The row numbers and the macro labels are made bottom row first.
    ClassicLabel **const rowNumbers[] = {&Label11, &Label12, &Label13, &Label14, &Label15,
                                         &Label16, &Label17, &Label18, &Label19, &Label20};
    for (int row = 10; row >= 1; --row) {
        *rowNumbers[row - 1] = AddLabel(window, QStringLiteral("Label%1").arg(10 + row),
                                        TwipsRect(240, MacroRowTop(row), 255, 255),
                                        QStringLiteral("%1:").arg(row), times9);
    }
    for (int i = 9; i >= 0; --i) {
        ClassicLabel *macro =
            AddLabel(window, ArrayMemberName("lblMacro", i),
                     TwipsRect(600, MacroRowTop(i + 1), 6375, 255), QString(), times9);
        // The player's own text: "Salt & Pepper" shows its ampersand.
        macro->setLiteral(true);
        lblMacro[static_cast<std::size_t>(i)] = macro;
    }
    lblPlayerName =
        AddLabel(window, QStringLiteral("lblPlayerName"), TwipsRect(240, 240, 2775, 255),
                 QStringLiteral("Player Name"), times975);

    SetTabOrder(window, {List1, Command1, Command2, Picture1});
}
