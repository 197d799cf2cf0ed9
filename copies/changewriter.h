// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "copies/backupstore.h"
#include "copies/overwritequestion.h"
#include "copies/questions.h"
#include "copies/steprecord.h"
#include "playerfile/playerfile.h"
#include "settings/editedfile.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Where the copies go and how the game is seen running; tests and the
// benchmarks change these.
struct CopyOptions
{
    QString backupRoot = BackupStore::defaultRoot();
    std::function<bool()> gameRunning; // IsGameRunning when empty
    bool makingCopies = true;          // off only to measure what a copy costs a Submit
};

// Every write of the player file, with what comes before and after it: the
// questions, the copy of the file as it is, the write, and the step record
// that lets Ctrl+Z take the write back. A Submit and an undo write only
// their fields, in place; a whole-file restore replaces the file.
//
// Each returns true when it wrote, false when the user said No or there was
// nothing to do. A failure of the player file throws FileError (the
// copy made before it then stays a plain copy, no step); a text the file
// cannot hold throws UnencodableCharacterError before anything happens.
class ChangeWriter
{
public:
    // Writes `file.path`; its copies are those of `file.copiesKey`.
    ChangeWriter(CopyOptions options, EditedPlayerFile file);

    BackupStore store() const;

    // `read` is what the editor read from the file when it opened: a field
    // that another program (the game, a second editor) has written since is
    // not replaced before the user is asked, No the default.
    bool submitName(std::int16_t slot, std::u16string_view text, Questions &questions,
                    const std::optional<std::u16string> &read = std::nullopt) const;
    bool submitMacros(std::int16_t slot, const MacroTexts &texts, Questions &questions,
                      const std::optional<MacroTexts> &read = std::nullopt) const;

    // Takes back the newest step not yet taken back: its fields, or the
    // whole file for a whole-file restore, from the copy made before it.
    bool undo(Questions &questions) const;

    // Puts back one player's name and macros from `copy`; nothing else.
    bool restorePlayer(const BackupCopy &copy, std::int16_t slot, Questions &questions) const;
    // Puts back the whole file from `copy`, the game's own data with it.
    bool restoreFile(const BackupCopy &copy, Questions &questions) const;

private:
    std::filesystem::path playerFile() const;
    bool gameMayWrite(Questions &questions) const;
    static bool mayOverwrite(std::int16_t slot, const std::vector<OverwrittenField> &changed,
                             Questions &questions);
    bool submit(const Change &change, const WrittenRange &range, Questions &questions,
                const std::function<void(PlayerFileWriter &)> &write) const;
    bool putBack(const Change &change, StepRecord record, const QString &question,
                 bool yesByDefault, Questions &questions) const;
    void keepStep(const BackupCopy &copy, const StepRecord &record, Questions &questions) const;

    CopyOptions m_options;
    EditedPlayerFile m_file;
};
