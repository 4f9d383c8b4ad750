# `cpack -G DEB` in the build folder makes a Debian package of what `cmake --install` installs, under /usr.
# Its dependencies on shared libraries come from dpkg-shlibdeps; the Qt plugins the program loads by name at run
# time (no linker sees them) are listed here: the SQLite driver. (The engine's helper process comes with the
# engine library's own dependencies.)
set(CPACK_PACKAGE_NAME miravodialer)
set(CPACK_PACKAGE_VENDOR "MiravoDialer")
set(MIRAVO_PACKAGE_CONTACT "MiravoDialer maintainers <maintainers@miravodialer.example>"
    CACHE STRING "The Debian package's Maintainer field")
set(CPACK_PACKAGE_CONTACT "${MIRAVO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Calling-card dialer for Hayes modems and phones' modems")
set(CPACK_PACKAGE_DESCRIPTION
    "MiravoDialer keeps calling-card companies (access number, language, PIN) and contacts in a small database and\n\
dials a call through a modem: the access number first, then language, PIN and destination as tones. It dials\n\
through a Hayes modem on a serial port, or places the call through ModemManager on a Linux phone or a laptop's\n\
cellular modem (miravo-ports chooses the line).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The calls through a phone's modem go through ModemManager; a Hayes modem needs nothing of it.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "modemmanager")
include(CPack)
