// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/gamefolder.h"

std::string PlatformServices::GameFolderFromRegistry()
{
    return ::GameFolderFromRegistry();
}

std::string PlatformServices::ReadProfileString(const std::string &fileName,
                                                const std::string &section, const std::string &key,
                                                const std::string &defaultValue)
{
    return ::ReadProfileString(fileName, section, key, defaultValue);
}

void PlatformServices::WriteProfileString(const std::string &fileName, const std::string &section,
                                          const std::string &key, const std::string &value)
{
    ::WriteProfileString(fileName, section, key, value);
}

std::string PlatformServices::BrowseForFolder(NativeWindow owner, const std::string &title)
{
    return ::BrowseForFolder(owner, title);
}
