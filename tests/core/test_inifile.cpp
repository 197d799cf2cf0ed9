// SPDX-License-Identifier: GPL-3.0-or-later
// The INI reader and writer on real files: what is read, and the exact bytes
// that every write leaves behind.
#include "settings/inifile.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <string>

#ifdef __linux__
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using testfiles::readText;
using testfiles::TempDir;
using testfiles::writeText;

namespace {

std::string read(const std::string &file, const std::string &section, const std::string &key)
{
    return IniReadString(file, section, key, "<default>");
}

std::set<std::string> entries(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// chmod restricts neither root nor, for folders, Windows: find out whether it
// really keeps new files out before a test relies on it.
bool folderRefusesNewFiles(const std::string &folder)
{
    const auto probe = fs::path(folder) / "probe";
    if (std::ofstream(probe)) {
        fs::remove(probe);
        return false;
    }
    return true;
}

bool fileRefusesWrites(const std::string &file)
{
    return !std::ofstream(file, std::ios::app);
}

void skip(const std::string &what)
{
    std::cout << "SKIP   " << what << "\n";
}

const fs::perms readOnlyFolder = fs::perms::owner_read | fs::perms::owner_exec;

} // namespace

TEST_CASE("section and key names match in any letter case")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    CHECK(IniWriteString(file, "KORVAX", "path", "C:\\Games\\KORVAX"));
    CHECK_EQ(read(file, "KORVAX", "Path"), std::string("C:\\Games\\KORVAX"));
    CHECK_EQ(read(file, "korvax", "PATH"), std::string("C:\\Games\\KORVAX"));

