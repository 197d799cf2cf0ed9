// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading one string value from the Windows registry. Windows only.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

// The value valueName of root\subKey when it is a plain string (REG_SZ),
// without its terminating zero; nothing when the key or the value is
// missing, the value has another type or holds no bytes at all. The key is
// opened for reading values only; a 64-bit build asks the 32-bit view of
// the registry first, then its own.
std::optional<std::string> ReadRegistryValue(HKEY root, const std::string &subKey,
                                             const std::string &valueName);

// Reads the plain string value valueName of an open key (or of no key: a
// null handle) into value. Returns 0 when it was read, the system's error
// code of a failing query, or -1 when the value exists with another type;
// in those two cases value is left as it was. A zero-length value returns
// 0 and leaves value as it was; a value that vanishes between the query of
// its size and the read leaves nothing in value and returns the error.
std::int32_t QueryStringValue(HKEY key, const std::string &valueName,
                              std::optional<std::string> &value);
