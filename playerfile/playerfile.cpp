// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/playerfile.h"

#include <algorithm>

using namespace PlayerLayout;

std::string PlayerFilePath(const std::string &gameFolder)
{
#ifdef _WIN32
    return gameFolder + '\\' + PlayerFileName;
#else
    return gameFolder + '/' + PlayerFileName;
#endif
}

namespace {

std::string_view UpToZero(std::string_view bytes)
{
    return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

} // namespace

std::u16string DecodeName(std::string_view area)
{
    return DecodeBytes(UpToZero(area));
}

MacroTexts DecodeMacros(std::string_view fields)
{
    MacroTexts texts;
    for (std::size_t k = 0; k < MacroCount; ++k) {
        const std::size_t start = k * MacroFieldSize;
        texts[k] = DecodeBytes(UpToZero(start < fields.size() ? fields.substr(start, MacroReadSize)
                                                              : std::string_view()));
    }
    return texts;
}

std::u16string_view CutText(std::u16string_view text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    const bool inPair = text[limit] >= 0xDC00 && text[limit] < 0xE000 &&
                        text[limit - 1] >= 0xD800 && text[limit - 1] < 0xDC00;
    return text.substr(0, inPair ? limit - 1 : limit);
}

std::u16string PadMacro(std::u16string text)
{
    if (text.size() < MacroFieldSize)
        text.resize(MacroFieldSize, u'\0');
    return text;
}

PlayerFileReader::PlayerFileReader(const std::filesystem::path &path)
    : m_file(path, RawFile::Mode::Read)
{
}

PlayerFileReader::PlayerFileReader(const std::string &systemPath)
    : PlayerFileReader(SystemTextPath(systemPath))
{
}

std::optional<std::u16string> PlayerFileReader::ReadPlayerName(std::int16_t slot) const
{
    if (!IsSlot(slot))
        return std::nullopt;
    // The name runs to its zero byte, but never past the slot's name area:
    // a file without zero bytes would otherwise be read whole.
    std::string bytes(NameAreaSize, '\0');
    bytes.resize(m_file.readAt(NameAt(slot), bytes.data(), bytes.size()));
    return DecodeName(bytes);
}

PlayerNames PlayerFileReader::ReadPlayerNames() const
{
    PlayerNames names;
    for (std::int16_t slot = 0; slot < SlotCount; ++slot)
        names[static_cast<std::size_t>(slot)] = *ReadPlayerName(slot);
    return names;
}

std::optional<MacroTexts> PlayerFileReader::ReadPlayerMacros(std::int16_t slot) const
{
    if (!IsSlot(slot))
        return std::nullopt;
    // The ten fields are contiguous: one read fetches them all.
    std::array<char, MacroFieldSize * MacroCount> block{};
    const std::size_t got = m_file.readAt(MacroAt(slot, 0), block.data(), block.size());
    return DecodeMacros(std::string_view(block.data(), got));
}

PlayerFileWriter::PlayerFileWriter(const std::filesystem::path &path)
    : m_file(path, RawFile::Mode::Write)
{
}

PlayerFileWriter::PlayerFileWriter(const std::string &systemPath)
    : PlayerFileWriter(SystemTextPath(systemPath))
{
}

std::string NameFieldBytes(std::u16string_view text)
{
    std::string bytes = EncodePlayerText(CutText(text, NameMaxLength));
    bytes.append(2, '\0');
    return bytes;
}

std::string MacroFieldBytes(const MacroTexts &texts)
{
    std::string bytes;
    bytes.reserve(MacroFieldSize * MacroCount);
    for (const auto &text : texts) {
        const std::u16string_view cut = CutText(text, MacroMaxLength);
        // The check refuses a zero character in the text itself, so it comes
        // before the zero characters that fill the field.
        EncodePlayerText(cut);
        bytes += EncodeText(PadMacro(std::u16string(cut)));
    }
    return bytes;
}

void PlayerFileWriter::WritePlayerName(std::int16_t slot, std::u16string_view text)
{
    if (IsSlot(slot))
        WriteBytes(NameAt(slot), NameFieldBytes(text));
}

void PlayerFileWriter::WritePlayerMacros(std::int16_t slot, const MacroTexts &texts)
{
    if (IsSlot(slot))
        WriteBytes(MacroAt(slot, 0), MacroFieldBytes(texts));
}

void PlayerFileWriter::WriteBytes(std::uint64_t offset, const std::string &bytes)
{
    const std::uint64_t needed = offset + bytes.size();
    const std::uint64_t length = m_file.size();
    if (needed > length)
        throw FileError("Refusing to write", m_file.path(),
                        "the file is " + std::to_string(length) + " bytes long, but " +
                            std::to_string(needed) +
                            " bytes are needed; it is not a complete player file");
    m_file.writeAt(offset, bytes.data(), bytes.size());
    m_file.sync();
}
