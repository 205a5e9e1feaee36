# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the release build makes brelox_<version>_<arch>.deb of what cmake/Install.cmake installs.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "brelox")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Brelox")
set(CPACK_PACKAGE_CONTACT "Brelox <brelox@users.noreply.github.com>" CACHE STRING "Maintainer of the package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "times from a timing device on an ALGE GAZ4 display board")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${BRELOX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window needs a platform plugin and the SVG plugins for its pictures, which no library links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# Qt's own texts in German; the segment face for the simulator's board window.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-dseg")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "socat")
# The first line of the description is the summary above.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Brelox sits between a timing device on one serial port and an ALGE GAZ4
large display board on another: it passes lines through, rewrites Tag Heuer
result records into board lines, or shows the time of day, a stopwatch or a
countdown. The window is in German.
.
To open serial ports the user must be in the dialout group
(sudo adduser $USER dialout, then log in again).
.
brelox-device-simulator stands in for a timing device and a board on
pseudo-terminals, with a board window, for rehearsing without hardware.")

include(CPack)
