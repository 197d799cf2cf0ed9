// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/codepage.h"

#include <array>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Table = std::array<char16_t, 256>;

#ifdef _WIN32
Table buildTable()
{
    Table table{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t wide = 0;
        // A byte the ANSI code page does not define (or a lead byte of a
        // double-byte code page) stands for the C1/Latin-1 character of the
        // same number, so the table stays one to one.
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
            table[static_cast<std::size_t>(b)] = static_cast<char16_t>(wide);
        else
            table[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
    }
    return table;
}
#else
Table buildTable()
{
    Table table{};
    for (int b = 0; b < 256; ++b)
        table[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
    // Windows-1252 differs from Latin-1 in 0x80..0x9F; the five bytes it
    // leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their C1 value.
    constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
    };
    for (std::size_t i = 0; i < 32; ++i)
        table[0x80 + i] = high[i];
    return table;
}
#endif

const Table &table()
{
    static const Table t = buildTable();
    return t;
}

} // namespace

UnencodableCharacterError::UnencodableCharacterError(char32_t character)
    : std::runtime_error("The character " + DescribeCharacter(character) +
                         " has no code in the player file's single-byte code page"),
      m_character(character)
{
}

char16_t CharacterForByte(unsigned char b)
{
    return table()[b];
}

std::optional<unsigned char> ByteForCharacter(char16_t c)
{
    // Fast path: most characters of names sit at their own number.
    if (c < 256 && table()[c] == c)
        return static_cast<unsigned char>(c);
    for (std::size_t b = 0; b < 256; ++b) {
        if (table()[b] == c)
            return static_cast<unsigned char>(b);
    }
    return std::nullopt;
}

namespace {

// The code point that starts at text[i]: a high surrogate followed by a low
// one is the character beyond U+FFFF they stand for.
char32_t CodePointAt(std::u16string_view text, std::size_t i)
{
    const char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000)
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    return c;
}

// The bytes of a text whose characters all lie at or above `lowest` and
// have a byte; the first that does not is refused.
std::string Encode(std::u16string_view text, char16_t lowest)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = text[i] < lowest ? std::nullopt : ByteForCharacter(text[i]);
        if (!b)
            throw UnencodableCharacterError(CodePointAt(text, i));
        bytes.push_back(static_cast<char>(*b));
    }
    return bytes;
}

} // namespace

std::string EncodeText(std::u16string_view text)
{
    return Encode(text, 0);
}

std::string EncodePlayerText(std::u16string_view text)
{
    return Encode(text, u' ');
}

std::u16string DecodeBytes(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.push_back(CharacterForByte(static_cast<unsigned char>(b)));
    return text;
}

bool IsShowableCharacter(char32_t c)
{
    // A control or a lone surrogate would print as garbage, or not at all.
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && !(c >= 0xD800 && c < 0xE000) &&
           c <= 0x10FFFF;
}

std::string CharacterCode(char32_t c)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    return code;
}

std::string DescribeCharacter(char32_t c)
{
    std::string description = CharacterCode(c);
    if (IsShowableCharacter(c)) {
        description += " '";
        AppendUtf8(description, c);
        description += "'";
    }
    return description;
}

void AppendUtf8(std::string &text, char32_t c)
{
    const auto put = [&text](char32_t b) { text.push_back(static_cast<char>(b)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}
