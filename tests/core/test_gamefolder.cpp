// SPDX-License-Identifier: GPL-3.0-or-later
// The order in which the game folder is looked for, against a fake that
// records every call.
#include "settings/gamefolder.h"
#include "settings/virtualstore.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"
#include "tools/standinservices.h"

#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif
#include <filesystem>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The separator the system's paths are joined with, for the paths expected.
#ifdef _WIN32
constexpr const char *PathSeparator = "\\";
#else
constexpr const char *PathSeparator = "/";
#endif

std::string lower(std::string s)
{
    for (auto &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class FakeServices final : public SystemServices
{
public:
    std::string registry;
    std::map<std::string, std::string> settings; // lower-case key -> value
    bool settingsWritable = true;
    std::string dialogAnswer;
    std::vector<std::string> calls;

    std::string gameFolderFromRegistry() override
    {
        calls.push_back("registry");
        return registry;
    }
    unsigned gameCodePage(const std::string &) override { return 0; }
    std::string readProfileString(const std::filesystem::path &fileName, const std::string &section,
                                  const std::string &key, const std::string &defaultValue) override
    {
        calls.push_back("read " + fileName.string() + " " + section + " " + key + " [" +
                        defaultValue + "]");
        const auto it = settings.find(lower(section + "/" + key));
        return it == settings.end() ? defaultValue : it->second;
    }
    void writeProfileString(const std::filesystem::path &fileName, const std::string &section,
                            const std::string &key, const std::string &value) override
    {
        calls.push_back("write " + fileName.string() + " " + section + " " + key + " [" + value +
                        "]");
        if (settingsWritable)
            settings[lower(section + "/" + key)] = value;
    }
    std::string browseForFolder(NativeWindow owner, const std::string &title) override
    {
        calls.push_back("dialog " + std::to_string(owner) + " " + title);
        return dialogAnswer;
    }
    void openWebAddress(const std::string &address) override { calls.push_back("web " + address); }
    std::filesystem::path executableFolder() override { return "/opt/editor"; }
    std::filesystem::path userSettingsFolder() override { return {}; }
    std::filesystem::path virtualStorePlayerFile(const std::string &) override { return {}; }
};

const std::string cfg = "/opt/editor/ivlname.cfg";

std::vector<std::string> calls(std::initializer_list<const char *> list)
{
    return std::vector<std::string>(list.begin(), list.end());
}

} // namespace

TEST_CASE("the registry value wins; it is asked twice and nothing else is touched")
{
    FakeServices fake;
    fake.registry = "C:\\Games\\KORVAX";
    fake.settings["korvax/path"] = "/elsewhere";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 7), std::string("C:\\Games\\KORVAX"));
    CHECK(fake.calls == calls({"registry", "registry"}));
}

TEST_CASE("a settings entry in any letter case comes next; the file is not written")
{
    FakeServices fake;
    fake.settings["korvax/path"] = "/games/korvax";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 7), std::string("/games/korvax"));
    CHECK(fake.calls == calls({"registry", "read /opt/editor/ivlname.cfg KORVAX Path []",
                               "read /opt/editor/ivlname.cfg KORVAX path []"}));
}

TEST_CASE("otherwise the dialog's answer is written as path and used as it is")
{
    FakeServices fake;
    fake.dialogAnswer = "/home/me/KORVAX";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 42), std::string("/home/me/KORVAX"));
    CHECK(fake.calls == calls({"registry", "read /opt/editor/ivlname.cfg KORVAX Path []",
                               "dialog 42 Please select the KORVAX folder:",
                               "write /opt/editor/ivlname.cfg KORVAX path [/home/me/KORVAX]"}));
}

