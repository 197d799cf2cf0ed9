// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/wine/wineregistry.h"

#include "playerfile/codepage.h"
#include "settings/wine/asciitext.h"
#include "storage/wholefile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view FileHeader = "WINE REGISTRY Version 2";
constexpr std::string_view AppPathsKey = GameAppPathsKey;

// The key's 32-bit view, where Wine keeps what a 32-bit program wrote below
// SOFTWARE: Wow6432Node after the first name.
std::string wow64View(std::string_view key)
{
    const std::size_t below = key.find('\\') + 1;
    return std::string(key.substr(0, below)) + "Wow6432Node\\" + std::string(key.substr(below));
}

// The key's last two names, which both views share, as Wine writes them in a
// key line: backslashes doubled, ASCII letters as they are.
std::string keyInFile(std::string_view key)
{
    std::string text;
    for (const char c : key.substr(key.rfind('\\', key.rfind('\\') - 1) + 1)) {
        text.push_back(c);
        if (c == '\\')
            text.push_back(c);
    }
    return text;
}

// The control character that a letter escape such as \n stands for, or 0.
char letterEscape(char c)
{
    constexpr std::string_view letters = "abefnrtv";
    constexpr std::string_view codes = "\a\b\x1B\f\n\r\t\v";
    const std::size_t at = letters.find(c);
    return at == std::string_view::npos ? '\0' : codes[at];
}

bool isAsciiLetter(char c)
{
    return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z';
}

bool isOctalDigit(char c)
{
    return c >= '0' && c <= '7';
}

int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void skipSpaces(std::string_view &text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
}

