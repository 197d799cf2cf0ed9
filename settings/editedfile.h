// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/systemservices.h"

#include <filesystem>
#include <string>

class FileError;

// The player file the editor reads and writes, decided once at start-up:
// every read, write, copy, undo step and watch of the session uses it.
struct EditedPlayerFile
{
    // The file read and written.
    std::filesystem::path path;
    // The game folder's own kvxplr.sav; the same as `path` unless Windows
    // redirects the game's writes to the user's VirtualStore.
    std::filesystem::path installed;
    // Whose copies these are: the game folder as given for the installed
    // file, the folder of the VirtualStore copy for that one, so that the
    // copies and undo steps of the two files never mix.
    std::string copiesKey;

    bool redirected() const { return path != installed; }
};

// The game folder's own file, not redirected.
EditedPlayerFile InstalledPlayerFile(const std::string &gameFolder);

// The file the game itself reads: the user's VirtualStore copy where
// Windows keeps one for the game folder, otherwise the game folder's own.
EditedPlayerFile PlayerFileToEdit(SystemServices &services, const std::string &gameFolder);

// Whether `error` is Windows refusing a program without administrator
// rights a change under one of the folders it protects (where it redirects
// the game's writes, never the editor's). Always false on other systems.
bool RefusedInProtectedFolder(const FileError &error);
