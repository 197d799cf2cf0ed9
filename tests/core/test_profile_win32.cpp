// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file through Windows' own profile-string calls, on real
// files in a temporary folder.
#include "settings/systemservices.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <filesystem>
#include <fstream>
#include <iterator>

using testfiles::readText;
using testfiles::TempDir;
using testfiles::writeText;

TEST_CASE("a missing file gives the default and is not created by the read")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", ""), std::string());
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", "C:\\Default"),
             std::string("C:\\Default"));
    CHECK(!std::filesystem::exists(file));
}

TEST_CASE("a write creates the file, the section and the key; any case reads it back")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    PlatformServices().writeProfileString(file, "KORVAX", "path", "C:\\Games\\KORVAX");
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=C:\\Games\\KORVAX\r\n"));
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", ""),
             std::string("C:\\Games\\KORVAX"));
    CHECK_EQ(PlatformServices().readProfileString(file, "korvax", "PATH", ""),
             std::string("C:\\Games\\KORVAX"));
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "other", "none"),
             std::string("none"));
    CHECK_EQ(PlatformServices().readProfileString(file, "OTHER", "path", "none"),
             std::string("none"));

    // A second write replaces the value and keeps the key's spelling.
    PlatformServices().writeProfileString(file, "Korvax", "PATH", "D:\\KORVAX");
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=D:\\KORVAX\r\n"));
}

TEST_CASE("an empty value keeps the key, with nothing after '='")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    writeText(file, "[KORVAX]\r\npath=C:\\Games\r\n");
    PlatformServices().writeProfileString(file, "KORVAX", "path", "");
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=\r\n"));
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", "none"), std::string());
}

TEST_CASE("a value is read as at most 254 characters")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    const std::string value(300, 'v');
    PlatformServices().writeProfileString(file, "KORVAX", "path", value);
    CHECK_EQ(readText(file), "[KORVAX]\r\npath=" + value + "\r\n");
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", ""),
             std::string(254, 'v'));
    writeText(file, "[KORVAX]\r\npath=" + std::string(254, 'w') + "\r\n");
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", ""),
             std::string(254, 'w'));
}

TEST_CASE("a missing folder is made for the file; a file that cannot be written is left silently")
{
    TempDir dir;
    const auto file = dir.file("missing-folder\\ivlname.cfg");
    PlatformServices().writeProfileString(file, "KORVAX", "path", "C:\\Games");
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=C:\\Games\r\n"));

    // A file in the folder's place: nothing is written, and the read finds nothing.
    writeText(dir.file("blocked"), "");
    const auto blocked = dir.file("blocked\\ivlname.cfg");
    PlatformServices().writeProfileString(blocked, "KORVAX", "path", "C:\\Games");
    CHECK(std::filesystem::is_regular_file(dir.file("blocked")));
    CHECK_EQ(PlatformServices().readProfileString(blocked, "KORVAX", "Path", ""), std::string());
}

TEST_CASE("a settings file in a user folder named outside the code page")
{
    // Wine and Windows name the profile folder after the user: "Łukasz" has
    // no spelling in Windows-1252, whose best fit would be "Lukasz".
    TempDir dir;
    const std::filesystem::path user = std::filesystem::path(dir.path()) / u8"\u0141ukasz";
    const auto file = user / "korvax-editor" / "ivlname.cfg";
    PlatformServices().writeProfileString(file, "KORVAX", "path", "C:\\Games\\\xC9t\xE9");
    CHECK(!std::filesystem::exists(std::filesystem::path(dir.path()) / "Lukasz"));
    // The file itself stays in the code page, as the -A calls wrote it.
    std::ifstream in(file, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    CHECK_EQ(bytes, std::string("[KORVAX]\r\npath=C:\\Games\\\xC9t\xE9\r\n"));
    CHECK_EQ(PlatformServices().readProfileString(file, "KORVAX", "Path", ""),
             std::string("C:\\Games\\\xC9t\xE9"));
}

CHECK_MAIN
