// SPDX-License-Identifier: GPL-3.0-or-later
#include "copies/gameprocess.h"

#include "copies/filedescriptor.h"
#include "settings/wine/asciitext.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <array>
#else
#include <charconv>
#include <memory>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#endif

bool IsGameProgram(std::string_view path)
{
    const auto separator = path.find_last_of("/\\");
    const std::string_view name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    return SameIgnoringAsciiCase(name, "korvax.exe");
}

bool IsGameRunning()
{
    return !GameProcessIds().empty();
}

#ifdef _WIN32

namespace {

// A snapshot of the process list, closed in every case.
class ProcessSnapshot
{
public:
    ProcessSnapshot() : m_handle(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)) {}
    ~ProcessSnapshot()
    {
        if (valid())
            CloseHandle(m_handle);
    }
    ProcessSnapshot(const ProcessSnapshot &) = delete;
    ProcessSnapshot &operator=(const ProcessSnapshot &) = delete;

    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// A program's name in the ANSI code page, cut to the -A entry's MAX_PATH.
std::array<char, MAX_PATH> ansiName(const wchar_t *name)
{
    std::array<char, MAX_PATH> ansi{};
    WideCharToMultiByte(CP_ACP, 0, name, -1, ansi.data(), static_cast<int>(ansi.size() - 1),
                        nullptr, nullptr);
    return ansi;
}

} // namespace

std::vector<std::uint32_t> GameProcessIds()
{
    std::vector<std::uint32_t> ids;
    // Without a snapshot nothing is known to run, and the edit goes ahead
    // unquestioned, as it would with no check at all.
    const ProcessSnapshot snapshot;
    if (!snapshot.valid())
        return ids;
    // The wide calls are named, whatever UNICODE says (Qt defines it for
    // this library), and each name is put in the ANSI code page as the -A
    // calls would give it.
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (IsGameProgram(ansiName(entry.szExeFile).data()))
            ids.push_back(entry.th32ProcessID);
    }
    return ids;
}

#else

namespace {

struct FolderCloser
{
    void operator()(DIR *folder) const { ::closedir(folder); }
};
using Folder = std::unique_ptr<DIR, FolderCloser>;

// The longest first field looked at; a Windows path is at most 32,767
// characters.
constexpr std::size_t LongestField = 64 * 1024;

// The file's bytes before the first `end` byte (or all of them), or nothing
// when it cannot be opened or read: the process has ended, or is not ours
// to look at.
std::optional<std::string> FirstField(int folder, const std::string &file, char end)
{
    const FileDescriptor fd(::openat(folder, file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return std::nullopt;
    std::string field;
    char chunk[512];
    while (field.size() < LongestField) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got < 0)
            return std::nullopt;
        const std::string_view piece(chunk, static_cast<std::size_t>(got));
        const auto stop = piece.find(end);
        field += piece.substr(0, stop);
        if (got == 0 || stop != std::string_view::npos)
            break;
    }
    return field;
}

std::optional<std::uint32_t> ProcessId(std::string_view name)
{
    std::uint32_t id = 0;
    const auto [rest, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (name.empty() || error != std::errc() || rest != name.data() + name.size())
        return std::nullopt;
    return id;
}

bool IsGameProcess(int proc, const std::string &id)
{
    // Wine names the process after the Windows program; the first word of
    // the command line is that program's path as it was started.
    const auto comm = FirstField(proc, id + "/comm", '\n');
    if (comm && IsGameProgram(*comm))
        return true;
    const auto program = FirstField(proc, id + "/cmdline", '\0');
    return program && IsGameProgram(*program);
}

} // namespace

std::vector<std::uint32_t> GameProcessIdsIn(const std::string &procRoot)
{
    std::vector<std::uint32_t> ids;
    const Folder proc(::opendir(procRoot.c_str()));
    if (!proc)
        return ids;
    while (const dirent *entry = ::readdir(proc.get())) {
        const std::string name = entry->d_name;
        const auto id = ProcessId(name);
        if (id && IsGameProcess(::dirfd(proc.get()), name))
            ids.push_back(*id);
    }
    return ids;
}

std::vector<std::uint32_t> GameProcessIds()
{
    return GameProcessIdsIn("/proc");
}

#endif
