// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The player's fields in a whole file's bytes, and what differs between two
// states of the file (a copy and the file now): for each player the name
// and which macros, and how many bytes of the game's own data.

#include "playerfile/playerfile.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A run of bytes in the player file.
struct FieldRange
{
    std::uint64_t offset = 0;
    std::size_t size = 0;
};

// The bytes the editor ever writes for a player: the name field (15
// characters and two zero bytes), and the ten macro fields.
FieldRange NameRange(std::int16_t slot);
FieldRange MacrosRange(std::int16_t slot);

// The bytes of `file` in `range`; fewer where the file ends first.
std::string_view BytesIn(std::string_view file, FieldRange range);

// The slot's name as ReadPlayerName reads it, from a whole file's bytes.
std::u16string NameIn(std::string_view file, std::int16_t slot);
// The slot's macros as ReadPlayerMacros reads them, likewise.
MacroTexts MacrosIn(std::string_view file, std::int16_t slot);

// Whether `file` holds the whole of the slot's name field and macro fields.
bool HoldsPlayer(std::string_view file, std::int16_t slot);
// The name field as a write of the slot's name in `file` puts it: the
// name's bytes, at most 15, and two zero bytes; the bytes after them are
// the game's.
std::string NameFieldIn(std::string_view file, std::int16_t slot);

// The player field that a range the editor wrote begins with: a slot's
// name, or its ten macros.
struct FieldStart
{
    std::int16_t slot = 0;
    bool macros = false;
};
FieldStart FieldStartingAt(std::uint64_t offset);

// The macros, 0 to 9, whose fields differ between two runs of a player's
// macro fields as MacrosRange takes them; a field one run lacks counts.
std::vector<int> DifferingMacros(std::string_view one, std::string_view other);

struct PlayerDifference
{
    std::u16string nameThen;
    std::u16string nameNow;
    bool nameDiffers = false; // the name field's bytes
    std::vector<int> macros;  // the macros, 0 to 9, whose fields differ

    bool same() const { return !nameDiffers && macros.empty(); }
};

struct CopyDifference
{
    std::array<PlayerDifference, PlayerLayout::SlotCount> players;
    // The bytes outside every player's fields that differ; where one file
    // is longer, each byte beyond the other's end counts.
    std::uint64_t gameBytes = 0;
};

CopyDifference Compare(std::string_view then, std::string_view now);