bool consume(std::string_view &text, std::string_view prefix)
{
    if (!text.starts_with(prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

// Collects a decoded text as UTF-8: escapes give UTF-16 code units (pairs of
// surrogates are joined), other bytes of the file pass through unchanged.
class Utf8Text
{
public:
    void addUnit(std::uint32_t unit)
    {
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (m_highSurrogate) {
            if (!low)
                m_broken = true;
            else
                addCodePoint(0x10000 + ((m_highSurrogate - 0xD800) << 10) + (unit - 0xDC00));
            m_highSurrogate = 0;
        } else if (high) {
            m_highSurrogate = unit;
        } else if (low) {
            m_broken = true;
        } else {
            addCodePoint(unit);
        }
    }

    void addByte(char c)
    {
        if (m_highSurrogate)
            m_broken = true;
        m_highSurrogate = 0;
        m_text.push_back(c);
    }

    // The text, or nothing when it holds a surrogate without its partner.
    std::optional<std::string> result() const
    {
        if (m_broken || m_highSurrogate)
            return std::nullopt;
        return m_text;
    }

private:
    void addCodePoint(std::uint32_t cp) { AppendUtf8(m_text, static_cast<char32_t>(cp)); }

    std::string m_text;
    std::uint32_t m_highSurrogate = 0;
    bool m_broken = false;
};

// Decodes an escaped text up to the first unescaped `end` and consumes it
// with that character. Nothing when the text has no end or a bad escape.
std::optional<std::string> readEscaped(std::string_view &text, char end)
{
    Utf8Text out;
    std::size_t i = 0;
    while (i < text.size() && text[i] != end) {
        if (text[i] != '\\') {
            out.addByte(text[i++]);
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        const char c = text[i++];
        if (const char code = letterEscape(c)) {
            out.addUnit(static_cast<unsigned char>(code));
        } else if (c == 'x') {
            // One to four hex digits; Wine pads to four when a hex digit follows.
            std::uint32_t unit = 0;
            int digits = 0;
            for (; digits < 4 && i < text.size() && hexDigitValue(text[i]) >= 0; ++digits)
                unit = unit * 16 + static_cast<std::uint32_t>(hexDigitValue(text[i++]));
            if (digits == 0)
                return std::nullopt;
            out.addUnit(unit);
        } else if (isOctalDigit(c)) {
            std::uint32_t unit = static_cast<std::uint32_t>(c - '0');
            for (int digits = 1; digits < 3 && i < text.size() && isOctalDigit(text[i]); ++digits)
                unit = unit * 8 + static_cast<std::uint32_t>(text[i++] - '0');
            out.addUnit(unit);
        } else {
            out.addByte(c); // \\, \" and \] stand for the character itself
        }
    }
    if (i == text.size())
        return std::nullopt;
    text.remove_prefix(i + 1);
    return out.result();
}

// A key line without its leading '[': the key's path, or nothing.
std::optional<std::string> parseKeyLine(std::string_view line)
{
    return readEscaped(line, ']');
}

// A value line: its name and, for a readable plain string, its text.
std::optional<WineRegistryValue> parseValueLine(std::string_view line)
{
    WineRegistryValue value;
    if (!consume(line, "@")) {
        if (!consume(line, "\""))
            return std::nullopt;
        auto name = readEscaped(line, '"');
        if (!name)
            return std::nullopt;
        value.name = std::move(*name);
    }
    skipSpaces(line);
    if (!consume(line, "="))
        return std::nullopt;
    skipSpaces(line);
    // Only REG_SZ written as a string is taken; Wine writes a plain string
    // bare and accepts "str:" for it. Every other type yields no text.
    if (consume(line, "\"") || consume(line, "str:\""))
        value.text = readEscaped(line, '"');
    return value;
}

// Whether `text` holds `needle` at `at`, without regard to ASCII case.
bool matchesAt(std::string_view text, std::size_t at, std::string_view needle)
{
    return SameIgnoringAsciiCase(text.substr(at, needle.size()), needle);
}

// Whether `text` holds `needle` (not empty) without regard to ASCII case.
// Most files searched hold no match and are megabytes long, so positions are
// first picked 64 at a time by the needle's first and last bytes, with
// case folded by setting bit 0x20 (a loose test, which the exact comparison
// then settles); the compiler turns that inner loop into vector code.
bool holdsIgnoringCase(std::string_view text, std::string_view needle)
{
    if (text.size() < needle.size())
        return false;
    constexpr std::size_t Block = 64;
    const std::size_t positions = text.size() - needle.size() + 1;
    const std::size_t lastOffset = needle.size() - 1;
    const auto fold = [](char c) { return static_cast<unsigned char>(c | 0x20); };
    const unsigned char first = fold(needle.front());
    const unsigned char last = fold(needle.back());
    const auto *bytes = reinterpret_cast<const unsigned char *>(text.data());
    std::size_t at = 0;
    for (; at + Block <= positions; at += Block) {
        unsigned char candidates = 0;
        for (std::size_t i = at; i < at + Block; ++i)
            candidates |= static_cast<unsigned char>(((bytes[i] | 0x20) == first) &
                                                     ((bytes[i + lastOffset] | 0x20) == last));
        if (!candidates)
            continue;
        for (std::size_t i = at; i < at + Block; ++i) {
            if (matchesAt(text, i, needle))
                return true;
        }
    }
    for (; at < positions; ++at) {
        if (matchesAt(text, at, needle))
            return true;
    }
    return false;
}

// The path's folder names below the drive, with "." and ".." applied as
// Windows does (never above the drive's root).
std::vector<std::string> folderNames(std::string_view path)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t stop = std::min(path.find_first_of("\\/", start), path.size());
        const std::string_view name = path.substr(start, stop - start);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.emplace_back(name);
        }
        start = stop + 1;
    }
    return names;
}

// The real path of the entry `name` in `folder`: the exact name if it exists,
// else the first (in byte order) that matches without regard to case.
std::optional<fs::path> findEntry(const fs::path &folder, const std::string &name)
{
    std::error_code error;
    std::optional<fs::path> found;
    if (fs::exists(folder / name, error)) {
        found = folder / name;
    } else {
        for (fs::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            const fs::path entry = it->path();
            if (SameIgnoringAsciiCase(entry.filename().string(), name) &&
                fs::exists(entry, error) && (!found || entry.filename() < found->filename()))
                found = entry;
        }
    }
    if (!found)
        return std::nullopt;
    fs::path real = fs::canonical(*found, error);
    if (error)
        return std::nullopt;
    return real;
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

std::vector<WineRegistryKey> ParseWineRegistry(std::string_view text, const WineKeyFilter &wanted)
{
    std::vector<WineRegistryKey> keys;
    bool haveKey = false; // false after a key line that could not be read
    bool firstLine = true;
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (firstLine) {
            if (line != FileHeader)
                return {};
            firstLine = false;
            continue;
        }
        skipSpaces(line);
        if (consume(line, "[")) {
            auto path = parseKeyLine(line);
            haveKey = path.has_value() && (!wanted || wanted(*path));
            if (haveKey)
                keys.push_back({std::move(*path), {}});
        } else if (haveKey && (line.starts_with('"') || line.starts_with('@'))) {
            if (auto value = parseValueLine(line))
                keys.back().values.push_back(std::move(*value));
        }
        // Comments (;), options (#), hex continuations and anything else: skipped.
    }
    return keys;
}

std::optional<std::string> FindWineRegistryString(const std::vector<WineRegistryKey> &keys,
                                                  std::string_view keyPath,
                                                  std::string_view valueName)
{
    std::optional<std::string> found;
    for (const WineRegistryKey &key : keys) {
        if (!SameIgnoringAsciiCase(key.path, keyPath))
            continue;
        for (const WineRegistryValue &value : key.values) {
            if (SameIgnoringAsciiCase(value.name, valueName))
                found = value.text;
        }
    }
    return found;
}

bool WineFileMentions(const std::string &file, std::string_view text, std::size_t pieceSize)
{
    std::error_code error;
    if (text.empty() || pieceSize == 0 || !fs::is_regular_file(file, error) ||
        fs::file_size(file, error) > MaxWineRegistrySize || error)
        return false;
    std::ifstream in(file, std::ios::binary);
    std::uintmax_t left = MaxWineRegistrySize; // it may grow while it is read
    // Each piece goes after the last text.size() - 1 bytes of the one before,
    // so a match across two pieces is found too.
    const std::size_t kept = text.size() - 1;
    std::string buffer(kept + pieceSize, '\0');
    std::size_t filled = 0;
    while (left > 0 &&
           (in.read(buffer.data() + filled,
                    static_cast<std::streamsize>(std::min<std::uintmax_t>(pieceSize, left))),
            in.gcount() > 0)) {
        filled += static_cast<std::size_t>(in.gcount());
        left -= static_cast<std::uintmax_t>(in.gcount());
        if (holdsIgnoringCase(std::string_view(buffer).substr(0, filled), text))
            return true;
        const std::size_t carry = std::min(kept, filled);
        std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(filled - carry),
                  buffer.begin() + static_cast<std::ptrdiff_t>(filled), buffer.begin());
        filled = carry;
    }
    return false;
}

