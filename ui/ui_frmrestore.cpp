// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_frmrestore.h"

#include "ui/classiccontrols.h"
#include "ui/fonts.h"
#include "ui/twips.h"

#include <QWidget>

void Ui::frmrestore::setupUi(QWidget *window)
{
    SetupClassicWindow(window, QStringLiteral("Restore an Earlier Copy"), TwipsPoint(5790, 4725),
                       TwipsSize(7365, 4500), TitleButtons::CloseOnly);

    const QFont defaultFont = DefaultWindowFont();
    const QFont times975 = ClassicFont(QStringLiteral("Times New Roman"), 9.75);

    lblcopies = AddLabel(window, QStringLiteral("lblcopies"), TwipsRect(240, 120, 6885, 255),
                         QStringLiteral("Copies of kvxplr.sav, newest first:"), times975);
    List1 = AddListBox(window, QStringLiteral("List1"), TwipsRect(240, 420, 6885, 3360),
                       ClassicFont(QStringLiteral("Times New Roman"), 9));
    cmdrestore = AddButton(window, QStringLiteral("cmdrestore"), TwipsRect(4320, 3960, 1335, 375),
                           QStringLiteral("Restore"), defaultFont);
    cmdcancel = AddButton(window, QStringLiteral("cmdcancel"), TwipsRect(5790, 3960, 1335, 375),
                          QStringLiteral("Cancel"), defaultFont);

    SetTabOrder(window, {List1, cmdrestore, cmdcancel});
}
