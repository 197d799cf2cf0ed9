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
    return DecodeName(BytesIn(file, {NameAt(slot), NameAreaSize}));
}

MacroTexts MacrosIn(std::string_view file, std::int16_t slot)
{
    return DecodeMacros(BytesIn(file, MacrosRange(slot)));
}

bool HoldsPlayer(std::string_view file, std::int16_t slot)
{
    return BytesIn(file, NameRange(slot)).size() == NameRange(slot).size &&
           BytesIn(file, MacrosRange(slot)).size() == MacrosRange(slot).size;
}

std::string NameFieldIn(std::string_view file, std::int16_t slot)
{
    std::string name(BytesIn(file, {NameAt(slot), NameMaxLength}));
    name.resize(std::min(name.find('\0'), name.size()));
    name.append(2, '\0');
    return name;
}

FieldStart FieldStartingAt(std::uint64_t offset)
{
    const auto slot = static_cast<std::int16_t>((offset - NameOffset) / SlotStride);
    return {slot, offset == MacroAt(slot, 0)};
}

std::vector<int> DifferingMacros(std::string_view one, std::string_view other)
{
    std::vector<int> macros;
    for (int k = 0; k < MacroCount; ++k) {
        const FieldRange field{MacroFieldSize * std::size_t(k), MacroFieldSize};
        if (BytesIn(one, field) != BytesIn(other, field))
            macros.push_back(k);
    }
    return macros;
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
        player.macros =
            DifferingMacros(BytesIn(then, MacrosRange(slot)), BytesIn(now, MacrosRange(slot)));
    }
    const std::size_t common = std::min(then.size(), now.size());
    const std::size_t longest = std::max(then.size(), now.size());
    for (std::size_t i = 0; i < longest; ++i) {
        if ((i >= common || then[i] != now[i]) && !InPlayerField(i))
            ++difference.gameBytes;
    }
    return difference;
}
