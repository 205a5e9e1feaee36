# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts on the machine: the two programs under their Linux names, the menu entry,
# the icon in the hicolor theme, the AppStream metainfo, the man pages and an example race. This is the one list of
# what is installed: debian/rules installs it with `cmake --install` and ships exactly these files.
include(GNUInstallDirs)

# The id of the menu entry, the metainfo and the icon.
set(BRELOX_APP_ID "io.github.brelox.brelox")
set(BRELOX_HOMEPAGE "https://github.com/brelox/brelox" CACHE STRING "The project's public address")
# The Debian build passes the date of the newest debian/changelog entry.
set(BRELOX_RELEASE_DATE "2026-12-07" CACHE STRING "Release date of this version (YYYY-MM-DD)")

set(_linux ${CMAKE_CURRENT_SOURCE_DIR}/resources/linux)
set(_out ${CMAKE_CURRENT_BINARY_DIR}/linux)
configure_file(${_linux}/brelox.desktop.in ${_out}/${BRELOX_APP_ID}.desktop @ONLY)
configure_file(${_linux}/brelox.metainfo.xml.in ${_out}/${BRELOX_APP_ID}.metainfo.xml @ONLY)
foreach(_page brelox brelox-device-simulator)
  configure_file(${_linux}/${_page}.1.in ${_out}/${_page}.1 @ONLY)
endforeach()

# The PNG icons are rendered from the SVG at build time.
add_executable(brelox_icon_png tools/icon_png.cpp)
target_link_libraries(brelox_icon_png PRIVATE Qt6::Gui Qt6::Svg)
set(_icon_pngs)
foreach(_size 48 256)
  set(_png ${_out}/icon-${_size}.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND brelox_icon_png ${CMAKE_CURRENT_SOURCE_DIR}/resources/brelox_icon.svg ${_size} ${_png}
    DEPENDS brelox_icon_png ${CMAKE_CURRENT_SOURCE_DIR}/resources/brelox_icon.svg
    COMMENT "Rendering the ${_size} px icon")
  list(APPEND _icon_pngs ${_png})
  install(FILES ${_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps
          RENAME ${BRELOX_APP_ID}.png)
endforeach()
add_custom_target(brelox_icons ALL DEPENDS ${_icon_pngs})

# As targets, so that the packaging strips them into a debug-symbols package.
install(TARGETS brelox brelox_device_simulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_out}/${BRELOX_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_out}/${BRELOX_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/resources/brelox_icon.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${BRELOX_APP_ID}.svg)
install(FILES ${_out}/brelox.1 ${_out}/brelox-device-simulator.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# A recorded race for the simulator's --replay.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/docs/examples/race.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brelox/examples)
