// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playerfile/codepage.h"
#include "storage/rawfile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Layout of the game's player file kvxplr.sav: four slots, each with a name
// and ten macro texts at fixed offsets. Every byte outside those fields is
// the game's and is never read or written.
namespace PlayerLayout {
constexpr int SlotCount = 4;
constexpr int MacroCount = 10;
constexpr std::uint64_t SlotStride = 25948;
constexpr std::uint64_t NameOffset = 20;
constexpr std::uint64_t MacroOffset = NameOffset + 8400;
// The bytes from a slot's name up to its first macro field.
constexpr std::size_t NameAreaSize = MacroOffset - NameOffset;
constexpr std::size_t MacroFieldSize = 40;
constexpr std::size_t MacroReadSize = 39; // the field's last byte is written, never read
constexpr std::size_t NameMaxLength = 15;
constexpr std::size_t MacroMaxLength = 40;

constexpr bool IsSlot(std::int16_t slot)
{
    return slot >= 0 && slot < SlotCount;
}
constexpr std::uint64_t NameAt(std::int16_t slot)
{
    return NameOffset + SlotStride * std::uint64_t(slot);
}
constexpr std::uint64_t MacroAt(std::int16_t slot, int k)
{
    return MacroOffset + SlotStride * std::uint64_t(slot) + MacroFieldSize * std::uint64_t(k);
}
} // namespace PlayerLayout

using MacroTexts = std::array<std::u16string, PlayerLayout::MacroCount>;
using PlayerNames = std::array<std::u16string, PlayerLayout::SlotCount>;

// The player file's name in the game folder.
inline constexpr char PlayerFileName[] = "kvxplr.sav";

// The file's path inside a game folder: the folder text exactly as given,
// the platform's separator, then the file name.
std::string PlayerFilePath(const std::string &gameFolder);

// A name from the bytes of its slot's name area, as far as the file holds
// them: up to the first zero byte.
std::u16string DecodeName(std::string_view area);
// The ten macros from the bytes of their fields, as far as the file holds
// them: each the first 39 bytes of its field up to the first zero byte.
MacroTexts DecodeMacros(std::string_view fields);

// The text's first `limit` characters, one fewer when the cut would fall
// between the two halves of a surrogate pair: no half character is left.
std::u16string_view CutText(std::u16string_view text, std::size_t limit);

// The text padded with zero characters to 40; longer texts come back as they are.
std::u16string PadMacro(std::u16string text);

// An opening of the player file for reading. Reads go to the disk each time.
class PlayerFileReader
{
public:
    explicit PlayerFileReader(const std::filesystem::path &path);
    // A path in the system's narrow text, as the game folder is given.
    explicit PlayerFileReader(const std::string &systemPath);

    // Nothing for a slot outside 0..3. A name runs to its first zero byte,
    // to the end of the slot's name area (NameAreaSize bytes) or to the end
    // of the file, whichever comes first.
    std::optional<std::u16string> ReadPlayerName(std::int16_t slot) const;
    // The four names, slot 0 first.
    PlayerNames ReadPlayerNames() const;
    // Each macro is the first 39 bytes of its field up to the first zero byte,
    // or up to the end of the file.
    std::optional<MacroTexts> ReadPlayerMacros(std::int16_t slot) const;

private:
    RawFile m_file;
};

// The bytes WritePlayerName and WritePlayerMacros put into the file: at most
// 15 characters and two zero bytes; ten fields of 40 bytes. Throws
// UnencodableCharacterError as they do, before anything is written.
std::string NameFieldBytes(std::u16string_view text);
std::string MacroFieldBytes(const MacroTexts &texts);

// An opening of the player file for writing: the existing file, never
// created, truncated or lengthened. Each write is one positioned write of
// the whole field range, flushed to disk before it returns. A text that the
// code page cannot hold or that holds a control character (below U+0020), or
// a field reaching past the end of the file, is refused before any byte is
// written.
class PlayerFileWriter
{
public:
    explicit PlayerFileWriter(const std::filesystem::path &path);
    explicit PlayerFileWriter(const std::string &systemPath);

    // Writes at most 15 characters and two zero bytes. A cut never splits a
    // surrogate pair.
    void WritePlayerName(std::int16_t slot, std::u16string_view text);
    // Writes the ten 40-byte fields; a text over 40 characters is cut at 40,
    // as the name is at 15.
    void WritePlayerMacros(std::int16_t slot, const MacroTexts &texts);
    // Puts `bytes` back at `offset`, as an undo does, under the same rules.
    void WriteBytes(std::uint64_t offset, const std::string &bytes);

private:
    RawFile m_file;
};
