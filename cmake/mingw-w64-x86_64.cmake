# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the editor for 64-bit Windows with mingw-w64 and runs its
# tests under Wine. Debian: g++-mingw-w64-x86-64-posix wine wine64.
#
# The toolkit-free core builds with this file alone. The whole editor also
# needs the static Windows Qt of tools/build-windows-qt: use that Qt's
# lib/cmake/Qt6/qt.toolchain.cmake as CMAKE_TOOLCHAIN_FILE and name this file
# as its QT_CHAINLOAD_TOOLCHAIN_FILE (tools/build-windows does).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

# -O2 rather than -O3: at -O3 GCC 12 reports false -Wrestrict errors inside
# std::string's operator+ (GCC bug 105329).
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags used by the CXX compiler during RELEASE builds.")

# Link everything statically (libgcc, libstdc++ and winpthread too), so an
# executable runs on its own with no DLL beside it. Every function in a
# section of its own lets the linker drop what is never called, which
# matters with a static Qt.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--gc-sections")

# CTest runs the Windows executables through the wine launcher (Debian's
# wine64 package alone puts no command on PATH). tests/CMakeLists.txt adds
# the Wine prefix around them (cmake/WineTests.cmake).
find_program(KORVAX_WINE wine)
if(KORVAX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVAX_WINE})
endif()
