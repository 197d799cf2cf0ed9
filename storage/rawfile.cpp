// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/rawfile.h"

#include <cerrno>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
#endif

namespace {

// What a failed opening in `mode` says it tried.
const char *openingAction(RawFile::Mode mode)
{
    switch (mode) {
    case RawFile::Mode::CreateNew:
        return "Cannot create";
    case RawFile::Mode::Read:
        return "Cannot open for reading";
    case RawFile::Mode::Write:
        break;
    }
    return "Cannot open for writing";
}

// The same words whether the system refused the opening or would have let
// this user (root) write.
FileError ReadOnlyRefusal(const std::filesystem::path &path)
{
    return FileError(openingAction(RawFile::Mode::Write), path,
                     std::string("the file is read-only"));
}

} // namespace

#ifdef _WIN32

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

DWORD AccessFor(RawFile::Mode mode)
{
    switch (mode) {
    case RawFile::Mode::Read:
        return GENERIC_READ;
    case RawFile::Mode::Write:
        return GENERIC_WRITE;
    case RawFile::Mode::CreateNew:
        break;
    }
    return GENERIC_READ | GENERIC_WRITE;
}

} // namespace

RawFile::RawFile(std::filesystem::path path, Mode mode, std::uint32_t permissions)
    : m_path(std::move(path))
{
    static_cast<void>(permissions); // a new file takes its folder's security
    const char *action = openingAction(mode);
    HANDLE h = CreateFileW(m_path.c_str(), AccessFor(mode), FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, mode == Mode::CreateNew ? CREATE_NEW : OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const unsigned long code = GetLastError();
        const DWORD attributes = GetFileAttributesW(m_path.c_str());
        if (mode == Mode::Write && code == ERROR_ACCESS_DENIED &&
            attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            throw ReadOnlyRefusal(m_path);
        throw FileError(action, m_path, code);
    }
    // A pipe or a device (CON, NUL) would block or swallow the transfers.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        throw FileError(action, m_path, "not a regular file");
    }
    // Windows itself refuses the opening; Wine run by root does not.
    BY_HANDLE_FILE_INFORMATION info{};
    if (mode == Mode::Write && GetFileInformationByHandle(h, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        CloseHandle(h);
        throw ReadOnlyRefusal(m_path);
    }
    m_handle = h;
}

RawFile::~RawFile()
{
    if (m_handle)
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

void RawFile::resize(std::uint64_t size)
{
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(static_cast<HANDLE>(m_handle), end, nullptr, FILE_BEGIN) ||
        !SetEndOfFile(static_cast<HANDLE>(m_handle)))
        fail("Cannot change the length of");
}

void RawFile::reserve(std::uint64_t size)
{
    // Windows gives a file the disk space of its length when it is set.
    resize(size);
}

std::uint64_t RawFile::linkCount() const
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(static_cast<HANDLE>(m_handle), &info))
        fail("Cannot examine");
    return info.nNumberOfLinks;
}

void RawFile::close()
{
    if (!CloseHandle(static_cast<HANDLE>(std::exchange(m_handle, nullptr))))
        fail("Cannot close");
}

#else

