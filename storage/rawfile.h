// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/fileerror.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

// One handle on a regular file. Read and Write open an existing file, for
// reading only or for writing only, and never create, truncate or lengthen
// it; CreateNew makes a file that must not exist yet, for reading and
// writing, and follows no link at its name. Anything but a regular file (a
// FIFO, a device) is refused without waiting on it: "not a regular file".
// Write refuses a file marked read-only (no write permission at all on
// POSIX, the read-only attribute on Windows) with "the file is read-only",
// for every user alike: root, whom the system would let write, too.
// Every failure throws FileError. Released by the destructor.
class RawFile
{
public:
    enum class Mode { Read, Write, CreateNew };

    // `permissions` are those of a file CreateNew makes (less the umask) on
    // POSIX; they are given before any byte is in it.
    RawFile(std::filesystem::path path, Mode mode, std::uint32_t permissions = 0666);
    ~RawFile();
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::uint64_t size() const;

    // Reads up to n bytes at offset; fewer only at the end of the file.
    std::size_t readAt(std::uint64_t offset, char *buffer, std::size_t n) const;
    // Writes all n bytes at offset.
    void writeAt(std::uint64_t offset, const char *data, std::size_t n);
    // Forces what was written onto the disk.
    void sync();
    // Sets the length: cuts the file, or lengthens it with zero bytes.
    void resize(std::uint64_t size);
    // Takes the disk space for `size` bytes before any byte is written, so
    // that the writes cannot run out of it halfway.
    void reserve(std::uint64_t size);
    // How many names (hard links) the file has.
    std::uint64_t linkCount() const;
#ifndef _WIN32
    struct Access
    {
        std::uint32_t owner = 0;
        std::uint32_t group = 0;
        std::uint32_t mode = 0;
    };
    Access access() const;
    // Gives the file another file's owner, group and permissions. Where the
    // system refuses the owner (only root may give a file away), the group
    // is kept where it can be and the file stays this user's; the
    // permissions are always taken.
    void takeAccess(const Access &access);
    // Gives the file the extended attributes of `other`, its ACL among them
    // (system.posix_acl_access): those that this user may set and this file
    // system holds; the others are passed over.
    void takeExtendedAttributes(const RawFile &other);
#endif
    // Closes now, reporting a write that failed late (NFS, quotas).
    void close();

private:
    [[noreturn]] void fail(const std::string &action) const;

    std::filesystem::path m_path;
#ifdef _WIN32
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};
