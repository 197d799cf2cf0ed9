// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/wine/wineprefixes.h"

#include "playerfile/playerfile.h"
#include "settings/wine/asciitext.h"
#include "settings/wine/prefixcache.h"
#include "settings/wine/wineregistry.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string_view>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// The launchers' own lists (libraryfolders.vdf, Lutris' .yml) are a few
// kilobytes; a larger file is not one of them and is read no further.
constexpr std::size_t MaxListFileSize = 1024 * 1024;

std::string_view trimmed(std::string_view text)
{
    return TrimmedOf(text, " \t\r");
}

// A regular file's text; the empty text when it is anything else (a FIFO
// would never end a read) or larger than any such list.
std::string readListFile(const fs::path &file)
{
    try {
        return ReadWholeFile(file, MaxListFileSize);
    } catch (const FileError &) {
        return {};
    }
}

// A file or folder as the system knows it, whatever path leads to it: two
// paths with the same identity name the same one, reached through links.
using FileIdentity = std::pair<dev_t, ino_t>;

// The identity of a folder; nothing for anything else.
std::optional<FileIdentity> identityOf(const fs::path &folder)
{
    struct stat info
    {
    };
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino};
}

// Calls `use` with each line of `text`.
template <typename Use> void forEachLine(std::string_view text, Use use)
{
    while (!text.empty()) {
        const std::size_t newline = std::min(text.find('\n'), text.size());
        use(text.substr(0, newline));
        text.remove_prefix(std::min(newline + 1, text.size()));
    }
}

// The names of the folder's entries in byte order; none when it cannot be
// listed.
std::vector<std::string> sortedEntryNames(const fs::path &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A quoted VDF token at the start of `line`, consumed; nothing when there is
// none. \\ and \" stand for the character itself.
std::optional<std::string> vdfToken(std::string_view &line)
{
    line = trimmed(line);
    if (line.empty() || line.front() != '"')
        return std::nullopt;
    std::string token;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            line.remove_prefix(i + 1);
            return token;
        }
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '\\' || line[i + 1] == '"'))
            ++i;
        token.push_back(line[i]);
    }
    return std::nullopt;
}

// The absolute paths of the "path" entries of a libraryfolders.vdf, in file
// order: the Steam libraries on other disks.
std::vector<fs::path> vdfLibraryPaths(const fs::path &file)
{
    std::vector<fs::path> paths;
    forEachLine(readListFile(file), [&](std::string_view line) {
        const auto key = vdfToken(line);
        if (!key || *key != "path")
            return;
        const auto value = vdfToken(line);
        if (value && fs::path(*value).is_absolute())
            paths.emplace_back(*value);
    });
    return paths;
}

// The game's prefix in one Lutris game file (game: prefix:), a leading ~
// standing for the home; nothing unless that gives an absolute path. Lutris
// writes the files with a YAML library: quoted and escaped, folded onto
// further lines, and users add comments, so only a YAML parser reads them
// right.
std::optional<fs::path> lutrisPrefix(const fs::path &file, const fs::path &home)
{
    try {
        const YAML::Node root = YAML::Load(readListFile(file));
        if (!root.IsMap())
            return std::nullopt;
        const YAML::Node game = root["game"];
        if (!game || !game.IsMap())
            return std::nullopt;
        const YAML::Node value = game["prefix"];
        if (!value || !value.IsScalar())
            return std::nullopt;
        const std::string prefix = value.Scalar();
        fs::path path = prefix;
        if (prefix == "~" || prefix.starts_with("~/"))
            path = home.string() + prefix.substr(1);
        if (path.is_absolute())
            return path;
    } catch (const YAML::Exception &) {
        // Not YAML, or nested too deep: no prefix.
    }
    return std::nullopt;
}

// The Steam libraries: the four places Steam is installed to, each followed
// by the libraries its libraryfolders.vdf lists; each library once, as
// ~/.steam/steam is usually a link to one of the others.
std::vector<fs::path> steamLibraries(const fs::path &home)
{
    std::vector<fs::path> libraries;
    std::set<FileIdentity> seen;
    const auto add = [&](const fs::path &library) {
        const auto identity = identityOf(library);
        if (identity && seen.insert(*identity).second)
            libraries.push_back(library);
    };
    for (const char *root : {".steam/steam", ".local/share/Steam",
                             ".var/app/com.valvesoftware.Steam/.local/share/Steam",
                             "snap/steam/common/.local/share/Steam"}) {
        add(home / root);
        for (const fs::path &library :
             vdfLibraryPaths(home / root / "steamapps/libraryfolders.vdf"))
            add(library);
    }
    return libraries;
}

// The prefixes found so far, in order, each real folder once.
class PrefixList
{
public:
    // Adds `folder` when it is a prefix not listed yet. One stat, not a
    // resolution of every name on the path: a start may look at hundreds.
    // The same registry file means the same prefix, reached through links.
    void add(const fs::path &folder)
    {
        struct stat info
        {
        };
        if (::stat((folder / "system.reg").c_str(), &info) == 0 &&
            m_seen.insert({info.st_dev, info.st_ino}).second)
            m_prefixes.push_back(folder.string());
    }

    // Adds folder/<entry>/below for each entry of `folder`, in byte order;
    // with alsoEntry, folder/<entry> itself before it.
    void addEntriesOf(const fs::path &folder, const fs::path &below = {}, bool alsoEntry = false)
    {
        for (const std::string &name : sortedEntryNames(folder)) {
            if (below.empty() || alsoEntry)
                add(folder / name);
            if (!below.empty())
                add(folder / name / below);
        }
    }

