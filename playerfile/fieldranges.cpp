// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/fieldranges.h"

#include <algorithm>

using namespace PlayerLayout;

FieldRange NameRange(std::int16_t slot)
{
    return {NameAt(slot), NameMaxLength + 2};
}

FieldRange MacrosRange(std::int16_t slot)
{
    return {MacroAt(slot, 0), MacroFieldSize * MacroCount};
}

std::string_view BytesIn(std::string_view file, FieldRange range)
{
    if (range.offset >= file.size())
        return {};
    return file.substr(range.offset, range.size);
}

std::u16string NameIn(std::string_view file, std::int16_t slot)
{
    std::string_view name = BytesIn(file, {NameAt(slot), NameAreaSize});
    name = name.substr(0, std::min(name.find('\0'), name.size()));
    return DecodeBytes(name);
}

MacroTexts MacrosIn(std::string_view file, std::int16_t slot)
{
    MacroTexts texts;
    for (int k = 0; k < MacroCount; ++k) {
        std::string_view macro = BytesIn(file, {MacroAt(slot, k), MacroReadSize});
        macro = macro.substr(0, std::min(macro.find('\0'), macro.size()));
        texts[static_cast<std::size_t>(k)] = DecodeBytes(macro);
    }
    return texts;
}

namespace {

bool InPlayerField(std::uint64_t offset)
{
    for (std::int16_t slot = 0; slot < SlotCount; ++slot) {
        for (const FieldRange range : {NameRange(slot), MacrosRange(slot)}) {
            if (offset >= range.offset && offset < range.offset + range.size)
                return true;
        }
    }
    return false;
}

} // namespace

CopyDifference Compare(std::string_view then, std::string_view now)
{
    CopyDifference difference;
    for (std::int16_t slot = 0; slot < SlotCount; ++slot) {
        PlayerDifference &player = difference.players[static_cast<std::size_t>(slot)];
        player.nameThen = NameIn(then, slot);
        player.nameNow = NameIn(now, slot);
        player.nameDiffers = BytesIn(then, NameRange(slot)) != BytesIn(now, NameRange(slot));
        for (int k = 0; k < MacroCount; ++k) {
            const FieldRange field{MacroAt(slot, k), MacroFieldSize};
            if (BytesIn(then, field) != BytesIn(now, field))
                player.macros.push_back(k);
        }
    }
    const std::size_t common = std::min(then.size(), now.size());
    const std::size_t longest = std::max(then.size(), now.size());
    for (std::size_t i = 0; i < longest; ++i) {
        if ((i >= common || then[i] != now[i]) && !InPlayerField(i))
            ++difference.gameBytes;
    }
    return difference;
}
