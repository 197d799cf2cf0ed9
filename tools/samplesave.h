// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A synthetic, deterministic player file for the demo, the tests and the
// benchmarks. Every byte that belongs to the game holds a recognisable
// non-zero pattern, so a test can prove that those bytes never change.
namespace SampleSave {

constexpr std::size_t FileSize = 4 * 25948; // 103792

// The pattern byte at an offset that belongs to the game (never zero).
unsigned char GameByte(std::size_t offset);

// The four names as stored (Windows-1252 bytes): one of exactly 15
// characters, one with an ampersand, one with é and ß, one empty.
const std::array<std::string, 4> &Names();

// The raw 40-byte macro fields of a slot, as stored.
std::array<std::string, 10> MacroFields(int slot);

// The whole file.
std::vector<unsigned char> Bytes();

// Writes the file as folder/kvxplr.sav; returns false on failure.
bool WriteTo(const std::string &folder);

} // namespace SampleSave
