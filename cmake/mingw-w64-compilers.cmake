# SPDX-License-Identifier: GPL-3.0-or-later
# The mingw-w64 compilers (posix threads: std::thread and std::mutex work
# without extra flags) and where their Windows headers and libraries live.
# tools/build-windows-qt builds the static Qt with this file alone;
# mingw-w64-x86_64.cmake adds the editor's own flags on top.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVAX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVAX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVAX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVAX_MINGW_TRIPLE}-windres)
set(CMAKE_STRIP ${KORVAX_MINGW_TRIPLE}-strip)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${KORVAX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
