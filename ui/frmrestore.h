// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/backups.h"
#include "ui/classicdialog.h"
#include "ui/ui_frmrestore.h"

class Form1;

// Lists the copies of the player file, newest first, with the change each
// was made before and the four names it holds, and puts one back.
class frmrestore : public ClassicDialog, public Ui::frmrestore
{
    Q_OBJECT

public:
    explicit frmrestore(::Form1 *owner);

    // "2026-12-09 12:03:04, before the name of player 2" and the four names.
    static QString Entry(const BackupCopy &copy);

private:
    void cmdrestore_Click();

    ::Form1 *const m_form1;
    QList<BackupCopy> m_copies;
};
