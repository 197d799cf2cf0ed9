// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The player file stores one byte per character, in the ANSI code page the
// game runs with. These functions convert between the editor's UTF-16 text
// and those bytes through the code page selected for the session: until one
// is selected, the system's ANSI code page on Windows and Windows-1252
// elsewhere. A byte the code page leaves undefined stands for the C1
// control of the same number, so that every byte 1..255 maps one to one
// onto a character and back.

// The single-byte Windows code pages that Wine records as a prefix's ANSI
// code page: Thai and Windows-1250 to 1258.
inline constexpr std::array<unsigned, 10> SingleByteWindowsCodePages = {
    874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};

// Selects the code page of player text for the session and builds its
// table once, so that each character after is a look-up. Elsewhere than on
// Windows the table comes from the system's iconv, and a code page not in
// SingleByteWindowsCodePages (or one iconv cannot convert) selects
// Windows-1252; on Windows one the system does not know selects its ANSI
// code page. Returns the code page now selected.
unsigned SelectCodePage(unsigned codePage);

// The code page in use, and its name as messages give it ("Windows-1250").
unsigned SelectedCodePage();
std::string CodePageName();

// Thrown when a text holds a character that has no single-byte code. The
// character is a whole code point: a surrogate pair counts as the one
// character it stands for, so a message names what the user typed.
class UnencodableCharacterError : public std::runtime_error
{
public:
    explicit UnencodableCharacterError(char32_t character);
    char32_t character() const { return m_character; }

private:
    char32_t m_character;
};

// The character that byte b stands for; byte 0 gives U+0000.
char16_t CharacterForByte(unsigned char b);

// The byte of character c, or nothing when the code page lacks it.
std::optional<unsigned char> ByteForCharacter(char16_t c);

// Converts a whole text; throws UnencodableCharacterError on the first
// character without a byte, before anything else happens.
std::string EncodeText(std::u16string_view text);

// Converts a name or macro as the player file keeps it: as EncodeText, but a
// control character below U+0020 is refused too. The file's texts hold the
// characters 32 to 255 of the character map; a pasted tab or escape would
// reach the game as it is, and a NUL would end a name early.
std::string EncodePlayerText(std::u16string_view text);

std::u16string DecodeBytes(std::string_view bytes);

// Whether c can be shown as itself in a message: not a control, not half of
// a surrogate pair, not beyond U+10FFFF.
bool IsShowableCharacter(char32_t c);

// The character's code as messages name it: "U+00E9", at least four digits.
std::string CharacterCode(char32_t c);

// "U+00E9 'é'" style description for messages; a character that cannot be
// shown is named by its code alone.
std::string DescribeCharacter(char32_t c);

// Appends the UTF-8 bytes of code point c (up to U+10FFFF) to text.
void AppendUtf8(std::string &text, char32_t c);
