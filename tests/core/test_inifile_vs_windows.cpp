// SPDX-License-Identifier: GPL-3.0-or-later
// Our own INI reader (used where Windows' profile calls are missing) against
// GetPrivateProfileStringA itself: the same files, the same questions, the
// same answers.
#include "settings/inifile.h"
#include "settings/systemservices.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <vector>

using testfiles::TempDir;
using testfiles::writeText;

namespace {

// Where Wine is known to read differently from Windows, the questions and
// files below stay out (the editor meets none of these):
// - the empty section name: Windows reads a "[]" section for it (and its
//   ANSI call has crashed on some versions), Wine the keys above the first
//   section;
// - a key name that starts with ';': Wine finds comment lines under it;
// - a section line with a second ']': Windows ends the name at the first,
//   Wine at the last;
// - blanks other than spaces and tabs: Wine also trims \v, \f and ^Z;
// - a quoted value of more than 253 characters: Wine cuts it to the buffer
//   before it strips the quotes, and so loses its last character.
const std::vector<std::string> sections = {"KORVAX", "korvax", "Korvax", "Other", "S",
                                           "a",      "a]b",    "Broken", "K O"};
const std::vector<std::string> keys = {"path", "PATH", "Path", "name",    "k", "x",
                                       "j",    "",     "a b",  "[Broken", "dq"};
const std::vector<std::string> defaults = {"", "<default>", "d  "};

// Files written by hand: each feature of the format, and its borders.
const std::vector<std::string> handWritten = {
    "",
    "[KORVAX]\r\npath=C:\\Games\\KORVAX\r\n",
    "[KORVAX]\npath=C:\\Games\\KORVAX",
    "[KORVAX]\rpath=C:\\Games\\KORVAX\r",
    "[korvax]\r\nPATH=upper key\r\n",
    "path=outside\r\n[KORVAX]\r\nname=1\r\n",
    "[Other]\npath=other\n[KORVAX]\nname=1\npath=first\nPATH=second\n[korvax]\npath=dup\nx=only\n",
    "  \t[ KORVAX ]\npath=1\n[Broken\nname=2\n[a]\nk=3\n",
    "[KORVAX]\n;path=commented\n  \t; name=also\npath\nname = real\n",
    "[KORVAX]\n#path=hash is no comment\n",
    "[S]\n \tpath \t= \t C:\\Games\\KORVAX \t\ndq=\"  spaced  \"\nk='single'\n",
    "[S]\nk=\"'inner'\"\nx=\"a'\nj=\"open\npath=\"\"x\"\"\nname=v ;c\ndq=a=b\n",
    "[S]\nk=\nx=   \nj=\"\"\npath='\nname=\"\n",
    "[S]\nk==\nx= = \nj=\t\"\t\"\t\n",
    "[S]\n=no key\n = blank key\n",
    "[S]\na b = spaced key\nk = a\tb\n",
    "[K O]\nk=spaced section\n[KO]\nk=other\n",
    "[]\nk=empty section\n[S]\nk=s\n",
    "[KORVAX]\r\n\r\n\r\n   \r\npath=after blank lines\r\n",
    "[KORVAX]\r\npath=C:\\K\r[A]\nk=1\n\r\n",
    "[KORVAX]\r\npath=" + std::string(254, 'a') + "\r\nname=" + std::string(255, 'b') +
        "\r\nk=" + std::string(300, 'c') + "\r\n",
    "[KORVAX]\r\npath=\"" + std::string(252, 'q') + "\"\r\n",
    "[KORVAX]\r\npath=" + std::string(400, ' ') + "far\r\n",
    "[KORVAX]\r\npath=C:\\Spiele\\K\xD6RVAX \xE9\xE8\x80\x81\x8D\xFF\r\n[\xC4]\r\nk=1\r\n",
    "[Other]\r\npath=x\r\n\r\n[KORVAX]\r\nname=\r\n[KORVAX]\r\npath=second section\r\n",
    "garbage line\r\n[KORVAX]\r\nno equals here\r\npath=p\r\n",
    "[KORVAX\r\npath=unclosed\r\n",
    "[[KORVAX]\r\npath=double open\r\n",
    "[KORVAX] ; comment\r\npath=p\r\n",
    "\t [KORVAX]\t \r\n\t path\t =\t p\t \r\n",
    "[KORVAX]\r\npath=p\r\n[Other\r\nk=inside KORVAX\r\n",
};

// A random file of lines drawn from the shapes the format knows.
std::string randomFile(std::mt19937 &random)
{
    auto pick = [&](const std::vector<std::string> &from) { return from[random() % from.size()]; };
    const std::vector<std::string> blanks = {"", "", " ", "\t", "  \t "};
    const std::vector<std::string> ends = {"\r\n", "\r\n", "\n", "\r"};
    const std::vector<std::string> names = {"KORVAX", "korvax", "Other", "S", "a", "K O", "path",
                                            "PATH",   "name",   "k",     "x", "j", "dq",  "a b"};
    const std::vector<std::string> values = {"C:\\Games\\KORVAX",  "",    " v ",  "\"q\"",    "'s'",
                                             "\"mixed'",           "a=b", "v ;c", "\xE9\xFF", "\"",
                                             std::string(260, 'L')};
    std::string file;
    const int lines = static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
        const std::string end = pick(ends);
        switch (random() % 6) {
        case 0:
        case 1:
            file += pick(blanks) + "[" + pick(blanks) + pick(names) + pick(blanks) + "]" +
                    pick(blanks) + end;
            break;
        case 2:
            file += pick(blanks) + ";" + pick(names) + "=" + pick(values) + end;
            break;
        case 3:
            file += pick(blanks) + end;
            break;
        default:
            file += pick(blanks) + pick(names) + pick(blanks) + "=" + pick(blanks) + pick(values) +
                    pick(blanks) + end;
            break;
        }
    }
    if (random() % 4 == 0 && !file.empty())
        file.pop_back(); // a last line without (all of) its line end
    return file;
}

