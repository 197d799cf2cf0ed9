// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What the Wine prefixes' registries held at the last search, so that a
// start beside a hundred Proton prefixes opens none of their files while
// they are unchanged. Each registry file's answers (the game's App Paths
// values, or that it holds none; its ANSI code page, once asked for) are
// kept with the file's identity: device,
// inode, size and modification time to the nanosecond. Any change of those
// reads the file again. The cache is only a shortcut: a missing,
// unreadable, damaged or foreign cache file counts as empty and is written
// anew, and every answer equals the one the file itself gives.
class WineRegistryCache
{
public:
    // Reads the cache file; an empty name keeps nothing between searches.
    explicit WineRegistryCache(std::string cacheFile);

    // ReadGameAppPaths(regFile), from the cache while the file is unchanged.
    std::optional<std::vector<std::string>> gameAppPaths(const std::string &regFile);

    // ReadAnsiCodePage(regFile), likewise.
    std::optional<unsigned> ansiCodePage(const std::string &regFile);

    // When anything changed, writes the cache file anew (a temporary file
    // renamed over it), creating its folder: the answers used since it was
    // read, and the other ones whose files are still unchanged. Failures
    // are silent: the next search reads the files again.
    void save();

private:
    struct Identity
    {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Identity &) const = default;
    };
    // Each answer is known once the file has been read for it.
    struct Entry
    {
        Identity identity;
        std::optional<std::vector<std::string>> paths;
        std::optional<unsigned> codePage;
        bool used = false;
    };

    static std::optional<Identity> identityOf(const std::string &file);
    template <typename Answer, typename Read>
    std::optional<Answer> answer(const std::string &regFile, std::optional<Answer> Entry::*field,
                                 Read read);
    void load();
    std::string serialized() const;

    std::string m_file;
    std::map<std::string, Entry> m_entries;
    bool m_changed = false;
};

// The cache file's place: XDG_CACHE_HOME (when it is an absolute path), else
// home/.cache, then korvax-editor/wine-registries.cache; the empty text when
// neither is known.
std::string WineRegistryCacheFile(const std::string &xdgCacheHome, const std::string &home);
