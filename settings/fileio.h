// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// How the settings code takes the file layer's failures: the files it reads
// and keeps (its settings file, Wine's registries, the launchers' lists and
// the prefix search's cache) are optional, so a failure is an empty result.

// The whole content of the regular file at `path` (links followed), or
// nothing when it is anything else (a FIFO, a device, a folder), is larger
// than maxSize bytes or cannot be read. Opening never waits for a writer.
std::optional<std::string> ReadRegularFile(const std::filesystem::path &path,
                                           std::uintmax_t maxSize);

// Creates the folder meant to hold `file`, and those above it, when they
// are missing. On failure writes the folder and the system's reason to the
// standard error output and returns false.
bool MakeFolderOf(const std::filesystem::path &file);
