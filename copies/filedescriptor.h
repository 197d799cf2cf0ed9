// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

// A file descriptor of the C library, closed when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            closeDescriptor(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // A close can report a write that failed late (NFS, quotas).
    bool close() { return closeDescriptor(std::exchange(m_fd, -1)) == 0; }

private:
    static int closeDescriptor(int fd)
    {
#ifdef _WIN32
        return ::_close(fd);
#else
        return ::close(fd);
#endif
    }

    int m_fd;
};
