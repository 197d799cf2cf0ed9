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
    // Runs between the copy and the write; the tests' game saves there.
    std::function<void()> copyMade;
};

// Every write of the player file, with what comes before and after it: the
// questions, then one read of the file that serves both the check for what
// changed on disk and the copy, the step record (pending), the write and the
// record marked done, so that Ctrl+Z can take the write back. A Submit, an
// undo and a one-player restore write only their fields, in place; a
// whole-file restore replaces the file. What the game writes while a
// question is open, or between the copy and the write, is asked about again
// or kept in a copy.
//
// Each returns true when it wrote, false when the user said No or there was
// nothing to do. A failure of the player file throws FileError (the
// copy made before it then stays a plain copy, no step, unless a byte may
// have changed); a text the file cannot hold throws
// UnencodableCharacterError before anything happens.
class ChangeWriter
{
public:
    // A player file is about 104 KB. A larger one than this is never read
    // whole nor copied: a Submit asks to write without a copy.
    static constexpr std::uint64_t LargestCopiedFile = 4 * 1024 * 1024;

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
    // The step undo() takes back; a write cut off before it changed a byte
    // is passed over.
    std::optional<BackupCopy> undoTarget() const;

    // Puts back one player's name and macros from `copy`; nothing else.
    bool restorePlayer(const BackupCopy &copy, std::int16_t slot, Questions &questions) const;
    // Puts back the whole file from `copy`, the game's own data with it.
    bool restoreFile(const BackupCopy &copy, Questions &questions) const;

private:
    struct Plan;
    struct Look;
    using Question = std::pair<QString, bool>; // the text, and whether Yes is the default

    std::filesystem::path playerFile() const;
    bool gameMayWrite(Questions &questions) const;
    bool putBack(Plan plan, const std::function<Question(std::string_view now)> &question,
                 Questions &questions) const;
    bool write(const Plan &plan, std::optional<std::string> agreed, Questions &questions) const;
    BackupCopy keepCopy(const Change &change, const Look &look) const;
    bool writeAfterLook(const Plan &plan, const std::optional<BackupCopy> &copy, const Look &look,
                        Questions &questions) const;
    bool patch(const std::vector<WrittenRange> &ranges, const Look &look) const;
    bool unchanged(const StepRecord &record, const Look &look) const;
    void replaceWhole(const std::string &bytes, const Look &look, Questions &questions) const;

    CopyOptions m_options;
    EditedPlayerFile m_file;
};
