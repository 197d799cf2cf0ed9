// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "playerfile/fieldchanges.h"

#include <QString>

#include <cstdint>
#include <vector>

// The question before a Submit writes over fields that another program
// changed on disk since the editor read them, naming each field, what it
// holds now and what the Submit writes there.
QString OverwriteQuestion(std::int16_t slot, const std::vector<OverwrittenField> &fields);

// "macro 2", "macros 2 and 5", "macros 1, 2 and 5": macros counted from 0,
// named as the main window's rows count them, from 1.
QString MacroList(const std::vector<int> &macros);
