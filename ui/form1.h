// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/filewatch.h"
#include "ui/ui_form1.h"
#include "ui/writeguard.h"

#include <QWidget>

#include <cstdint>
#include <string>

class SystemServices;

// The main window: lists the four players and shows the selected player's
// ten macros; opens the name and macros editors. It follows the player file:
// what another program writes there shows without a click.
class Form1 : public QWidget, public Ui::Form1
{
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    // The start-up before the window is first shown: finds the game folder,
    // lists the players and selects the first. Returns false when no folder
    // was found; the program then ends without showing anything.
    bool Form_Load();
    bool Form_Load(SystemServices &services, const std::string &settingsFile);

    // Sets CurrentPlayer to the selected slot, or the first when none is
    // selected. The editors take their player through this too.
    void RefreshCurrentPlayer();

    // The selected entry's text, empty when nothing is selected.
    QString SelectedName() const;

    // What every write to the player file goes through first.
    WriteGuard &writeGuard() { return m_writeGuard; }
    const WriteGuard &writeGuard() const { return m_writeGuard; }

    // Asks `asker`'s question, then puts the copy back into the player file
    // (after a copy of the state it replaces, recorded as `change`) and
    // shows what the file now holds, the selection kept. False when the
    // user said No to a question.
    bool PutBack(QWidget *asker, const BackupCopy &copy, const Change &change);

    // Lists the four names as the file now holds them and selects `row`,
    // whose selection handling shows that slot's macros.
    void ListPlayersFromFile(int row);

    // Shows `slot`'s ten macros as the file holds them; leaves the labels
    // as they are when the file has no macros for it.
    void ShowMacrosFromFile(std::int16_t slot);

protected:
    bool event(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void List1_Click();
    void Command1_Click();
    void Command2_Click();
    void Label2_Click();
    void UndoLastChange();
    void ShowRestoreWindow();
    void ShowContextMenu(const QPoint &globalPosition);
    void FollowFile();
    // Dims the list and the macros and says why while the file cannot be read.
    void ShowFileReadable(bool readable, const QString &why = QString());

    WriteGuard m_writeGuard;
    FileWatch m_fileWatch;
    // A change of the file waits while a modal window is up.
    bool m_followPending = false;
};
