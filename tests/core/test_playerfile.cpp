// SPDX-License-Identifier: GPL-3.0-or-later
// The player file, byte for byte, on the synthetic save and on files of
// random content.
#include "playerfile/fieldranges.h"
#include "playerfile/playerfile.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"
#include "tools/samplesave.h"

#include <algorithm>

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace testfiles;
using PlayerLayout::MacroAt;
using PlayerLayout::NameAt;

namespace {

struct SampleFolder
{
    TempDir dir;
    std::string path = PlayerFilePath(dir.path());
    Bytes original;

    SampleFolder()
    {
        SampleSave::WriteTo(dir.path());
        original = readAll(path);
    }
    Bytes now() const { return readAll(path); }
};

// The offsets whose bytes differ between two files of the same length.
std::vector<std::size_t> changedOffsets(const Bytes &before, const Bytes &after)
{
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i])
            changed.push_back(i);
    return changed;
}

// Every byte outside [first, first + count) is as before.
void checkOnlyRangeTouched(const Bytes &before, const Bytes &after, std::size_t first,
                           std::size_t count)
{
    CHECK_EQ(after.size(), before.size());
    for (const std::size_t i : changedOffsets(before, after)) {
        if (i < first || i >= first + count)
            check::fail(__FILE__, __LINE__, "byte " + std::to_string(i) + " changed");
    }
}

std::string bytesAt(const Bytes &bytes, std::size_t offset, std::size_t count)
{
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                       bytes.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

MacroTexts sampleTexts(const std::u16string &prefix)
{
    MacroTexts texts;
    for (std::size_t k = 0; k < texts.size(); ++k)
        texts[k] = prefix + static_cast<char16_t>(u'0' + k);
    return texts;
}

} // namespace

TEST_CASE("reads the synthetic save's names and macros")
{
    SampleFolder f;
    const PlayerFileReader reader(f.path);
    CHECK_EQ(*reader.ReadPlayerName(0), std::u16string(u"Maximilian Vogt"));
    CHECK_EQ(*reader.ReadPlayerName(1), std::u16string(u"Black&Gold"));
    CHECK_EQ(*reader.ReadPlayerName(2), std::u16string(u"Ren\u00E9e Strau\u00DF"));
    CHECK_EQ(*reader.ReadPlayerName(3), std::u16string());
    CHECK(reader.ReadPlayerNames() ==
          (PlayerNames{u"Maximilian Vogt", u"Black&Gold", u"Ren\u00E9e Strau\u00DF", u""}));
    const MacroTexts m = *reader.ReadPlayerMacros(0);
    CHECK_EQ(m[0], std::u16string(u"Hello from slot 0!"));
    CHECK_EQ(m[1], std::u16string(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abc")); // 39, not 40
    CHECK_EQ(m[2], std::u16string(u"hi"));
    CHECK_EQ(m[3], std::u16string(u"  spaced out  "));
    CHECK_EQ(m[4], std::u16string());
    CHECK_EQ(m[5], std::u16string(u"Gr\u00FC\u00DFe \u00E0 tous"));
    CHECK_EQ(reader.ReadPlayerMacros(3)->at(9),
             std::u16string(u"012345678901234567890123456789012345678"));
}

TEST_CASE("every slot's name and macro fields lie at their offsets")
{
    const std::size_t names[] = {20, 25968, 51916, 77864};
    const std::size_t macros[] = {8420, 34368, 60316, 86264};
    for (std::int16_t slot = 0; slot < 4; ++slot) {
        SampleFolder f;
        PlayerFileWriter(f.path).WritePlayerName(slot, u"Zed");
        Bytes after = f.now();
        const std::size_t n = names[slot];
        CHECK_EQ(bytesAt(after, n, 5), std::string("Zed\0\0", 5));
        checkOnlyRangeTouched(f.original, after, n, 5);

        const Bytes beforeMacros = after;
        PlayerFileWriter(f.path).WritePlayerMacros(slot, sampleTexts(u"m"));
        after = f.now();
        checkOnlyRangeTouched(beforeMacros, after, macros[slot], 400);
        for (std::size_t k = 0; k < 10; ++k) {
            std::string expected = "m" + std::to_string(k);
            expected.resize(40, '\0');
            CHECK_EQ(bytesAt(after, macros[slot] + 40 * k, 40), expected);
        }
        const PlayerFileReader reader(f.path);
        CHECK_EQ(*reader.ReadPlayerName(slot), std::u16string(u"Zed"));
        CHECK(*reader.ReadPlayerMacros(slot) == sampleTexts(u"m"));
    }
}

TEST_CASE("a shorter name leaves the old name's tail behind two zero bytes")
{
    SampleFolder f;
    PlayerFileWriter(f.path).WritePlayerName(1, u"Roberto");
    const Bytes before = f.now();
    PlayerFileWriter(f.path).WritePlayerName(1, u"Ann");
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 25968, 8), std::string("Ann\0\0to\0", 8));
    checkOnlyRangeTouched(before, after, 25968, 5);
    CHECK_EQ(*PlayerFileReader(f.path).ReadPlayerName(1), std::u16string(u"Ann"));
}

