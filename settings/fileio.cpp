// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/fileio.h"

#include "playerfile/filecopy.h"
#include "playerfile/rawfile.h"
#include "settings/filedescriptor.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <fstream>
#include <io.h>
#include <sys/stat.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32

// The CRT's descriptor calls, on the same wide names that the standard
// streams open with.
using Offset = long long;

int openFile(const fs::path &path, int flags)
{
    return ::_wopen(path.c_str(), flags | _O_BINARY, _S_IREAD | _S_IWRITE);
}

bool writeAllAt(int fd, Offset offset, std::string_view bytes)
{
    if (::_lseeki64(fd, offset, SEEK_SET) != offset)
        return false;
    while (!bytes.empty()) {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 20));
        const int put = ::_write(fd, bytes.data(), chunk);
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

bool syncFile(int fd)
{
    return ::_commit(fd) == 0;
}

bool sizeOf(int fd, Offset &size)
{
    size = ::_filelengthi64(fd);
    return size >= 0;
}

// Windows gives a file the disk space of its length when it is set.
bool reserve(int fd, Offset size)
{
    return ::_chsize_s(fd, size) == 0;
}

bool resize(int fd, Offset size)
{
    return ::_chsize_s(fd, size) == 0;
}

constexpr int NewFileFlags = _O_WRONLY | _O_CREAT | _O_EXCL;
constexpr int ExistingFileFlags = _O_WRONLY;

#else

using Offset = off_t;

int openFile(const fs::path &path, int flags)
{
    return ::open(path.c_str(), flags | O_CLOEXEC, 0666);
}

bool writeAllAt(int fd, Offset offset, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(put));
        offset += put;
    }
    return true;
}

bool syncFile(int fd)
{
    return ::fsync(fd) == 0;
}

bool sizeOf(int fd, Offset &size)
{
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    size = info.st_size;
    return true;
}

// A longer length alone would leave a hole that the disk may not be able to
// fill later; posix_fallocate takes the blocks now.
bool reserve(int fd, Offset size)
{
    return ::posix_fallocate(fd, 0, size) == 0;
}

bool resize(int fd, Offset size)
{
    return ::ftruncate(fd, size) == 0;
}

constexpr int NewFileFlags = O_WRONLY | O_CREAT | O_EXCL;
constexpr int ExistingFileFlags = O_WRONLY | O_NONBLOCK;

#endif

// One open descriptor, closed by the destructor unless close() was called.

} // namespace

std::optional<std::string> ReadRegularFile(const fs::path &path, std::uintmax_t maxSize)
{
#ifdef _WIN32
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return std::nullopt;
    const auto size = fs::file_size(path, error);
    if (error || size > maxSize)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad() || static_cast<std::uintmax_t>(in.gcount()) != size ||
        in.peek() != std::ifstream::traits_type::eof())
        return std::nullopt;
    return text;
#else
    // Without O_NONBLOCK, opening a FIFO waits for a writer forever.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info
    {
    };
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uintmax_t>(info.st_size) > maxSize)
        return std::nullopt;
    // One byte more than the size, to see a file that grew meanwhile.
    std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
        const ssize_t got = ::read(fd.get(), text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
        if (filled == text.size()) {
            if (filled > maxSize)
                return std::nullopt;
            text.resize(
                static_cast<std::size_t>(std::min<std::uintmax_t>(filled * 2, maxSize + 1)));
        }
    }
    text.resize(filled);
    return text;
#endif
}

NewFile WriteNewFile(const fs::path &path, std::string_view bytes)
{
    FileDescriptor fd(openFile(path, NewFileFlags));
    if (!fd.valid())
        return NewFile::NotCreated;
    if (writeAllAt(fd.get(), 0, bytes) && syncFile(fd.get()) && fd.close())
        return NewFile::Written;
    fd.close();
    std::error_code error;
    fs::remove(path, error);
    return NewFile::NotWritten;
}

bool OverwriteInPlace(const fs::path &path, std::string_view bytes)
{
    FileDescriptor fd(openFile(path, ExistingFileFlags));
    Offset oldSize = 0;
    if (!fd.valid() || !sizeOf(fd.get(), oldSize))
        return false;
    const auto newSize = static_cast<Offset>(bytes.size());
    if (newSize > oldSize && !reserve(fd.get(), newSize)) {
        resize(fd.get(), oldSize); // whatever part of the space was taken
        return false;
    }
    return writeAllAt(fd.get(), 0, bytes) && syncFile(fd.get()) &&
           (newSize >= oldSize || (resize(fd.get(), newSize) && syncFile(fd.get()))) && fd.close();
}

bool MakeFolderOf(const std::string &file)
{
#ifdef _WIN32
    const auto separator = file.find_last_of("\\/");
#else
    const auto separator = file.rfind('/');
#endif
    if (separator == std::string::npos || separator == 0)
        return true;
    try {
        MakeFolders(file.substr(0, separator));
        return true;
    } catch (const PlayerFileError &error) {
        std::cerr << error.what() << '\n';
        return false;
    }
}

bool FolderTakesNewFiles(const std::string &folder)
{
    std::random_device random;
    const fs::path probe =
        fs::path(folder) / (".korvax-editor-probe-" + std::to_string(random() % 100000000u));
    if (WriteNewFile(probe, {}) != NewFile::Written)
        return false;
    std::error_code error;
    fs::remove(probe, error);
    return true;
}
