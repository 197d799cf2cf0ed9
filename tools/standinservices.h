// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The system services a test or a tool stands in for: the registry gives a
// set folder, the dialog a set answer, and the browser only counts; the
// settings file is real, read and written through this system's own calls.

#include "settings/systemservices.h"
#ifndef _WIN32
#include "settings/wine/wineprefixes.h"
#endif

#include <string>
#include <utility>
#include <vector>

class StandInServices final : public PlatformServices
{
public:
    explicit StandInServices(std::string registry = {}, std::string dialogAnswer = {})
        : m_registry(std::move(registry)), m_dialogAnswer(std::move(dialogAnswer))
    {
    }

    std::string gameFolderFromRegistry() override { return m_registry; }
    std::string browseForFolder(NativeWindow, const std::string &) override
    {
        ++dialogs;
        return m_dialogAnswer;
    }
    void openWebAddress(const std::string &address) override { webAddresses.push_back(address); }
#ifndef _WIN32
    // The prefixes looked in are winePrefix alone, never the user's own.
    unsigned gameCodePage(const std::string &gameFolder) override
    {
        return WinePrefixSearch().codePageOf(gameFolder, "", winePrefix);
    }
    std::string winePrefix;
#endif

    int dialogs = 0;
    std::vector<std::string> webAddresses;

private:
    std::string m_registry;
    std::string m_dialogAnswer;
};