TEST_CASE("a name is cut at 15 characters and followed by two zero bytes")
{
    SampleFolder f;
    PlayerFileWriter(f.path).WritePlayerName(0, u"ABCDEFGHIJKLMNO");
    Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 20, 17), std::string("ABCDEFGHIJKLMNO\0\0", 17));
    checkOnlyRangeTouched(f.original, after, 20, 17);

    PlayerFileWriter(f.path).WritePlayerName(0, u"1234567890abcdefghij");
    after = f.now();
    CHECK_EQ(bytesAt(after, 20, 17), std::string("1234567890abcde\0\0", 17));
    checkOnlyRangeTouched(f.original, after, 20, 17);

    // Never between the halves of a pair: the character beyond goes whole.
    PlayerFileWriter(f.path).WritePlayerName(0, u"1234567890abcd\U0001F600");
    CHECK_EQ(bytesAt(f.now(), 20, 17), std::string("1234567890abcd\0\0\0", 17));
}

TEST_CASE("an empty name writes two zero bytes and reads back empty")
{
    SampleFolder f;
    PlayerFileWriter(f.path).WritePlayerName(2, u"");
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 51916, 2), std::string("\0\0", 2));
    checkOnlyRangeTouched(f.original, after, 51916, 2);
    CHECK_EQ(*PlayerFileReader(f.path).ReadPlayerName(2), std::u16string());
}

TEST_CASE("a name is read to its first zero byte, never past the slot's name area")
{
    SampleFolder f;
    Bytes bytes = f.original;
    for (std::size_t i = 0; i < 20; ++i)
        bytes[20 + i] = static_cast<unsigned char>('a' + i);
    bytes[40] = 0;
    writeAll(f.path, bytes);
    CHECK_EQ(PlayerFileReader(f.path).ReadPlayerName(0)->size(), std::size_t(20));

    // A run of 200 non-zero bytes spans several read chunks.
    for (std::size_t i = 0; i < 200; ++i)
        bytes[20 + i] = 'x';
    bytes[220] = 0;
    writeAll(f.path, bytes);
    CHECK_EQ(*PlayerFileReader(f.path).ReadPlayerName(0), std::u16string(200, u'x'));

    // Without a zero byte a name ends where the slot's macros begin.
    std::fill(bytes.begin(), bytes.end(), 'y');
    writeAll(f.path, bytes);
    const PlayerFileReader reader(f.path);
    CHECK_EQ(*reader.ReadPlayerName(0), std::u16string(8400, u'y'));
    CHECK_EQ(*reader.ReadPlayerName(3), std::u16string(8400, u'y'));
    bytes.resize(NameAt(3) + 100);
    writeAll(f.path, bytes);
    CHECK_EQ(*PlayerFileReader(f.path).ReadPlayerName(3), std::u16string(100, u'y'));
}

