// SPDX-License-Identifier: GPL-3.0-or-later
// Reading Wine's system.reg and mapping its Windows paths into the prefix,
// on registry files and dosdevices links made here.
#include "settings/wine/wineregistry.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::TempDir;

namespace {

// Key paths as the program asks for them and as Wine writes them.
const std::string AppPaths = R"(Software\Microsoft\Windows\CurrentVersion\App Paths\korvax.exe)";
const std::string AppPathsLine =
    R"([Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe] 1796742348)";
const std::string Wow64Line =
    R"([Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe] 1796742349)";

const std::string Header = "WINE REGISTRY Version 2\n"
                           ";; All keys relative to \\\\Registry\\\\Machine\n"
                           "\n"
                           "#arch=win64\n"
                           "\n";

// A registry file: the header, then each key line with its value lines.
std::string regFile(const std::string &body)
{
    return Header + body;
}

std::string keyBlock(const std::string &keyLine, const std::string &values)
{
    return keyLine + "\n#time=1d9e0d2c1f3a2b4\n" + values + "\n";
}

std::optional<std::string> lookup(const std::string &text, const std::string &key,
                                  const std::string &name)
{
    return FindWineRegistryString(ParseWineRegistry(text), key, name);
}

std::optional<std::string> appPath(const std::string &text)
{
    return lookup(text, AppPaths, "Path");
}

// A prefix with drive_c, the link dosdevices/c: -> ../drive_c and the
// folder drive_c/Games/KORVAX.
class Prefix
{
public:
    Prefix()
    {
        fs::create_directories(m_dir.path() + "/drive_c/Games/KORVAX");
        fs::create_directories(m_dir.path() + "/dosdevices");
        link("c:", "../drive_c");
    }
    std::string path() const { return m_dir.path(); }
    std::string driveC() const { return fs::canonical(m_dir.path() + "/drive_c").string(); }
    void link(const std::string &drive, const std::string &target) const
    {
        fs::create_directory_symlink(target, m_dir.path() + "/dosdevices/" + drive);
    }
    void writeSystemReg(const std::string &text) const
    {
        testfiles::writeText(m_dir.path() + "/system.reg", text);
    }
    std::string map(const std::string &windowsPath) const
    {
        return MapWineWindowsPath(path(), windowsPath);
    }

private:
    TempDir m_dir;
};

} // namespace

TEST_CASE("the App Paths value is found, Wow6432Node first, then the 64-bit view")
{
    const std::string both = regFile(keyBlock(AppPathsLine, R"("Path"="C:\\New\\KORVAX")") +
                                     keyBlock(Wow64Line, R"("Path"="C:\\Games\\KORVAX")"));
    Prefix prefix;
    fs::create_directories(prefix.path() + "/drive_c/New/KORVAX");
    prefix.writeSystemReg(both);
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), prefix.driveC() + "/Games/KORVAX");

    prefix.writeSystemReg(regFile(keyBlock(AppPathsLine, R"("Path"="C:\\New\\KORVAX")")));
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), prefix.driveC() + "/New/KORVAX");

    // An empty value, a zero-length string written as hex(1) and a value that
    // names no drive of the prefix all let the 64-bit view answer.
    for (const char *first : {R"("Path"="")", R"("Path"=hex(1):)", R"("Path"="Q:\\KORVAX")"}) {
        prefix.writeSystemReg(regFile(keyBlock(Wow64Line, first) +
                                      keyBlock(AppPathsLine, R"("Path"="C:\\New\\KORVAX")")));
        CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), prefix.driveC() + "/New/KORVAX");
    }

    // Other values and keys around it do not disturb the lookup; a value
    // assigned twice counts with its last assignment, as Wine loads it.
    const std::string crowded = regFile(
        keyBlock(R"([Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe\\Sub] 1)",
                 R"("Path"="C:\\Sub")") +
        keyBlock(AppPathsLine, "@=\"C:\\\\Default\"\n\"Path\"=\"C:\\\\First\"\n"
                               "\"PathX\"=\"C:\\\\X\"\n\"Path\"=\"C:\\\\Games\\\\KORVAX\"") +
        keyBlock(R"([Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe2] 1)",
                 R"("Path"="C:\\Two")"));
    CHECK_EQ(appPath(crowded), std::optional<std::string>(R"(C:\Games\KORVAX)"));
    CHECK_EQ(lookup(crowded, AppPaths, ""), std::optional<std::string>(R"(C:\Default)"));
    CHECK(!lookup(crowded, AppPaths, "Missing"));
    CHECK(!lookup(crowded, R"(Software\Microsoft)", "Path"));
}

