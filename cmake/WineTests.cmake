# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the Windows test executables under Wine, in a Wine prefix of this
# build folder's own, never the user's ~/.wine. A fixture creates the prefix
# once, keeps a wineserver running while the tests run and starts a private
# X server for the window tests; korvax_wine_test() ties a core test to it,
# korvax_wine_gui_test() adds a window test that runs on that X server with
# Qt's windows platform, as on Windows.

set(KORVAX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(KORVAX_WINE_SCRIPT ${PROJECT_SOURCE_DIR}/tests/wine/wine-prefix.sh)

# Wine passes the system's fonts on to Windows programs through fontconfig,
# and maps the faces it lacks to whatever it finds there. The tests see only
# the fonts that tools/install-deps installs, so a machine with more fonts
# than a fresh one cannot hide a missing one.
set(KORVAX_WINE_FONTS_DIR /usr/share/fonts/truetype/liberation)
set(KORVAX_WINE_FONTS_CONF ${CMAKE_BINARY_DIR}/wine-fonts.conf)
file(WRITE ${KORVAX_WINE_FONTS_CONF} "<?xml version=\"1.0\"?>
<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">
<fontconfig>
  <dir>${KORVAX_WINE_FONTS_DIR}</dir>
  <cachedir>${CMAKE_BINARY_DIR}/fontconfig-cache</cachedir>
</fontconfig>
")

# Wine derives the ANSI code page from the Unix locale: the C locale gives
# Windows-1252, the code page of most of the game's players, on any machine.
set(KORVAX_WINE_ENVIRONMENT WINEPREFIX=${KORVAX_WINE_PREFIX} WINEDEBUG=-all LC_ALL=C.UTF-8
    FONTCONFIG_FILE=${KORVAX_WINE_FONTS_CONF})

add_test(NAME wine_prefix_start COMMAND ${KORVAX_WINE_SCRIPT} start)
add_test(NAME wine_prefix_stop COMMAND ${KORVAX_WINE_SCRIPT} stop)
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

# korvax_wine_gui_test(NAME): adds the window test NAME, run in the prefix
# on its X server.
function(korvax_wine_gui_test name)
    add_test(NAME ${name} COMMAND ${KORVAX_WINE_SCRIPT} qtest $<TARGET_FILE:${name}>)
    # Each window costs about 2 s under Wine: the editors' test takes 90 to
    # 120 s alone, and more on a loaded machine.
    set_tests_properties(${name} PROPERTIES
        FIXTURES_REQUIRED wine_prefix TIMEOUT 400 LABELS gui
        ENVIRONMENT "${KORVAX_WINE_ENVIRONMENT};QT_QPA_PLATFORM=windows")
endfunction()
