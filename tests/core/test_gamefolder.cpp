// SPDX-License-Identifier: GPL-3.0-or-later
// The order in which the game folder is looked for, against a fake that
// records every call.
#include "check.h"
#include "gamefolder.h"

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

TEST_CASE("otherwise the dialog's answer is written as path and read back as Path")
{
    FakeServices fake;
    fake.dialogAnswer = "/home/me/KORVAX";
    CHECK_EQ(ResolveGameFolder(fake, cfg, 42), std::string("/home/me/KORVAX"));
    CHECK(fake.calls == calls({"registry", "read /opt/editor/ivlname.cfg KORVAX Path []",
                               "dialog 42 Please select the KORVAX folder:",
                               "write /opt/editor/ivlname.cfg KORVAX path [/home/me/KORVAX]",
                               "read /opt/editor/ivlname.cfg KORVAX Path []"}));
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
