// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The copies of the player file that the editor makes before each change,
// kept in a folder of their own for each game folder, the steps that Ctrl+Z
// takes back, and the choice of the step it takes back next.

#include "copies/steprecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

// A change to the player file, as the copy made before it records it.
struct Change
{
    // Player: one player's name and macros put back from a copy;
    // Restore: the whole file put back from a copy.
    enum class Kind { Name, Macros, Player, Restore, Undo };

    Kind kind = Kind::Name;
    std::int16_t slot = 0; // of a Name, Macros or Player change

    static Change name(std::int16_t slot) { return {Kind::Name, slot}; }
    static Change macros(std::int16_t slot) { return {Kind::Macros, slot}; }
    static Change player(std::int16_t slot) { return {Kind::Player, slot}; }
    static Change restore() { return {Kind::Restore, 0}; }
    static Change undo() { return {Kind::Undo, 0}; }

    // "the name of player 2", for the questions and the list of copies.
    QString description() const;
    // "name of player 2", as the copy's file name holds it.
    QString fileTag() const;
    static std::optional<Change> fromFileTag(const QString &tag);
};

// One copy of the player file.
struct BackupCopy
{
    QString path;
    QString stamp; // the local time as its name holds it; the names sort by it
    Change change; // the change it was made before

    // The local time, to the millisecond. Read from the name only when
    // asked: the local time zone is looked up for every one.
    QDateTime time() const;
    // "at 12:03:04 on 2026-12-09"
    QString when() const;
    // Beside the copy: what the change wrote, once it had been written.
    QString recordPath() const;
};

// A path of the editor's own files as the file layer takes it: wide on
// Windows, so that a user folder outside the code page is named whole.
std::filesystem::path ToNativePath(const QString &path);

// A copy or a step record could not be written: where, and the system's reason.
class BackupError : public std::runtime_error
{
public:
    BackupError(const QString &folder, const QString &reason);
    QString folder() const { return m_folder; }
    QString reason() const { return m_reason; }

private:
    QString m_folder;
    QString m_reason;
};

// The copies of one game folder's player file. A copy is made before every
// write; it becomes an undo step only when the write has gone through and
// what it wrote is recorded beside it. A copy without a record (the write
// failed or was cut off) stays a plain copy that the restore window lists.
class BackupStore
{
public:
    // Pruning keeps the newest KeptChanges changes, each with its undo, as
    // long as all copies stay within DiskBudget bytes, and always the first
    // copy: the file as it was before the editor first changed it.
    static constexpr int KeptChanges = 100;
    static constexpr std::uint64_t DiskBudget = 64 * 1024 * 1024;

    // How far the write of a step still marked pending got, as the player
    // file shows it now.
    enum class Progress { Untouched, Torn, Written };
    using PendingProgress = std::function<Progress(const BackupCopy &, const StepRecord &)>;

    // ${XDG_DATA_HOME:-~/.local/share}/korvax-editor/backups on Linux,
    // %LOCALAPPDATA%\korvax-editor\backups on Windows.
    static QString defaultRoot();

    BackupStore(QString root, std::string gameFolder);

    // The folder that holds this game folder's copies, made or not.
    QString folder() const;

    // Keeps `bytes`, the player file as it is before `change`, as the
    // newest copy: written, flushed, read back, renamed into place and the
    // folder flushed. Throws BackupError.
    BackupCopy addCopy(const Change &change, const std::string &bytes) const;

    // Keeps beside `copy` what its change writes, flushed with its folder:
    // pending before the write, done after it. Once done, prunes. Throws
    // BackupError.
    void recordStep(const BackupCopy &copy, const StepRecord &record) const;
    // Takes back a pending record whose write changed no byte: the copy
    // stays a plain copy.
    void dropStep(const BackupCopy &copy) const;

    // Newest first.
    QList<BackupCopy> copies() const;

    // What the change after `copy` wrote; nothing for a plain copy.
    std::optional<StepRecord> step(const BackupCopy &copy) const;

    // The step that Ctrl+Z takes back: the newest one, not an undo itself,
    // that no undo has taken back yet. A pending step counts as `progress`
    // tells: one that changed nothing is passed over, a torn one (an undo
    // too) is taken back. Without `progress` (the file unread) a pending
    // step counts as torn: there may be something to take back.
    std::optional<BackupCopy> undoTarget(const PendingProgress &progress = {}) const;

    // Removes what writes cut off by a kill left behind more than a day
    // ago: temporary files beside kvxplr.sav in the game folder and among
    // the copies.
    void removeOldTemporaries() const;

private:
    QString folderFor(int number) const;
    // What the folder's record says, empty where it has none; nothing where
    // it cannot be read.
    std::optional<QByteArray> recordedGameFolder(const QString &folder) const;
    QString makeFolder() const;
    void writeFile(const QString &path, const std::string &bytes) const;
    void prune() const;

    QString m_root;
    std::string m_gameFolder;
};
