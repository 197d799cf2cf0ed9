# SPDX-License-Identifier: GPL-3.0-or-later
# Installing the editor for a user, and its portable archive.
#
# The editor keeps its settings file ivlname.cfg beside its own executable,
# so it has to be installed into a folder the user can write to, such as
# ~/.local. `cmake --install` puts there:
#   bin/korvax-editor
#   share/applications/korvax-editor.desktop   (the desktop's menu entry)
#   share/icons/hicolor/32x32/apps/korvax-editor.png
# `cpack` makes a .tar.gz holding the program, its icon, a short read-me and
# the licence in one folder, to be unpacked anywhere the user owns. For
# Windows it makes a .zip holding korvax-editor.exe, README.txt and LICENSE.
set(CPACK_PACKAGE_NAME korvax-editor)
set(CPACK_PACKAGE_VENDOR "KORVAX player editor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for the player names and macros of KORVAX")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL portable)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

if(WIN32)
    install(TARGETS korvax-editor RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    install(FILES ${PROJECT_SOURCE_DIR}/docs/WINDOWS-README.txt RENAME README.txt
        DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "korvax-editor-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}")
    include(CPack)
    return()
endif()

include(GNUInstallDirs)

set(KORVAX_ICON ${PROJECT_SOURCE_DIR}/ui/images/icon.png)
set(KORVAX_DESKTOP_ENTRY ${PROJECT_BINARY_DIR}/korvax-editor.desktop)

install(TARGETS korvax-editor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT editor)

# The entry's Exec line holds the installed program's absolute path, known
# only when installing: `cmake --install --prefix` may choose another prefix
# than the one configured.
install(CODE "
    set(KORVAX_DESKTOP_TEMPLATE [[${PROJECT_SOURCE_DIR}/app/korvax-editor.desktop.in]])
    set(KORVAX_DESKTOP_ENTRY [[${KORVAX_DESKTOP_ENTRY}]])
    set(KORVAX_INSTALL_BINDIR [[${CMAKE_INSTALL_BINDIR}]])
    include([[${CMAKE_CURRENT_LIST_DIR}/WriteDesktopEntry.cmake]])
" COMPONENT desktop)
install(FILES ${KORVAX_DESKTOP_ENTRY}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
install(FILES ${KORVAX_ICON} RENAME korvax-editor.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps COMPONENT desktop)

# The portable archive's own layout: everything in one folder. Not part of
# a plain `cmake --install`.
install(TARGETS korvax-editor RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${KORVAX_ICON} RENAME korvax-editor.png
    DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/docs/PORTABLE-README.txt RENAME README.txt
    DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_FILE_NAME
    "korvax-editor-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
include(CPack)
