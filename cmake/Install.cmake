# SPDX-License-Identifier: GPL-3.0-or-later
# Installing the editor, its Debian package and its portable archive.
#
# `cmake --install` puts there (under the prefix, such as ~/.local or /usr):
#   bin/korvax-editor
#   share/applications/<id>.desktop             (the desktop's menu entry)
#   share/metainfo/<id>.metainfo.xml            (what software centres show)
#   share/icons/hicolor/<N>x<N>/apps/<id>.png   (N = 16, 24, 32, 48, 64, 128, 256)
#   share/man/man1/korvax-editor.1.gz
#   share/doc/korvax-editor/copyright, changelog.gz
# `cmake --build build --target packages` builds the program alone and makes
# from it the Debian package korvax-editor_<version>_amd64.deb (all of the
# above under /usr) and a .tar.gz holding the program, its icon, a short
# read-me and the licence in one folder, to be unpacked anywhere the user
# owns; each with a .sha256 file beside it. For Windows it makes a .zip
# holding korvax-editor.exe, README.txt and LICENSE. (CMake's own `package`
# target makes the same, but builds every test and benchmark first.)
#
# <id> is the project's own reverse-DNS name. The addresses below are where
# the project publishes; a packager may set others.
set(KORVAX_APP_ID io.github.korvax_editor.KorvaxEditor)
set(KORVAX_HOMEPAGE "https://github.com/korvax-editor/korvax-editor"
    CACHE STRING "The project's home page, named in the package and its AppStream file")
set(KORVAX_SCREENSHOT_URL "${KORVAX_HOMEPAGE}/raw/main/docs/form1.png"
    CACHE STRING "The picture of the main window software centres show")
# The project has no mail address of its own; example.org says so plainly.
set(KORVAX_MAINTAINER "KORVAX player editor developers <korvax-editor@example.org>"
    CACHE STRING "The Debian package's Maintainer")

set(CPACK_PACKAGE_NAME korvax-editor)
set(CPACK_PACKAGE_VENDOR "KORVAX player editor")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for the player names and macros of KORVAX")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL portable)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

# The packages hold the program and files made when configuring; nothing
# else need be built for them.
add_custom_target(packages
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Making the packages"
    USES_TERMINAL VERBATIM)
add_dependencies(packages korvax-editor)

if(WIN32)
    install(TARGETS korvax-editor RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    # The read-me names the Qt inside the program and where its source is.
    # tools/build-windows names the Debian source package it was built from.
    set(KORVAX_QT_SOURCE "the Qt source" CACHE STRING
        "Where the source of the Qt linked into the program comes from, for its read-me")
    configure_file(${PROJECT_SOURCE_DIR}/docs/WINDOWS-README.txt
        ${PROJECT_BINARY_DIR}/README.txt @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/README.txt
        DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "korvax-editor-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}")
    include(CPack)
    return()
endif()

include(GNUInstallDirs)

set(KORVAX_IMAGES ${PROJECT_SOURCE_DIR}/ui/images)
set(KORVAX_DESKTOP_ENTRY ${PROJECT_BINARY_DIR}/${KORVAX_APP_ID}.desktop)
set(KORVAX_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/korvax-editor)
# Installed directories are rwxr-xr-x whatever the umask, as a package's are.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

install(TARGETS korvax-editor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT editor)

# The entry's Exec line holds the installed program's absolute path, known
# only when installing: `cmake --install --prefix` may choose another prefix
# than the one configured.
install(CODE "
    set(KORVAX_DESKTOP_TEMPLATE [[${PROJECT_SOURCE_DIR}/app/korvax-editor.desktop.in]])
    set(KORVAX_DESKTOP_ENTRY [[${KORVAX_DESKTOP_ENTRY}]])
    set(KORVAX_INSTALL_BINDIR [[${CMAKE_INSTALL_BINDIR}]])
    set(KORVAX_APP_ID [[${KORVAX_APP_ID}]])
    include([[${CMAKE_CURRENT_LIST_DIR}/WriteDesktopEntry.cmake]])
" COMPONENT desktop)
install(FILES ${KORVAX_DESKTOP_ENTRY}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT desktop)
foreach(side 16 24 32 48 64 128 256)
    install(FILES ${KORVAX_IMAGES}/icon-${side}.png RENAME ${KORVAX_APP_ID}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps COMPONENT desktop)
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/app/metainfo.xml.in
    ${PROJECT_BINARY_DIR}/${KORVAX_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${KORVAX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT desktop)

# The manual page and the changelog, compressed as Debian wants them:
# gzip -9 without a name or time stamp, so each build gives the same bytes.
find_program(KORVAX_GZIP gzip REQUIRED)
function(korvax_gzip template output)
    configure_file(${template} ${output} @ONLY)
    execute_process(COMMAND ${KORVAX_GZIP} -9nf ${output} COMMAND_ERROR_IS_FATAL ANY)
endfunction()
korvax_gzip(${PROJECT_SOURCE_DIR}/app/korvax-editor.1.in ${PROJECT_BINARY_DIR}/korvax-editor.1)
korvax_gzip(${PROJECT_SOURCE_DIR}/app/changelog.in ${PROJECT_BINARY_DIR}/changelog)
install(FILES ${PROJECT_BINARY_DIR}/korvax-editor.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT editor)
install(FILES ${PROJECT_SOURCE_DIR}/app/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${KORVAX_DOCDIR} COMPONENT editor)

set(KORVAX_ICON ${KORVAX_IMAGES}/icon.png)
# The portable archive's own layout: everything in one folder. Not part of
# a plain `cmake --install`.
install(TARGETS korvax-editor RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${KORVAX_ICON} RENAME korvax-editor.png
    DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
install(FILES ${PROJECT_SOURCE_DIR}/docs/PORTABLE-README.txt RENAME README.txt
    DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)

# The Debian package takes every component but the portable one (a plain
# install's files); the archive takes only the portable one.
#
# lintian finds no error and no warning. With -I --pedantic it shows three
# notes, kept: hardening-no-bindnow and hardening-no-fortify-functions (the
# build uses CMake's flags, not dpkg-buildflags') and
# binary-has-unneeded-section .comment (the compiler's name, left by strip).
set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_FILE_NAME
    "korvax-editor-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows are laid out for the Liberation faces (metric twins of Times
# New Roman and Arial); in the DejaVu faces a bare system has instead, texts
# are wider and are cut. dpkg-shlibdeps adds the libraries to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVAX_MAINTAINER}")
# "games" is for games in /usr/games; the editor is a tool beside one.
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVAX_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION "The game KORVAX keeps four player profiles in one file,
kvxplr.sav, in its installation folder. The editor lists the four player
names, shows the ten macro texts of the selected player and changes a name
or the macros by patching exactly those bytes of the file in place. It finds
the game in the Wine prefixes of Proton, Lutris, Heroic, Bottles and
PlayOnLinux and keeps a copy of the file before every change.")
include(CPack)