TEST_CASE("key and value names match without regard to case")
{
    const std::string text = regFile(keyBlock(
        R"([software\\MICROSOFT\\windows\\CurrentVersion\\app paths\\KORVAX.exe] 1796742348)",
        R"("PATH"="C:\\Games\\KORVAX")"));
    CHECK_EQ(appPath(text), std::optional<std::string>(R"(C:\Games\KORVAX)"));
    CHECK_EQ(
        lookup(text, R"(SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\korvax.EXE)", "path"),
        std::optional<std::string>(R"(C:\Games\KORVAX)"));

    Prefix prefix;
    prefix.writeSystemReg(text);
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), prefix.driveC() + "/Games/KORVAX");
}

TEST_CASE("the escapes Wine writes are decoded")
{
    const auto value = [](const std::string &escaped) {
        return appPath(regFile(keyBlock(AppPathsLine, "\"Path\"=\"" + escaped + "\"")));
    };
    using Text = std::optional<std::string>;
    CHECK_EQ(value(R"(C:\\Games\\\"K\"\\)"), Text(R"(C:\Games\"K"\)"));
    CHECK_EQ(value(R"(\a\b\t\n\v\f\r\e|)"), Text("\a\b\t\n\v\f\r\x1B|"));
    // Octal of one to three digits; a fourth digit is a character of its own.
    CHECK_EQ(value(R"(\0|\7|\101|\1011|\377)"), Text(std::string("\0|\a|A|A1|\xC3\xBF", 11)));
    // \x of one to four digits, padded to four when a hex digit follows.
    CHECK_EQ(value(R"(\xe9|\x41z|\x00e9a|\x20ac|\xd83d\xde00)"),
             Text("\xC3\xA9|Az|\xC3\xA9"
                  "a|\xE2\x82\xAC|\xF0\x9F\x98\x80"));
    // Any other escaped character stands for itself; other bytes pass through.
    CHECK_EQ(value(R"(\]\q)"
                   "\xC3\xA9"),
             Text("]q\xC3\xA9"));
    // Escapes that cannot be read make the value unreadable.
    CHECK(!value(R"(\x)"));
    CHECK(!value(R"(\xzz)"));
    CHECK(!value(R"(\xd83d)"));
    CHECK(!value(R"(\xde00\xd83d)"));
    CHECK(!value(R"(\xd83dA)"));

    // Key and value names are escaped the same way.
    const std::string odd = regFile(keyBlock(R"([Software\\Odd\]Key\xe9] 1)", R"("A\"B"="v")"));
    CHECK_EQ(lookup(odd, "Software\\Odd]Key\xC3\xA9", "A\"B"), Text("v"));
    CHECK_EQ(lookup(odd, "software\\odd]key\xC3\xA9", "a\"b"), Text("v"));
}

TEST_CASE("values of other types give nothing")
{
    for (const char *line : {
             R"("Path"=str(2):"C:\\Games\\KORVAX")",
             R"("Path"=str(7):"C:\\Games\\KORVAX\0")",
             R"("Path"=dword:00000001)",
             R"("Path"=hex:43,00,3a,00)",
             R"("Path"=hex(1):)",
             R"("Path"=hex(2):43,00,3a,00,5c,00,00,00)",
             R"("Path"=C:\\Games\\KORVAX)",
         }) {
        CHECK(!appPath(regFile(keyBlock(AppPathsLine, line))));
    }
    // Wine reads "str:" as a plain string too.
    CHECK_EQ(appPath(regFile(keyBlock(AppPathsLine, R"("Path" = str:"C:\\Games")"))),
             std::optional<std::string>(R"(C:\Games)"));
    // A long binary value continues over indented lines; what follows it is
    // still read.
    const std::string wrapped = "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,\\\n"
                                "  0d,0e,0f,\\\n"
                                "  10,11\n"
                                "\"Path\"=\"C:\\\\Games\\\\KORVAX\"";
    CHECK_EQ(appPath(regFile(keyBlock(AppPathsLine, wrapped))),
             std::optional<std::string>(R"(C:\Games\KORVAX)"));
}

TEST_CASE("files that are missing, foreign or broken give nothing and never crash")
{
    TempDir dir;
    const std::string good = regFile(keyBlock(AppPathsLine, R"("Path"="C:\\Games\\KORVAX")"));
    testfiles::writeText(dir.file("good.reg"), good);
    CHECK(ReadGameAppPaths(dir.file("good.reg")) ==
          std::optional(std::vector<std::string>{R"(C:\Games\KORVAX)"}));
    CHECK(!ReadGameAppPaths(dir.file("missing.reg")));
    CHECK(!ReadGameAppPaths(dir.path())); // a folder

    // Line ends written by an editor on Windows are read too.
    std::string crlf;
    for (const char c : good)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    CHECK_EQ(appPath(crlf), std::optional<std::string>(R"(C:\Games\KORVAX)"));

    // Not a Wine registry file: every other first line.
    const std::string body = keyBlock(AppPathsLine, R"("Path"="C:\\Games\\KORVAX")");
    for (const char *first : {"", "WINE REGISTRY Version 1", "REGEDIT4",
                              "Windows Registry Editor Version 5.00", " WINE REGISTRY Version 2"})
        CHECK(ParseWineRegistry(first + std::string("\n") + body).empty());
    CHECK(ParseWineRegistry("").empty());

    // Cut at every length: the value is whole or absent, never partial.
    const std::size_t end = good.rfind('"') + 1;
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const auto value = appPath(good.substr(0, n));
        CHECK(n >= end ? value == std::optional<std::string>(R"(C:\Games\KORVAX)") : !value);
    }

    // Binary garbage, NUL bytes included, between readable keys.
    std::mt19937 random(20240611);
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>(random() % 256));
    const std::string mixed = Header + garbage + "\n" + body + garbage;
    CHECK_EQ(appPath(mixed), std::optional<std::string>(R"(C:\Games\KORVAX)"));
    ParseWineRegistry(Header + garbage); // must simply return

    // A key line without its closing bracket: its values belong to no key,
    // neither to it nor to the key before it.
    const std::string unclosed =
        regFile(keyBlock(R"([Software\\Other] 1)", R"("Name"="kept")") +
                R"([Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\korvax.exe 1796742348)"
                "\n\"Path\"=\"C:\\\\Games\\\\KORVAX\"\n");
    CHECK(!appPath(unclosed));
    CHECK(!lookup(unclosed, R"(Software\Other)", "Path"));
    CHECK_EQ(lookup(unclosed, R"(Software\Other)", "Name"), std::optional<std::string>("kept"));

    // Unterminated strings and malformed value lines.
    for (const char *line : {R"("Path"="C:\\Games)", R"("Path"="C:\\Games\")", R"("Path="C:\\")",
                             R"("Path" "C:\\Games")", R"("Path"=)", R"("Path)"})
        CHECK(!appPath(regFile(keyBlock(AppPathsLine, line))));

    // A prefix without system.reg, or with a garbage one.
    Prefix prefix;
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), std::string());
    prefix.writeSystemReg(garbage);
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), std::string());
    CHECK_EQ(GameFolderFromWinePrefix(""), std::string());

    // A file larger than any registry Wine writes is passed over, read or
    // searched: here the entry, then a hole up to just past 64 MiB.
    prefix.writeSystemReg(good);
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), prefix.driveC() + "/Games/KORVAX");
    fs::resize_file(prefix.path() + "/system.reg", 64 * 1024 * 1024 + 1);
    CHECK_EQ(GameFolderFromWinePrefix(prefix.path()), std::string());
    CHECK(!ReadGameAppPaths(prefix.path() + "/system.reg"));
    CHECK(!WineFileMentions(prefix.path() + "/system.reg", "App Paths"));
}

