// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/globals.h"

std::string GameFolder;
std::int16_t CurrentPlayer = 0;
