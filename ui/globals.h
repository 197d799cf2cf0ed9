// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

// The two variables the whole program shares.

// The game folder, exactly as its source gave it; set once at start-up.
extern std::string GameFolder;

// The player slot (0..3) that the name and macros editors work on.
extern std::int16_t CurrentPlayer;
