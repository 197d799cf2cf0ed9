# SPDX-License-Identifier: GPL-3.0-or-later
# Run while installing (see Install.cmake): writes the desktop entry with
# the installed program's absolute path on its Exec line.
#
# In:  KORVAX_DESKTOP_TEMPLATE, KORVAX_DESKTOP_ENTRY, KORVAX_INSTALL_BINDIR, KORVAX_APP_ID,
#      and CMake's own CMAKE_INSTALL_PREFIX of this installation.

if(IS_ABSOLUTE "${KORVAX_INSTALL_BINDIR}")
    set(program "${KORVAX_INSTALL_BINDIR}/korvax-editor")
else()
    set(program "${CMAKE_INSTALL_PREFIX}/${KORVAX_INSTALL_BINDIR}/korvax-editor")
endif()
if(program MATCHES "[\n\r]")
    message(FATAL_ERROR "The install path of the editor holds a line break: ${program}")
endif()

# An Exec argument with a reserved character is written in double quotes,
# with " ` $ \ escaped; the value's own escaping then doubles every
# backslash, and a % is written %%.
set(exec "${program}")
string(REGEX MATCH "[ \t\"'<>~|&;$*?#()`]" reserved "${exec}")
string(FIND "${exec}" "\\" backslash)
if(reserved OR NOT backslash EQUAL -1)
    string(REPLACE "\\" "\\\\" exec "${exec}")
    string(REPLACE "\"" "\\\"" exec "${exec}")
    string(REPLACE "`" "\\`" exec "${exec}")
    string(REPLACE "$" "\\$" exec "${exec}")
    set(exec "\"${exec}\"")
    string(REPLACE "\\" "\\\\" exec "${exec}")
endif()
string(REPLACE "%" "%%" exec "${exec}")

set(KORVAX_DESKTOP_EXEC "${exec}")
configure_file("${KORVAX_DESKTOP_TEMPLATE}" "${KORVAX_DESKTOP_ENTRY}" @ONLY)