TEST_CASE("a file's bytes are searched without regard to case, also across its pieces")
{
    TempDir dir;
    const std::string needle = R"(App Paths\\korvax.exe)";
    const std::string text = R"([x\\APP PATHS\\KorVax.EXE] 1)"
                             "\n";
    testfiles::writeText(dir.file("system.reg"), text);
    // Every piece size, so the match starts and ends at every offset of a piece.
    for (std::size_t piece = 1; piece <= text.size() + 1; ++piece) {
        CHECK(WineFileMentions(dir.file("system.reg"), needle, piece));
        CHECK(!WineFileMentions(dir.file("system.reg"), needle + "x", piece));
    }
    // Near misses (first and last bytes right) over many blocks of
    // positions, then the match.
    std::string nearMisses;
    for (int i = 0; i < 100; ++i)
        nearMisses += R"(App Paths\korvax.exee)";
    testfiles::writeText(dir.file("long.reg"), nearMisses);
    CHECK(!WineFileMentions(dir.file("long.reg"), needle));
    testfiles::writeText(dir.file("long.reg"), nearMisses + text);
    CHECK(WineFileMentions(dir.file("long.reg"), needle));
    CHECK(!WineFileMentions(dir.file("missing.reg"), needle));
    CHECK(!WineFileMentions(dir.path(), needle));
}

