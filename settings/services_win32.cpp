// SPDX-License-Identifier: GPL-3.0-or-later
// System services on Windows. Texts cross in the ANSI code page, like the
// player file's; the editor's own files (the settings file) are named by
// wide paths, through the -W calls, so that any user folder works.
#include "settings/folderdialog_win32.h"
#include "settings/registry_win32.h"
#include "settings/systemservices.h"
#include "settings/wine/wineregistry.h"
#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>

namespace {

// Keeps COM initialised on this thread while the folder dialog runs. The
// window toolkit normally has done it already; then this only counts up.
class ComApartment
{
public:
    ComApartment() : m_initialised(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment()
    {
        if (m_initialised)
            CoUninitialize();
    }
    ComApartment(const ComApartment &) = delete;
    ComApartment &operator=(const ComApartment &) = delete;

private:
    bool m_initialised;
};

// An item list from the shell, freed with CoTaskMemFree in every case (a
// null list included).
class ItemList
{
public:
    explicit ItemList(PIDLIST_ABSOLUTE items) : m_items(items) {}
    ~ItemList() { CoTaskMemFree(m_items); }
    ItemList(const ItemList &) = delete;
    ItemList &operator=(const ItemList &) = delete;

    PIDLIST_ABSOLUTE get() const { return m_items; }

private:
    PIDLIST_ABSOLUTE m_items;
};

// An opened registry key, or the null handle when the opening failed. It is
// closed in either case.
class RegistryKey
{
public:
    RegistryKey(HKEY root, const std::string &subKey, REGSAM access)
    {
        if (RegOpenKeyExA(root, subKey.c_str(), 0, access, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryKey() { RegCloseKey(m_key); }
    RegistryKey(const RegistryKey &) = delete;
    RegistryKey &operator=(const RegistryKey &) = delete;

    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// The text before the first zero character.
std::string textBeforeZero(const std::string &buffer)
{
    return buffer.substr(0, buffer.find('\0'));
}

} // namespace

std::string PlatformServices::browseForFolder(NativeWindow owner, const std::string &title)
{
    const ComApartment com;
    BROWSEINFOA request{};
    request.hwndOwner = reinterpret_cast<HWND>(owner);
    request.pidlRoot = nullptr; // the whole namespace, from the desktop
    request.pszDisplayName = nullptr;
    request.lpszTitle = title.c_str();
    request.ulFlags = BIF_RETURNONLYFSDIRS;
    request.lpfn = nullptr;
    request.lParam = 0;
    request.iImage = 0;
    const ItemList items(SHBrowseForFolderA(&request));
    return FolderPathOf(items.get(), SHGetPathFromIDListA);
}

std::string FolderPathOf(PCIDLIST_ABSOLUTE items, PathFromItemList getPath)
{
    // Filled with spaces, so only the shell's zero ends the path.
    std::string buffer(MAX_PATH, ' ');
    if (!getPath(items, buffer.data()))
        return {};
    return textBeforeZero(buffer);
}

namespace {

// The settings file's texts in the ANSI code page, as the -A calls took and
// gave them; only its path needs the wide calls.
std::wstring WideOf(const std::string &ansi)
{
    return SystemTextPath(ansi).native();
}

std::string AnsiOf(const std::wstring &wide)
{
    const int length = static_cast<int>(wide.size());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, nullptr);
    return ansi;
}

} // namespace

std::string PlatformServices::readProfileString(const std::filesystem::path &fileName,
                                                const std::string &section, const std::string &key,
                                                const std::string &defaultValue)
{
    constexpr DWORD BufferSize = MaxProfileValueLength + 1;
    std::wstring buffer(BufferSize, L'\0');
    const DWORD copied = GetPrivateProfileStringW(WideOf(section).c_str(), WideOf(key).c_str(),
                                                  WideOf(defaultValue).c_str(), buffer.data(),
                                                  BufferSize, fileName.c_str());
    buffer.resize(copied);
    return AnsiOf(buffer);
}

void PlatformServices::writeProfileString(const std::filesystem::path &fileName,
                                          const std::string &section, const std::string &key,
                                          const std::string &value)
{
    // The settings file's folder (the editor's own, in the user's folder)
    // may not be there yet. Where it cannot be made nothing is written, and
    // the next start asks for the game folder again.
    if (!MakeFolderOf(fileName))
        return;
    WritePrivateProfileStringW(WideOf(section).c_str(), WideOf(key).c_str(), WideOf(value).c_str(),
                               fileName.c_str());
}

std::int32_t QueryStringValue(HKEY key, const std::string &valueName,
                              std::optional<std::string> &value)
{
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        return status;
    if (type != REG_SZ)
        return -1;
    if (size == 0)
        return status; // a zero-length string: nothing to read, not even its zero

    std::string buffer(size, '\0');
    status = RegQueryValueExA(key, valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE *>(buffer.data()), &size);
    if (status != ERROR_SUCCESS) {
        value.reset();
        return status;
    }
    // The second query gives the size actually copied; a value emptied in
    // between leaves nothing to take.
    if (size == 0)
        return status;
    buffer.resize(size - 1); // drop the stored terminating zero
    value = std::move(buffer);
    return status;
}

std::optional<std::string> ReadRegistryValue(HKEY root, const std::string &subKey,
                                             const std::string &valueName)
{
#ifdef _WIN64
    // The game's installer is a 32-bit program, so its entry lies in the
    // 32-bit view of the registry; a 64-bit build asks that view first, as
    // the 32-bit build does implicitly, and then its own.
    constexpr std::array<REGSAM, 2> views{KEY_WOW64_32KEY, KEY_WOW64_64KEY};
#else
    constexpr std::array<REGSAM, 1> views{0};
#endif
    for (const REGSAM view : views) {
        // Read rights only: a user without administrator rights may not ask
        // for more on a key under HKEY_LOCAL_MACHINE.
        const RegistryKey key(root, subKey, KEY_QUERY_VALUE | view);
        std::optional<std::string> value;
        QueryStringValue(key.get(), valueName, value);
        if (value)
            return value;
    }
    return std::nullopt;
}

std::string PlatformServices::gameFolderFromRegistry()
{
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, GameAppPathsKey, "Path").value_or(std::string());
}

unsigned PlatformServices::gameCodePage(const std::string &)
{
    // The game runs with the system's own, as this program does.
    return GetACP();
}

void PlatformServices::openWebAddress(const std::string &address)
{
    ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

std::filesystem::path PlatformServices::executableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return ".";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2); // cut short: try a larger buffer
    }
    const auto separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::filesystem::path(".")
                                           : std::filesystem::path(path.substr(0, separator));
}

std::filesystem::path PlatformServices::userSettingsFolder()
{
    PWSTR wide = nullptr;
    const HRESULT found = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &wide);
    std::filesystem::path folder =
        SUCCEEDED(found) ? std::filesystem::path(wide) : std::filesystem::path();
    CoTaskMemFree(wide);
    return folder;
}
