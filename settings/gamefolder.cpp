// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/gamefolder.h"

#include "settings/wine/asciitext.h"
#include "storage/wholefile.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The text to write so that a read gives `value` back: the reader trims
// blanks and takes away one pair of matching quotes, so a value that would
// lose either goes inside double quotes, of which the reader strips one pair.
std::string storedValue(const std::string &value)
{
    if (value.empty())
        return value;
    if (InMatchingQuotes(value) || TrimmedOf(value, " \t").size() != value.size())
        return '"' + value + '"';
    return value;
}

} // namespace

fs::path SettingsFilePath(const fs::path &exeFolder)
{
    return exeFolder / SettingsFileName;
}

fs::path SettingsFileFor(const fs::path &exeFolder, const fs::path &userFolder)
{
    const fs::path beside = SettingsFilePath(exeFolder);
    if (userFolder.empty())
        return beside;
    const fs::path inUserFolder = userFolder / SettingsFolderName / SettingsFileName;
    // A link counts as the file even when its target is missing yet: the
    // writer writes through it.
    const auto there = [](const fs::path &path) {
        std::error_code error;
        return fs::exists(fs::symlink_status(path, error));
    };
    if (there(beside))
        return beside;
    if (there(inUserFolder))
        return inUserFolder;
    return FolderTakesNewFiles(exeFolder) ? beside : inUserFolder;
}

fs::path SettingsFileFor(SystemServices &services)
{
    return SettingsFileFor(services.executableFolder(), services.userSettingsFolder());
}

std::string ResolveGameFolder(SystemServices &services, const fs::path &settingsFile,
                              NativeWindow owner)
{
    // The start-up asks the registry twice: once whether it knows the
    // folder, once for the folder it uses.
    if (!services.gameFolderFromRegistry().empty())
        return services.gameFolderFromRegistry();
    // Likewise the settings file, reading the key once as "Path" and once as
    // "path": the file matches key names without regard to case, so both
    // read the same key.
    if (!services.readProfileString(settingsFile, SettingsSection, "Path", "").empty())
        return services.readProfileString(settingsFile, SettingsSection, "path", "");

    const std::string answer = services.browseForFolder(owner, FolderDialogTitle);
    // A folder longer than a read gives back would be stored damaged and
    // fail at every later start: it is not stored, and the next start asks.
    if (answer.size() > MaxProfileValueLength)
        return answer;
    services.writeProfileString(settingsFile, SettingsSection, "path", storedValue(answer));
    // The folder the user has just chosen is used for this run as it is,
    // not as the settings file gives it back: a file that could not be
    // written gives back nothing, and the user's choice must not be lost.
    return answer;
}