TEST_CASE("a two-letter macro fills the rest of its field with zero bytes")
{
    SampleFolder f;
    MacroTexts texts = *PlayerFileReader(f.path).ReadPlayerMacros(2);
    texts[3] = u"GG";
    PlayerFileWriter(f.path).WritePlayerMacros(2, texts);
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 60436, 40), std::string("GG") + std::string(38, '\0'));
    checkOnlyRangeTouched(f.original, after, 60316, 400);
}

TEST_CASE("a 40-character macro has no zero byte and reads back as 39")
{
    SampleFolder f;
    MacroTexts texts{};
    texts[0] = std::u16string(40, u'Q');
    PlayerFileWriter(f.path).WritePlayerMacros(0, texts);
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 8420, 40), std::string(40, 'Q'));
    CHECK_EQ(bytesAt(after, 8460, 40), std::string(40, '\0')); // the empty macro 1
    CHECK_EQ(PlayerFileReader(f.path).ReadPlayerMacros(0)->at(0), std::u16string(39, u'Q'));
}

TEST_CASE("rewriting a read macro clears what stood behind its first zero")
{
    SampleFolder f;
    const MacroTexts texts = *PlayerFileReader(f.path).ReadPlayerMacros(0);
    CHECK_EQ(texts[2], std::u16string(u"hi"));
    PlayerFileWriter(f.path).WritePlayerMacros(0, texts);
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 8420 + 80, 40), std::string("hi") + std::string(38, '\0'));
    // The 40-byte macro 1 was read as 39 characters: its 40th byte is now zero.
    CHECK_EQ(after[8460 + 39], 0);
}

TEST_CASE("macro 9 of slot 3 ends at offset 86663")
{
    SampleFolder f;
    MacroTexts texts{};
    texts[9] = std::u16string(40, u'z');
    PlayerFileWriter(f.path).WritePlayerMacros(3, texts);
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, 86624, 40), std::string(40, 'z'));
    CHECK_EQ(after[86664], f.original[86664]);
    CHECK_EQ(MacroAt(3, 9) + 39, std::uint64_t(86663));
}

TEST_CASE("slots -1 and 4 read and write nothing")
{
    SampleFolder f;
    for (const std::int16_t slot : {std::int16_t(-1), std::int16_t(4), std::int16_t(-32768)}) {
        const PlayerFileReader reader(f.path);
        CHECK(!reader.ReadPlayerName(slot));
        CHECK(!reader.ReadPlayerMacros(slot));
        PlayerFileWriter writer(f.path);
        writer.WritePlayerName(slot, u"nobody");
        writer.WritePlayerMacros(slot, sampleTexts(u"x"));
    }
    CHECK(f.now() == f.original);
}

TEST_CASE("PadMacro pads to 40 zero characters and leaves longer texts alone")
{
    CHECK_EQ(PadMacro(u"ab"), std::u16string(u"ab") + std::u16string(38, u'\0'));
    CHECK_EQ(PadMacro(u""), std::u16string(40, u'\0'));
    CHECK_EQ(PadMacro(std::u16string(40, u'a')), std::u16string(40, u'a'));
    CHECK_EQ(PadMacro(std::u16string(45, u'a')), std::u16string(45, u'a'));
}

TEST_CASE("reads stop at the end of a file cut inside a field")
{
    TempDir dir;
    const std::string path = PlayerFilePath(dir.path());
    Bytes bytes = SampleSave::Bytes();
    // Cut inside the name of slot 0: "Maxim" and no zero byte.
    writeAll(path, Bytes(bytes.begin(), bytes.begin() + 25));
    CHECK_EQ(*PlayerFileReader(path).ReadPlayerName(0), std::u16string(u"Maxim"));
    CHECK_EQ(*PlayerFileReader(path).ReadPlayerName(3), std::u16string());
    // Cut inside macro 0 of slot 0: its first five characters, then nothing.
    writeAll(path, Bytes(bytes.begin(), bytes.begin() + 8425));
    const MacroTexts m = *PlayerFileReader(path).ReadPlayerMacros(0);
    CHECK_EQ(m[0], std::u16string(u"Hello"));
    CHECK_EQ(m[9], std::u16string());
    // An empty file reads as empty texts.
    writeAll(path, {});
    CHECK_EQ(*PlayerFileReader(path).ReadPlayerName(1), std::u16string());
}