std::string show(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
            out.push_back(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        }
    }
    return out;
}

// Asks both readers every question about one file; returns the
// disagreements, described.
std::vector<std::string> compare(const std::string &file, const std::string &content)
{
    std::vector<std::string> differences;
    std::size_t asked = 0;
    for (const auto &section : sections) {
        for (const auto &key : keys) {
            // Each default in turn: a third of the calls, every case still met.
            const std::string &defaultValue = defaults[asked++ % defaults.size()];
            const std::string ours = IniReadString(file, section, key, defaultValue);
            const std::string windows =
                PlatformServices().readProfileString(file, section, key, defaultValue);
            if (ours != windows)
                differences.push_back("file \"" + show(content) + "\" [" + section + "] " + key +
                                      " (default \"" + defaultValue + "\"): ours \"" + show(ours) +
                                      "\", Windows \"" + show(windows) + "\"");
        }
    }
    return differences;
}

void checkAgreement(const std::vector<std::string> &contents)
{
    TempDir dir;
    std::vector<std::string> differences;
    for (std::size_t i = 0; i < contents.size(); ++i) {
        // A file name of its own each time, so no cached copy of an earlier
        // file can answer.
        const std::string file = dir.file("settings" + std::to_string(i) + ".cfg");
        writeText(file, contents[i]);
        const auto found = compare(file, contents[i]);
        differences.insert(differences.end(), found.begin(), found.end());
    }
    for (std::size_t i = 0; i < differences.size() && i < 20; ++i)
        std::cout << "       " << differences[i] << "\n";
    CHECK_EQ(differences.size(), std::size_t(0));
}

} // namespace

TEST_CASE("hand-written settings files read the same through both")
{
    checkAgreement(handWritten);
}

TEST_CASE("random settings files read the same through both")
{
    std::mt19937 random(20261208);
    std::vector<std::string> contents;
    for (int i = 0; i < 300; ++i)
        contents.push_back(randomFile(random));
    checkAgreement(contents);
}

TEST_CASE("a missing file and a folder in the file's place give the default in both")
{
    TempDir dir;
    for (const auto &file : {dir.file("missing.cfg"), dir.path()}) {
        for (const auto &defaultValue : defaults)
            CHECK_EQ(IniReadString(file, "KORVAX", "Path", defaultValue),
                     PlatformServices().readProfileString(file, "KORVAX", "Path", defaultValue));
    }
}

CHECK_MAIN
