// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copies/backupstore.h"
#include "playerfile/fieldranges.h"
#include "ui/classic/classicdialog.h"
#include "ui/ui_frmrestore.h"

class Form1;

// Lists the copies of the player file, newest first, with the change each
// was made before and the four names it holds; shows what the selected one
// would put back; and puts back one player's name and macros, or the whole
// file.
class frmrestore : public ClassicDialog, public Ui::frmrestore
{
    Q_OBJECT

public:
    explicit frmrestore(::Form1 *owner);

    // "2026-12-09 12:03:04, before the name of player 2" and the four names.
    static QString Entry(const BackupCopy &copy);

    // "Player 3: the name "Renée" (now "Zoë") and macro 4 differ".
    static QString PlayerLine(int slot, const PlayerDifference &player);
    static QString GameDataLine(const CopyDifference &difference);

private:
    void List1_Click();
    void List2_Click();
    void cmdplayer_Click();
    void cmdrestore_Click();
    const BackupCopy *selectedCopy() const;

    ::Form1 *const m_form1;
    QList<BackupCopy> m_copies;
};
