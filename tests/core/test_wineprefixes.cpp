// SPDX-License-Identifier: GPL-3.0-or-later
// The search through the Wine prefixes of the game launchers, on a made-up
// home holding prefixes of each, with links, faults and an extra Steam
// library outside the home.
#include "settings/wine/prefixcache.h"
#include "settings/wine/wineprefixes.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <chrono>
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

// A registry as Wine writes it for a prefix made in a locale whose ANSI code
// page is `acp`.
std::string withCodePage(const std::string &registry, const std::string &acp)
{
    return registry +
           "\n[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n"
           "\"1250\"=\"c_1250.nls\"\n\"ACP\"=\"" +
           acp + "\"\n\"OEMCP\"=\"852\"\n";
}

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
        // Lutris' files as its YAML library writes them, and as users edit
        // them: ~ for the home and a comment, a doubled quote inside single
        // quotes, a \x escape, a long name folded onto the next line.
        const std::string lutris = h + "/.config/lutris/games/";
        writeFile(lutris + "a-game.yml",
                  "game:\n  exe: x.exe\n  prefix: ~/Games/zz-lutris # moved here\n");
        writeFile(lutris + "b-game.yml", "game:\n  prefix: '" + d + "/lutris-b''s'\n");
        writeFile(lutris + "c-game.yml", "game:\n  prefix: \"" + d + "/lutris-\\xF6\"\n");
        writeFile(lutris + "d-game.yml",
                  "game:\n  prefix: \"" + d + "/lutris with a\n    long name\"\nsystem: {}\n");
        writeFile(lutris + "e-broken.yml", "game: [prefix: \n");
        writeFile(h + "/.local/share/lutris/games/c.yml",
                  "game:\n  prefix: relative/pfx\nsystem:\n  prefix: " + d + "/wineprefix\n");
        writeFile(h + "/Games/notes.txt", "");
        m_prefixes = {d + "/wineprefix",
                      h + "/.wine",
                      viaLink + "100/pfx", // byte order: "100" before "20"
                      viaLink + "20/pfx",
                      d + "/disk/SteamLibrary/steamapps/compatdata/300/pfx",
                      h + "/.var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/"
                          "compatdata/400/pfx",
                      h + "/snap/steam/common/.local/share/Steam/steamapps/compatdata/500/pfx",
                      h + "/Games/zz-lutris",
                      d + "/lutris-b's",
                      d + "/lutris-\xC3\xB6",
                      d + "/lutris with a long name",
                      h + "/Games/aa",
                      h + "/Games/Heroic/Prefixes/fifo",
                      h + "/Games/Heroic/Prefixes/folder",
                      h + "/Games/Heroic/Prefixes/proton/pfx",
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
    std::string cacheFile() const { return m_dir.path() + "/cache/korvax-editor/registries"; }
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
    // registered prefix is the first that holds the entry, and is found, by
    // a search that remembers what it read as by one that does not.
    const std::string cache = made.cacheFile();
    const auto &prefixes = made.prefixes();
    for (auto prefix = prefixes.rbegin(); prefix != prefixes.rend(); ++prefix) {
        if (fs::is_regular_file(*prefix + "/system.reg")) {
            testfiles::writeText(*prefix + "/system.reg", Entry);
            CHECK_EQ(WinePrefixSearch().gameFolder(made.home(), made.winePrefix()),
                     folderOf(*prefix));
            CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), made.winePrefix()),
                     folderOf(*prefix));
        }
    }
    // Entries left behind by a game moved away: the first prefix whose
    // folder holds the player file wins, and only without one the first.
    const std::string bottle = made.home() + "/.local/share/bottles/bottles/bottle";
    const std::string wine = made.home() + "/.wine";
    for (const auto &[live, expected] : {std::pair{bottle, bottle}, {wine, wine}, {"", ""}}) {
        for (const std::string &prefix : {bottle, wine}) {
            fs::create_directories(folderOf(prefix));
            if (prefix == live)
                testfiles::writeText(folderOf(prefix) + "/kvxplr.sav", "");
            else
                fs::remove(folderOf(prefix) + "/kvxplr.sav");
        }
        const std::string found = folderOf(expected.empty() ? made.winePrefix() : expected);
        CHECK_EQ(WinePrefixSearch().gameFolder(made.home(), made.winePrefix()), found);
        CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), made.winePrefix()), found);
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

