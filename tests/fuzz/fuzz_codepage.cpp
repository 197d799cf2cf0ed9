// SPDX-License-Identifier: GPL-3.0-or-later
// The single-byte code page of the player file. The input is read twice:
// as UTF-16 text (two bytes a character, little-endian), which must either
// convert and come back exactly or be refused naming its first character
// without a byte; and as a byte string, which must always come back exactly.
#include "playerfile/codepage.h"
#include "tests/fuzz/fuzztemp.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));

    std::size_t firstWithoutByte = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = ByteForCharacter(text[i]);
        if (!byte) {
            firstWithoutByte = i;
            break;
        }
        FUZZ_REQUIRE(CharacterForByte(*byte) == text[i]);
    }
    try {
        const std::string encoded = EncodeText(text);
        FUZZ_REQUIRE(firstWithoutByte == text.size());
        FUZZ_REQUIRE(encoded.size() == text.size());
        FUZZ_REQUIRE(DecodeBytes(encoded) == text);
    } catch (const UnencodableCharacterError &error) {
        FUZZ_REQUIRE(firstWithoutByte < text.size());
        // The character named is the one there, a surrogate pair taken whole.
        const char16_t first = text[firstWithoutByte];
        const bool pair = first >= 0xD800 && first < 0xDC00 && firstWithoutByte + 1 < text.size() &&
                          text[firstWithoutByte + 1] >= 0xDC00 &&
                          text[firstWithoutByte + 1] < 0xE000;
        FUZZ_REQUIRE(pair ? error.character() >= 0x10000 && error.character() <= 0x10FFFF
                          : error.character() == first);
        FUZZ_REQUIRE(std::string_view(error.what()).find("U+") != std::string_view::npos);
    }

    const std::string_view raw(reinterpret_cast<const char *>(bytes), size);
    const std::u16string decoded = DecodeBytes(raw);
    FUZZ_REQUIRE(decoded.size() == raw.size());
    FUZZ_REQUIRE(EncodeText(decoded) == raw);
    return 0;
}
