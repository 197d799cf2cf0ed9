// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/fileio.h"

#include "storage/fileerror.h"
#include "storage/wholefile.h"

#include <iostream>

std::optional<std::string> ReadRegularFile(const std::filesystem::path &path,
                                           std::uintmax_t maxSize)
{
    try {
        return ReadWholeFile(path, maxSize);
    } catch (const FileError &) {
        return std::nullopt;
    }
}

bool MakeFolderOf(const std::filesystem::path &file)
{
    const std::filesystem::path folder = file.parent_path();
    if (folder.empty() || folder == file.root_path())
        return true;
    try {
        MakeFolders(folder);
        return true;
    } catch (const FileError &error) {
        std::cerr << error.what() << '\n';
        return false;
    }
}
