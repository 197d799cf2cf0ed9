// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/codepage.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

using Table = std::array<char16_t, 256>;

#ifdef _WIN32
unsigned defaultCodePage()
{
    return GetACP();
}

std::optional<Table> buildTable(unsigned codePage)
{
    if (!IsValidCodePage(codePage))
        return std::nullopt;
    Table table{};
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        wchar_t wide = 0;
        // A byte the ANSI code page does not define (or a lead byte of a
        // double-byte code page) stands for the C1/Latin-1 character of the
        // same number, so the table stays one to one.
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
            table[static_cast<std::size_t>(b)] = static_cast<char16_t>(wide);
        else
            table[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
    }
    return table;
}
#else
constexpr unsigned Windows1252 = 1252;

unsigned defaultCodePage()
{
    return Windows1252;
}

// An iconv conversion from a code page's bytes to UTF-32LE, closed with it.
class Converter
{
public:
    explicit Converter(unsigned codePage)
        : m_handle(iconv_open("UTF-32LE", ("CP" + std::to_string(codePage)).c_str()))
    {
    }
    ~Converter()
    {
        if (valid())
            iconv_close(m_handle);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }

    // The one character byte b stands for, or nothing when the code page
    // leaves it undefined.
    std::optional<char32_t> character(unsigned char b)
    {
        constexpr std::size_t failed = static_cast<std::size_t>(-1);
        iconv(m_handle, nullptr, nullptr, nullptr, nullptr); // the initial state
        char in = static_cast<char>(b);
        char *inAt = &in;
        std::size_t inLeft = 1;
        std::array<unsigned char, 16> out{};
        char *outAt = reinterpret_cast<char *>(out.data());
        std::size_t outLeft = out.size();
        // Vietnamese and Hebrew hold a letter back in case a combining mark
        // follows; the second call gives it.
        if (iconv(m_handle, &inAt, &inLeft, &outAt, &outLeft) == failed || inLeft != 0 ||
            iconv(m_handle, nullptr, nullptr, &outAt, &outLeft) == failed ||
            out.size() - outLeft != 4)
            return std::nullopt;
        return char32_t(out[0]) | char32_t(out[1]) << 8 | char32_t(out[2]) << 16 |
               char32_t(out[3]) << 24;
    }

private:
    iconv_t m_handle;
};

std::optional<Table> buildTable(unsigned codePage)
{
    if (std::find(SingleByteWindowsCodePages.begin(), SingleByteWindowsCodePages.end(), codePage) ==
        SingleByteWindowsCodePages.end())
        return std::nullopt;
    Converter converter(codePage);
    if (!converter.valid())
        return std::nullopt;
    Table table{};
    for (int b = 1; b < 256; ++b) {
        const auto c = converter.character(static_cast<unsigned char>(b));
        // An undefined byte keeps its C1 control (or its own number).
        table[static_cast<std::size_t>(b)] =
            c && *c != 0 && *c < 0x10000 ? static_cast<char16_t>(*c) : static_cast<char16_t>(b);
    }
    return table;
}
#endif

// ISO-8859-1, whose bytes are the first 256 characters.
constexpr unsigned Latin1 = 28591;

// Latin-1, where not even Windows-1252 can be converted on this system.
Table identityTable()
{
    Table table{};
    for (std::size_t b = 0; b < table.size(); ++b)
        table[b] = static_cast<char16_t>(b);
    return table;
}

// Each character of the table with its byte, in the order of the
// characters, for the way back.
using Reverse = std::array<std::pair<char16_t, unsigned char>, 256>;

Reverse reverseOf(const Table &table)
{
    Reverse reverse{};
    for (std::size_t b = 0; b < table.size(); ++b)
        reverse[b] = {table[b], static_cast<unsigned char>(b)};
    std::sort(reverse.begin(), reverse.end());
    return reverse;
}

bool oneToOne(const Reverse &reverse)
{
    return std::adjacent_find(reverse.begin(), reverse.end(), [](const auto &a, const auto &b) {
               return a.first == b.first;
           }) == reverse.end();
}

struct CodePage
{
    unsigned number = 0;
    Table table{};
    Reverse reverse{};
};

// A code page's table, when it has one that maps one to one.
std::optional<CodePage> codePageOf(unsigned number)
{
    const auto table = buildTable(number);
    if (!table)
        return std::nullopt;
    CodePage page{number, *table, reverseOf(*table)};
    if (!oneToOne(page.reverse))
        return std::nullopt;
    return page;
}

CodePage defaultPage()
{
    if (auto page = codePageOf(defaultCodePage()))
        return *page;
    const Table table = identityTable();
    return {Latin1, table, reverseOf(table)};
}

// The session's code page: the program selects it once at start.
CodePage &selected()
{
    static CodePage page = defaultPage();
    return page;
}

} // namespace

unsigned SelectCodePage(unsigned codePage)
{
    CodePage &page = selected();
    if (codePage == page.number)
        return page.number;
    if (auto chosen = codePageOf(codePage))
        page = *chosen;
    else if (page.number != defaultCodePage())
        page = defaultPage();
    return page.number;
}

unsigned SelectedCodePage()
{
    return selected().number;
}

std::string CodePageName()
{
    const unsigned number = SelectedCodePage();
    return number == Latin1 ? "ISO-8859-1" : "Windows-" + std::to_string(number);
}

UnencodableCharacterError::UnencodableCharacterError(char32_t character)
    : std::runtime_error("The character " + DescribeCharacter(character) + " has no code in " +
                         CodePageName() + ", the player file's code page"),
      m_character(character)
{
}

char16_t CharacterForByte(unsigned char b)
{
    return selected().table[b];
}

std::optional<unsigned char> ByteForCharacter(char16_t c)
{
    const Reverse &reverse = selected().reverse;
    const auto found =
        std::lower_bound(reverse.begin(), reverse.end(), std::pair<char16_t, unsigned char>(c, 0),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
    if (found == reverse.end() || found->first != c)
        return std::nullopt;
    return found->second;
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