TEST_CASE("every chosen folder is used as chosen; the settings file stores what it can give back")
{
    // Through this system's own settings calls on a real file: the stored
    // value, and what the next start finds there.
    struct Case
    {
        std::string folder;
        std::string stored; // the file's value; none: the file is not written
    };
    const std::string long254 = "C:\\" + std::string(251, 'k');
    const Case cases[] = {
        {" C:\\Games\\KORVAX", "\" C:\\Games\\KORVAX\""},
        {"/games/KORVAX\t", "\"/games/KORVAX\t\""},
        {"'KORVAX'", "\"'KORVAX'\""},
        {"\"KORVAX\"", "\"\"KORVAX\"\""},
        {"\"KORVAX", "\"KORVAX"},
        {long254, long254},
        {long254 + "k", ""},
        {"C:\\" + std::string(256, 'k'), ""}, // the longest path Windows gives
    };
    for (const Case &c : cases) {
        testfiles::TempDir dir;
        const std::string file = dir.file("ivlname.cfg");
        StandInServices first("", c.folder);
        CHECK_EQ(ResolveGameFolder(first, file, 0), c.folder);
        StandInServices next("", "/asked again");
        if (c.stored.empty()) {
            CHECK(!std::filesystem::exists(file));
            CHECK_EQ(ResolveGameFolder(next, file, 0), std::string("/asked again"));
        } else {
            CHECK_EQ(testfiles::readText(file), "[KORVAX]\r\npath=" + c.stored + "\r\n");
            CHECK_EQ(ResolveGameFolder(next, file, 0), c.folder);
            CHECK_EQ(next.dialogs, 0);
        }
    }
}

TEST_CASE("a cancelled dialog leaves an empty path entry and no folder")
{
    FakeServices fake;
    CHECK_EQ(ResolveGameFolder(fake, cfg, 0), std::string());
    CHECK_EQ(fake.calls.at(3), std::string("write /opt/editor/ivlname.cfg KORVAX path []"));
    CHECK(fake.settings.count("korvax/path") == 1 && fake.settings["korvax/path"].empty());
    // The empty entry counts as none: the next start asks again.
    fake.calls.clear();
    fake.dialogAnswer = "/games";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 0), std::string("/games"));
    CHECK_EQ(fake.calls.at(2), std::string("dialog 0 Please select the KORVAX folder:"));
}

TEST_CASE("an unwritable settings file still gives this run the chosen folder")
{
    FakeServices fake;
    fake.settingsWritable = false;
    fake.dialogAnswer = "/games/korvax";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 0), std::string("/games/korvax"));
    CHECK(fake.settings.empty());
}

TEST_CASE("texts are taken exactly: a single space counts, a root keeps its separator")
{
    FakeServices fake;
    fake.registry = " ";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 0), std::string(" "));

    FakeServices root;
    root.dialogAnswer = "/";
    CHECK_EQ(ResolveGameFolder(root, cfg, 0), std::string("/"));

    FakeServices drive;
    drive.settings["korvax/path"] = "D:\\";
    CHECK_EQ(ResolveGameFolder(drive, cfg, 0), std::string("D:\\"));
}

TEST_CASE("the settings file sits beside the executable")
{
    CHECK_EQ(SettingsFilePath("/opt/editor"),
             std::string("/opt/editor") + PathSeparator + "ivlname.cfg");
}

