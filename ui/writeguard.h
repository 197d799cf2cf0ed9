// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/backups.h"

#include <QString>

#include <functional>

class QWidget;

// What happens before every write to the player file: a warning while the
// game runs, which may overwrite the change, and a copy of the file as it
// is, with a question when no copy can be made.
class WriteGuard
{
public:
    WriteGuard();

    // Where the copies go; the system's data folder unless a test says else.
    void setBackupRoot(const QString &root) { m_root = root; }
    // How to tell that the game runs; IsGameRunning unless a test says else.
    void setGameCheck(std::function<bool()> check) { m_gameRunning = std::move(check); }

    // Copies are made unless turned off; only the benchmarks do that, to
    // measure what a copy costs a Submit.
    void setMakingCopies(bool making) { m_makingCopies = making; }

    // The copies of the current game folder's player file.
    BackupStore store() const;

    // Asks what must be asked and makes the copy. False when the user said
    // No: then nothing may be written.
    bool prepareWrite(QWidget *parent, const Change &change) const;

private:
    QString m_root;
    std::function<bool()> m_gameRunning;
    bool m_makingCopies = true;
};

// A Yes/No question of the editor's, with the button Return and the
// window's default answer given; Escape answers No.
bool AskYesNo(QWidget *parent, const QString &question, bool yesByDefault);