    // A write in another case finds the same entry and keeps its spelling.
    CHECK(IniWriteString(file, "Korvax", "PATH", "D:\\K"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=D:\\K\r\n"));

    // Only ASCII letters fold: 0xC4 and 0xE4 are different names.
    writeText(file, "[\xC4]\r\nk=1\r\n");
    CHECK_EQ(read(file, "\xE4", "k"), std::string("<default>"));
    CHECK_EQ(read(file, "\xC4", "K"), std::string("1"));
}

TEST_CASE("only the first matching section is searched and the first key wins")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    writeText(file, "path=outside\n"
                    "[Other]\npath=other\n"
                    "[KORVAX]\nname=1\npath=first\nPATH=second\n"
                    "[korvax]\npath=duplicate\nextra=only here\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("first"));
    CHECK_EQ(read(file, "KORVAX", "extra"), std::string("<default>"));
    CHECK_EQ(read(file, "Other", "path"), std::string("other"));

    // Keys before the first section belong to no named section; the empty
    // name finds them, and only them.
    writeText(file, "path=outside\n[KORVAX]\nname=1\n[]\nname=2\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("<default>"));
    CHECK_EQ(read(file, "", "path"), std::string("outside"));
    CHECK_EQ(read(file, "", "name"), std::string("<default>"));

    // A write changes the first key of the first section only.
    writeText(file, "[KORVAX]\npath=first\npath=second\n[KORVAX]\npath=third\n");
    CHECK(IniWriteString(file, "KORVAX", "path", "new"));
    CHECK_EQ(readText(file),
             std::string("[KORVAX]\npath=new\npath=second\n[KORVAX]\npath=third\n"));
}

TEST_CASE("section lines: leading blanks, the name up to the first ']', a '[' without ']'")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    writeText(file, "  \t[ KORVAX ] trailing ] text\npath=1\n"
                    "[Broken\nname=2\n"
                    "[a]b]\nk=3\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("1"));
    // A '[' line without ']' opens nothing: the key stays in the section above.
    CHECK_EQ(read(file, "KORVAX", "name"), std::string("2"));
    CHECK_EQ(read(file, "Broken", "name"), std::string("<default>"));
    CHECK_EQ(read(file, "a", "k"), std::string("3"));
    CHECK_EQ(read(file, "a]b", "k"), std::string("<default>"));
}

TEST_CASE("comments and lines without '=' are not keys")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    writeText(file, "[KORVAX]\n;path=commented\n  \t; name=also\npath\nname = real\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("<default>"));
    CHECK_EQ(read(file, "KORVAX", ";path"), std::string("<default>"));
    CHECK_EQ(read(file, "KORVAX", "name"), std::string("real"));

    // Writing a key that is only commented out adds a real one.
    CHECK(IniWriteString(file, "KORVAX", "path", "x"));
    CHECK_EQ(
        readText(file),
        std::string("[KORVAX]\n;path=commented\n  \t; name=also\npath\nname = real\npath=x\n"));
}

TEST_CASE("reading trims blanks, strips one pair of quotes, knows no inline comments")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    writeText(file, "[S]\n"
                    " \tpath \t= \t C:\\Games\\KORVAX \t\n"
                    "dq=\"  spaced  \"\n"
                    "sq='single'\n"
                    "nested=\"'inner'\"\n"
                    "mixed=\"a'\n"
                    "half=\"open\n"
                    "twice=\"\"x\"\"\n"
                    "comment=v ;c\n"
                    "equals=a=b\n"
                    "empty=\n"
                    "blanks=   \n"
                    "quotes=\"\"\n");
    CHECK_EQ(read(file, "S", "path"), std::string("C:\\Games\\KORVAX"));
    CHECK_EQ(read(file, "S", "dq"), std::string("  spaced  "));
    CHECK_EQ(read(file, "S", "sq"), std::string("single"));
    CHECK_EQ(read(file, "S", "nested"), std::string("'inner'"));
    CHECK_EQ(read(file, "S", "mixed"), std::string("\"a'"));
    CHECK_EQ(read(file, "S", "half"), std::string("\"open"));
    CHECK_EQ(read(file, "S", "twice"), std::string("\"x\""));
    CHECK_EQ(read(file, "S", "comment"), std::string("v ;c"));
    CHECK_EQ(read(file, "S", "equals"), std::string("a=b"));
    CHECK_EQ(read(file, "S", "empty"), std::string());
    CHECK_EQ(read(file, "S", "blanks"), std::string());
    CHECK_EQ(read(file, "S", "quotes"), std::string());
}

TEST_CASE("a missing file, section or key gives the default, cut like a value")
{
    TempDir dir;
    const auto missing = dir.file("missing.cfg");
    CHECK_EQ(IniReadString(missing, "KORVAX", "Path", ""), std::string());
    CHECK_EQ(IniReadString(missing, "KORVAX", "Path", "fallback"), std::string("fallback"));
    CHECK(!fs::exists(missing));

    const auto file = dir.file("a.ini");
    writeText(file, "[KORVAX]\nname=1\n");
    CHECK_EQ(read(file, "Other", "name"), std::string("<default>"));
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("<default>"));
    CHECK_EQ(read(dir.path(), "KORVAX", "path"), std::string("<default>"));

    // Trailing spaces of the default are dropped, and it is cut to 254 too.
    CHECK_EQ(IniReadString(missing, "S", "k", " d \t  "), std::string(" d \t"));
    CHECK_EQ(IniReadString(missing, "S", "k", std::string(300, 'd')), std::string(254, 'd'));
}

TEST_CASE("at most 254 characters are read")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    std::string value;
    for (int i = 0; i < 300; ++i)
        value += static_cast<char>('a' + i % 26);
    CHECK(IniWriteString(file, "KORVAX", "path", value));
    CHECK_EQ(readText(file), "[KORVAX]\r\npath=" + value + "\r\n");
    CHECK_EQ(read(file, "KORVAX", "path"), value.substr(0, 254));

    // The quotes go before the cut.
    writeText(file, "[S]\nk=\"" + std::string(254, 'q') + "\"\nj=" + std::string(255, 'j') + "\n");
    CHECK_EQ(read(file, "S", "k"), std::string(254, 'q'));
    CHECK_EQ(read(file, "S", "j"), std::string(254, 'j'));
}

TEST_CASE("LF, CRLF and CR line ends are all read")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        writeText(file, "[A]" + end + "k=1" + end + end + "[KORVAX]" + end + "x=2" + end +
                            "path=C:\\K" + end);
        CHECK_EQ(read(file, "KORVAX", "path"), std::string("C:\\K"));
        CHECK_EQ(read(file, "A", "k"), std::string("1"));
    }
    // Mixed ends, and a last line without one.
    writeText(file, "[A]\r\nk=1\r[KORVAX]\n\r\npath=C:\\K");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("C:\\K"));
    CHECK_EQ(read(file, "A", "k"), std::string("1"));
}

