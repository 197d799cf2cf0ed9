// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The copies of the player file that the editor makes before each change,
// kept in a folder of their own for each game folder, and the choice of
// the copy that an undo puts back.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

// A change to the player file, as the copy made before it records it.
struct Change
{
    enum class Kind { Name, Macros, Restore, Undo };

    Kind kind = Kind::Name;
    std::int16_t slot = 0; // of a Name or Macros change

    static Change name(std::int16_t slot) { return {Kind::Name, slot}; }
    static Change macros(std::int16_t slot) { return {Kind::Macros, slot}; }
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
};

// A path of the editor's own files as the file layer takes it: wide on
// Windows, so that a user folder outside the code page is named whole.
std::filesystem::path ToNativePath(const QString &path);

// "Put back kvxplr.sav as it was at 12:03:04 on 2026-12-09, before the name
// of player 2?"
QString PutBackQuestion(const BackupCopy &copy);

// No copy could be made: where, and the system's reason.
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

// The copies of one game folder's player file.
class BackupStore
{
public:
    static constexpr int KeptCopies = 100;

    // ${XDG_DATA_HOME:-~/.local/share}/korvax-editor/backups on Linux,
    // %LOCALAPPDATA%\korvax-editor\backups on Windows.
    static QString defaultRoot();

    BackupStore(QString root, std::string gameFolder);

    // The folder that holds this game folder's copies, made or not.
    QString folder() const;

    // Copies the player file as it is on disk, unless the newest copy holds
    // the same bytes; then deletes all but the newest KeptCopies. The copy
    // made before an undo is always made, even then: it records that the
    // undo took a change back. Throws BackupError when the copy cannot be
    // made, FileError when the player file cannot be read.
    void copyBefore(const Change &change) const;

    // Newest first.
    QList<BackupCopy> copies() const;

    // The copy that an undo puts back: the newest copy made before a
    // change that no undo has taken back yet.
    std::optional<BackupCopy> undoTarget() const;

private:
    QString folderFor(int number) const;
    QByteArray recordedGameFolder(const QString &folder) const;
    QString makeFolder() const;
    void prune(const QList<BackupCopy> &older) const;
    static bool sameBytes(const BackupCopy &copy, const std::string &bytes);

    QString m_root;
    std::string m_gameFolder;
};
