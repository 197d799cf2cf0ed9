// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copies/changewriter.h"
#include "settings/editedfile.h"
#include "ui/filewatch.h"
#include "ui/focusreturn.h"
#include "ui/globals.h"
#include "ui/ui_form1.h"

#include <QWidget>

#include <cstdint>
#include <filesystem>
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
    bool Form_Load(SystemServices &services, const std::filesystem::path &settingsFile);

    // Sets CurrentPlayer to the selected slot, or the first when none is
    // selected. The editors take their player through this too.
    void RefreshCurrentPlayer();

    // The selected entry's text, empty when nothing is selected.
    QString SelectedName() const;

    // Where the copies go and how a running game is seen.
    CopyOptions &copyOptions() { return m_copyOptions; }

    // The player file this session reads and writes: the game folder's own,
    // or the copy Windows keeps for the game in the user's VirtualStore.
    const EditedPlayerFile &playerFile() const { return m_playerFile; }

    // Every write to the player file goes through this, with its
    // questions, copy and undo step.
    ChangeWriter changes() const { return ChangeWriter(m_copyOptions, m_playerFile); }

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

    // Tells in the list's tooltip which file the list shows, where it is
    // not the game folder's own.
    void ShowWhichFile();
    // What the list's tooltip says while the file can be read.
    QString fileNote() const;

    EditedPlayerFile m_playerFile;
    CopyOptions m_copyOptions;
    FileWatch m_fileWatch;
    FocusReturn m_focusReturn{this};
    // A change of the file waits while a modal window is up.
    bool m_followPending = false;
};
