// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Windows keeps a program of the game's age (32-bit, no execution level in
// its manifest, run without administrator rights) from writing under its
// own folders: Program Files, Program Files (x86), the Windows folder and
// ProgramData. It writes the user's own copy instead, under
// %LOCALAPPDATA%\VirtualStore followed by the path without its drive, and
// from then on the game reads that copy. The editor, which Windows never
// redirects, has to find that copy itself.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The copy of kvxplr.sav that the game reads for `gameFolder`, when the
// folder lies under one of `protectedFolders` and `exists` finds that copy;
// nothing otherwise. Paths are Windows paths; `gameFolder` is resolved
// already (full, with long names), as the system would compare it. Whole
// components are compared, without regard to the case of ASCII letters, so
// "C:\Program Files Games" does not lie under "C:\Program Files".
std::optional<std::u16string>
VirtualStorePlayerFile(std::u16string_view gameFolder,
                       const std::vector<std::u16string> &protectedFolders,
                       std::u16string_view virtualStoreRoot,
                       const std::function<bool(const std::u16string &path)> &exists);

// Whether `folder` is `parent` or lies under it, by the same comparison.
bool LiesUnder(std::u16string_view folder, std::u16string_view parent);