TEST_CASE("a write that would lengthen the file is refused before any byte")
{
    TempDir dir;
    const std::string path = PlayerFilePath(dir.path());
    Bytes bytes = SampleSave::Bytes();
    bytes.resize(86663); // one byte short of slot 3's last macro
    writeAll(path, bytes);
    bool refused = false;
    try {
        PlayerFileWriter(path).WritePlayerMacros(3, sampleTexts(u"y"));
    } catch (const FileError &e) {
        refused = true;
        const std::string what = e.what();
        CHECK(what.find(path) != std::string::npos);
        CHECK(what.find("86663") != std::string::npos);
        CHECK(what.find("86664") != std::string::npos);
    }
    CHECK(refused);
    CHECK(readAll(path) == bytes);
    // Earlier fields still lie wholly inside the file and can be written.
    PlayerFileWriter(path).WritePlayerName(3, u"ok");
    CHECK_EQ(readAll(path).size(), bytes.size());
}

TEST_CASE("a macro text longer than 40 characters never spills into the next field")
{
    SampleFolder f;
    MacroTexts texts{};
    texts[4] = std::u16string(60, u'L');
    PlayerFileWriter(f.path).WritePlayerMacros(1, texts);
    const Bytes after = f.now();
    CHECK_EQ(bytesAt(after, MacroAt(1, 4), 40), std::string(40, 'L'));
    CHECK_EQ(bytesAt(after, MacroAt(1, 5), 40), std::string(40, '\0'));
    checkOnlyRangeTouched(f.original, after, MacroAt(1, 0), 400);
}

TEST_CASE("a text the code page cannot hold is refused and nothing is written")
{
    SampleFolder f;
    try {
        PlayerFileWriter(f.path).WritePlayerName(0, u"Ab\u0100c");
        check::fail(__FILE__, __LINE__, "the name was not refused");
    } catch (const UnencodableCharacterError &e) {
        CHECK_EQ(e.character(), u'\u0100');
        CHECK(std::string(e.what()).find("U+0100") != std::string::npos);
    }
    MacroTexts texts = sampleTexts(u"ok");
    texts[9] = u"snow \u2603"; // the last macro: the first nine must not be written either
    CHECK_THROWS(PlayerFileWriter(f.path).WritePlayerMacros(0, texts), UnencodableCharacterError);
    CHECK(f.now() == f.original);
}

TEST_CASE("names and macros above 127 are stored as single bytes")
{
    SampleFolder f;
    PlayerFileWriter(f.path).WritePlayerName(3, u"\u00C9t\u00E9 \u20AC");
    CHECK_EQ(bytesAt(f.now(), NameAt(3), 7), std::string("\xC9t\xE9 \x80\0\0", 7));
    CHECK_EQ(*PlayerFileReader(f.path).ReadPlayerName(3), std::u16string(u"\u00C9t\u00E9 \u20AC"));
}

TEST_CASE("failures name the file and the system's reason")
{
    TempDir dir;
    const std::string missing = PlayerFilePath(dir.path());
    try {
        PlayerFileReader reader(missing);
        check::fail(__FILE__, __LINE__, "opening a missing file did not fail");
    } catch (const FileError &e) {
        CHECK_EQ(e.path(), missing);
        CHECK(std::string(e.what()).find(missing) != std::string::npos);
        CHECK(!e.reason().empty());
    }
    // The opening for writing never creates the file.
    CHECK_THROWS(PlayerFileWriter writer(missing), FileError);
    CHECK(!std::filesystem::exists(missing));
    // A folder in the file's place.
    std::filesystem::create_directory(missing);
    CHECK_THROWS(PlayerFileReader(missing).ReadPlayerName(0), FileError);
#ifndef _WIN32
    // A FIFO is refused at once, for reading and for writing, instead of
    // waiting for a writer or a reader that never comes.
    std::filesystem::remove(missing);
    CHECK(::mkfifo(missing.c_str(), 0600) == 0);
    for (const bool writing : {false, true}) {
        try {
            if (writing)
                PlayerFileWriter writer(missing);
            else
                PlayerFileReader reader(missing);
            check::fail(__FILE__, __LINE__, "opening a FIFO did not fail");
        } catch (const FileError &e) {
            CHECK_EQ(e.path(), missing);
            CHECK_EQ(e.reason(), std::string("not a regular file (a FIFO)"));
        }
    }
#endif
}

