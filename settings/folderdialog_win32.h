// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The path of the folder chosen in the shell's folder dialog. Windows only.

#include <shlobj.h>
#include <windows.h>

#include <string>

// SHGetPathFromIDListA, or a stand-in for it in a test.
using PathFromItemList = BOOL(STDAPICALLTYPE *)(PCIDLIST_ABSOLUTE items, LPSTR path);

// The file-system path of `items` as `getPath` writes it, or the empty text
// when it gives none (a cancelled dialog gives no item list). The shell
// writes up to MAX_PATH characters with the terminating zero, so every path
// it can give, up to 259 characters, comes back whole.
std::string FolderPathOf(PCIDLIST_ABSOLUTE items, PathFromItemList getPath);
