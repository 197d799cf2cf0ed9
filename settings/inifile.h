// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A reader and writer of INI settings files with the behaviour of Windows'
// profile-string calls, for systems that lack them. Texts are raw bytes.

// The value of the first matching key of the first matching section, or
// defaultValue; at most 254 characters. A file that is not a regular file,
// or is larger than 1 MiB, is not a settings file and reads as missing.
std::string IniReadString(const std::filesystem::path &fileName, const std::string &section,
                          const std::string &key, const std::string &defaultValue);

// Sets the key's value, creating the file, the section and the key as
// needed. Returns false when the file could not be written whole, or could
// not be read first: such a file is left as it was.
bool IniWriteString(const std::filesystem::path &fileName, const std::string &section,
                    const std::string &key, const std::string &value);

// A name or a value as the reader takes it from a line: spaces and tabs
// trimmed at both ends.
std::string_view IniTrimmed(std::string_view text);

// What IniReadString gives for a key line "key=written": blanks trimmed, one
// pair of matching quotes removed, cut at a zero byte and to 254 characters.
std::string IniValueAsRead(std::string_view written);
