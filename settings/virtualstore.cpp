// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/virtualstore.h"

#include "playerfile/playerfile.h"

#include <algorithm>
#include <iterator>

namespace {

using Components = std::vector<std::u16string_view>;

// The names between separators; empty ones (doubled or trailing separators,
// the two that begin a UNC path) are dropped.
Components ComponentsOf(std::u16string_view path)
{
    Components parts;
    while (!path.empty()) {
        const auto end = path.find_first_of(u"\\/");
        const std::u16string_view part = path.substr(0, end);
        if (!part.empty())
            parts.push_back(part);
        if (end == std::u16string_view::npos)
            break;
        path.remove_prefix(end + 1);
    }
    return parts;
}

char16_t AsciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return AsciiLower(x) == AsciiLower(y); });
}

bool StartsWith(const Components &path, const Components &prefix)
{
    return !prefix.empty() && prefix.size() <= path.size() &&
           std::equal(prefix.begin(), prefix.end(), path.begin(), SameName);
}

} // namespace

bool LiesUnder(std::u16string_view folder, std::u16string_view parent)
{
    return StartsWith(ComponentsOf(folder), ComponentsOf(parent));
}

std::optional<std::u16string>
VirtualStorePlayerFile(std::u16string_view gameFolder,
                       const std::vector<std::u16string> &protectedFolders,
                       std::u16string_view virtualStoreRoot,
                       const std::function<bool(const std::u16string &path)> &exists)
{
    const Components folder = ComponentsOf(gameFolder);
    const bool redirected = std::any_of(
        protectedFolders.begin(), protectedFolders.end(),
        [&](const std::u16string &parent) { return StartsWith(folder, ComponentsOf(parent)); });
    if (!redirected || virtualStoreRoot.empty())
        return std::nullopt;
    std::u16string copy(virtualStoreRoot);
    while (!copy.empty() && (copy.back() == u'\\' || copy.back() == u'/'))
        copy.pop_back();
    // The first component is the drive.
    for (auto part = folder.begin() + 1; part != folder.end(); ++part)
        copy.append(u"\\").append(*part);
    copy += u'\\';
    copy.append(std::begin(PlayerFileName), std::end(PlayerFileName) - 1); // without its zero
    if (!exists(copy))
        return std::nullopt;
    return copy;
}
