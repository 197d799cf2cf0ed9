// SPDX-License-Identifier: GPL-3.0-or-later
// System services on systems without the Windows API: our own INI reader
// and writer, and the game's registry entry from the user's Wine prefixes.
#include "settings/inifile.h"
#include "settings/prefixcache.h"
#include "settings/systemservices.h"
#include "settings/wineprefixes.h"

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>

std::string ReadProfileString(const std::string &fileName, const std::string &section,
                              const std::string &key, const std::string &defaultValue)
{
    return IniReadString(fileName, section, key, defaultValue);
}

void WriteProfileString(const std::string &fileName, const std::string &section,
                        const std::string &key, const std::string &value)
{
    IniWriteString(fileName, section, key, value);
}

std::string GameFolderFromRegistry()
{
    const auto variable = [](const char *name) {
        const char *value = std::getenv(name);
        return std::string(value ? value : "");
    };
    const std::string home = variable("HOME");
    // Kept for the program's life so that the start-up's second ask reads
    // only the prefix that answered the first, not every prefix again. The
    // program asks from its one thread.
    static WinePrefixSearch search(WineRegistryCacheFile(variable("XDG_CACHE_HOME"), home));
    return search.gameFolder(home, variable("WINEPREFIX"));
}

std::string ExecutableFolder()
{
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}
