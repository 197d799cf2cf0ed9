// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/systemservices.h"

#include <string>

// The services that finding the game folder needs, behind an interface so a
// test can stand in for the registry, the settings file and the dialog.
class SystemServices
{
public:
    virtual ~SystemServices() = default;
    virtual std::string GameFolderFromRegistry() = 0;
    virtual std::string ReadProfileString(const std::string &fileName, const std::string &section,
                                          const std::string &key,
                                          const std::string &defaultValue) = 0;
    virtual void WriteProfileString(const std::string &fileName, const std::string &section,
                                    const std::string &key, const std::string &value) = 0;
    virtual std::string BrowseForFolder(NativeWindow owner, const std::string &title) = 0;
};

// The real services of this platform.
class PlatformServices final : public SystemServices
{
public:
    std::string GameFolderFromRegistry() override;
    std::string ReadProfileString(const std::string &fileName, const std::string &section,
                                  const std::string &key, const std::string &defaultValue) override;
    void WriteProfileString(const std::string &fileName, const std::string &section,
                            const std::string &key, const std::string &value) override;
    std::string BrowseForFolder(NativeWindow owner, const std::string &title) override;
};

inline constexpr const char *SettingsFileName = "ivlname.cfg";
inline constexpr const char *SettingsSection = "KORVAX";
inline constexpr const char *FolderDialogTitle = "Please select the KORVAX folder:";

// The settings file beside the executable in exeFolder.
std::string SettingsFilePath(const std::string &exeFolder);

// Finds the game folder: the registry, then the settings file, then the
// folder dialog. The dialog's answer is used as chosen and stored in the
// settings file so that a later read gives it back whole: inside double
// quotes when blanks or quotes at its ends would be lost, not at all when it
// is longer than a read gives back (the next start asks again). Returns the
// empty text when no folder results; the caller then ends the program.
std::string ResolveGameFolder(SystemServices &services, const std::string &settingsFile,
                              NativeWindow owner);
