// SPDX-License-Identifier: GPL-3.0-or-later
// The player file's reads and writes on a file of any content and length:
// shorter than a slot, cut inside a name or a macro, without any zero byte.
// Every read must stop at the end of the file and agree with the bytes; a
// write either patches exactly its field range or is refused with the file
// left as it was, never lengthened.
#include "playerfile/playerfile.h"
#include "tests/fuzz/fuzztemp.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace PlayerLayout;

namespace {

const fuzz::ScratchFolder scratch;

// The bytes from offset up to the first zero byte, at most `limit` of them,
// never past the end of the data.
std::string_view FieldText(std::string_view data, std::uint64_t offset, std::size_t limit)
{
    if (offset >= data.size())
        return {};
    std::string_view field = data.substr(static_cast<std::size_t>(offset), limit);
    return field.substr(0, field.find('\0'));
}

void CheckReads(const std::string &path, std::string_view data)
{
    const PlayerFileReader file(path);
    for (const std::int16_t outside :
         {std::int16_t(-1), std::int16_t(4), std::int16_t(-32768), std::int16_t(32767)}) {
        FUZZ_REQUIRE(!file.ReadPlayerName(outside));
        FUZZ_REQUIRE(!file.ReadPlayerMacros(outside));
    }
    for (std::int16_t slot = 0; slot < SlotCount; ++slot) {
        const auto name = file.ReadPlayerName(slot);
        FUZZ_REQUIRE(name);
        FUZZ_REQUIRE(*name == DecodeBytes(FieldText(data, NameAt(slot), NameAreaSize)));
        const auto macros = file.ReadPlayerMacros(slot);
        FUZZ_REQUIRE(macros);
        for (int k = 0; k < MacroCount; ++k) {
            const auto &macro = (*macros)[static_cast<std::size_t>(k)];
            FUZZ_REQUIRE(macro.size() <= MacroReadSize);
            FUZZ_REQUIRE(macro == DecodeBytes(FieldText(data, MacroAt(slot, k), MacroReadSize)));
        }
    }
}

// What the file must hold after a write of `field` at `offset`.
std::string Patched(std::string_view data, std::uint64_t offset, std::string_view field)
{
    std::string expected(data);
    if (offset + field.size() <= data.size())
        expected.replace(static_cast<std::size_t>(offset), field.size(), field);
    return expected;
}

bool Fits(std::string_view data, std::uint64_t offset, std::size_t size)
{
    return offset + size <= data.size();
}

// A write chosen by the data's first bytes: the slot (-1..4) and a text
// taken from the data itself, so every character has a byte; one below 32
// refuses the write.
void CheckWrite(const std::string &path, std::string_view data)
{
    if (data.size() < 2)
        return;
    const auto slot = static_cast<std::int16_t>(static_cast<unsigned char>(data[0]) % 6 - 1);
    const bool macros = (static_cast<unsigned char>(data[1]) & 0x80) != 0;
    const std::size_t length = static_cast<unsigned char>(data[1]) % 48;
    const std::u16string text = DecodeBytes(data.substr(2, length));

    // A control character in a written text refuses the whole write.
    bool control = false;
    const auto noteControls = [&control](std::u16string_view cut) {
        control = control || std::any_of(cut.begin(), cut.end(), [](char16_t c) { return c < 32; });
    };
    std::string field;
    std::uint64_t offset = 0;
    bool unencodable = false;
    bool refused = false;
    try {
        if (macros) {
            // Each of the ten texts is a different cut of the same text.
            MacroTexts texts;
            for (std::size_t k = 0; k < texts.size(); ++k) {
                texts[k] = text.substr(k % (text.size() + 1));
                noteControls(texts[k].substr(0, MacroMaxLength));
                field += EncodeText(PadMacro(texts[k].substr(0, MacroMaxLength)));
            }
            offset = IsSlot(slot) ? MacroAt(slot, 0) : 0;
            PlayerFileWriter(path).WritePlayerMacros(slot, texts);
        } else {
            noteControls(text.substr(0, NameMaxLength));
            field = EncodeText(text.substr(0, NameMaxLength)) + std::string(2, '\0');
            offset = IsSlot(slot) ? NameAt(slot) : 0;
            PlayerFileWriter(path).WritePlayerName(slot, text);
        }
    } catch (const UnencodableCharacterError &) {
        unencodable = refused = true;
    } catch (const FileError &) {
        refused = true;
    }
    const bool writes = IsSlot(slot) && !control;
    FUZZ_REQUIRE(unencodable == (IsSlot(slot) && control));
    FUZZ_REQUIRE(refused == (IsSlot(slot) && (control || !Fits(data, offset, field.size()))));
    const std::string after = fuzz::ReadFile(path);
    FUZZ_REQUIRE(after == (writes ? Patched(data, offset, field) : std::string(data)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char *>(bytes), size);
    const std::string path = scratch.file("kvxplr.sav");
    fuzz::WriteFile(path, data);
    CheckReads(path, data);
    CheckWrite(path, data);
    return 0;
}
