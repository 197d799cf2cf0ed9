// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/editedfile.h"

#include "playerfile/playerfile.h"
#include "storage/fileerror.h"

EditedPlayerFile InstalledPlayerFile(const std::string &gameFolder)
{
    const std::filesystem::path installed = SystemTextPath(PlayerFilePath(gameFolder));
    return {installed, installed, gameFolder};
}

EditedPlayerFile PlayerFileToEdit(SystemServices &services, const std::string &gameFolder)
{
    EditedPlayerFile file = InstalledPlayerFile(gameFolder);
    std::filesystem::path copy = services.virtualStorePlayerFile(gameFolder);
    if (!copy.empty()) {
        const std::u8string folder = copy.parent_path().u8string();
        file.copiesKey.assign(folder.begin(), folder.end());
        file.path = std::move(copy);
    }
    return file;
}
