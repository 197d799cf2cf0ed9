// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/systemservices.h"

#include <filesystem>
#include <string>

inline constexpr const char *SettingsFileName = "ivlname.cfg";
inline constexpr const char *SettingsSection = "KORVAX";
inline constexpr const char *FolderDialogTitle = "Please select the KORVAX folder:";

// The editor's own folder inside the user's settings folder.
inline constexpr const char *SettingsFolderName = "korvax-editor";

// The settings file beside the executable in exeFolder.
std::filesystem::path SettingsFilePath(const std::filesystem::path &exeFolder);

// The settings file the editor reads and writes: the one beside the
// executable in exeFolder where it exists or the folder takes a new file
// (a portable copy), otherwise the one in the editor's folder inside
// userFolder. Reading looks beside the executable first: one found in the
// user's folder counts only when none is beside it. With no user folder,
// the file beside the executable.
std::filesystem::path SettingsFileFor(const std::filesystem::path &exeFolder,
                                      const std::filesystem::path &userFolder);

// The same for the running program.
std::filesystem::path SettingsFileFor(SystemServices &services);

// Finds the game folder: the registry, then the settings file, then the
// folder dialog. The dialog's answer is used as chosen and stored in the
// settings file so that a later read gives it back whole: inside double
// quotes when blanks or quotes at its ends would be lost, not at all when it
// is longer than a read gives back (the next start asks again). Returns the
// empty text when no folder results; the caller then ends the program.
std::string ResolveGameFolder(SystemServices &services, const std::filesystem::path &settingsFile,
                              NativeWindow owner);