TEST_CASE("the settings file stays beside the program where it can, else goes to the user's folder")
{
    namespace fs = std::filesystem;
    testfiles::TempDir dir;
    const std::string program = dir.file("program");
    const std::string user = dir.file("user");
    fs::create_directories(program);
    const std::string beside = SettingsFilePath(program).string();
    const std::string inUser =
        user + PathSeparator + "korvax-editor" + PathSeparator + "ivlname.cfg";
    const std::string written = "[KORVAX]\r\npath=/games\r\n";

    // A program folder that takes a file: beside the program, and the look
    // leaves nothing there. Without a user folder, beside the program too.
    CHECK_EQ(SettingsFileFor(program, user), beside);
    CHECK(fs::is_empty(program));
    // A program folder that takes no file (a file in a folder's place,
    // which refuses even an administrator): the user's folder, made by the
    // first write.
    const std::string blocked = dir.file("blocked");
    testfiles::writeText(blocked, "");
    CHECK_EQ(SettingsFileFor(blocked, ""), SettingsFilePath(blocked));
    CHECK_EQ(SettingsFileFor(blocked, user), inUser);
    StandInServices first("", "/games");
    CHECK_EQ(ResolveGameFolder(first, inUser, 0), std::string("/games"));
    CHECK_EQ(testfiles::readText(inUser), written);
    StandInServices next("", "/asked again");
    CHECK_EQ(ResolveGameFolder(next, SettingsFileFor(blocked, user), 0), std::string("/games"));
    CHECK_EQ(next.dialogs, 0);
    // Reading looks beside the program first, then in the user's folder.
    CHECK_EQ(SettingsFileFor(program, user), inUser);
    testfiles::writeText(beside, written);
    CHECK_EQ(SettingsFileFor(program, user), beside);

    // A user's folder that cannot be made: the chosen folder serves this run.
    StandInServices unmade("", "/games");
    const std::string underFile =
        blocked + PathSeparator + "korvax-editor" + PathSeparator + "x.cfg";
    CHECK_EQ(ResolveGameFolder(unmade, underFile, 0), std::string("/games"));
    CHECK_EQ(unmade.dialogs, 1);
}

TEST_CASE("a game folder under a folder Windows redirects is edited in the user's VirtualStore")
{
    // The folder as the system resolves it (a short 8.3 spelling arrives
    // here with its long names), whether the VirtualStore copy exists, and
    // the file edited: none means the installed one.
    struct Case
    {
        std::u16string folder;
        bool copyExists;
        std::u16string edited;
    };
    const std::vector<std::u16string> protectedFolders = {
        u"C:\\Program Files", u"C:\\Program Files (x86)", u"C:\\Windows", u"C:\\ProgramData"};
    const std::u16string store = u"C:\\Users\\ann\\AppData\\Local\\VirtualStore";
    const std::u16string x86 = store + u"\\Program Files (x86)\\KORVAX\\kvxplr.sav";
    const Case cases[] = {
        {u"C:\\Program Files (x86)\\KORVAX", true, x86},
        {u"C:\\Program Files (x86)\\KORVAX", false, u""},
        {u"C:\\Program Files\\KORVAX", true, store + u"\\Program Files\\KORVAX\\kvxplr.sav"},
        {u"C:\\Program Files\\KORVAX", false, u""},
        {u"C:\\ProgramData\\Games\\KORVAX\\", true,
         store + u"\\ProgramData\\Games\\KORVAX\\kvxplr.sav"},
        {u"c:\\PROGRAM FILES (X86)\\KORVAX", true,
         store + u"\\PROGRAM FILES (X86)\\KORVAX\\kvxplr.sav"},
        {u"C:/Program Files (x86)//KORVAX", true, x86},
        {u"D:\\Program Files (x86)\\KORVAX", true, u""},
        {u"\\\\server\\games\\Program Files (x86)\\KORVAX", true, u""},
        {u"C:\\Program Files Games\\KORVAX", true, u""},
        {u"C:\\Program Files (x86)KORVAX", true, u""},
        {u"C:\\Games\\KORVAX", true, u""},
    };
    for (const Case &c : cases) {
        const auto edited =
            VirtualStorePlayerFile(c.folder, protectedFolders, store,
                                   [&](const std::u16string &) { return c.copyExists; });
        CHECK_EQ(edited.value_or(u""), c.edited);
    }
}

