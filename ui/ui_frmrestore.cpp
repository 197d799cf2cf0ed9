// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ui_frmrestore.h"

#include "playerfile/playerfile.h"
#include "ui/classic/classiccontrols.h"
#include "ui/classic/fonts.h"
#include "ui/classic/twips.h"

#include <QWidget>

void Ui::frmrestore::setupUi(QWidget *window)
{
    SetupClassicWindow(window, QStringLiteral("Restore an Earlier Copy"), TwipsPoint(5790, 4125),
                       TwipsSize(7365, 5100), TitleButtons::CloseOnly);

    const QFont defaultFont = DefaultWindowFont();
    const QFont times9 = ClassicFont(QStringLiteral("Times New Roman"), 9);
    const QFont times975 = ClassicFont(QStringLiteral("Times New Roman"), 9.75);

    lblcopies = AddLabel(
        window, QStringLiteral("lblcopies"), TwipsRect(240, 120, 6885, 255),
        QStringLiteral("Copies of %1, newest first:").arg(QLatin1String(PlayerFileName)), times975);
    List1 = AddListBox(window, QStringLiteral("List1"), TwipsRect(240, 420, 6885, 1800), times9);
    lblplayers = AddLabel(
        window, QStringLiteral("lblplayers"), TwipsRect(240, 2340, 6885, 255),
        QStringLiteral("What this copy holds, against %1 now:").arg(QLatin1String(PlayerFileName)),
        times975);
    List2 = AddListBox(window, QStringLiteral("List2"), TwipsRect(240, 2640, 6885, 1140), times9);
    lblgame = AddLabel(window, QStringLiteral("lblgame"), TwipsRect(240, 3870, 6885, 480),
                       QString(), times9);
    cmdplayer = AddButton(window, QStringLiteral("cmdplayer"), TwipsRect(1920, 4500, 1815, 375),
                          QStringLiteral("Restore player"), defaultFont);
    cmdrestore = AddButton(window, QStringLiteral("cmdrestore"), TwipsRect(3855, 4500, 1815, 375),
                           QStringLiteral("Restore whole file"), defaultFont);
    cmdcancel = AddButton(window, QStringLiteral("cmdcancel"), TwipsRect(5790, 4500, 1335, 375),
                          QStringLiteral("Cancel"), defaultFont);

    SetTabOrder(window, {List1, List2, cmdplayer, cmdrestore, cmdcancel});
}