TEST_CASE("binary garbage and zero bytes do not upset the reader or the writer")
{
    TempDir dir;
    const auto file = dir.file("garbage.cfg");
    std::mt19937 random(20240601);
    for (int round = 0; round < 200; ++round) {
        testfiles::Bytes bytes(random() % 2000);
        for (auto &b : bytes)
            b = static_cast<unsigned char>(random());
        testfiles::writeAll(file, bytes);
        const auto value = read(file, "KORVAX", "path");
        CHECK(value.size() <= 254);
    }

    // A zero byte ends a value, as in a C string; the next lines still count.
    writeText(file, std::string("[S]\nk=a\0b\nnul\0key=2\nj=3\n", 23));
    CHECK_EQ(read(file, "S", "k"), std::string("a"));
    CHECK_EQ(read(file, "S", std::string("nul\0key", 7)), std::string("2"));
    CHECK_EQ(read(file, "S", "j"), std::string("3"));

    // A write keeps every garbage byte and appends its section.
    const std::string garbage("\x00\xFF\x01[\x80=\xFE\x00\r\n\xC3", 11);
    writeText(file, garbage);
    CHECK(IniWriteString(file, "KORVAX", "path", "p"));
    CHECK_EQ(readText(file), garbage + "\r\n[KORVAX]\r\npath=p\r\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("p"));
}

TEST_CASE("a write creates the file, not its folder, with the section and the key")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    CHECK(IniWriteString(file, "KORVAX", "path", "/home/ann/Games/KORVAX"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=/home/ann/Games/KORVAX\r\n"));
    CHECK_EQ(read(file, "KORVAX", "Path"), std::string("/home/ann/Games/KORVAX"));

    const auto inMissingFolder = (fs::path(dir.path()) / "no such folder" / "ivlname.cfg").string();
    CHECK(!IniWriteString(inMissingFolder, "KORVAX", "path", "x"));
    CHECK(!fs::exists(fs::path(dir.path()) / "no such folder"));
    CHECK((entries(dir.path()) == std::set<std::string>{"ivlname.cfg"}));
}

TEST_CASE("a new section goes at the end, a new key after the last key of its section")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    writeText(file, "; settings\n[A]\nx=1\n\n; about B\n");
    CHECK(IniWriteString(file, "B", "k", "v"));
    CHECK_EQ(readText(file), std::string("; settings\n[A]\nx=1\n\n; about B\n[B]\nk=v\n"));

    // Comments and blank lines after the last key stay below the new key.
    CHECK(IniWriteString(file, "A", "y", "2"));
    CHECK_EQ(readText(file), std::string("; settings\n[A]\nx=1\ny=2\n\n; about B\n[B]\nk=v\n"));

    // A section without keys gets its first key right below its header.
    writeText(file, "[Empty]\n; nothing yet\n[Next]\nn=1\n");
    CHECK(IniWriteString(file, "empty", "k", "v"));
    CHECK_EQ(readText(file), std::string("[Empty]\nk=v\n; nothing yet\n[Next]\nn=1\n"));

    // Keys before any section are not taken for the new section's.
    writeText(file, "path=outside\n");
    CHECK(IniWriteString(file, "KORVAX", "path", "inside"));
    CHECK_EQ(readText(file), std::string("path=outside\n[KORVAX]\npath=inside\n"));
}

TEST_CASE("a rewrite changes the value only and keeps every other byte")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    const std::string before = "; KORVAX editor settings\r\n"
                               "\r\n"
                               "  ;   indented comment \t\r\n"
                               "[Window]\r\n"
                               "left = 10 ; not a comment\r\n"
                               "\t\r\n"
                               "[KORVAX]\r\n"
                               "  Path \t=  \"C:\\Old Games\"  \r\n"
                               "path=second\r\n"
                               "garbage line\r\n"
                               "\r\n"
                               "; the end\r\n";
    writeText(file, before);
    CHECK(IniWriteString(file, "KORVAX", "path", "D:\\New"));
    std::string expected = before;
    expected.replace(expected.find("  \"C:\\Old Games\"  "), 18, "D:\\New");
    CHECK_EQ(readText(file), expected);
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("D:\\New"));
}

