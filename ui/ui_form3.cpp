// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_form3.h"

#include "ui/classic/classiccontrols.h"
#include "ui/classic/fonts.h"
#include "ui/classic/twips.h"

#include <QCursor>
#include <QWidget>

namespace {

constexpr int Columns = 18;
constexpr int Pitch = 360;
constexpr int CellSize = 255;

// Code 32 sits at the top-left; the codes run left to right, 18 to a row.
QRect CharacterCell(int code)
{
    const int k = code - Ui::Form3::FirstCode;
    return TwipsRect(600 + Pitch * (k % Columns), 240 + Pitch * (k / Columns), CellSize, CellSize);
}

} // namespace

void Ui::Form3::setupUi(QWidget *window)
{
    // "Charactor" is the system's own spelling.
    SetupClassicWindow(window, QStringLiteral("Charactor Map"), TwipsPoint(5625, 4560),
                       TwipsSize(7500, 6195), TitleButtons::MinimiseAndClose);

    const QFont defaultFont = DefaultWindowFont();
    const QFont boxFont = ClassicFont(QStringLiteral("Times New Roman"), 9);

    Command1 = AddButton(window, QStringLiteral("Command1"), TwipsRect(3120, 5640, 1095, 375),
                         QStringLiteral("Close"), defaultFont);
    // The opener shows the one scratch box it composes in.
    tbname =
        AddTextBox(window, QStringLiteral("tbname"), TwipsRect(2280, 5040, 2775, 375), boxFont);
    tbname->hide();
    tbmacro =
        AddTextBox(window, QStringLiteral("tbmacro"), TwipsRect(120, 5040, 7215, 375), boxFont);
    tbmacro->hide();

    const QCursor pointer = ArrowPointer();
    for (int code = FirstCode; code <= LastCode; ++code) {
        ClassicLabel *label = AddLabel(window, ArrayMemberName("Label1", code), CharacterCell(code),
                                       QString(), defaultFont);
        label->setPointer(pointer);
        // Each shows its character, the ampersand of code 38 included.
        label->setLiteral(true);
        Label1[static_cast<std::size_t>(code)] = label;
    }

    // The labels take no focus, so the order holds the boxes and the button.
    SetTabOrder(window, {tbmacro, tbname, Command1});
}
