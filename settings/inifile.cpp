// SPDX-License-Identifier: GPL-3.0-or-later
// A small INI reader and writer that behaves like Windows' profile-string
// calls. Reading looks a key up in one pass over the file's bytes; writing
// splits the file into lines once, edits them and saves the result without
// disturbing any other byte of the file.
#include "settings/inifile.h"

#include "settings/systemservices.h"
#include "settings/wine/asciitext.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Files written by Windows use CRLF; so do new files and files that have no
// line end yet.
constexpr std::string_view DefaultLineEnd = "\r\n";

struct IniLine
{
    enum class Kind { Other, Section, Key };

    std::string text; // the line without its line end
    std::string end;  // "\r\n", "\n", "\r", or "" for a last line without one
    Kind kind = Kind::Other;
    std::string name; // section or key name, blanks trimmed
};

struct IniDocument
{
    std::vector<IniLine> lines;
    std::string lineEnd; // the file's own line end, used for new lines
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

struct LineKind
{
    IniLine::Kind kind = IniLine::Kind::Other;
    std::string_view name; // section or key name, blanks trimmed
};

LineKind classifyText(std::string_view line)
{
    const std::string_view text = IniTrimmed(line);
    if (text.empty() || text.front() == ';')
        return {};
    if (text.front() == '[') {
        // The name ends at the first ']' and anything after it is ignored. A
        // '[' line without any ']' is neither a section nor a key; the keys
        // below it stay in the section above, as Windows reads them.
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return {};
        return {IniLine::Kind::Section, IniTrimmed(text.substr(1, close - 1))};
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {IniLine::Kind::Key, IniTrimmed(text.substr(0, equals))};
}

void classify(IniLine &line)
{
    const LineKind kind = classifyText(line.text);
    line.kind = kind.kind;
    line.name = kind.name;
}

// The key's value, found in one pass over the bytes that stops at the key:
// a read builds no lines. Nothing when the first matching section (or, for
// the empty name, the lines before the first header) has no such key.
std::optional<std::string> findValue(std::string_view bytes, std::string_view section,
                                     std::string_view key)
{
    bool inSection = section.empty();
    while (!bytes.empty()) {
        const std::size_t stop = std::min(bytes.find_first_of("\r\n"), bytes.size());
        const std::string_view line = bytes.substr(0, stop);
        bytes.remove_prefix(std::min(stop + 1, bytes.size()));
        const LineKind kind = classifyText(line);
        if (kind.kind == IniLine::Kind::Section) {
            if (inSection)
                return std::nullopt; // only the first matching section counts
            inSection = SameIgnoringAsciiCase(kind.name, section);
        } else if (kind.kind == IniLine::Kind::Key && inSection &&
                   SameIgnoringAsciiCase(kind.name, key)) {
            return IniValueAsRead(line.substr(line.find('=') + 1));
        }
    }
    return std::nullopt;
}

IniDocument parse(const std::string &bytes)
{
    IniDocument doc;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto stop = bytes.find_first_of("\r\n", start);
        IniLine line;
        if (stop == std::string::npos) {
            line.text = bytes.substr(start);
            start = bytes.size();
        } else {
            const std::size_t endLength =
                bytes[stop] == '\r' && stop + 1 < bytes.size() && bytes[stop + 1] == '\n' ? 2 : 1;
            line.text = bytes.substr(start, stop - start);
            line.end = bytes.substr(stop, endLength);
            start = stop + endLength;
        }
        if (doc.lineEnd.empty())
            doc.lineEnd = line.end;
        classify(line);
        doc.lines.push_back(std::move(line));
    }
    if (doc.lineEnd.empty())
        doc.lineEnd = DefaultLineEnd;
    return doc;
}

std::string serialize(const IniDocument &doc)
{
    std::size_t size = 0;
    for (const auto &line : doc.lines)
        size += line.text.size() + line.end.size();
    std::string bytes;
    bytes.reserve(size);
    for (const auto &line : doc.lines)
        bytes.append(line.text).append(line.end);
    return bytes;
}

// The index of the first line below the first header of the section, or
// none. Lines before the first header form a section without a name.
std::optional<std::size_t> findSection(const IniDocument &doc, std::string_view section)
{
    if (section.empty())
        return 0;
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const auto &line = doc.lines[i];
        if (line.kind == IniLine::Kind::Section && SameIgnoringAsciiCase(line.name, section))
            return i + 1;
    }
    return std::nullopt;
}

// One past the last line of the section whose lines start at `begin`.
std::size_t sectionEnd(const IniDocument &doc, std::size_t begin)
{
    std::size_t i = begin;
    while (i < doc.lines.size() && doc.lines[i].kind != IniLine::Kind::Section)
        ++i;
    return i;
}

// The section's key lines, found once: a lookup and a rewrite each pass
// over the file's lines once, whatever its size.
struct SectionLines
{
    std::size_t begin;
    std::size_t end;
};

std::optional<SectionLines> findSectionLines(const IniDocument &doc, std::string_view section)
{
    const auto begin = findSection(doc, section);
    if (!begin)
        return std::nullopt;
    return SectionLines{*begin, sectionEnd(doc, *begin)};
}

std::optional<std::size_t> findKey(const IniDocument &doc, SectionLines lines, std::string_view key)
{
    for (std::size_t i = lines.begin; i < lines.end; ++i) {
        const auto &line = doc.lines[i];
        if (line.kind == IniLine::Kind::Key && SameIgnoringAsciiCase(line.name, key))
            return i;
    }
    return std::nullopt;
}

