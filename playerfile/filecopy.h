// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Whole-file reads and the careful writes behind the copies of the player
// file and their restoring. Failures throw PlayerFileError with the path
// and the system's reason.

// Makes the folder and any folders above it that are missing.
void MakeFolders(const std::string &path);

// The file's bytes, all of them.
std::string ReadWholeFile(const std::string &path);

// Writes `bytes` into a new file at `tempPath`, flushes it to disk, reads it
// back and compares, and only then renames it to `finalPath`. On any
// failure the temporary file is removed and nothing is at `finalPath`.
void WriteCheckedAndRename(const std::string &tempPath, const std::string &finalPath,
                           const std::string &bytes);

enum class RestoreMethod { InPlace, ThroughTemporaryFile };

// Puts `bytes` back as the whole content of the existing file at `path`.
// When the sizes agree it is one positioned write and a flush, so the file
// keeps its place, as every other write of the editor does. Otherwise the
// bytes go to a temporary file beside it, renamed over it, so the file is
// never a mix of the old and the new state.
RestoreMethod RestoreWholeFile(const std::string &path, const std::string &bytes);