namespace {

// Runs a transfer again when a signal interrupted it; a negative result is
// the system's failure, with errno set.
template <typename Transfer> auto uninterrupted(const Transfer &transfer)
{
    for (;;) {
        const auto moved = transfer();
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

// No write permission for anyone: the file was marked read-only.
bool ReadOnlyMode(mode_t mode)
{
    return (mode & 0222u) == 0;
}

int FlagsFor(RawFile::Mode mode)
{
    switch (mode) {
    case RawFile::Mode::Read:
        return O_RDONLY | O_NONBLOCK;
    case RawFile::Mode::Write:
        return O_WRONLY | O_NONBLOCK;
    case RawFile::Mode::CreateNew:
        break;
    }
    // O_NOFOLLOW: a link planted at the name is refused, not written through
    // (O_EXCL already says so; this says it twice).
    return O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
}

#ifdef __linux__
// Calls `get` with a buffer as large as it asks for, again while the
// attribute grows meanwhile; false where `absent` takes the failure's errno.
template <typename Get, typename Absent>
bool GrowingRead(const std::filesystem::path &path, const Get &get, std::string &bytes,
                 const Absent &absent)
{
    for (;;) {
        const ssize_t size = get(nullptr, 0);
        if (size >= 0) {
            bytes.resize(static_cast<std::size_t>(size));
            const ssize_t got = get(bytes.data(), bytes.size());
            if (got >= 0) {
                bytes.resize(static_cast<std::size_t>(got));
                return true;
            }
        }
        if (errno == ERANGE)
            continue;
        if (absent(errno))
            return false;
        throw FileError("Cannot read the extended attributes of", path, LastSystemError());
    }
}

// The names of the file's extended attributes, each ended by a zero byte;
// false on a file system that has none.
bool ListAttributes(const std::filesystem::path &path, int fd, std::string &names)
{
    return GrowingRead(
        path, [fd](char *buffer, std::size_t n) { return ::flistxattr(fd, buffer, n); }, names,
        [](int code) { return code == ENOTSUP; });
}

bool AttributeValue(const std::filesystem::path &path, int fd, const char *name, std::string &value)
{
    return GrowingRead(
        path, [fd, name](char *buffer, std::size_t n) { return ::fgetxattr(fd, name, buffer, n); },
        value, [](int code) { return code == ENODATA || code == ENOTSUP; });
}

// An attribute this user may not set (security.*, trusted.* for anyone but
// root) or this file system does not hold.
bool PassedOver(int code)
{
    return code == EPERM || code == EACCES || code == ENOTSUP;
}
#endif

} // namespace

RawFile::RawFile(std::filesystem::path path, Mode mode, std::uint32_t permissions)
    : m_path(std::move(path))
{
    const char *action = openingAction(mode);
    struct stat info
    {
    };
    // Opening a FIFO would wait for its other end forever, and for writing
    // without one fails with a reason that names no FIFO: look first. A
    // read-only file is refused here before the system says "Permission
    // denied" to some users and nothing to root.
    if (mode != Mode::CreateNew && ::stat(m_path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            throw FileError(action, m_path, notRegularFile(info.st_mode));
        if (mode == Mode::Write && S_ISREG(info.st_mode) && ReadOnlyMode(info.st_mode))
            throw ReadOnlyRefusal(m_path);
    }
    m_fd = ::open(m_path.c_str(), FlagsFor(mode) | O_CLOEXEC, static_cast<mode_t>(permissions));
    if (m_fd < 0)
        fail(action);
    // A folder opens for reading on POSIX; refuse it here with the reason the
    // read would give, so the message names the real problem. The path may
    // also have been replaced since the look above.
    if (::fstat(m_fd, &info) == 0 && !S_ISREG(info.st_mode)) {
        ::close(std::exchange(m_fd, -1));
        if (!S_ISDIR(info.st_mode))
            throw FileError(action, m_path, notRegularFile(info.st_mode));
        throw FileError(action, m_path, static_cast<unsigned long>(EISDIR));
    }
    // Made read-only since the look above.
    if (mode == Mode::Write && ReadOnlyMode(info.st_mode)) {
        ::close(std::exchange(m_fd, -1));
        throw ReadOnlyRefusal(m_path);
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
            throw FileError("Cannot write", m_path, std::string("no byte was written"));
        done += static_cast<std::size_t>(put);
    }
}

void RawFile::sync()
{
    if (::fsync(m_fd) != 0)
        fail("Cannot flush to disk");
}

void RawFile::resize(std::uint64_t size)
{
    if (uninterrupted([&] { return ::ftruncate(m_fd, static_cast<off_t>(size)); }) != 0)
        fail("Cannot change the length of");
}

void RawFile::reserve(std::uint64_t size)
{
    // A longer length alone would leave a hole that the disk may not be able
    // to fill later; posix_fallocate takes the blocks now.
    const int error = ::posix_fallocate(m_fd, 0, static_cast<off_t>(size));
    if (error != 0)
        throw FileError("Cannot make room in", m_path, static_cast<unsigned long>(error));
}

RawFile::Access RawFile::access() const
{
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0)
        fail("Cannot examine");
    return {info.st_uid, info.st_gid, info.st_mode & 07777u};
}

std::uint64_t RawFile::linkCount() const
{
    struct stat info
    {
    };
    if (::fstat(m_fd, &info) != 0)
        fail("Cannot examine");
    return static_cast<std::uint64_t>(info.st_nlink);
}

void RawFile::takeAccess(const Access &wanted)
{
    // The owner first: a change of owner clears the set-id bits.
    if (::fchown(m_fd, wanted.owner, wanted.group) != 0) {
        if (errno != EPERM)
            fail("Cannot give the owner to");
        // Not root and the file is someone else's: this user keeps it. The
        // group and the permissions below still let the same people at it.
        const auto keepGroup = ::fchown(m_fd, static_cast<uid_t>(-1), wanted.group);
        static_cast<void>(keepGroup); // not a member of that group: ours stays
    }
    if (::fchmod(m_fd, static_cast<mode_t>(wanted.mode)) != 0)
        fail("Cannot set the permissions of");
}

void RawFile::takeExtendedAttributes(const RawFile &other)
{
#ifdef __linux__
    std::string names;
    if (!ListAttributes(other.m_path, other.m_fd, names))
        return; // a file system without them
    for (std::size_t at = 0; at < names.size(); at = names.find('\0', at) + 1) {
        const char *name = names.c_str() + at;
        std::string value;
        if (!AttributeValue(other.m_path, other.m_fd, name, value))
            continue; // removed meanwhile
        if (::fsetxattr(m_fd, name, value.data(), value.size(), 0) != 0 && !PassedOver(errno))
            fail(std::string("Cannot set the extended attribute ") + name + " of");
    }
#else
    static_cast<void>(other);
#endif
}

void RawFile::close()
{
    if (::close(std::exchange(m_fd, -1)) != 0)
        fail("Cannot close");
}

#endif

void RawFile::fail(const std::string &action) const
{
    const unsigned long code = LastSystemError();
    throw FileError(action, m_path, code);
}
