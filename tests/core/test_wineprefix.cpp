// SPDX-License-Identifier: GPL-3.0-or-later
// The lookup on a prefix that Wine itself made: the key added with Wine's
// reg.exe, the server stopped so that system.reg is written. Skipped where
// Wine is not installed.
#include "playerfile/codepage.h"
#include "settings/wine/wineregistry.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int SkipReturnCode = 77; // ctest's SKIP_RETURN_CODE for this test

const std::string AppPaths = R"(Software\Microsoft\Windows\CurrentVersion\App Paths\korvax.exe)";

bool onPath(const std::string &program)
{
    const char *path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const fs::path folder(rest.substr(0, colon));
        rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        std::error_code error;
        if (!folder.empty() && fs::is_regular_file(folder / program, error))
            return true;
    }
    return false;
}

// Wine run on a prefix in a folder of its own, with a home of its own so
// nothing reaches the user's desktop menus, and quiet. Stops its server
// when done.
class Wine
{
public:
    explicit Wine(const std::string &folder)
        : m_prefix(folder + "/prefix"), m_log(folder + "/wine.log"),
          m_env("env WINEPREFIX='" + m_prefix + "' HOME='" + folder + "' XDG_CONFIG_HOME='" +
                folder + "/config' XDG_DATA_HOME='" + folder +
                "/data' WINEDEBUG=-all DISPLAY= WAYLAND_DISPLAY= LC_ALL=C.UTF-8 "
                "WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe=d' ")
    {
    }
    ~Wine() { shell("wineserver -k"); }
    Wine(const Wine &) = delete;
    Wine &operator=(const Wine &) = delete;

    const std::string &prefix() const { return m_prefix; }

    // Runs "wine <arguments>"; fails the test with Wine's output otherwise.
    // The first command makes the prefix, and on a busy machine Wine's wait
    // for that can run out: the command then ends with "could not load
    // kernel32.dll". That is Wine's start, not what is tested, so the
    // prefix is made anew, up to three times.
    void run(const std::string &arguments) const
    {
        const std::string command = "wine " + arguments;
        for (int attempt = 1;; ++attempt) {
            if (shell(command))
                return;
            const std::string log = testfiles::readText(m_log);
            if (attempt == 3 || log.find("could not load kernel32.dll") == std::string::npos)
                check::fail(__FILE__, __LINE__, "\"" + command + "\" failed:\n" + log);
            shell("wineserver -k");
            fs::remove_all(m_prefix);
        }
    }

    // Waits for the server to end, which writes the registry files.
    void stopServer() const { require("wineserver -w"); }

private:
    bool shell(const std::string &command) const
    {
        return std::system((m_env + command + " </dev/null >>'" + m_log + "' 2>&1").c_str()) == 0;
    }
    void require(const std::string &command) const
    {
        if (!shell(command))
            check::fail(__FILE__, __LINE__,
                        "\"" + command + "\" failed:\n" + testfiles::readText(m_log));
    }

    std::string m_prefix;
    std::string m_log;
    std::string m_env;
};

} // namespace

TEST_CASE("the game's folder is found in a prefix that Wine made")
{
    const testfiles::TempDir dir;
    const Wine wine(dir.path());
    // Wine writes the characters above 127 as \x escapes.
    const std::string folder = "Spiele/KORVAX \xC3\xA9\xE2\x82\xAC";
    wine.run(R"(reg add "HKLM\)" + AppPaths +
             "\" /v Path /t REG_SZ /d \"C:\\Spiele\\KORVAX \xC3\xA9\xE2\x82\xAC\" /f");
    wine.stopServer();
    fs::create_directories(wine.prefix() + "/drive_c/" + folder);

    CHECK(ReadGameAppPaths(wine.prefix() + "/system.reg") ==
          std::optional(std::vector<std::string>{"C:\\Spiele\\KORVAX \xC3\xA9\xE2\x82\xAC"}));
    const std::string driveC = fs::canonical(wine.prefix() + "/drive_c").string();
    CHECK_EQ(GameFolderFromWinePrefix(wine.prefix()), driveC + "/" + folder);
    // Made in the C locale: Wine 8 records Windows-1252 (en-US); Wine 10
    // records another value there, which is no single-byte page and so
    // keeps Windows-1252 as well.
    const auto acp = ReadAnsiCodePage(wine.prefix() + "/system.reg");
    CHECK(!acp || *acp == 1252u ||
          std::find(SingleByteWindowsCodePages.begin(), SingleByteWindowsCodePages.end(), *acp) ==
              SingleByteWindowsCodePages.end());
}

int main(int argc, char **argv)
{
    if (!onPath("wine") || !onPath("wineserver")) {
        std::cout << "SKIP: wine is not installed, so the test on a real Wine prefix did not run\n";
        return SkipReturnCode;
    }
    return check::runAll(argc, argv);
}
