// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Small pieces the windows share: the player list, player texts and the
// length rule of the text boxes.

#include "playerfile/playerfile.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <string>

class QLineEdit;
class QListWidget;

// Appends the names of slots 0..3, read with one opening of the player
// file, so that entry i holds slot i.
void AppendPlayerNames(QListWidget *list, const std::filesystem::path &file);

// The name and the ten macros of `slot` as the file holds them now, each
// read with an opening of its own.
std::u16string ReadNameFromFile(const std::filesystem::path &file, std::int16_t slot);
MacroTexts ReadMacrosFromFile(const std::filesystem::path &file, std::int16_t slot);

// The selected entry's text, or the empty text when nothing is selected.
QString SelectedText(const QListWidget *list);

// The selected slot, with "nothing selected" meaning slot 0.
std::int16_t SelectedSlotOrFirst(const QListWidget *list);

// Holds a name box to the 15 characters, or a macro box to the 40, that the
// file's field keeps: a longer text is cut as the write cuts it (one fewer
// when the cut would split a surrogate pair) and the caret goes to the end;
// otherwise nothing happens, the caret included. Call it on every change of
// the box's text.
void ApplyNameLengthRule(QLineEdit *box);
void ApplyMacroLengthRule(QLineEdit *box);

// A path as Qt names the file.
QString QtPathOf(const std::filesystem::path &path);

inline QString ToQString(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}
