// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/filecopy.h"

#include "playerfile/rawfile.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

#ifdef _WIN32
constexpr bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsFolder(const std::string &path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeOneFolder(const std::string &path)
{
    if (CreateDirectoryA(path.c_str(), nullptr))
        return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (IsFolder(path))
        return true;
    // "Already exists" would name no fault: the reason is that it is no folder.
    SetLastError(ERROR_DIRECTORY);
    return false;
}
#else
constexpr bool IsSeparator(char c)
{
    return c == '/';
}

bool IsFolder(const std::string &path)
{
    struct stat info
    {
    };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeOneFolder(const std::string &path)
{
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path));
}
#endif

} // namespace

void MakeFolders(const std::string &path)
{
    // Each folder on the way down, from the first one below the root.
    for (std::size_t end = 1; end <= path.size(); ++end) {
        if (end < path.size() && !IsSeparator(path[end]))
            continue;
        const std::string folder = path.substr(0, end);
        if (IsSeparator(folder.back()) || folder.back() == ':' || IsFolder(folder))
            continue;
        if (!MakeOneFolder(folder)) {
#ifndef _WIN32
            // A file in a folder's place says EEXIST; the reason is that it is no folder.
            if (errno == EEXIST)
                errno = ENOTDIR;
#endif
            throw PlayerFileError("Cannot create the folder", folder, LastSystemErrorText());
        }
    }
}

std::string ReadWholeFile(const std::string &path)
{
    const RawFile file(path, RawFile::Mode::Read);
    std::string bytes(file.size(), '\0');
    const std::size_t got = file.readAt(0, bytes.data(), bytes.size());
    // The file may have shrunk since it was measured; what was there counts.
    bytes.resize(got);
    return bytes;
}

void WriteCheckedAndRename(const std::string &tempPath, const std::string &finalPath,
                           const std::string &bytes)
{
    try {
        {
            RawFile file(tempPath, RawFile::Mode::Create);
            file.writeAt(0, bytes.data(), bytes.size());
            file.sync();
        }
        if (ReadWholeFile(tempPath) != bytes)
            throw PlayerFileError("Cannot write", tempPath,
                                  "what was read back differs from what was written");
        RenameOver(tempPath, finalPath);
    } catch (...) {
        RemoveFileQuietly(tempPath);
        throw;
    }
}

RestoreMethod RestoreWholeFile(const std::string &path, const std::string &bytes)
{
    {
        RawFile file(path, RawFile::Mode::Write);
        if (file.size() == bytes.size()) {
            file.writeAt(0, bytes.data(), bytes.size());
            file.sync();
            return RestoreMethod::InPlace;
        }
    }
    WriteCheckedAndRename(path + ".restoring", path, bytes);
    // The player file's new name must stay. (A copy's name needs no flush
    // of its own: the player file's flush right after it takes it along on
    // the journalling file systems, and costs a Submit far less.)
    SyncFolderOf(path);
    return RestoreMethod::ThroughTemporaryFile;
}
