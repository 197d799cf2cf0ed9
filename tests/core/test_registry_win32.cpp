// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the game's folder from the registry, against keys that each test
// creates under HKEY_LOCAL_MACHINE's App Paths key (the tests run in a Wine
// prefix of the build folder's own) and deletes again; and from the folder
// dialog's answer.
#include "settings/folderdialog_win32.h"
#include "settings/registry_win32.h"
#include "settings/systemservices.h"
#include "tests/core/check.h"
#include "tests/core/testfiles.h"

#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

const std::string AppPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string GameKey = AppPaths + "\\korvax.exe";
const std::string ScratchKey = AppPaths + "\\korvax-test.exe";

// The two views of the registry that a 64-bit program can ask for.
constexpr REGSAM View32 = KEY_WOW64_32KEY;
constexpr REGSAM View64 = KEY_WOW64_64KEY;

// A volatile key (gone with the wineserver at the latest), deleted when the
// test ends.
class TestKey
{
public:
    explicit TestKey(std::string subKey, REGSAM view = View64)
        : m_subKey(std::move(subKey)), m_view(view)
    {
        const LONG status =
            RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_subKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS | m_view, nullptr, &m_key, nullptr);
        if (status != ERROR_SUCCESS)
            check::fail(__FILE__, __LINE__,
                        "cannot create " + m_subKey + ": status " + std::to_string(status));
    }
    ~TestKey()
    {
        if (m_restricted)
            setPermissions("D:P(A;;KA;;;WD)");
        RegCloseKey(m_key);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, m_subKey.c_str(), m_view, 0);
    }
    TestKey(const TestKey &) = delete;
    TestKey &operator=(const TestKey &) = delete;

    HKEY get() const { return m_key; }

    void set(const std::string &name, DWORD type, const std::string &bytes)
    {
        const LONG status = RegSetValueExA(m_key, name.c_str(), 0, type,
                                           reinterpret_cast<const BYTE *>(bytes.data()),
                                           static_cast<DWORD>(bytes.size()));
        if (status != ERROR_SUCCESS)
            check::fail(__FILE__, __LINE__, "cannot set " + name);
    }
    // A plain string stored with its terminating zero.
    void setString(const std::string &name, const std::string &text)
    {
        set(name, REG_SZ, text + '\0');
    }

    // Lets everyone query values and nothing else (0x1 is KEY_QUERY_VALUE).
    // The handle held here keeps its rights, so the key can still be opened
    // up again and deleted.
    void allowQueryOnly()
    {
        m_restricted = true;
        if (!setPermissions("D:P(A;;0x1;;;WD)"))
            check::fail(__FILE__, __LINE__, "cannot restrict " + m_subKey);
    }

private:
    std::string m_subKey;
    REGSAM m_view;
    HKEY m_key = nullptr;
    bool m_restricted = false;

    bool setPermissions(const char *sddl) noexcept
    {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                  &descriptor, nullptr))
            return false;
        const LONG status = RegSetKeySecurity(m_key, DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
        return status == ERROR_SUCCESS;
    }
};

// What QueryStringValue gives for a value of key, with value starting as `start`.
struct Query
{
    std::int32_t status;
    std::optional<std::string> value;
};

Query query(HKEY key, const std::string &valueName, std::optional<std::string> start = std::nullopt)
{
    Query result{0, std::move(start)};
    result.status = QueryStringValue(key, valueName, result.value);
    return result;
}

// What the stand-in for the shell writes: the path and its zero, as the
// shell writes them into the caller's buffer.
std::string shellPath;

BOOL STDAPICALLTYPE writeShellPath(PCIDLIST_ABSOLUTE items, LPSTR path)
{
    if (!items)
        return FALSE;
    std::memcpy(path, shellPath.c_str(), shellPath.size() + 1);
    return TRUE;
}

} // namespace

TEST_CASE("the folder dialog's answer comes back whole, up to the longest path of 259")
{
    ITEMIDLIST chosen{};
    for (const std::size_t length : {3u, 254u, 255u, 259u}) {
        shellPath = "C:\\" + std::string(length - 3, 'k');
        CHECK_EQ(FolderPathOf(&chosen, writeShellPath), shellPath);
    }
    CHECK_EQ(FolderPathOf(nullptr, writeShellPath), std::string()); // cancelled

    // The shell itself, on a real folder of 257 characters.
    testfiles::TempDir dir;
    std::string folder = dir.path() + "\\";
    folder += std::string(150, 'a') + "\\";
    folder += std::string(257 - folder.size(), 'b');
    CHECK(std::filesystem::create_directories(folder));
    const PIDLIST_ABSOLUTE items = ILCreateFromPathA(folder.c_str());
    CHECK(items != nullptr);
    CHECK_EQ(FolderPathOf(items, SHGetPathFromIDListA), folder);
    CoTaskMemFree(items);
}

