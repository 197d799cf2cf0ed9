// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

// A failed file operation: what was attempted, on which file, and the
// operating system's reason. What it means is for the caller to decide.
// Its texts are UTF-8 on every system (on Linux, file names as their bytes).
class FileError : public std::runtime_error
{
public:
    // A failure the system reported with an error number (errno on POSIX,
    // GetLastError's on Windows); its words become the reason.
    FileError(const std::string &action, const std::filesystem::path &path, unsigned long code);
    // A failure the program found itself, with its own reason; code() is 0.
    FileError(const std::string &action, const std::filesystem::path &path,
              const std::string &reason);

    const std::filesystem::path &path() const { return m_path; }
    const std::string &reason() const { return m_reason; }
    unsigned long code() const { return m_code; }
    // Whether the system said there is no such file (or no folder above it).
    bool noSuchFile() const;

private:
    std::filesystem::path m_path;
    std::string m_reason;
    unsigned long m_code = 0;
};

// The last error number of the calling thread.
unsigned long LastSystemError();

// The system's words for an error number.
std::string SystemErrorText(unsigned long code);

// A path as a message shows it.
std::string PathText(const std::filesystem::path &path);

// A path given as the system's narrow text: on Windows in the ANSI code
// page, converted as the -A calls would convert it; elsewhere as it is.
std::filesystem::path SystemTextPath(const std::string &text);