TEST_CASE("an empty value writes key= and the key stays")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    CHECK(IniWriteString(file, "KORVAX", "path", ""));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=\r\n"));
    CHECK_EQ(read(file, "KORVAX", "Path"), std::string());

    CHECK(IniWriteString(file, "KORVAX", "path", "C:\\K"));
    CHECK(IniWriteString(file, "KORVAX", "path", ""));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=\r\n"));
    CHECK(IniWriteString(file, "KORVAX", "path", "C:\\K"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=C:\\K\r\n"));
}

TEST_CASE("a rewrite keeps the file's own line ends")
{
    TempDir dir;
    const auto file = dir.file("a.ini");
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        writeText(file, "[A]" + end + "x=1" + end + "[KORVAX]" + end + "path=old" + end);
        CHECK(IniWriteString(file, "KORVAX", "path", "new"));
        CHECK(IniWriteString(file, "A", "y", "2"));
        CHECK(IniWriteString(file, "B", "z", "3"));
        CHECK_EQ(readText(file), "[A]" + end + "x=1" + end + "y=2" + end + "[KORVAX]" + end +
                                     "path=new" + end + "[B]" + end + "z=3" + end);
    }

    // In a mixed file each old line keeps its end; new lines take the first.
    writeText(file, "[A]\nx=1\r\n");
    CHECK(IniWriteString(file, "A", "y", "2"));
    CHECK_EQ(readText(file), std::string("[A]\nx=1\r\ny=2\n"));
}