TEST_CASE("a plain string with its terminating zero gives its characters")
{
    TestKey key(ScratchKey);
    const std::string path = "C:\\Games"; // 8 characters, 9 bytes stored
    key.setString("Path", path);
    const Query q = query(key.get(), "Path");
    CHECK_EQ(q.status, 0);
    CHECK(q.value == path);
    CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path") == path);

    // Bytes above 127 pass through in the ANSI code page; spaces are kept.
    key.setString("Path", " D:\\Spiele\\K\xD6RVAX ");
    CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path") ==
          std::string(" D:\\Spiele\\K\xD6RVAX "));
}

TEST_CASE("a value of another type gives nothing, status -1, and leaves the value alone")
{
    TestKey key(ScratchKey);
    key.set("Path", REG_EXPAND_SZ, std::string("%ProgramFiles%\\KORVAX") + '\0');
    Query q = query(key.get(), "Path", "kept");
    CHECK_EQ(q.status, -1);
    CHECK(q.value == std::string("kept"));
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path"));

    key.set("Path", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    q = query(key.get(), "Path");
    CHECK_EQ(q.status, -1);
    CHECK(!q.value);
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path"));
}

TEST_CASE("a missing value gives nothing and the system's status for it")
{
    TestKey key(ScratchKey);
    key.setString("Other", "C:\\Games");
    Query q = query(key.get(), "Path", "kept");
    CHECK_EQ(q.status, ERROR_FILE_NOT_FOUND);
    CHECK_EQ(q.status, 2);
    CHECK(q.value == std::string("kept"));
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path"));
}

TEST_CASE("a string stored with size 0 gives nothing and status 0")
{
    TestKey key(ScratchKey);
    key.set("Path", REG_SZ, std::string());
    DWORD type = 0;
    DWORD size = 99;
    CHECK_EQ(RegQueryValueExA(key.get(), "Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    CHECK_EQ(type, DWORD(REG_SZ));
    CHECK_EQ(size, DWORD(0));

    const Query q = query(key.get(), "Path");
    CHECK_EQ(q.status, 0);
    CHECK(!q.value);
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path"));
}

TEST_CASE("a missing key gives nothing; the query on the null handle fails harmlessly")
{
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, AppPaths + "\\korvax-missing.exe", "Path"));
    const Query q = query(nullptr, "Path", "kept");
    CHECK(q.status != 0);
    CHECK(q.value == std::string("kept"));
}

TEST_CASE("a key that allows reading values only is still read")
{
    TestKey key(ScratchKey);
    key.setString("Path", "C:\\Games");
    key.allowQueryOnly();
    // Asking for more than reading is refused on such a key ...
    HKEY refused = nullptr;
    CHECK_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, ScratchKey.c_str(), 0, 63 | View64, &refused),
             ERROR_ACCESS_DENIED);
    // ... but the read asks for nothing else.
    CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, ScratchKey, "Path") == std::string("C:\\Games"));
}

TEST_CASE("the 32-bit view is read first, then the 64-bit view")
{
    // A key of our own under SOFTWARE, which the two views keep apart.
    const std::string subKey = "SOFTWARE\\korvax-test";
    CHECK(!ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, "Path"));
    TestKey key64(subKey, View64);
    key64.setString("Path", "C:\\Program Files\\KORVAX");
    CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, "Path") ==
          std::string("C:\\Program Files\\KORVAX"));
    {
        // Where a 32-bit installer writes: it wins over the 64-bit view.
        TestKey key32(subKey, View32);
        key32.setString("Path", "C:\\Program Files (x86)\\KORVAX");
        CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, "Path") ==
              std::string("C:\\Program Files (x86)\\KORVAX"));
        // An unusable entry there lets the 64-bit view answer.
        key32.set("Path", REG_EXPAND_SZ, std::string("%ProgramFiles%") + '\0');
        CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, "Path") ==
              std::string("C:\\Program Files\\KORVAX"));
        key32.set("Path", REG_SZ, std::string());
        CHECK(ReadRegistryValue(HKEY_LOCAL_MACHINE, subKey, "Path") ==
              std::string("C:\\Program Files\\KORVAX"));
    }
}

TEST_CASE("the game's folder is korvax.exe's Path under App Paths, in either view")
{
    CHECK_EQ(PlatformServices().gameFolderFromRegistry(), std::string());
    for (const REGSAM view : {View32, View64}) {
        TestKey key(GameKey, view);
        key.setString("Path", "C:\\Games\\KORVAX\\");
        CHECK_EQ(PlatformServices().gameFolderFromRegistry(), std::string("C:\\Games\\KORVAX\\"));
    }
    {
        // Installers spell the names as they like; a single space is a
        // folder, taken as it is.
        TestKey key(AppPaths + "\\KORVAX.EXE", View32);
        key.setString("PATH", " ");
        CHECK_EQ(PlatformServices().gameFolderFromRegistry(), std::string(" "));
    }
    {
        TestKey key(GameKey, View64);
        key.set("Path", REG_EXPAND_SZ, std::string("%ProgramFiles%\\KORVAX") + '\0');
        CHECK_EQ(PlatformServices().gameFolderFromRegistry(), std::string());
    }
    CHECK_EQ(PlatformServices().gameFolderFromRegistry(), std::string());
}

CHECK_MAIN
