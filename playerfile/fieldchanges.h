// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playerfile/playerfile.h"

#include <string>
#include <vector>

// A field that another program (the game, a second editor) wrote after an
// editor read it, and that the editor's Submit is about to write over.
struct OverwrittenField
{
    static constexpr int Name = -1;

    int field = Name;       // the macro's index, 0 to 9, or Name
    std::u16string onDisk;  // what the file holds there now
    std::u16string toWrite; // what the Submit writes there
};

// The fields whose text on disk is no longer the text the editor read, in
// field order. A field that already holds what the Submit writes is left
// out: writing it loses nothing.
std::vector<OverwrittenField> ChangedSinceRead(const MacroTexts &read, const MacroTexts &onDisk,
                                               const MacroTexts &toWrite);
std::vector<OverwrittenField> ChangedSinceRead(const std::u16string &readName,
                                               const std::u16string &nameOnDisk,
                                               const std::u16string &nameToWrite);