TEST_CASE("what each registry held is remembered while the file is unchanged")
{
    const MadeUpHome made;
    const std::string cache = made.cacheFile();
    const std::string bottle = made.home() + "/.local/share/bottles/bottles/bottle";
    const std::string reg = bottle + "/system.reg";
    testfiles::writeText(reg, Entry);
    CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), ""), folderOf(bottle));
    CHECK(testfiles::readText(cache).find(reg) != std::string::npos);

    // Another entry of the same size under the same time: taken for the
    // same file, not opened again. Any change of its time reads it anew.
    const auto time = fs::last_write_time(reg);
    std::string moved = Entry;
    moved.replace(moved.find("KORVAX"), 6, "MOVED!");
    testfiles::writeText(reg, moved);
    fs::last_write_time(reg, time);
    CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), ""), folderOf(bottle));
    fs::last_write_time(reg, time + std::chrono::nanoseconds(1));
    const std::string movedFolder = fs::canonical(bottle + "/drive_c").string() + "/MOVED!";
    CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), ""), movedFolder);

    // A damaged, foreign or unreadable cache is ignored, and written anew
    // where it can be.
    const std::string header = testfiles::readText(cache).substr(0, 20);
    const std::string whole = testfiles::readText(cache);
    for (const std::string &damaged :
         {whole.substr(0, whole.size() - 3), whole + "x\t1", std::string("garbage\n"),
          std::string("\0\xFF", 2), whole.substr(0, whole.find('\t')) + "\t1\t2\t3\t4\t1\t%zz\n"}) {
        testfiles::writeText(cache, damaged);
        CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), ""), movedFolder);
        CHECK_EQ(testfiles::readText(cache).substr(0, 20), header);
    }
    fs::remove(cache);
    fs::create_directory(cache);
    CHECK_EQ(WinePrefixSearch(cache).gameFolder(made.home(), ""), movedFolder);
    CHECK_EQ(WinePrefixSearch(made.home() + "/.wine/system.reg/x").gameFolder(made.home(), ""),
             movedFolder);

    CHECK_EQ(WineRegistryCacheFile("/c", "/h"),
             std::string("/c/korvax-editor/wine-registries.cache"));
    CHECK_EQ(WineRegistryCacheFile("c", "/h"),
             std::string("/h/.cache/korvax-editor/wine-registries.cache"));
    CHECK_EQ(WineRegistryCacheFile("", ""), std::string());
}

TEST_CASE("the code page is the one of the prefix the game was found in or lies in")
{
    const MadeUpHome made;
    const std::string home = made.home();
    const std::string bottle = home + "/.local/share/bottles/bottles/bottle";
    const std::string wine = home + "/.wine";
    const std::string cache = made.cacheFile();
    testfiles::writeText(bottle + "/system.reg", withCodePage(Entry, "1250"));
    testfiles::writeText(wine + "/system.reg", withCodePage(NoEntry, "1251"));
    WinePrefixSearch search(cache);
    const std::string found = search.gameFolder(home, "");
    CHECK_EQ(found, folderOf(bottle));
    CHECK_EQ(search.codePageOf(found, home, ""), 1250u);

    // Named by the settings file: the prefix whose drive_c, or another of
    // its drives, holds it; the drive of the whole system tells nothing.
    const std::string outside = fs::path(home).parent_path().string() + "/games";
    fs::create_directories(outside + "/KORVAX");
    fs::create_directory_symlink(outside, wine + "/dosdevices/d:");
    fs::create_directory_symlink("/", wine + "/dosdevices/z:");
    CHECK_EQ(WinePrefixSearch().codePageOf(folderOf(wine), home, ""), 1251u);
    CHECK_EQ(WinePrefixSearch().codePageOf(outside + "/KORVAX/", home, ""), 1251u);
    CHECK_EQ(WinePrefixSearch().codePageOf(outside + "-other/KORVAX", home, ""), 0u);
    CHECK_EQ(WinePrefixSearch().codePageOf(folderOf(bottle), "", ""), 0u);

    // Found through an entry on the drive of the whole system: that prefix.
    fs::create_directory_symlink("/", bottle + "/dosdevices/z:");
    std::string onZ = Entry;
    onZ.replace(onZ.find("C:\\\\KORVAX"), 10, "Z:" + outside + "-other/KORVAX");
    testfiles::writeText(bottle + "/system.reg", withCodePage(onZ, "1253"));
    const std::string viaZ = search.gameFolder(home, "");
    CHECK_EQ(viaZ, fs::weakly_canonical(outside + "-other/KORVAX").string());
    CHECK_EQ(search.codePageOf(viaZ, home, ""), 1253u);

    // Missing, or not a number: none. The value comes from the cache while
    // the file is unchanged.
    for (const auto &[registry, expected] : {std::pair{NoEntry, 0u},
                                             {withCodePage(NoEntry, "932"), 932u},
                                             {withCodePage(NoEntry, "12x"), 0u},
                                             {withCodePage(NoEntry, "1257"), 1257u}}) {
        testfiles::writeText(wine + "/system.reg", registry);
        CHECK_EQ(WinePrefixSearch(cache).codePageOf(folderOf(wine), home, ""), expected);
    }
    const auto time = fs::last_write_time(wine + "/system.reg");
    testfiles::writeText(wine + "/system.reg", withCodePage(NoEntry, "1254"));
    fs::last_write_time(wine + "/system.reg", time);
    CHECK_EQ(WinePrefixSearch(cache).codePageOf(folderOf(wine), home, ""), 1257u);
    CHECK_EQ(WinePrefixSearch().codePageOf(folderOf(wine), home, ""), 1254u);
}

CHECK_MAIN
