// SPDX-License-Identifier: GPL-3.0-or-later
// The search through the Wine prefixes of the game launchers, on a made-up
// home holding prefixes of each, with links, faults and an extra Steam
// library outside the home.
#include "check.h"
#include "testfiles.h"
#include "wineprefixes.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string NoEntry =
    "WINE REGISTRY Version 2\n\n[Software\\\\Other] 1\n\"Path\"=\"C:\\\\\"\n";
const std::string Entry =
    "WINE REGISTRY Version 2\n\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\korvax.exe] 1\n"
    "\"Path\"=\"C:\\\\KORVAX\"\n";

void makePrefix(const std::string &prefix)
{
    fs::create_directories(prefix + "/drive_c");
    fs::create_directories(prefix + "/dosdevices");
    fs::create_directory_symlink("../drive_c", prefix + "/dosdevices/c:");
    testfiles::writeText(prefix + "/system.reg", NoEntry);
}

void writeFile(const std::string &path, const std::string &text)
{
    fs::create_directories(fs::path(path).parent_path());
    testfiles::writeText(path, text);
}

// Where the entry "C:\KORVAX" of a prefix leads.
std::string folderOf(const std::string &prefix)
{
    return fs::canonical(prefix + "/drive_c").string() + "/KORVAX";
}

// One home with prefixes in every place, and the list the search must give.
class MadeUpHome
{
public:
    MadeUpHome()
    {
        const std::string d = m_dir.path(), h = home();
        const std::string steam = h + "/.local/share/Steam/steamapps";
        const std::string viaLink = h + "/.steam/steam/steamapps/compatdata/";
        fs::create_directories(h + "/.steam");
        fs::create_directory_symlink("../.local/share/Steam", h + "/.steam/steam");
        writeFile(steam + "/libraryfolders.vdf",
                  "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + h +
                      "/.local/share/Steam\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + d +
                      "/disk/SteamLibrary\"\n\t\t\"label\"\t\t\"\"\n\t}\n}\n");
        fs::create_directories(steam + "/compatdata/7/no-pfx");
        writeFile(h + "/.config/lutris/games/a-game.yml",
                  "game:\n  exe: x.exe\n  prefix: " + h + "/Games/zz-lutris\n");
        writeFile(h + "/.config/lutris/games/b-game.yml",
                  "game:\n  prefix: '" + d + "/lutris-b'\n");
        writeFile(h + "/.local/share/lutris/games/c.yml", "game:\n  prefix: relative/pfx\n");
        writeFile(h + "/Games/notes.txt", "");
        m_prefixes = {d + "/wineprefix",
                      h + "/.wine",
                      viaLink + "100/pfx", // byte order: "100" before "20"
                      viaLink + "20/pfx",
                      d + "/disk/SteamLibrary/steamapps/compatdata/300/pfx",
                      h + "/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/"
                          "compatdata/400/pfx",
                      h + "/Games/zz-lutris",
                      d + "/lutris-b",
                      h + "/Games/aa",
                      h + "/Games/Heroic/Prefixes/fifo",
                      h + "/Games/Heroic/Prefixes/folder",
                      h + "/.local/share/bottles/bottles/bottle",
                      h + "/.var/app/com.usebottles.bottles/data/bottles/bottles/flat",
                      h + "/.PlayOnLinux/wineprefix/pol"};
        for (const std::string &prefix : m_prefixes)
            makePrefix(prefix);
        // Two system.reg that cannot be read; a FIFO would hang a reader.
        const std::string heroic = h + "/Games/Heroic/Prefixes/";
        fs::remove(heroic + "fifo/system.reg");
        ::mkfifo((heroic + "fifo/system.reg").c_str(), 0600);
        fs::remove(heroic + "folder/system.reg");
        fs::create_directory(heroic + "folder/system.reg");
        // A loop of links, a broken link, and a prefix reached a second time.
        fs::create_directory_symlink("loop2", heroic + "loop1");
        fs::create_directory_symlink("loop1", heroic + "loop2");
        fs::create_directory_symlink(d + "/gone", h + "/.PlayOnLinux/wineprefix/broken");
        fs::create_directory_symlink(h + "/Games/aa", h + "/.local/share/bottles/bottles/twice");
    }

    std::string home() const { return m_dir.path() + "/home"; }
    const std::string &winePrefix() const { return m_prefixes.front(); }
    const std::vector<std::string> &prefixes() const { return m_prefixes; }

private:
    testfiles::TempDir m_dir;
    std::vector<std::string> m_prefixes;
};

} // namespace

TEST_CASE("every launcher's prefixes are searched in order, each once, the first holding "
          "the entry wins")
{
    const MadeUpHome made;
    CHECK(WinePrefixCandidates(made.home(), made.winePrefix()) == made.prefixes());
    CHECK_EQ(WinePrefixCandidates(made.home(), "").front(), made.home() + "/.wine");
    CHECK_EQ(WinePrefixSearch().gameFolder(made.home(), made.winePrefix()), std::string());

    // Registered from the last place to the first: each time the newly
    // registered prefix is the first that holds the entry, and is found.
    const auto &prefixes = made.prefixes();
    for (auto prefix = prefixes.rbegin(); prefix != prefixes.rend(); ++prefix) {
        if (fs::is_regular_file(*prefix + "/system.reg")) {
            testfiles::writeText(*prefix + "/system.reg", Entry);
            CHECK_EQ(WinePrefixSearch().gameFolder(made.home(), made.winePrefix()),
                     folderOf(*prefix));
        }
    }
    // A file that names the key but cannot be parsed is passed over.
    testfiles::writeText(made.winePrefix() + "/system.reg", "REGEDIT4\n" + Entry);
    CHECK_EQ(WinePrefixSearch().gameFolder(made.home(), made.winePrefix()),
             folderOf(made.home() + "/.wine"));
    CHECK(WinePrefixCandidates("", "").empty());
}

TEST_CASE("a second ask reads again only the prefix that answered")
{
    const MadeUpHome made;
    const std::string bottle = made.home() + "/.local/share/bottles/bottles/bottle";
    const std::string wine = made.home() + "/.wine";
    testfiles::writeText(bottle + "/system.reg", Entry);
    WinePrefixSearch search;
    CHECK_EQ(search.gameFolder(made.home(), ""), folderOf(bottle));

    // An earlier prefix registered meanwhile is not looked at; the file of
    // the one that answered is read anew.
    testfiles::writeText(wine + "/system.reg", Entry);
    CHECK_EQ(search.gameFolder(made.home(), ""), folderOf(bottle));
    std::string moved = Entry;
    moved.replace(moved.find("KORVAX"), 6, "Moved");
    testfiles::writeText(bottle + "/system.reg", moved);
    CHECK_EQ(search.gameFolder(made.home(), ""),
             fs::canonical(bottle + "/drive_c").string() + "/Moved");

    // Once it no longer answers, or for another WINEPREFIX, all are searched.
    testfiles::writeText(bottle + "/system.reg", NoEntry);
    CHECK_EQ(search.gameFolder(made.home(), ""), folderOf(wine));
    testfiles::writeText(made.winePrefix() + "/system.reg", Entry);
    CHECK_EQ(search.gameFolder(made.home(), made.winePrefix()), folderOf(made.winePrefix()));
}

CHECK_MAIN
