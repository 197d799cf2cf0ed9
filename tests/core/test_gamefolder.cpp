// SPDX-License-Identifier: GPL-3.0-or-later
// The order in which the game folder is looked for, against a fake that
// records every call.
#include "settings/gamefolder.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <filesystem>
#include <map>
#include <vector>

namespace {

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

    std::string GameFolderFromRegistry() override
    {
        calls.push_back("registry");
        return registry;
    }
    std::string ReadProfileString(const std::string &fileName, const std::string &section,
                                  const std::string &key, const std::string &defaultValue) override
    {
        calls.push_back("read " + fileName + " " + section + " " + key + " [" + defaultValue + "]");
        const auto it = settings.find(lower(section + "/" + key));
        return it == settings.end() ? defaultValue : it->second;
    }
    void WriteProfileString(const std::string &fileName, const std::string &section,
                            const std::string &key, const std::string &value) override
    {
        calls.push_back("write " + fileName + " " + section + " " + key + " [" + value + "]");
        if (settingsWritable)
            settings[lower(section + "/" + key)] = value;
    }
    std::string BrowseForFolder(NativeWindow owner, const std::string &title) override
    {
        calls.push_back("dialog " + std::to_string(owner) + " " + title);
        return dialogAnswer;
    }
};

// No registry entry; the settings go through this system's own calls into
// a real file; the dialog gives a set answer and counts its openings.
class RealSettingsServices final : public SystemServices
{
public:
    explicit RealSettingsServices(std::string answer) : m_answer(std::move(answer)) {}
    std::string GameFolderFromRegistry() override { return {}; }
    std::string ReadProfileString(const std::string &fileName, const std::string &section,
                                  const std::string &key, const std::string &defaultValue) override
    {
        return ::ReadProfileString(fileName, section, key, defaultValue);
    }
    void WriteProfileString(const std::string &fileName, const std::string &section,
                            const std::string &key, const std::string &value) override
    {
        ::WriteProfileString(fileName, section, key, value);
    }
    std::string BrowseForFolder(NativeWindow, const std::string &) override
    {
        ++dialogs;
        return m_answer;
    }

    int dialogs = 0;

private:
    std::string m_answer;
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
        RealSettingsServices first(c.folder);
        CHECK_EQ(ResolveGameFolder(first, file, 0), c.folder);
        RealSettingsServices next("/asked again");
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

CHECK_MAIN