TEST_CASE("Windows paths map through the prefix's drive links")
{
    Prefix prefix;
    const std::string c = prefix.driveC();
    CHECK_EQ(prefix.map(R"(C:\Games\KORVAX)"), c + "/Games/KORVAX");
    CHECK_EQ(prefix.map("C:/Games/KORVAX"), c + "/Games/KORVAX");
    CHECK_EQ(prefix.map(R"(c:\Games\\KORVAX)"), c + "/Games/KORVAX");

    // Folder names in another letter case find the folder that exists.
    CHECK_EQ(prefix.map(R"(C:\GAMES\korvax)"), c + "/Games/KORVAX");
    // A trailing separator is kept, also at a drive's root.
    CHECK_EQ(prefix.map(R"(C:\Games\KORVAX\)"), c + "/Games/KORVAX/");
    CHECK_EQ(prefix.map(R"(C:\)"), c + "/");

    // Folders that do not exist yet keep their names.
    CHECK_EQ(prefix.map(R"(C:\games\New Game\Data)"), c + "/Games/New Game/Data");

    // "." and ".." as Windows reads them, never above the drive's root.
    CHECK_EQ(prefix.map(R"(C:\Games\.\..\Games\KORVAX)"), c + "/Games/KORVAX");
    CHECK_EQ(prefix.map(R"(C:\..\..\Games)"), c + "/Games");

    // Other drive letters, and links inside a drive, end at their real paths.
    TempDir elsewhere;
    const std::string real = fs::canonical(elsewhere.path()).string();
    fs::create_directories(real + "/Korvax");
    prefix.link("d:", real);
    CHECK_EQ(prefix.map(R"(D:\KORVAX)"), real + "/Korvax");
    fs::create_directory_symlink(real + "/Korvax", c + "/Linked");
    CHECK_EQ(prefix.map(R"(C:\linked\Saves)"), real + "/Korvax/Saves");
    prefix.link("z:", "/");
    CHECK_EQ(prefix.map(R"(Z:\)"), std::string("/"));
    std::string asWindows = "Z:" + real;
    for (char &ch : asWindows)
        ch = ch == '/' ? '\\' : ch;
    CHECK_EQ(prefix.map(asWindows + "\\KORVAX"), real + "/Korvax");

    // Among several names that match, the first in byte order, so the result
    // does not depend on the order in which the folder is listed.
    fs::create_directories(c + "/games");
    CHECK_EQ(prefix.map(R"(C:\gAMES\KORVAX)"), c + "/Games/KORVAX");
    CHECK_EQ(prefix.map(R"(C:\games\KORVAX)"), c + "/games/KORVAX");
}

TEST_CASE("paths that cannot be mapped give the empty text")
{
    Prefix prefix;
    prefix.link("f:", prefix.path() + "/no-such-folder");
    const std::vector<std::string> unmappable = {
        "",
        " ",
        R"(Games\KORVAX)",
        R"(\Games\KORVAX)",
        "C:",
        "C:Games",
        R"(\\server\share\KORVAX)",
        R"(\\?\C:\Games\KORVAX)",
        R"(\\.\C:\Games)",
        R"(E:\Games)", // no link for drive e:
        R"(F:\Games)", // a link to nothing
        R"(1:\Games)",
        std::string("C:\\Games\0\\KORVAX", 16),
    };
    for (const std::string &path : unmappable)
        CHECK_EQ(prefix.map(path), std::string());
    CHECK_EQ(MapWineWindowsPath("", R"(C:\Games)"), std::string());
    CHECK_EQ(MapWineWindowsPath(prefix.path() + "/missing", R"(C:\Games)"), std::string());
}

CHECK_MAIN
