// SPDX-License-Identifier: GPL-3.0-or-later
// System services on systems without the Windows API: our own INI reader
// and writer, the game's registry entry from the user's Wine prefixes and
// XDG's settings folder. The dialog and the browser are in services_qt.cpp.
#include "settings/editedfile.h"
#include "settings/inifile.h"
#include "settings/systemservices.h"
#include "settings/wine/prefixcache.h"
#include "settings/wine/wineprefixes.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string variable(const char *name)
{
    const char *value = std::getenv(name);
    return std::string(value ? value : "");
}

} // namespace

std::string PlatformServices::readProfileString(const std::filesystem::path &fileName,
                                                const std::string &section, const std::string &key,
                                                const std::string &defaultValue)
{
    return IniReadString(fileName, section, key, defaultValue);
}

void PlatformServices::writeProfileString(const std::filesystem::path &fileName,
                                          const std::string &section, const std::string &key,
                                          const std::string &value)
{
    // The settings file's folder (the editor's own, in the user's folder)
    // may not be there yet. Where it cannot be made nothing is written, and
    // the next start asks for the game folder again.
    if (!MakeFolderOf(fileName))
        return;
    IniWriteString(fileName, section, key, value);
}

namespace {

// Kept for the program's life so that the start-up's second ask reads only
// the prefix that answered the first, not every prefix again, and the code
// page comes from the prefix that answered. The program asks from its one
// thread.
WinePrefixSearch &prefixSearch()
{
    static WinePrefixSearch search(
        WineRegistryCacheFile(variable("XDG_CACHE_HOME"), variable("HOME")));
    return search;
}

} // namespace

std::string PlatformServices::gameFolderFromRegistry()
{
    return prefixSearch().gameFolder(variable("HOME"), variable("WINEPREFIX"));
}

unsigned PlatformServices::gameCodePage(const std::string &gameFolder)
{
    return prefixSearch().codePageOf(gameFolder, variable("HOME"), variable("WINEPREFIX"));
}

std::filesystem::path PlatformServices::executableFolder()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::filesystem::path PlatformServices::userSettingsFolder()
{
    // A relative XDG_CONFIG_HOME is invalid and ignored, as XDG says.
    const std::string configHome = variable("XDG_CONFIG_HOME");
    if (std::filesystem::path(configHome).is_absolute())
        return configHome;
    const std::string home = variable("HOME");
    return home.empty() ? std::filesystem::path() : std::filesystem::path(home + "/.config");
}

std::filesystem::path PlatformServices::virtualStorePlayerFile(const std::string &)
{
    // Wine redirects nothing: the game writes its own folder.
    return {};
}

bool RefusedInProtectedFolder(const FileError &)
{
    return false;
}
