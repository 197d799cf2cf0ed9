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

// One handle on an existing regular file, opened for reading only or for
// writing only. Never creates and never truncates; released by the
// destructor. Anything but a regular file (a FIFO, a device) is refused
// without waiting on it: "not a regular file".
class RawFile
{
public:
    enum class Mode { Read, Write };

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

// The system's text for the last error of the calling thread.
std::string LastSystemErrorText();

// The system's words for an error code: errno's on POSIX, GetLastError's
// on Windows.
std::string SystemErrorText(unsigned long code);
