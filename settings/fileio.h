// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Whole-file reads and careful writes of the small text files the editor
// reads and keeps: its settings file, Wine's registries, the launchers'
// lists and the prefix search's cache. Plain C++ and the system's calls.
// Paths are taken as std::filesystem does, so that a name reaches the system
// exactly as the standard streams would open it.

// The whole content of the regular file at `path` (links followed), or
// nothing when it is anything else (a FIFO, a device, a folder), is larger
// than maxSize bytes or cannot be read. Opening never waits for a writer.
std::optional<std::string> ReadRegularFile(const std::filesystem::path &path,
                                           std::uintmax_t maxSize);

enum class NewFile { Written, NotCreated, NotWritten };

// Creates the file `path`, which must not exist yet, with `bytes`, and
// forces it onto the disk. On failure nothing is left behind; NotWritten
// tells that the file could be made but not filled (a full disk).
NewFile WriteNewFile(const std::filesystem::path &path, std::string_view bytes);

// Replaces the content of the existing file `path` in place with `bytes`,
// never cutting it short first: the space for the longer of the two is
// taken before any byte changes, so a full disk leaves the old content
// whole; the file is shortened last. Forced onto the disk.
bool OverwriteInPlace(const std::filesystem::path &path, std::string_view bytes);

// Creates the folder meant to hold `file`, and those above it, when they
// are missing. On failure writes the folder and the system's reason to the
// standard error output and returns false.
bool MakeFolderOf(const std::string &file);

// Whether `folder` takes a new file: one is made there and removed again.
bool FolderTakesNewFiles(const std::string &folder);
