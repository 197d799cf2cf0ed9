// SPDX-License-Identifier: GPL-3.0-or-later
// Where Windows redirects the game's writes: its protected folders and the
// user's VirtualStore, from the system itself, and the game folder spelled
// as the system compares it.
#include "settings/editedfile.h"
#include "settings/systemservices.h"
#include "settings/virtualstore.h"
#include "storage/fileerror.h"

#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include <array>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::u16string Utf16Of(const std::wstring &wide)
{
    return std::u16string(wide.begin(), wide.end());
}

// A known folder's path, freed in every case; empty when the system has none.
std::wstring KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    const HRESULT found = SHGetKnownFolderPath(id, 0, nullptr, &path);
    std::wstring folder = SUCCEEDED(found) && path ? std::wstring(path) : std::wstring();
    CoTaskMemFree(path);
    return folder;
}

std::vector<std::u16string> ProtectedFolders()
{
    std::vector<std::u16string> folders;
    for (const KNOWNFOLDERID *id : std::array{&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86,
                                              &FOLDERID_Windows, &FOLDERID_ProgramData}) {
        const std::wstring folder = KnownFolder(*id);
        if (!folder.empty())
            folders.push_back(Utf16Of(folder));
    }
    return folders;
}

// Fills a buffer by a call that gives the length it needs when the buffer
// is too small, and 0 on failure.
template <typename Call> std::wstring Grown(Call call)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length);
    }
}

// The full path with long names (C:\PROGRA~2 becomes C:\Program Files (x86)),
// as far as the folder exists; the full path where it does not.
std::wstring Resolved(const std::wstring &path)
{
    const std::wstring full = Grown([&](wchar_t *buffer, DWORD size) {
        return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
    });
    if (full.empty())
        return path;
    const std::wstring longer = Grown(
        [&](wchar_t *buffer, DWORD size) { return GetLongPathNameW(full.c_str(), buffer, size); });
    return longer.empty() ? full : longer;
}

} // namespace

std::filesystem::path PlatformServices::virtualStorePlayerFile(const std::string &gameFolder)
{
    const std::wstring localAppData = KnownFolder(FOLDERID_LocalAppData);
    if (localAppData.empty())
        return {};
    const auto file = VirtualStorePlayerFile(
        Utf16Of(Resolved(SystemTextPath(gameFolder).native())), ProtectedFolders(),
        Utf16Of(localAppData) + u"\\VirtualStore", [](const std::u16string &path) {
            std::error_code error;
            return std::filesystem::is_regular_file(std::filesystem::path(path), error);
        });
    return file ? std::filesystem::path(*file) : std::filesystem::path();
}

bool RefusedInProtectedFolder(const FileError &error)
{
    if (error.code() != ERROR_ACCESS_DENIED)
        return false;
    const std::u16string folder = Utf16Of(Resolved(error.path().parent_path().native()));
    for (const std::u16string &parent : ProtectedFolders()) {
        if (LiesUnder(folder, parent))
            return true;
    }
    return false;
}
