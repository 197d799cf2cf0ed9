// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/wine/prefixcache.h"

#include "settings/wine/wineregistry.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The first line; a file that starts otherwise is not ours, or of another
// version, and is ignored.
constexpr std::string_view Header = "KORVAX editor: Wine registry answers, version 2";

// A hundred prefixes take about 20 KB; a much larger file is not ours.
constexpr std::uintmax_t MaxCacheFileSize = 4 * 1024 * 1024;

constexpr std::string_view HexDigits = "0123456789ABCDEF";

// Fields are separated by tabs, records by newlines: those, CR and the
// escape character itself are written as %XX.
std::string escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const auto high = HexDigits.find(text[i + 1]);
        const auto low = HexDigits.find(text[i + 2]);
        if (high == std::string_view::npos || low == std::string_view::npos)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

// The tab-separated fields of one record.
std::vector<std::string_view> fieldsOf(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

template <typename Number> std::optional<Number> numberOf(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// An answer not known yet is written as the empty field.
template <typename Number> std::string fieldOf(const std::optional<Number> &value)
{
    return value ? std::to_string(*value) : std::string();
}

} // namespace

WineRegistryCache::WineRegistryCache(std::string cacheFile) : m_file(std::move(cacheFile))
{
    if (!m_file.empty())
        load();
}

std::optional<WineRegistryCache::Identity> WineRegistryCache::identityOf(const std::string &file)
{
    struct stat info
    {
    };
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return Identity{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::uint64_t>(info.st_size),
                    std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

// One record a line: the registry file's path, its identity, its code page,
// the number of App Paths values and the values.
void WineRegistryCache::load()
{
    std::string text;
    try {
        text = ReadWholeFile(m_file, MaxCacheFileSize);
    } catch (const FileError &) {
        return; // written once there is something to remember
    }
    if (!text.starts_with(std::string(Header) + "\n")) {
        m_changed = true;
        return;
    }
    constexpr std::size_t Fixed = 7;
    std::string_view rest = std::string_view(text).substr(Header.size() + 1);
    while (!rest.empty()) {
        const std::size_t newline = rest.find('\n');
        if (newline == std::string_view::npos)
            break; // a record cut short
        const auto fields = fieldsOf(rest.substr(0, newline));
        rest.remove_prefix(newline + 1);
        if (fields.size() < Fixed)
            break;
        const auto file = unescaped(fields[0]);
        const auto device = numberOf<std::uint64_t>(fields[1]);
        const auto inode = numberOf<std::uint64_t>(fields[2]);
        const auto size = numberOf<std::uint64_t>(fields[3]);
        const auto modified = numberOf<std::int64_t>(fields[4]);
        const auto codePage = numberOf<unsigned>(fields[5]);
        const auto count = numberOf<std::size_t>(fields[6]);
        if (!file || !device || !inode || !size || !modified || (!codePage && !fields[5].empty()) ||
            (!count && !fields[6].empty()) || fields.size() != Fixed + count.value_or(0))
            break;
        Entry entry{{*device, *inode, *size, *modified}, {}, codePage, false};
        if (count) {
            entry.paths.emplace();
            for (std::size_t i = Fixed; i < fields.size(); ++i) {
                auto path = unescaped(fields[i]);
                if (!path)
                    break;
                entry.paths->push_back(std::move(*path));
            }
            if (entry.paths->size() != *count)
                break;
        }
        m_entries[*file] = std::move(entry);
    }
    if (!rest.empty()) {
        // Damaged: nothing of it is trusted.
        m_entries.clear();
        m_changed = true;
    }
}

template <typename Answer, typename Read>
std::optional<Answer> WineRegistryCache::answer(const std::string &regFile,
                                                std::optional<Answer> Entry::*field, Read read)
{
    const auto identity = identityOf(regFile);
    const auto known = m_entries.find(regFile);
    const bool same = identity && known != m_entries.end() && known->second.identity == *identity;
    if (same && known->second.*field) {
        known->second.used = true;
        return known->second.*field;
    }
    auto value = read(regFile);
    if (identity && value) {
        Entry &entry =
            same ? known->second : (m_entries[regFile] = Entry{*identity, {}, {}, false});
        entry.*field = value;
        entry.used = true;
        m_changed = true;
    } else if (m_entries.erase(regFile) > 0) {
        m_changed = true;
    }
    return value;
}

std::optional<std::vector<std::string>> WineRegistryCache::gameAppPaths(const std::string &regFile)
{
    return answer(regFile, &Entry::paths, ReadGameAppPaths);
}

std::optional<unsigned> WineRegistryCache::ansiCodePage(const std::string &regFile)
{
    return answer(regFile, &Entry::codePage, ReadAnsiCodePage);
}

std::string WineRegistryCache::serialized() const
{
    std::string text = std::string(Header) + "\n";
    for (const auto &[file, entry] : m_entries) {
        if (!entry.used && identityOf(file) != entry.identity)
            continue;
        const Identity &id = entry.identity;
        text += escaped(file) + '\t' + std::to_string(id.device) + '\t' + std::to_string(id.inode) +
                '\t' + std::to_string(id.size) + '\t' + std::to_string(id.modifiedNs) + '\t' +
                fieldOf(entry.codePage) + '\t' +
                fieldOf(entry.paths ? std::optional(entry.paths->size()) : std::nullopt);
        for (const std::string &path : entry.paths.value_or(std::vector<std::string>()))
            text += '\t' + escaped(path);
        text += '\n';
    }
    return text;
}

void WineRegistryCache::save()
{
    if (m_file.empty() || !m_changed)
        return;
    // A cache that cannot be kept is read afresh next time: no failure.
    try {
        const fs::path file(m_file);
        MakeFolders(file.parent_path());
        WriteNewAndRename(file, serialized());
        m_changed = false;
    } catch (const FileError &) {
    }
}

std::string WineRegistryCacheFile(const std::string &xdgCacheHome, const std::string &home)
{
    fs::path folder;
    if (fs::path(xdgCacheHome).is_absolute())
        folder = xdgCacheHome;
    else if (!home.empty())
        folder = fs::path(home) / ".cache";
    else
        return {};
    return (folder / "korvax-editor" / "wine-registries.cache").string();
}
