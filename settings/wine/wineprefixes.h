// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

class WineRegistryCache;

// Where Wine prefixes live on a Linux desktop: Wine's own, and those that the
// game launchers (Steam's Proton, Lutris, Heroic, Bottles, PlayOnLinux) keep,
// one per game. The game may be registered in any of them.

// The prefixes below `home`, and `winePrefix` when it is not empty, in the
// order in which they are searched:
//  1. winePrefix;  2. home/.wine;
//  3. steamapps/compatdata/*/pfx of every Steam library: the libraries in
//     home/.steam/steam, home/.local/share/Steam, Flatpak's
//     home/.var/app/com.valvesoftware.Steam/.local/share/Steam and Snap's
//     home/snap/steam/common/.local/share/Steam, each followed by the "path"
//     entries of its steamapps/libraryfolders.vdf;
//  4. Lutris: the game's prefix (game: prefix:, a leading ~ for the home) of
//     home/.config/lutris/games/*.yml and home/.local/share/lutris/games/*.yml,
//     then the folders of home/Games;
//  5. Heroic: home/Games/Heroic/Prefixes/* and, for its Proton prefixes,
//     home/Games/Heroic/Prefixes/*/pfx;
//  6. Bottles: home/.local/share/bottles/bottles/* and Flatpak's
//     home/.var/app/com.usebottles.bottles/data/bottles/bottles/*;
//  7. PlayOnLinux: home/.PlayOnLinux/wineprefix/*.
// Entries of one folder come in byte order of their names. A prefix is a
// folder holding system.reg; everything else is left out without a word, and
// a prefix reached again (through links) is listed at its first place only.
// Never throws.
std::vector<std::string> WinePrefixCandidates(const std::string &home,
                                              const std::string &winePrefix);

// The first of `prefixes` one of whose drives (its dosdevices links, C: to
// its drive_c) holds `folder`, links resolved on both sides; the empty text
// when none does. A drive of the whole system ("/", which Wine maps as Z:)
// holds every folder and so tells nothing: it counts for none. Never throws.
std::string WinePrefixHolding(const std::string &folder, const std::vector<std::string> &prefixes);

// Finds the game's folder: the first, in the order of the prefixes, of the
// folders their registries name that holds the player file kvxplr.sav; when
// none does, the first folder named (so a failure names a real place). An
// entry left behind by a game moved or removed since thus never hides the
// live one.
//
// What each registry file holds is kept in the cache file, when one is
// given, so that unchanged files are not read again at the next start.
// The start-up asks twice in a row: the prefix that answered is remembered,
// and the next ask (for the same home and WINEPREFIX) looks at that prefix
// only, searching anew when it no longer answers as before. A search that
// found nothing is not remembered, so a game registered meanwhile is found
// on the next ask.
class WinePrefixSearch
{
public:
    explicit WinePrefixSearch(std::string cacheFile = {});

    // The game's folder, or the empty text. Never throws.
    std::string gameFolder(const std::string &home, const std::string &winePrefix);

    // The ANSI code page the game runs with in the prefix gameFolder
    // belongs to (ReadAnsiCodePage, through the cache): the prefix whose
    // entry gave that folder at the last ask, else WinePrefixHolding among
    // the prefixes of home and winePrefix. 0 when no prefix has the folder
    // or its registry names no code page. Never throws.
    unsigned codePageOf(const std::string &gameFolder, const std::string &home,
                        const std::string &winePrefix);

private:
    struct Answer
    {
        std::string home;
        std::string winePrefix;
        std::string prefix;
        std::string folder;
        bool holdsPlayerFile = false;
    };
    std::string search(WineRegistryCache &cache, const std::string &home,
                       const std::string &winePrefix);

    std::string m_cacheFile;
    std::optional<Answer> m_last;
};
