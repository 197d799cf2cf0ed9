// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the game's program korvax.exe is running (its name compared
// without regard to case).
bool IsGameRunning();