std::string MapWineWindowsPath(const std::string &prefix, std::string_view windowsPath)
{
    // Only absolute paths on a drive: "X:\..." (UNC, device and relative
    // paths have no place in the prefix).
    const bool onDrive = windowsPath.size() >= 3 && isAsciiLetter(windowsPath[0]) &&
                         windowsPath[1] == ':' && isSeparator(windowsPath[2]);
    if (prefix.empty() || !onDrive || windowsPath.find('\0') != std::string_view::npos)
        return {};

    std::error_code error;
    const std::string drive{AsciiLower(windowsPath[0]), ':'};
    fs::path folder = fs::canonical(fs::path(prefix) / "dosdevices" / drive, error);
    if (error || !fs::is_directory(folder, error))
        return {};

    bool exists = true;
    for (const std::string &name : folderNames(windowsPath.substr(3))) {
        if (exists) {
            if (auto entry = findEntry(folder, name)) {
                folder = std::move(*entry);
                continue;
            }
            exists = false;
        }
        folder /= name;
    }

    std::string result = folder.string();
    if (isSeparator(windowsPath.back()) && !result.ends_with('/'))
        result += '/';
    return result;
}

std::optional<std::vector<std::string>> ReadGameAppPaths(const std::string &regFile)
{
    try {
        static const std::string wow64Key = wow64View(AppPathsKey);
        static const std::string appPathsInFile = keyInFile(AppPathsKey);
        // Most prefixes searched do not hold the game: a look at the bytes
        // costs a tenth of a parse.
        if (!WineFileMentions(regFile, appPathsInFile)) {
            std::error_code error;
            const bool readable = fs::is_regular_file(regFile, error) &&
                                  fs::file_size(regFile, error) <= MaxWineRegistrySize && !error;
            return readable ? std::optional(std::vector<std::string>()) : std::nullopt;
        }
        const std::string text = ReadWholeFile(regFile, MaxWineRegistrySize);
        // Only the two keys asked for keep their values, which spares
        // the start-up the values of every other key in the file.
        const auto keys = ParseWineRegistry(text, [](std::string_view path) {
            return SameIgnoringAsciiCase(path, AppPathsKey) ||
                   SameIgnoringAsciiCase(path, wow64Key);
        });
        // The 32-bit view first, as the Windows build reads it (the game's
        // installer is a 32-bit program), then the 64-bit view.
        std::vector<std::string> paths;
        for (const std::string_view key : {std::string_view(wow64Key), AppPathsKey}) {
            auto value = FindWineRegistryString(keys, key, "Path");
            if (value && !value->empty())
                paths.push_back(std::move(*value));
        }
        return paths;
    } catch (const std::exception &) {
        // Out of memory or a file system fault: read as unreadable.
    }
    return std::nullopt;
}

std::optional<unsigned> ReadAnsiCodePage(const std::string &regFile)
{
    try {
        constexpr std::string_view CodePageKey =
            "System\\CurrentControlSet\\Control\\Nls\\CodePage";
        const std::string text = ReadWholeFile(regFile, MaxWineRegistrySize);
        const auto keys = ParseWineRegistry(
            text, [&](std::string_view path) { return SameIgnoringAsciiCase(path, CodePageKey); });
        const std::string value = FindWineRegistryString(keys, CodePageKey, "ACP").value_or("");
        unsigned codePage = 0;
        const auto [end, error] =
            std::from_chars(value.data(), value.data() + value.size(), codePage);
        return error == std::errc() && end == value.data() + value.size() ? codePage : 0;
    } catch (const std::exception &) {
        // Out of memory or a file system fault: read as unreadable.
    }
    return std::nullopt;
}

std::string MapGameAppPaths(const std::string &prefix, const std::vector<std::string> &paths)
{
    try {
        for (const std::string &path : paths) {
            std::string folder = MapWineWindowsPath(prefix, path);
            if (!folder.empty())
                return folder;
        }
    } catch (const std::exception &) {
        // Out of memory or a file system fault: no folder.
    }
    return {};
}

std::string GameFolderFromWinePrefix(const std::string &prefix)
{
    if (prefix.empty())
        return {};
    const auto paths = ReadGameAppPaths(prefix + "/system.reg");
    return paths ? MapGameAppPaths(prefix, *paths) : std::string();
}