TEST_CASE("a comparison tells the players' fields from the game's data")
{
    const Bytes sample = SampleSave::Bytes();
    const std::string then(sample.begin(), sample.end());
    std::string now = then;
    now.replace(NameAt(2), 5, std::string("Zo\xEB\0\0", 5));
    now.replace(MacroAt(1, 3), 1, "x");
    now.replace(MacroAt(1, 7) + 39, 1, "y");
    now.replace(5000, 5, "abcde"); // a byte of the game's own, outside every player's fields
    now.append("123");
    const CopyDifference difference = Compare(then, now);
    CHECK(difference.players[0].same());
    CHECK(difference.players[1].macros == (std::vector<int>{3, 7}));
    CHECK(!difference.players[1].nameDiffers);
    CHECK(difference.players[2].nameDiffers);
    CHECK_EQ(difference.players[2].nameThen, std::u16string(u"Ren\u00E9e Strau\u00DF"));
    CHECK_EQ(difference.players[2].nameNow, std::u16string(u"Zo\u00EB"));
    CHECK(difference.players[2].macros.empty());
    CHECK_EQ(difference.gameBytes, std::uint64_t(5 + 3));
}

TEST_CASE("random operations on random files touch only the written fields")
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        TempDir dir;
        const std::string path = PlayerFilePath(dir.path());
        Bytes expected(86664 + random() % 20000);
        for (auto &b : expected)
            b = static_cast<unsigned char>(random() % 4 == 0 ? 0 : random());
        writeAll(path, expected);
        for (int op = 0; op < 25; ++op) {
            const auto slot = static_cast<std::int16_t>(static_cast<int>(random() % 6) - 1);
            std::u16string text;
            const std::size_t length = random() % 50;
            for (std::size_t i = 0; i < length; ++i)
                text.push_back(CharacterForByte(static_cast<unsigned char>(32 + random() % 224)));
            if (random() % 2) {
                PlayerFileWriter(path).WritePlayerName(slot, text);
                if (PlayerLayout::IsSlot(slot)) {
                    const std::size_t n = std::min<std::size_t>(text.size(), 15);
                    const std::string bytes = EncodeText(text.substr(0, n));
                    std::copy(bytes.begin(), bytes.end(),
                              expected.begin() + std::ptrdiff_t(NameAt(slot)));
                    expected[NameAt(slot) + n] = 0;
                    expected[NameAt(slot) + n + 1] = 0;
                }
            } else {
                MacroTexts texts;
                for (auto &t : texts)
                    t = text.substr(0, random() % 41);
                PlayerFileWriter(path).WritePlayerMacros(slot, texts);
                if (PlayerLayout::IsSlot(slot)) {
                    for (int k = 0; k < 10; ++k) {
                        const std::string bytes = EncodeText(PadMacro(texts[std::size_t(k)]));
                        std::copy(bytes.begin(), bytes.end(),
                                  expected.begin() + std::ptrdiff_t(MacroAt(slot, k)));
                    }
                }
            }
            if (PlayerLayout::IsSlot(slot)) {
                const PlayerFileReader reader(path);
                const std::u16string name = *reader.ReadPlayerName(slot);
                CHECK(name.size() <= 15 || name.find(u'\0') == std::u16string::npos);
            }
        }
        CHECK(readAll(path) == expected);
    }
}

CHECK_MAIN
