// SPDX-License-Identifier: GPL-3.0-or-later
// The single-byte code page of player names and macros.
#include "playerfile/codepage.h"
#include "tests/core/check.h"

// Each code page the game may run with, then the one in use before.
TEST_CASE("every byte 1..255 maps to one character and back, in every single-byte code page")
{
    const unsigned before = SelectedCodePage();
    for (const unsigned codePage : SingleByteWindowsCodePages) {
        CHECK_EQ(SelectCodePage(codePage), codePage);
        std::u16string seen;
        for (int b = 1; b < 256; ++b) {
            const char16_t c = CharacterForByte(static_cast<unsigned char>(b));
            CHECK(c != 0);
            CHECK(seen.find(c) == std::u16string::npos);
            seen.push_back(c);
            CHECK_EQ(int(*ByteForCharacter(c)), b);
        }
    }
    SelectCodePage(1250);
    CHECK_EQ(CodePageName(), std::string("Windows-1250"));
    CHECK_EQ(DecodeBytes("\xA3ukasz"), std::u16string(u"\u0141ukasz"));
    CHECK_EQ(EncodeText(u"\u0141ukasza"), std::string("\xA3ukasza"));
    try {
        EncodeText(u"\u00E6");
        check::fail(__FILE__, __LINE__, "not refused");
    } catch (const UnencodableCharacterError &e) {
        CHECK(std::string(e.what()).find("Windows-1250") != std::string::npos);
    }
    SelectCodePage(1251);
    CHECK_EQ(CharacterForByte(0xC0), u'\u0410');
    CHECK_EQ(SelectCodePage(before), before);
}

TEST_CASE("any byte string round-trips")
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    CHECK_EQ(EncodeText(DecodeBytes(all)), all);
}

#ifndef _WIN32
TEST_CASE("Windows-1252 where it differs from Latin-1, and its five undefined bytes")
{
    CHECK_EQ(CharacterForByte(0x80), u'\u20AC');
    CHECK_EQ(CharacterForByte(0x8A), u'\u0160');
    CHECK_EQ(CharacterForByte(0x9F), u'\u0178');
    for (const int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        CHECK_EQ(int(CharacterForByte(static_cast<unsigned char>(b))), b);
    CHECK_EQ(CharacterForByte(0xE9), u'\u00E9');
    // U+0080 is not in Windows-1252: byte 0x80 is the euro sign.
    CHECK(!ByteForCharacter(u'\u0080'));
    // Not a single-byte code page, or none at all: Windows-1252.
    for (const unsigned other : {932u, 0u, 65001u, 28591u}) {
        SelectCodePage(1250);
        CHECK_EQ(SelectCodePage(other), 1252u);
    }
}
#endif

TEST_CASE("a character outside the code page is refused and named")
{
    CHECK(!ByteForCharacter(u'\u4E2D'));
    try {
        EncodeText(u"ok\u4E2D");
        check::fail(__FILE__, __LINE__, "not refused");
    } catch (const UnencodableCharacterError &e) {
        CHECK_EQ(e.character(), u'\u4E2D');
        CHECK(std::string(e.what()).find("U+4E2D") != std::string::npos);
    }
    CHECK_THROWS(EncodeText(std::u16string(1, char16_t(0xD800))), UnencodableCharacterError);
}

TEST_CASE("a character beyond U+FFFF is refused as itself, not as half of a pair")
{
    try {
        EncodeText(u"ok 😀");
        check::fail(__FILE__, __LINE__, "not refused");
    } catch (const UnencodableCharacterError &e) {
        CHECK(e.character() == U'\U0001F600');
        CHECK(std::string(e.what()).find("U+1F600 '\xF0\x9F\x98\x80'") != std::string::npos);
    }
    // A surrogate without its partner is named as it is, and not shown.
    for (const std::u16string &text : {std::u16string(u"a") + char16_t(0xD83D),
                                       std::u16string(u"a") + char16_t(0xDE00) + u"b"}) {
        try {
            EncodeText(text);
            check::fail(__FILE__, __LINE__, "not refused");
        } catch (const UnencodableCharacterError &e) {
            CHECK(e.character() == char32_t(text[1]));
            const std::string code = text[1] == 0xD83D ? "U+D83D" : "U+DE00";
            CHECK_EQ(DescribeCharacter(e.character()), code);
        }
    }
}

CHECK_MAIN
