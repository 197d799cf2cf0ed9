// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// A window as the system knows it: an HWND on Windows, a toolkit window id
// elsewhere. 0 is no window.
using NativeWindow = std::uintptr_t;

// The most characters a settings read gives back: the read buffer holds 255
// characters with the terminating zero.
inline constexpr std::size_t MaxProfileValueLength = 254;

// What the editor asks of the operating system, behind one interface so a
// test can stand in for the registry, the dialog and the browser. None
// reports a failure: each gives the empty text (or does nothing) instead.
// Texts are the system's own bytes (the ANSI code page on Windows, UTF-8
// file names elsewhere). The paths of the editor's own files are
// std::filesystem::path, wide on Windows, so that a user folder outside the
// code page is named whole.
class SystemServices
{
public:
    virtual ~SystemServices() = default;

    // The "Path" value of the game's App Paths registry key (on Linux, in
    // the user's Wine prefixes), or the empty text.
    virtual std::string gameFolderFromRegistry() = 0;

    // The ANSI code page the game runs with, for its player texts: on
    // Windows the system's; elsewhere the one the Wine prefix that gameFolder
    // belongs to records (the prefix whose entry gave it, or one whose drive
    // holds it). 0 when none is known.
    virtual unsigned gameCodePage(const std::string &gameFolder) = 0;

    // The key's value in an INI settings file (at most
    // MaxProfileValueLength characters), or defaultValue when the file, the
    // section or the key is missing.
    virtual std::string readProfileString(const std::filesystem::path &fileName,
                                          const std::string &section, const std::string &key,
                                          const std::string &defaultValue) = 0;

    // Creates the file, the section and the key as needed.
    virtual void writeProfileString(const std::filesystem::path &fileName,
                                    const std::string &section, const std::string &key,
                                    const std::string &value) = 0;

    // The chosen folder's path, whole (on Windows up to 259 characters), or
    // the empty text when the user cancels.
    virtual std::string browseForFolder(NativeWindow owner, const std::string &title) = 0;

    // Hands a web address to the system's browser.
    virtual void openWebAddress(const std::string &address) = 0;

    // The folder that holds the running executable, without a trailing
    // separator.
    virtual std::filesystem::path executableFolder() = 0;

    // The user's own folder for the settings of programs that cannot keep
    // them beside themselves: ${XDG_CONFIG_HOME:-~/.config} on Linux,
    // %LOCALAPPDATA% on Windows; the empty text when there is none.
    virtual std::filesystem::path userSettingsFolder() = 0;

    // The user's VirtualStore copy of the player file, which the game reads
    // in place of the one in `gameFolder` when Windows redirects its writes
    // there (settings/virtualstore.h); the empty path when there is none,
    // and always on other systems.
    virtual std::filesystem::path virtualStorePlayerFile(const std::string &gameFolder) = 0;
};

// The real services of this system: on Windows its own calls, elsewhere
// the editor's INI reader, the Wine prefixes, XDG's folders and Qt's
// dialog and browser.
class PlatformServices : public SystemServices
{
public:
    std::string gameFolderFromRegistry() override;
    unsigned gameCodePage(const std::string &gameFolder) override;
    std::string readProfileString(const std::filesystem::path &fileName, const std::string &section,
                                  const std::string &key, const std::string &defaultValue) override;
    // Also creates the file's folder when it is missing; when that fails,
    // nothing is written.
    void writeProfileString(const std::filesystem::path &fileName, const std::string &section,
                            const std::string &key, const std::string &value) override;
    std::string browseForFolder(NativeWindow owner, const std::string &title) override;
    void openWebAddress(const std::string &address) override;
    std::filesystem::path executableFolder() override;
    std::filesystem::path userSettingsFolder() override;
    std::filesystem::path virtualStorePlayerFile(const std::string &gameFolder) override;
};
