// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/fileerror.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

FileError::FileError(const std::string &action, const std::filesystem::path &path,
                     unsigned long code)
    : FileError(action, path, SystemErrorText(code))
{
    m_code = code;
}

FileError::FileError(const std::string &action, const std::filesystem::path &path,
                     const std::string &reason)
    : std::runtime_error(action + " \"" + PathText(path) + "\": " + reason), m_path(path),
      m_reason(reason)
{
}

bool FileError::noSuchFile() const
{
#ifdef _WIN32
    return m_code == ERROR_FILE_NOT_FOUND || m_code == ERROR_PATH_NOT_FOUND;
#else
    return m_code == ENOENT;
#endif
}

#ifdef _WIN32

namespace {

std::string Utf8Of(const wchar_t *text, int length)
{
    if (length <= 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

} // namespace

unsigned long LastSystemError()
{
    return GetLastError();
}

std::string SystemErrorText(unsigned long code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    std::string message =
        length ? Utf8Of(text, static_cast<int>(length)) : "system error " + std::to_string(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' '))
        message.pop_back();
    return message;
}

std::string PathText(const std::filesystem::path &path)
{
    const std::wstring &wide = path.native();
    return Utf8Of(wide.data(), static_cast<int>(wide.size()));
}

std::filesystem::path SystemTextPath(const std::string &text)
{
    // The standard library's own narrow conversion is not the ANSI code
    // page's; this is the conversion CreateFileA makes.
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), size);
    return std::filesystem::path(wide);
}

#else

unsigned long LastSystemError()
{
    return static_cast<unsigned long>(errno);
}

std::string SystemErrorText(unsigned long code)
{
    return std::strerror(static_cast<int>(code));
}

std::string PathText(const std::filesystem::path &path)
{
    return path.native();
}

std::filesystem::path SystemTextPath(const std::string &text)
{
    return std::filesystem::path(text);
}

#endif
