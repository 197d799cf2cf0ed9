// SPDX-License-Identifier: GPL-3.0-or-later
#include "playerfile/fieldchanges.h"

namespace {

// Whether the field must be asked about: another program wrote it, and the
// Submit would replace what it wrote. A field reads back cut to `readBack`
// characters (a macro of 40 reads back as its first 39).
bool Overwrites(const std::u16string &read, const std::u16string &onDisk,
                const std::u16string &toWrite, std::size_t readBack)
{
    return onDisk != read && onDisk != toWrite.substr(0, readBack);
}

} // namespace

std::vector<OverwrittenField> ChangedSinceRead(const MacroTexts &read, const MacroTexts &onDisk,
                                               const MacroTexts &toWrite)
{
    std::vector<OverwrittenField> changed;
    for (std::size_t k = 0; k < read.size(); ++k) {
        if (Overwrites(read[k], onDisk[k], toWrite[k], PlayerLayout::MacroReadSize))
            changed.push_back({static_cast<int>(k), onDisk[k], toWrite[k]});
    }
    return changed;
}

std::vector<OverwrittenField> ChangedSinceRead(const std::u16string &readName,
                                               const std::u16string &nameOnDisk,
                                               const std::u16string &nameToWrite)
{
    if (!Overwrites(readName, nameOnDisk, nameToWrite, PlayerLayout::NameMaxLength))
        return {};
    return {{OverwrittenField::Name, nameOnDisk, nameToWrite}};
}
