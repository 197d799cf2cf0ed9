// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string_view>

// Names in settings files, Wine's registry and Windows paths are matched
// without regard to the case of ASCII letters only: other bytes are compared
// as they are, whatever code page they are in. Kept here, in the lowest
// folder of the settings that matches such names, for the settings file and
// the game's process above it too.

inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool SameIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// `text` without the characters of `blanks` at either end.
inline std::string_view TrimmedOf(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Whether `text` stands inside one pair of matching quotes, double or single,
// as settings and launcher files may write a value.
inline bool InMatchingQuotes(std::string_view text)
{
    return text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
           text.back() == text.front();
}
