// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/rawfile.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

PlayerFileError::PlayerFileError(const std::string &action, const std::string &path,
                                 const std::string &reason)
    : std::runtime_error(action + " \"" + path + "\": " + reason), m_path(path), m_reason(reason)
{
}

namespace {

// What a failed opening in `mode` says it tried.
const char *openingAction(RawFile::Mode mode)
{
    switch (mode) {
    case RawFile::Mode::Create:
        return "Cannot create";
    case RawFile::Mode::Read:
        return "Cannot open for reading";
    case RawFile::Mode::Write:
        break;
    }
    return "Cannot open for writing";
}

} // namespace

#ifdef _WIN32

std::string LastSystemErrorText()
{
    return SystemErrorText(GetLastError());
}

std::string SystemErrorText(unsigned long code)
{
    char *text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr);
    std::string message =
        length ? std::string(text, length) : "system error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' '))
        message.pop_back();
    return message;
}

namespace {

// A positioned transfer: ReadFile and WriteFile take the offset in an
// OVERLAPPED record, split into two 32-bit halves.
OVERLAPPED At(std::uint64_t where)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(where & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    return at;
}

} // namespace

RawFile::RawFile(std::string path, Mode mode) : m_path(std::move(path))
{
    const bool reading = mode == Mode::Read;
    const bool creating = mode == Mode::Create;
    const char *action = openingAction(mode);
    HANDLE h = CreateFileA(
        m_path.c_str(), reading ? GENERIC_READ : GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
        nullptr, creating ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        fail(action);
    // A pipe or a device (CON, NUL) would block or swallow the transfers.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        throw PlayerFileError(action, m_path, "not a regular file");
    }
    m_handle = h;
}

RawFile::~RawFile()
{
    CloseHandle(static_cast<HANDLE>(m_handle));
}

std::uint64_t RawFile::size() const
{
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(static_cast<HANDLE>(m_handle), &size))
        fail("Cannot measure");
    return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t RawFile::readAt(std::uint64_t offset, char *buffer, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED at = At(offset + done);
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(m_handle), buffer + done, static_cast<DWORD>(n - done),
                      &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            fail("Cannot read");
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

void RawFile::writeAt(std::uint64_t offset, const char *data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED at = At(offset + done);
        DWORD put = 0;
        if (!WriteFile(static_cast<HANDLE>(m_handle), data + done, static_cast<DWORD>(n - done),
                       &put, &at) ||
            put == 0)
            fail("Cannot write");
        done += put;
    }
}

void RawFile::sync()
{
    if (!FlushFileBuffers(static_cast<HANDLE>(m_handle)))
        fail("Cannot flush to disk");
}

void RenameOver(const std::string &from, const std::string &to)
{
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw PlayerFileError("Cannot rename \"" + from + "\" to", to, LastSystemErrorText());
}

void RemoveFileQuietly(const std::string &path)
{
    DeleteFileA(path.c_str());
}

void SyncFolderOf(const std::string &)
{
    // Windows has no flush of a folder's entries; the editor's own renames
    // use MoveFileExA's MOVEFILE_WRITE_THROUGH instead.
}

#else

std::string LastSystemErrorText()
{
    return SystemErrorText(static_cast<unsigned long>(errno));
}

std::string SystemErrorText(unsigned long code)
{
    return std::strerror(static_cast<int>(code));
}

namespace {

// Runs a positioned transfer again when a signal interrupted it; a negative
// result is the system's failure, with errno set.
template <typename Transfer> ssize_t uninterrupted(const Transfer &transfer)
{
    for (;;) {
        const ssize_t moved = transfer();
        if (moved >= 0 || errno != EINTR)
            return moved;
    }
}

// What a path that is not a regular file names, for the failure message.
std::string notRegularFile(mode_t mode)
{
    const char *kind = S_ISFIFO(mode)                   ? "a FIFO"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "not a file";
    return std::string("not a regular file (") + kind + ")";
}

} // namespace

RawFile::RawFile(std::string path, Mode mode) : m_path(std::move(path))
{
    const bool reading = mode == Mode::Read;
    const bool creating = mode == Mode::Create;
    const char *action = openingAction(mode);
    // Opening a FIFO would wait for its other end forever, and for writing
    // without one fails with a reason that names no FIFO: look first.
    struct stat info
    {
    };
    if (::stat(m_path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw PlayerFileError(action, m_path, notRegularFile(info.st_mode));
    const int flags = creating ? O_WRONLY | O_CREAT | O_TRUNC : reading ? O_RDONLY : O_WRONLY;
    m_fd = ::open(m_path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (m_fd < 0)
        fail(action);
    // A folder opens for reading on POSIX; refuse it here with the reason the
    // read would give, so the message names the real problem. The path may
    // also have been replaced since the look above.
    if (::fstat(m_fd, &info) == 0 && !S_ISREG(info.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        if (!S_ISDIR(info.st_mode))
            throw PlayerFileError(action, m_path, notRegularFile(info.st_mode));
        errno = EISDIR;
        fail(action);
    }
}

RawFile::~RawFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::uint64_t RawFile::size() const
{
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0)
        fail("Cannot measure");
    return static_cast<std::uint64_t>(info.st_size);
}

std::size_t RawFile::readAt(std::uint64_t offset, char *buffer, std::size_t n) const
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t got = uninterrupted([&] {
            return ::pread(m_fd, buffer + done, n - done, static_cast<off_t>(offset + done));
        });
        if (got < 0)
            fail("Cannot read");
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void RawFile::writeAt(std::uint64_t offset, const char *data, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        const ssize_t put = uninterrupted([&] {
            return ::pwrite(m_fd, data + done, n - done, static_cast<off_t>(offset + done));
        });
        if (put < 0)
            fail("Cannot write");
        // Nothing taken and no error: trying again would take nothing again.
        if (put == 0)
            throw PlayerFileError("Cannot write", m_path, "no byte was written");
        done += static_cast<std::size_t>(put);
    }
}

void RawFile::sync()
{
    if (::fsync(m_fd) != 0)
        fail("Cannot flush to disk");
}

void RenameOver(const std::string &from, const std::string &to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw PlayerFileError("Cannot rename \"" + from + "\" to", to, LastSystemErrorText());
}

void SyncFolderOf(const std::string &path)
{
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void RemoveFileQuietly(const std::string &path)
{
    ::unlink(path.c_str());
}

#endif

void RawFile::fail(const std::string &action) const
{
    throw PlayerFileError(action, m_path, LastSystemErrorText());
}
