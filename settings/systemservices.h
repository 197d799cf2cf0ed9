// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The operating-system services the editor calls: the folder dialog, one key
// of the INI settings file, the game's registry entry and the web browser.
// None reports a failure: each gives the empty text (or does nothing)
// instead. Texts are the system's own bytes (the ANSI code page on Windows,
// UTF-8 file names elsewhere).

// A window as the system knows it: an HWND on Windows, a toolkit window id
// elsewhere. 0 is no window.
using NativeWindow = std::uintptr_t;

// The chosen folder's path, whole (on Windows up to 259 characters), or the
// empty text when the user cancels.
std::string BrowseForFolder(NativeWindow owner, const std::string &title);

// The most characters a settings read gives back: the read buffer holds 255
// characters with the terminating zero.
inline constexpr std::size_t MaxProfileValueLength = 254;

// The key's value (at most MaxProfileValueLength characters), or
// defaultValue when the file, the section or the key is missing.
std::string ReadProfileString(const std::string &fileName, const std::string &section,
                              const std::string &key, const std::string &defaultValue);

// Creates the file, the section and the key as needed. Failures are silent.
void WriteProfileString(const std::string &fileName, const std::string &section,
                        const std::string &key, const std::string &value);

// The game's App Paths registry key under HKEY_LOCAL_MACHINE, where its
// installer records the game's folder as the value "Path".
inline constexpr const char *GameAppPathsKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe";

// The "Path" value of the game's App Paths registry key, or the empty text.
std::string GameFolderFromRegistry();

// Hands the makers' web address to the system's browser.
void OpenWebAddress();

// The makers' web address that OpenWebAddress opens and Form1 shows.
inline constexpr const char *MakersWebAddress = "https://ironvale.example.org/";

// The folder that holds the running executable, without a trailing separator.
std::string ExecutableFolder();

// The platform's path separator, as text.
#ifdef _WIN32
inline constexpr const char *PathSeparator = "\\";
#else
inline constexpr const char *PathSeparator = "/";
#endif
