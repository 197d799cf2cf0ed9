// SPDX-License-Identifier: GPL-3.0-or-later
#include "gamefolder.h"

std::string SettingsFilePath(const std::string &exeFolder)
{
    return exeFolder + PathSeparator + SettingsFileName;
}

std::string ResolveGameFolder(SystemServices &services, const std::string &settingsFile,
                              NativeWindow owner)
{
    std::string folder;
    if (!services.GameFolderFromRegistry().empty()) {
        // The registry is asked again for the value that is used, as the game's
        // entry may be rewritten by an installer between the two calls.
        folder = services.GameFolderFromRegistry();
    } else if (!services.ReadProfileString(settingsFile, SettingsSection, "Path", "").empty()) {
        folder = services.ReadProfileString(settingsFile, SettingsSection, "path", "");
    } else {
        const std::string answer = services.BrowseForFolder(owner, FolderDialogTitle);
        services.WriteProfileString(settingsFile, SettingsSection, "path", answer);
        folder = services.ReadProfileString(settingsFile, SettingsSection, "Path", "");
        // A settings file that could not be written must not throw away the
        // folder the user has just chosen: use it for this run.
        if (folder.empty())
            folder = answer;
    }
    return folder;
}
