// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

// Whole-file work on top of RawFile: the careful writes of the player file,
// its copies and the editor's own files. Each failure throws FileError with
// the path and the system's reason; what it means is the caller's to say.
// New files are only ever created exclusively, under the final name or
// under a temporary name beside it that holds a random part, so that no
// link or file planted in a shared folder can redirect a write.

// Makes the folder and any folders above it that are missing, each flushed
// in the folder that holds it, so that the new names survive a power cut.
void MakeFolders(const std::filesystem::path &folder);
// The same for the folder meant to hold `file`, for a file that may go
// unwritten: false where a folder cannot be made, rather than an error.
bool MakeFolderOf(const std::filesystem::path &file) noexcept;

// The bytes of the regular file at `path`, all of them, as far as it reaches
// when read (it may grow or shrink meanwhile). A file larger than maxSize
// bytes is refused.
std::string ReadWholeFile(const std::filesystem::path &path,
                          std::uint64_t maxSize = std::numeric_limits<std::uint64_t>::max());
// Up to the first `count` bytes of the regular file at `path`.
std::string ReadFileStart(const std::filesystem::path &path, std::size_t count);

// Creates the file `path`, which must not exist yet, with `bytes`, flushed
// to disk. On failure it is removed again.
void WriteNewFile(const std::filesystem::path &path, std::string_view bytes);

// Writes `bytes` into a new temporary file beside `path`, flushes it, reads
// it back and compares, renames it to `path` (replacing a file there) and
// flushes the folder, so the name is on the disk too. On any failure the
// temporary file is removed and nothing new is at `path`. The new file has
// `permissions` (less the umask) on POSIX from the start.
void WriteNewAndRename(const std::filesystem::path &path, std::string_view bytes,
                       std::uint32_t permissions = 0666);

// Puts `bytes` in place of the whole content of the existing file `path`,
// all or nothing: a new file beside it, given its permissions, owner (where
// the system lets this user) and extended attributes with the ACL,
// flushed, read back, renamed over it and the folder flushed; on Windows
// ReplaceFileW, which keeps attributes and security. Where `path` is a
// symbolic link its target is replaced and the link stays. A file with more
// than one name (hard links) is rewritten in place instead, as
// OverwriteInPlace does, so that every name sees the new content; that is
// not all or nothing, and the caller keeps a copy first. A file that cannot
// be opened for writing, or is marked read-only, is refused before anything
// is made.
void ReplaceWholeFile(const std::filesystem::path &path, std::string_view bytes);

// Rewrites the existing file `path` in place with `bytes`, for where its
// folder takes no new file: the space for the longer of the two is taken
// before any byte changes, so a full disk leaves the old content whole; the
// file is shortened last, and flushed. Refused on a read-only file.
void OverwriteInPlace(const std::filesystem::path &path, std::string_view bytes);

// Forces the folder's entries (a rename into it) onto the disk. File
// systems that have no such flush are taken at their word. Nothing to do on
// Windows, whose renames here write through.
void SyncFolder(const std::filesystem::path &folder);

// Whether `folder` takes a new file: one is made there and removed again.
bool FolderTakesNewFiles(const std::filesystem::path &folder);

// Deletes from `folder` the temporary files this layer left there (a write
// cut off by a kill) that stand beside a name `beside` accepts and were
// last written more than `age` ago: a younger one may be another running
// editor's. Nothing else is touched; failures are ignored.
void RemoveOldTemporaries(const std::filesystem::path &folder,
                          const std::function<bool(const std::filesystem::path &name)> &beside,
                          std::chrono::hours age = std::chrono::hours(24));

// Deletes the file if it is there; a failure is ignored.
void RemoveFileQuietly(const std::filesystem::path &path);
