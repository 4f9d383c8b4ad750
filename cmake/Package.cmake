# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder makes a Debian package of what `cmake --install` installs, under /usr.
# Its dependencies on shared libraries come from dpkg-shlibdeps; the Qt plugins the program loads by name at run
# time (no linker sees them) are listed here: the SQLite driver. (The engine's helper process comes with the
# engine library's own dependencies.) The package passes Debian 12's lintian without errors or warnings
# (tests/install/check-package.sh checks it): its documents, manual pages and hardening flags are part of the build.
set(CPACK_PACKAGE_NAME miravodialer)
set(CPACK_PACKAGE_VENDOR "MiravoDialer")
set(MIRAVO_PACKAGE_CONTACT "MiravoDialer maintainers <maintainers@miravodialer.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT "${MIRAVO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calling-card dialer for Hayes modems, phones' modems and speakers")
# Lines of at most 80 characters: dpkg and lintian show the extended description as written.
set(CPACK_PACKAGE_DESCRIPTION
    "MiravoDialer keeps calling-card companies (access number, language, PIN)\n\
and contacts in a small database and dials a call: the access number first,\n\
then language, PIN and destination as tones. It dials through a Hayes modem\n\
on a serial port, places the call through ModemManager on a Linux phone or a\n\
cellular modem, or plays the tones on the speaker for a phone held to it\n\
(miravo-ports chooses the line).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The calls through a phone's modem go through ModemManager; a Hayes modem needs nothing of it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "modemmanager")
# Most desktops run Wayland; without the platform plugin Qt falls back to XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
# Without it dpkg-deb would leave the control files' modes to the build folder's umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The package's documents: the licence in Debian's machine-readable form and the changelog, in the folder named
# after the package.
set(miravo_docdir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    COMMAND sh -c "\"$0\" -9nc \"$1\" >\"$2\"" ${GZIP_EXECUTABLE} ${PROJECT_BINARY_DIR}/packaging/changelog
            ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog VERBATIM)
add_custom_target(package_documents ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${miravo_docdir})

# The AppStream metadata names this version and its date: a release that forgot them does not configure.
file(READ ${PROJECT_SOURCE_DIR}/desktop/${MIRAVO_APP_ID}.metainfo.xml miravo_metainfo)
if(NOT miravo_metainfo MATCHES "<release version=\"${PROJECT_VERSION}\" date=\"${MIRAVO_RELEASE_DATE}\"")
    message(FATAL_ERROR "desktop/${MIRAVO_APP_ID}.metainfo.xml has no <release version=\"${PROJECT_VERSION}\" "
                        "date=\"${MIRAVO_RELEASE_DATE}\">: add this version's release")
endif()
include(CPack)
