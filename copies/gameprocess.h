// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whether the game is running, so that an edit it would overwrite on its
// next save can be questioned first. The game's program is korvax.exe, in
// any case of its letters: on Windows from the system's process list; on
// Linux, where the game runs under Wine or Proton, from /proc, where Wine
// shows the Windows program's name. A process that ends meanwhile or cannot
// be read is passed over.

bool IsGameRunning();

// The process ids of every running korvax.exe, in no particular order.
std::vector<std::uint32_t> GameProcessIds();

// Whether a program's path or name, after its last '/' or '\', is korvax.exe.
bool IsGameProgram(std::string_view path);

#ifndef _WIN32
// GameProcessIds() as read from a /proc folder at `procRoot`: a process is
// the game when its comm or the first word of its cmdline names it.
std::vector<std::uint32_t> GameProcessIdsIn(const std::string &procRoot);
#endif