    std::vector<std::string> take() { return std::move(m_prefixes); }

private:
    std::vector<std::string> m_prefixes;
    std::set<FileIdentity> m_seen;
};

void addHomePrefixes(PrefixList &list, const fs::path &home)
{
    list.add(home / ".wine");
    for (const fs::path &library : steamLibraries(home))
        list.addEntriesOf(library / "steamapps/compatdata", "pfx");
    for (const char *games : {".config/lutris/games", ".local/share/lutris/games"}) {
        for (const std::string &name : sortedEntryNames(home / games)) {
            if (name.ends_with(".yml")) {
                if (const auto prefix = lutrisPrefix(home / games / name, home))
                    list.add(*prefix);
            }
        }
    }
    list.addEntriesOf(home / "Games");
    // Heroic's Wine prefixes, and its Proton prefixes with the registry in pfx.
    list.addEntriesOf(home / "Games/Heroic/Prefixes", "pfx", true);
    list.addEntriesOf(home / ".local/share/bottles/bottles");
    list.addEntriesOf(home / ".var/app/com.usebottles.bottles/data/bottles/bottles");
    list.addEntriesOf(home / ".PlayOnLinux/wineprefix");
}

} // namespace

std::vector<std::string> WinePrefixCandidates(const std::string &home,
                                              const std::string &winePrefix)
{
    PrefixList list;
    try {
        if (!winePrefix.empty())
            list.add(winePrefix);
        // Without a home, paths below it would be taken from the working folder.
        if (!home.empty())
            addHomePrefixes(list, home);
    } catch (const std::exception &) {
        // Out of memory: the prefixes listed so far are searched.
    }
    return list.take();
}

namespace {

bool holdsPlayerFile(const std::string &folder)
{
    std::error_code error;
    return fs::is_regular_file(fs::path(folder) / PlayerFileName, error);
}

std::string folderIn(WineRegistryCache &cache, const std::string &prefix)
{
    const auto paths = cache.gameAppPaths(prefix + "/system.reg");
    return paths ? MapGameAppPaths(prefix, *paths) : std::string();
}

// Whether `folder` is `top` or lies below it; both are resolved paths.
bool isWithin(const fs::path &folder, const fs::path &top)
{
    return std::mismatch(top.begin(), top.end(), folder.begin(), folder.end()).first == top.end();
}

bool prefixHolds(const std::string &prefix, const fs::path &folder)
{
    const fs::path devices = fs::path(prefix) / "dosdevices";
    for (const std::string &name : sortedEntryNames(devices)) {
        // The drives' links are a letter and a colon; "c::" and "com1"
        // name devices.
        if (name.size() != 2 || name[1] != ':')
            continue;
        std::error_code error;
        const fs::path drive = fs::canonical(devices / name, error);
        if (!error && drive != drive.root_path() && isWithin(folder, drive))
            return true;
    }
    return false;
}

} // namespace

std::string WinePrefixHolding(const std::string &folder, const std::vector<std::string> &prefixes)
{
    if (folder.empty())
        return {};
    try {
        std::error_code error;
        const fs::path resolved = fs::weakly_canonical(folder, error);
        if (error)
            return {};
        for (const std::string &prefix : prefixes) {
            if (prefixHolds(prefix, resolved))
                return prefix;
        }
    } catch (const std::exception &) {
        // Out of memory: no prefix.
    }
    return {};
}

WinePrefixSearch::WinePrefixSearch(std::string cacheFile) : m_cacheFile(std::move(cacheFile)) {}

std::string WinePrefixSearch::gameFolder(const std::string &home, const std::string &winePrefix)
{
    try {
        WineRegistryCache cache(m_cacheFile);
        std::string folder;
        if (m_last && m_last->home == home && m_last->winePrefix == winePrefix) {
            folder = folderIn(cache, m_last->prefix);
            if (m_last->holdsPlayerFile && !holdsPlayerFile(folder))
                folder.clear();
            m_last->folder = folder;
        }
        if (folder.empty())
            folder = search(cache, home, winePrefix);
        cache.save();
        return folder;
    } catch (const std::exception &) {
        // Out of memory: the next source is asked.
    }
    return {};
}

std::string WinePrefixSearch::search(WineRegistryCache &cache, const std::string &home,
                                     const std::string &winePrefix)
{
    m_last.reset();
    std::string firstFolder;
    for (const std::string &prefix : WinePrefixCandidates(home, winePrefix)) {
        std::string folder = folderIn(cache, prefix);
        if (folder.empty())
            continue;
        if (holdsPlayerFile(folder)) {
            m_last = Answer{home, winePrefix, prefix, folder, true};
            return folder;
        }
        if (firstFolder.empty()) {
            m_last = Answer{home, winePrefix, prefix, folder, false};
            firstFolder = std::move(folder);
        }
    }
    return firstFolder;
}

unsigned WinePrefixSearch::codePageOf(const std::string &gameFolder, const std::string &home,
                                      const std::string &winePrefix)
{
    try {
        const bool answered = m_last && m_last->home == home && m_last->winePrefix == winePrefix &&
                              m_last->folder == gameFolder && !gameFolder.empty();
        const std::string prefix =
            answered ? m_last->prefix
                     : WinePrefixHolding(gameFolder, WinePrefixCandidates(home, winePrefix));
        if (prefix.empty())
            return 0;
        WineRegistryCache cache(m_cacheFile);
        const auto codePage = cache.ansiCodePage(prefix + "/system.reg");
        cache.save();
        return codePage.value_or(0);
    } catch (const std::exception &) {
        // Out of memory: no code page known.
    }
    return 0;
}
