// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/samplesave.h"

#include "playerfile/playerfile.h"

#include <fstream>

namespace SampleSave {

namespace {

constexpr std::size_t SlotStride = 25948;
constexpr std::size_t NameOffset = 20;
constexpr std::size_t MacroOffset = 8420;

std::string field(std::string text)
{
    text.resize(40, '\0');
    return text;
}

} // namespace

unsigned char GameByte(std::size_t offset)
{
    return static_cast<unsigned char>(offset % 251 + 1);
}

const std::array<std::string, 4> &Names()
{
    static const std::array<std::string, 4> names = {
        "Maximilian Vogt", // exactly 15 characters
        "Black&Gold",      // an ampersand
        "Ren\xE9"
        "e Strau\xDF", // Renée Strauß
        "",            // empty
    };
    return names;
}

std::array<std::string, 10> MacroFields(int slot)
{
    const std::string s = std::to_string(slot);
    std::array<std::string, 10> fields;
    for (int k = 0; k < 10; ++k)
        fields[static_cast<std::size_t>(k)] = field("Slot " + s + " macro " + std::to_string(k));
    switch (slot) {
    case 0:
        fields[0] = field("Hello from slot 0!");
        // 40 bytes without a zero: only the first 39 are read.
        fields[1] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
        fields[2] = field(std::string("hi\0there", 8));
        fields[3] = field("  spaced out  ");
        fields[4] = field("");
        fields[5] = field("Gr\xFC\xDF"
                          "e \xE0 tous");
        fields[6] = field("Salt & Pepper");
        break;
    case 1:
        fields[0] = field("Good game, well played");
        fields[9] = field("");
        break;
    case 2:
        fields[0] = field("Regroup at the gate");
        fields[4] = field(" lead space");
        break;
    case 3:
        fields[0] = field("Last slot speaking");
        fields[9] = "0123456789012345678901234567890123456789";
        break;
    default:
        break;
    }
    return fields;
}

std::vector<unsigned char> Bytes()
{
    std::vector<unsigned char> bytes(FileSize);
    for (std::size_t i = 0; i < FileSize; ++i)
        bytes[i] = GameByte(i);
    for (int slot = 0; slot < 4; ++slot) {
        const std::size_t base = SlotStride * static_cast<std::size_t>(slot);
        // The name and its terminating zero; the game's bytes follow.
        const std::string &name = Names()[static_cast<std::size_t>(slot)];
        for (std::size_t i = 0; i < name.size(); ++i)
            bytes[base + NameOffset + i] = static_cast<unsigned char>(name[i]);
        bytes[base + NameOffset + name.size()] = 0;
        const auto fields = MacroFields(slot);
        for (std::size_t k = 0; k < 10; ++k)
            for (std::size_t i = 0; i < 40; ++i)
                bytes[base + MacroOffset + 40 * k + i] = static_cast<unsigned char>(fields[k][i]);
    }
    return bytes;
}

bool WriteTo(const std::string &folder)
{
    std::ofstream out(folder + '/' + PlayerFileName, std::ios::binary | std::ios::trunc);
    const auto bytes = Bytes();
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

} // namespace SampleSave
