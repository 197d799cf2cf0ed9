// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// A failure of the player file: what was attempted, on which file, and the
// operating system's reason.
class PlayerFileError : public std::runtime_error
{
public:
    PlayerFileError(const std::string &action, const std::string &path, const std::string &reason);
    const std::string &path() const { return m_path; }
    const std::string &reason() const { return m_reason; }

private:
    std::string m_path;
    std::string m_reason;
};

// One handle on a regular file, opened for reading only or for writing only.
// Read and Write open an existing file and never create or truncate it;
// Create makes a new, empty file (emptying one left at the path), for files
// of the editor's own. Anything but a regular file (a FIFO, a device) is
// refused without waiting on it: "not a regular file". Released by the
// destructor.
class RawFile
{
public:
    enum class Mode { Read, Write, Create };

    RawFile(std::string path, Mode mode);
    ~RawFile();
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    const std::string &path() const { return m_path; }
    std::uint64_t size() const;

    // Reads up to n bytes at offset; fewer only at the end of the file.
    std::size_t readAt(std::uint64_t offset, char *buffer, std::size_t n) const;
    // Writes all n bytes at offset.
    void writeAt(std::uint64_t offset, const char *data, std::size_t n);
    // Forces what was written onto the disk.
    void sync();

private:
    [[noreturn]] void fail(const std::string &action) const;

    std::string m_path;
#ifdef _WIN32
    void *m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};

// Renames `from` to `to`, replacing a file at `to` in one step.
void RenameOver(const std::string &from, const std::string &to);

// Forces a rename into the file's folder onto the disk (Windows' rename
// does so itself); a failure is ignored.
void SyncFolderOf(const std::string &path);

// Deletes the file if it is there; a failure is ignored.
void RemoveFileQuietly(const std::string &path);

// The system's text for the last error of the calling thread.
std::string LastSystemErrorText();

// The system's words for an error code: errno's on POSIX, GetLastError's
// on Windows.
std::string SystemErrorText(unsigned long code);
