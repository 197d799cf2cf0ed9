# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows test executables under Wine (the toolchain's
# CMAKE_CROSSCOMPILING_EMULATOR), in a Wine prefix of this build folder's
# own, never the user's ~/.wine. A fixture creates the prefix once and keeps
# a wineserver running while the tests run; korvax_wine_test() ties a test
# to it.

set(KORVAX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
# Wine derives the ANSI code page from the Unix locale: the C locale gives
# Windows-1252, the code page of most of the game's players, on any machine.
set(KORVAX_WINE_ENVIRONMENT WINEPREFIX=${KORVAX_WINE_PREFIX} WINEDEBUG=-all LC_ALL=C.UTF-8)

add_test(NAME wine_prefix_start
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh start)
add_test(NAME wine_prefix_stop
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh stop)
set_tests_properties(wine_prefix_start PROPERTIES
    FIXTURES_SETUP wine_prefix TIMEOUT 300 LABELS core
    ENVIRONMENT "${KORVAX_WINE_ENVIRONMENT}")
set_tests_properties(wine_prefix_stop PROPERTIES
    FIXTURES_CLEANUP wine_prefix LABELS core
    ENVIRONMENT "${KORVAX_WINE_ENVIRONMENT}")

# korvax_wine_test(NAME): runs test NAME in the prefix.
function(korvax_wine_test name)
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine_prefix
        ENVIRONMENT "${KORVAX_WINE_ENVIRONMENT}")
endfunction()
