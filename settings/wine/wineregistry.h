// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading Wine's registry files (system.reg, user.reg) and mapping the
// Windows paths found there onto this system, so the game's registry entry
// can be found in the Wine prefix it was installed into.
//
// Texts are UTF-8: Wine keeps names in UTF-16 and writes every character
// above 127 as a \x escape, which is decoded here. Names are compared
// without regard to the case of ASCII letters.

// The game's App Paths registry key under HKEY_LOCAL_MACHINE, where its
// installer records the game's folder as the value "Path": the Windows
// build reads it from the system's registry, this file's readers from a
// prefix's system.reg.
inline constexpr const char *GameAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe";

struct WineRegistryValue
{
    std::string name;                // "" for the default value (@)
    std::optional<std::string> text; // set for a readable plain string (REG_SZ) only
};

struct WineRegistryKey
{
    std::string path; // relative to the file's root, components joined by one backslash
    std::vector<WineRegistryValue> values;
};

// Tells which keys (by path) a parse keeps; an empty filter keeps them all.
using WineKeyFilter = std::function<bool(std::string_view path)>;

// Every key of a registry file's text that the filter keeps, in file order.
// A text whose first line is not "WINE REGISTRY Version 2" has no keys.
// Lines that cannot be read are skipped; values after a broken key line
// belong to no key.
std::vector<WineRegistryKey> ParseWineRegistry(std::string_view text,
                                               const WineKeyFilter &wanted = {});

// The plain string value valueName ("" for the default value) of the key
// keyPath (e.g. "Software\\Microsoft"), or nothing. The last assignment in
// the file counts, as when Wine loads it.
std::optional<std::string> FindWineRegistryString(const std::vector<WineRegistryKey> &keys,
                                                  std::string_view keyPath,
                                                  std::string_view valueName);

// A registry file larger than this is not one Wine wrote (a fresh prefix's
// system.reg is about 2 MB) and is passed over unread.
inline constexpr std::uintmax_t MaxWineRegistrySize = 64 * 1024 * 1024;

// The folder of this system that the Windows path names inside the prefix:
// "C:\Games\KORVAX" becomes "<prefix>/dosdevices/c:/Games/KORVAX" with the
// drive link and every existing folder resolved to its real path, each
// folder name matched without regard to case as Wine does. Folders that do
// not exist yet are kept by name. A trailing separator is kept. The empty
// text when the path cannot be mapped: no link for its drive, a UNC or
// device path, a relative path.
std::string MapWineWindowsPath(const std::string &prefix, std::string_view windowsPath);

// Whether the bytes of the file hold `text` (ASCII), compared without regard
// to the case of ASCII letters; false when the file cannot be read, is not
// a regular file or is larger than MaxWineRegistrySize. The file is read in
// pieces of pieceSize bytes into one buffer.
bool WineFileMentions(const std::string &file, std::string_view text,
                      std::size_t pieceSize = 256 * 1024);

// The game's App Paths "Path" values in the registry file regFile: the
// 32-bit view's (Wow6432Node, as the Windows build reads it first), then the
// 64-bit view's, each only when it is a non-empty plain string. Empty when
// the file holds neither; nothing when it cannot be read. A file that does
// not mention the entry's key is not parsed. Never throws.
std::optional<std::vector<std::string>> ReadGameAppPaths(const std::string &regFile);

// The ANSI code page the prefix's programs run with, as Wine records it from
// the prefix's locale: the "ACP" value of the key
// System\CurrentControlSet\Control\Nls\CodePage in its system.reg. 0 when
// the file holds none or no decimal number; nothing when it cannot be read.
// Never throws.
std::optional<unsigned> ReadAnsiCodePage(const std::string &regFile);

// The first of those paths that maps onto this system inside the prefix
// (MapWineWindowsPath), or the empty text. Never throws.
std::string MapGameAppPaths(const std::string &prefix, const std::vector<std::string> &paths);

// The game's folder recorded in the prefix's system.reg under its App Paths
// entry (the 32-bit view, Wow6432Node, first, as the Windows build reads it;
// then the 64-bit view), mapped onto this system; the empty text when there
// is none. A file that does not mention the entry's key is not parsed.
// Never throws.
std::string GameFolderFromWinePrefix(const std::string &prefix);