#ifdef _WIN32
TEST_CASE("the system's own folders and a short spelling find the VirtualStore copy")
{
    // Under Wine, which redirects nothing, the copy is made by hand.
    namespace fs = std::filesystem;
    const fs::path game = fs::path(std::getenv("ProgramFiles(x86)")) / "KORVAX Test Game";
    const fs::path store = fs::path(std::getenv("LOCALAPPDATA")) /
                           "VirtualStore\\Program Files (x86)\\KORVAX Test Game";
    std::error_code error;
    if (!fs::create_directories(game, error))
        return; // Windows itself: no ordinary user makes a folder there
    struct Removed
    {
        std::vector<fs::path> folders;
        ~Removed()
        {
            std::error_code ignored;
            for (const fs::path &folder : folders)
                fs::remove_all(folder, ignored);
        }
    } removed{{game, store}};
    PlatformServices system;
    CHECK_EQ(system.virtualStorePlayerFile(game.string()), fs::path());
    fs::create_directories(store);
    testfiles::writeText((store / "kvxplr.sav").string(), "");
    std::wstring shortName(MAX_PATH, L'\0');
    shortName.resize(GetShortPathNameW(game.c_str(), shortName.data(), MAX_PATH));
    for (const fs::path &spelling : {game, fs::path(shortName)})
        CHECK_EQ(system.virtualStorePlayerFile(spelling.string()), store / "kvxplr.sav");
}
#endif

TEST_CASE("the user's settings folder is the system's own")
{
    PlatformServices system;
#ifdef _WIN32
    const char *localAppData = std::getenv("LOCALAPPDATA");
    CHECK(localAppData != nullptr);
    if (localAppData)
        CHECK_EQ(system.userSettingsFolder(), std::string(localAppData));
#else
    const char *home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::setenv("HOME", "/home/player", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere/config", 1);
    CHECK_EQ(system.userSettingsFolder(), std::string("/elsewhere/config"));
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1); // not a valid setting: ignored
    CHECK_EQ(system.userSettingsFolder(), std::string("/home/player/.config"));
    ::unsetenv("XDG_CONFIG_HOME");
    CHECK_EQ(system.userSettingsFolder(), std::string("/home/player/.config"));
    ::setenv("HOME", savedHome.c_str(), 1);
#endif
}

#ifndef _WIN32
TEST_CASE("the game's code page is that of the prefix whose entry gave its folder")
{
    const testfiles::TempDir dir;
    const std::string prefix = dir.file("prefix");
    const std::string game =
        std::filesystem::weakly_canonical(dir.file("games")).string() + "/KORVAX";
    std::filesystem::create_directories(prefix + "/dosdevices");
    std::filesystem::create_directory_symlink("/", prefix + "/dosdevices/z:");
    testfiles::writeText(
        prefix + "/system.reg",
        "WINE REGISTRY Version 2\n\n"
        "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\korvax.exe] 1\n"
        "\"Path\"=\"Z:" +
            game +
            "\"\n\n[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1\n"
            "\"ACP\"=\"1250\"\n");
    const auto saved = [](const char *name) -> std::optional<std::string> {
        const char *value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto home = saved("HOME"), winePrefix = saved("WINEPREFIX"),
               cache = saved("XDG_CACHE_HOME");
    ::setenv("HOME", dir.file("home").c_str(), 1);
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("XDG_CACHE_HOME", dir.file("cache").c_str(), 1);

    // The folder lies on Z:, the whole system, in no prefix's own drive:
    // only the entry ties it to this prefix.
    PlatformServices system;
    const std::string folder = ResolveGameFolder(system, dir.file("unused.cfg"), 0);
    CHECK_EQ(folder, game);
    CHECK_EQ(system.gameCodePage(folder), 1250u);
    CHECK_EQ(system.gameCodePage(dir.file("elsewhere")), 0u);
    CHECK(testfiles::readText(dir.file("cache/korvax-editor/wine-registries.cache"))
              .find("\t1250\t") != std::string::npos);

    for (const auto &[name, value] :
         {std::pair{"HOME", home}, {"WINEPREFIX", winePrefix}, {"XDG_CACHE_HOME", cache}}) {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
}
#endif

CHECK_MAIN