// A settings file holds a few lines; anything larger, or anything but a
// regular file (a FIFO, a device such as /dev/zero), is not one and is
// neither read nor written.
constexpr std::uintmax_t MaxSettingsFileSize = 1024 * 1024;

std::optional<std::string> readFile(const fs::path &path)
{
    try {
        return ReadWholeFile(path, MaxSettingsFileSize);
    } catch (const FileError &) {
        return std::nullopt;
    }
}

// Puts `text` as a new line before index `at`, ending the line above first
// when it was the file's last line without a line end.
void insertLine(IniDocument &doc, std::size_t at, std::string text)
{
    if (at > 0 && doc.lines[at - 1].end.empty())
        doc.lines[at - 1].end = doc.lineEnd;
    IniLine line;
    line.text = std::move(text);
    line.end = doc.lineEnd;
    doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

void setValue(IniDocument &doc, const std::string &section, const std::string &key,
              const std::string &value)
{
    const auto lines = findSectionLines(doc, section);
    if (!lines) {
        // No blank line before a new section, as the Windows call writes it
        // (seen under Wine).
        insertLine(doc, doc.lines.size(), "[" + section + "]");
        insertLine(doc, doc.lines.size(), key + "=" + value);
        return;
    }
    if (const auto found = findKey(doc, *lines, key)) {
        // Everything up to the '=' stays as the user or Windows wrote it.
        auto &line = doc.lines[*found];
        line.text = line.text.substr(0, line.text.find('=') + 1) + value;
        return;
    }
    // Below the section's last key, or right below its header.
    std::size_t at = lines->begin;
    for (std::size_t i = lines->begin; i < lines->end; ++i) {
        if (doc.lines[i].kind == IniLine::Kind::Key)
            at = i + 1;
    }
    insertLine(doc, at, key + "=" + value);
}

bool hasLineBreakOrZero(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A name that would not read back as itself, or would break the file's
// structure, is refused rather than written.
bool isWritableName(std::string_view name, std::string_view forbidden)
{
    return !name.empty() && !isBlank(name.front()) && !isBlank(name.back()) &&
           !hasLineBreakOrZero(name) && name.find_first_of(forbidden) == std::string_view::npos;
}

bool isWritableKey(std::string_view key)
{
    return isWritableName(key, "=") && key.front() != ';' && key.front() != '[';
}

// The file is replaced through a new file beside it, so that it is either
// the old file or the new one, never a part; a link's target is replaced, a
// file the user made read-only is left alone.
bool save(const fs::path &target, const std::string &bytes, bool existed)
{
    try {
        if (existed)
            ReplaceWholeFile(target, bytes);
        else
            WriteNewAndRename(target, bytes);
        return true;
    } catch (const FileError &) {
        // No new file beside it (a folder that takes none, a name too long
        // for a temporary one): below.
    }
    // The file itself is rewritten, never cut short before the new bytes are
    // in, so a full disk leaves it as it was; read-only stays refused.
    try {
        if (existed)
            OverwriteInPlace(target, bytes);
        else
            WriteNewFile(target, bytes);
        return true;
    } catch (const FileError &) {
        return false;
    }
}

// A link to the settings file stays a link: its target is rewritten.
fs::path resolvedTarget(const fs::path &path)
{
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        auto target = fs::weakly_canonical(path, error);
        if (!error)
            return target;
    }
    return path;
}

} // namespace

std::string_view IniTrimmed(std::string_view text)
{
    return TrimmedOf(text, " \t");
}

// As Windows hands a value out: the zero byte ends it as a C string would.
std::string IniValueAsRead(std::string_view written)
{
    std::string_view value = IniTrimmed(written);
    if (InMatchingQuotes(value))
        value = value.substr(1, value.size() - 2);
    value = value.substr(0, value.find('\0'));
    return std::string(value.substr(0, MaxProfileValueLength));
}

std::string IniReadString(const fs::path &fileName, const std::string &section,
                          const std::string &key, const std::string &defaultValue)
{
    // Windows drops trailing spaces from the default.
    std::string result = defaultValue.substr(0, defaultValue.find_last_not_of(' ') + 1);
    try {
        if (const auto bytes = readFile(fileName)) {
            if (auto value = findValue(*bytes, section, key))
                result = std::move(*value);
        }
    } catch (const std::exception &) {
        // An unusable name or no memory: the caller gets the default.
    }
    return result.substr(0, MaxProfileValueLength);
}

bool IniWriteString(const fs::path &fileName, const std::string &section, const std::string &key,
                    const std::string &value)
{
    // A line break in any of the texts would add lines of its own to the file.
    if (!isWritableName(section, "]") || !isWritableKey(key) || hasLineBreakOrZero(value))
        return false;
    try {
        const fs::path target = resolvedTarget(fileName);
        std::error_code error;
        const bool existed = fs::exists(target, error);
        if (error)
            return false;
        IniDocument doc;
        if (existed) {
            const auto bytes = readFile(target);
            if (!bytes)
                return false; // never overwrite what could not be read
            doc = parse(*bytes);
        } else {
            doc = parse({});
        }
        setValue(doc, section, key, value);
        const std::string bytes = serialize(doc);
        // A file that the next read would refuse is not written.
        if (bytes.size() > MaxSettingsFileSize)
            return false;
        return save(target, bytes, existed);
    } catch (const std::exception &) {
        return false;
    }
}