TEST_CASE("a last line without a newline")
{
    TempDir dir;
    const auto file = dir.file("a.ini");

    // Replacing its value adds nothing.
    writeText(file, "[KORVAX]\npath=old");
    CHECK(IniWriteString(file, "KORVAX", "path", "new"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\npath=new"));

    // Anything appended comes after a newline of the file's kind.
    CHECK(IniWriteString(file, "KORVAX", "name", "n"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\npath=new\nname=n\n"));
    writeText(file, "[A]\rx=1\r; end");
    CHECK(IniWriteString(file, "B", "k", "v"));
    CHECK_EQ(readText(file), std::string("[A]\rx=1\r; end\r[B]\rk=v\r"));

    // A file without any line end gets CRLF, as files Windows writes.
    writeText(file, "[KORVAX]");
    CHECK(IniWriteString(file, "KORVAX", "path", "p"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=p\r\n"));
    writeText(file, "; only a comment");
    CHECK(IniWriteString(file, "KORVAX", "path", "p"));
    CHECK_EQ(readText(file), std::string("; only a comment\r\n[KORVAX]\r\npath=p\r\n"));
    writeText(file, "");
    CHECK(IniWriteString(file, "KORVAX", "path", "p"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=p\r\n"));
}

TEST_CASE("line breaks and zero bytes in names or values are refused, not written")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    const std::string before = "[KORVAX]\r\npath=C:\\K\r\n";
    writeText(file, before);
    CHECK(!IniWriteString(file, "KORVAX", "path", "C:\\K\r\n[Evil]\r\nx=1"));
    CHECK(!IniWriteString(file, "KORVAX", "path", "a\nb"));
    CHECK(!IniWriteString(file, "KORVAX", "path", "a\rb"));
    CHECK(!IniWriteString(file, "KORVAX", "path", std::string("a\0b", 3)));
    CHECK(!IniWriteString(file, "KOR\nVAX", "path", "v"));
    CHECK(!IniWriteString(file, "KORVAX", "pa\r\nth", "v"));

    // So are names that would not read back as themselves.
    CHECK(!IniWriteString(file, "", "path", "v"));
    CHECK(!IniWriteString(file, "KORVAX", "", "v"));
    CHECK(!IniWriteString(file, "KOR]VAX", "path", "v"));
    CHECK(!IniWriteString(file, " KORVAX", "path", "v"));
    CHECK(!IniWriteString(file, "KORVAX", "pa=th", "v"));
    CHECK(!IniWriteString(file, "KORVAX", ";path", "v"));
    CHECK(!IniWriteString(file, "KORVAX", "[path", "v"));
    CHECK(!IniWriteString(file, "KORVAX", "path\t", "v"));
    CHECK_EQ(readText(file), before);

    const auto missing = dir.file("new.cfg");
    CHECK(!IniWriteString(missing, "KORVAX", "path", "a\nb"));
    CHECK(!fs::exists(missing));
}

TEST_CASE("values are written exactly as given; reading trims them as Windows does")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    CHECK(IniWriteString(file, "KORVAX", "path", "  C:\\Games\\ \t"));
    CHECK(IniWriteString(file, "KORVAX", "quoted", "\"C:\\My Games\""));
    CHECK(IniWriteString(file, "KORVAX", "comment", "v ;c=d"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=  C:\\Games\\ \t\r\n"
                                         "quoted=\"C:\\My Games\"\r\ncomment=v ;c=d\r\n"));
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("C:\\Games\\"));
    CHECK_EQ(read(file, "KORVAX", "quoted"), std::string("C:\\My Games"));
    CHECK_EQ(read(file, "KORVAX", "comment"), std::string("v ;c=d"));
}

TEST_CASE("UTF-8 folder names round-trip byte for byte")
{
    TempDir dir;
    const std::string folderName = "Spiele \xC3\x84rger \xE6\x97\xA5\xE6\x9C\xAC";
    // Joined as text and opened through path: MinGW's path reads bytes as
    // Latin-1 but gives UTF-8 back, and its fopen uses the ANSI code page.
    const std::string folder = dir.path() + "/" + folderName;
    CHECK(fs::create_directory(fs::path(folder)));
    const std::string file = folder + "/ivlname.cfg";
    const std::string gameFolder = folder + "/KORVAX \xE2\x80\x93 \xC3\xA9"
                                            "dition";

    CHECK(IniWriteString(file, "KORVAX", "path", gameFolder));
    std::ifstream in(fs::path(file), std::ios::binary);
    CHECK_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
             "[KORVAX]\r\npath=" + gameFolder + "\r\n");
    CHECK_EQ(IniReadString(file, "KORVAX", "Path", ""), gameFolder);
    CHECK((entries(folder) == std::set<std::string>{"ivlname.cfg"}));
}

TEST_CASE("a rewrite goes through a temporary file, keeps permissions and links")
{
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    writeText(file, "[KORVAX]\r\npath=old\r\n");
#ifndef _WIN32
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file, perms);
#endif
    // A file with a second name (a hard link) is written in place, so that
    // both names see the change.
    const auto otherName = dir.file("other.lnk");
    fs::create_hard_link(file, otherName);
    CHECK(IniWriteString(file, "KORVAX", "path", "in place"));
    CHECK_EQ(readText(otherName), std::string("[KORVAX]\r\npath=in place\r\n"));
    fs::remove(otherName);
    // With one name, the new file is a different one, renamed into place.
#ifdef __linux__
    struct stat before
    {
    };
    CHECK_EQ(::stat(file.c_str(), &before), 0);
#endif
    CHECK(IniWriteString(file, "KORVAX", "path", "new"));
    CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=new\r\n"));
#ifdef __linux__
    struct stat after
    {
    };
    CHECK_EQ(::stat(file.c_str(), &after), 0);
    CHECK(after.st_ino != before.st_ino);
#endif
    CHECK((entries(dir.path()) == std::set<std::string>{"ivlname.cfg"}));
#ifndef _WIN32
    CHECK(fs::status(file).permissions() == perms);
#endif

    // A settings file that is a link stays one, and its target changes.
    const auto target = dir.file("real.cfg");
    const auto link = dir.file("link.cfg");
    writeText(target, "[KORVAX]\npath=old\n");
    std::error_code error;
    fs::create_symlink("real.cfg", link, error);
    if (error) {
        skip("links: this system made no symbolic link (" + error.message() + ")");
    } else {
        CHECK(IniWriteString(link, "KORVAX", "path", "new"));
        CHECK(fs::is_symlink(link));
        CHECK_EQ(readText(target), std::string("[KORVAX]\npath=new\n"));
    }
}

TEST_CASE("where no temporary file can be made the file is written in place")
{
    TempDir dir;

    // A name so long that the temporary's longer name is refused.
    const auto longFile = dir.file(std::string(250, 'n') + ".cfg");
    writeText(longFile, "[KORVAX]\npath=old\n");
    if (!fs::exists(longFile)) {
        skip("in place, long name: this system takes no 254-character file names");
    } else {
        // A second name of the file sees the change: it is the same file.
        const auto sameFile = dir.file("same.lnk");
        fs::create_hard_link(longFile, sameFile);
        CHECK(IniWriteString(longFile, "KORVAX", "path", "new"));
        CHECK_EQ(readText(longFile), std::string("[KORVAX]\npath=new\n"));
        CHECK_EQ(readText(sameFile), std::string("[KORVAX]\npath=new\n"));
        CHECK_EQ(entries(dir.path()).size(), std::size_t{2});
    }

    // A folder that takes no new files around a writable settings file.
    const auto folder = dir.file("locked");
    fs::create_directory(folder);
    const auto file = (fs::path(folder) / "ivlname.cfg").string();
    writeText(file, "[KORVAX]\r\npath=old\r\n");
    const auto sameFile = dir.file("same.cfg");
    fs::create_hard_link(file, sameFile);
    fs::permissions(folder, readOnlyFolder);
    if (!folderRefusesNewFiles(folder)) {
        skip("in place, read-only folder: chmod does not keep this user out of a folder (root, or "
             "no such modes)");
    } else {
        CHECK(IniWriteString(file, "KORVAX", "path", "new"));
        CHECK_EQ(readText(file), std::string("[KORVAX]\r\npath=new\r\n"));
        CHECK_EQ(readText(sameFile), std::string("[KORVAX]\r\npath=new\r\n"));
        CHECK((entries(folder) == std::set<std::string>{"ivlname.cfg"}));
    }
    fs::permissions(folder, fs::perms::owner_all);
}

TEST_CASE("an unwritable location returns false and leaves nothing behind")
{
    TempDir dir;

    // A folder in the file's place.
    const auto folderAsFile = dir.file("ivlname.cfg");
    fs::create_directory(folderAsFile);
    CHECK(!IniWriteString(folderAsFile, "KORVAX", "path", "x"));
    CHECK(fs::is_empty(folderAsFile));
    CHECK((entries(dir.path()) == std::set<std::string>{"ivlname.cfg"}));

    // A read-only folder without the file.
    const auto folder = dir.file("locked");
    fs::create_directory(folder);
    fs::permissions(folder, readOnlyFolder);
    if (!folderRefusesNewFiles(folder)) {
        skip("read-only folder: chmod does not keep this user out of a folder (root, or no such "
             "modes)");
    } else {
        const auto file = (fs::path(folder) / "ivlname.cfg").string();
        CHECK(!IniWriteString(file, "KORVAX", "path", "x"));
        CHECK_EQ(IniReadString(file, "KORVAX", "path", ""), std::string());
        CHECK(fs::is_empty(folder));
    }
    fs::permissions(folder, fs::perms::owner_all);

    // A read-only settings file stays as it is, although its folder is open.
    const auto readOnly = dir.file("readonly.cfg");
    const std::string before = "[KORVAX]\npath=kept\n";
    writeText(readOnly, before);
    fs::permissions(readOnly, fs::perms::owner_read);
    if (!fileRefusesWrites(readOnly)) {
        skip("read-only file: chmod does not keep this user from writing a file (root)");
    } else {
        CHECK(!IniWriteString(readOnly, "KORVAX", "path", "changed"));
        CHECK_EQ(readText(readOnly), before);
        const std::set<std::string> unchanged{"ivlname.cfg", "locked", "readonly.cfg"};
        CHECK(entries(dir.path()) == unchanged);
    }
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_write);

    // What is not a settings file is neither read nor written: a file over
    // 1 MiB, and (where they exist) a FIFO and a link to an endless device,
    // which would hang the reader or fill the memory.
    const auto huge = dir.file("huge.cfg");
    const std::string hugeText = "[KORVAX]\npath=big\n" + std::string(1024 * 1024, ';');
    writeText(huge, hugeText);
    CHECK_EQ(read(huge, "KORVAX", "path"), std::string("<default>"));
    CHECK(!IniWriteString(huge, "KORVAX", "path", "x"));
    CHECK(readText(huge) == hugeText);
    writeText(huge, hugeText.substr(0, 1024 * 1024 - 2));
    CHECK_EQ(read(huge, "KORVAX", "path"), std::string("big"));
    CHECK(!IniWriteString(huge, "KORVAX", "path", "longer")); // would pass 1 MiB
    CHECK(IniWriteString(huge, "KORVAX", "path", "x"));
#ifndef _WIN32
    const auto fifo = dir.file("fifo.cfg");
    CHECK(::mkfifo(fifo.c_str(), 0600) == 0);
    const auto device = dir.file("zero.cfg");
    fs::create_symlink("/dev/zero", device);
    for (const auto &file : {fifo, device}) {
        CHECK_EQ(read(file, "KORVAX", "path"), std::string("<default>"));
        CHECK(!IniWriteString(file, "KORVAX", "path", "x"));
    }
    CHECK(fs::is_fifo(fifo));
    CHECK(fs::is_symlink(device));
#endif
}

TEST_CASE("a section of 250,000 keys is read and rewritten in one pass over its lines")
{
    // Each lookup once walked to the section's end for every key: this
    // took minutes.
    TempDir dir;
    const auto file = dir.file("ivlname.cfg");
    std::string text = "[KORVAX]\n";
    for (int i = 0; i < 250000; ++i)
        text += "k=\n";
    writeText(file, text + "path=C:\\K\n");
    CHECK_EQ(read(file, "KORVAX", "path"), std::string("C:\\K"));
    CHECK_EQ(read(file, "KORVAX", "other"), std::string("<default>"));
    CHECK(IniWriteString(file, "KORVAX", "path", "D:\\K"));
    CHECK(IniWriteString(file, "KORVAX", "other", "1"));
    CHECK(readText(file) == text + "path=D:\\K\nother=1\n");
}

#ifdef __linux__
namespace {

// A file system of 64 KiB of its own, gone with the object; nothing when
// this user cannot mount one.
class SmallDisk
{
public:
    SmallDisk() : m_path(m_dir.file("disk"))
    {
        fs::create_directory(m_path);
        m_mounted = ::mount("tmpfs", m_path.c_str(), "tmpfs", 0, "size=64k") == 0;
        if (!m_mounted)
            m_reason = std::strerror(errno);
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    const std::string &reason() const { return m_reason; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

    // Takes every free block.
    void fill() const
    {
        std::ofstream filler(file("filler"), std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
            filler.flush();
    }

private:
    TempDir m_dir;
    std::string m_path;
    bool m_mounted = false;
    std::string m_reason;
};

} // namespace

TEST_CASE("on a full disk a write fails and the settings file stays whole")
{
    const SmallDisk disk;
    if (!disk.mounted()) {
        skip("full disk: no small file system could be mounted (" + disk.reason() + ")");
        return;
    }
    // Just under a page: a longer value needs a block the disk does not have.
    const std::string before = "[KORVAX]\r\npath=old\r\n; " + std::string(4000, 'c') + "\r\n";
    const std::string longer(200, 'L');
    const auto file = disk.file("ivlname.cfg");
    // A name so long that no temporary name fits beside it: written in place.
    const auto inPlace = disk.file(std::string(250, 'n') + ".cfg");
    writeText(file, before);
    writeText(inPlace, before);
    disk.fill();
    for (const auto &target : {file, inPlace}) {
        CHECK(!IniWriteString(target, "KORVAX", "path", longer));
        CHECK(readText(target) == before);
    }
    // In place, a shorter file needs no new block: written, shortened last.
    CHECK(IniWriteString(inPlace, "KORVAX", "path", "n"));
    CHECK(readText(inPlace) == std::string(before).replace(15, 3, "n"));
    CHECK_EQ(entries(disk.file("")).size(), std::size_t{3});
}
#endif

CHECK_MAIN
