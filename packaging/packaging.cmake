# SPDX-License-Identifier: MIT
# Installation and the Debian package (CPack, DEB generator).
#
#   cmake --build build -j2 && cpack --config build/CPackConfig.cmake -B build/package
#
# gives build/package/kvt730-tool_<version>_<arch>.deb with the three programs, the desktop
# entry, the icon, the manual pages of all three, the copyright file and the changelog.
include(GNUInstallDirs)

foreach(program kvt730-tool kvt730ctl kvt730-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvt730-tool.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvt730-tool.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Drawn from the SVG, for Qt without its SVG plug-in (the window icon) and older menus.
foreach(size 48 128)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/kvt730-tool-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kvt730-tool.png)
endforeach()

# The Wireshark dissector of the monitor's captures, in the folder where Wireshark looks for
# Lua plugins without being told ("Global Lua Plugins" of tshark -G folders; on Debian
# /usr/lib/<multiarch>/wireshark/plugins).
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(KVT_WIRESHARK_PLUGINS lib/${CMAKE_LIBRARY_ARCHITECTURE}/wireshark/plugins)
else()
  set(KVT_WIRESHARK_PLUGINS lib/wireshark/plugins)
endif()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/wireshark/kvt730.lua DESTINATION ${KVT_WIRESHARK_PLUGINS})

# Manual pages, with the version filled in, and the changelog go in compressed, as Debian
# keeps them; the copyright file (machine-readable, DEP-5) beside the changelog.
find_program(KVT_GZIP gzip REQUIRED)
set(kvt_packed_dir ${CMAKE_BINARY_DIR}/packaging)
set(kvt_man_pages)
foreach(page kvt730-tool.1 kvt730ctl.1 kvt730-sim.1)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/${page} ${kvt_packed_dir}/man/${page} @ONLY)
  set(packed ${kvt_packed_dir}/man/${page}.gz)
  add_custom_command(OUTPUT ${packed}
    COMMAND ${KVT_GZIP} -9 -n -c ${kvt_packed_dir}/man/${page} > ${packed}
    DEPENDS ${kvt_packed_dir}/man/${page}
    VERBATIM)
  list(APPEND kvt_man_pages ${packed})
endforeach()
set(kvt_changelog ${kvt_packed_dir}/changelog.gz)
add_custom_command(OUTPUT ${kvt_changelog}
  COMMAND ${KVT_GZIP} -9 -n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${kvt_changelog}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog
  VERBATIM)
add_custom_target(kvt_man_pages ALL DEPENDS ${kvt_man_pages} ${kvt_changelog})
install(FILES ${kvt_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The version has no Debian revision (the package is built from this tree), so the changelog
# is the native one: changelog.gz.
install(FILES ${kvt_changelog} ${CMAKE_CURRENT_LIST_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kvt730-tool)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvt730-tool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KVT-730 tool developers")
set(CPACK_PACKAGE_CONTACT "KVT-730 tool developers <kvt730-tool@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test tool for KVT-730 motorised card readers")
set(CPACK_PACKAGE_DESCRIPTION
"Desktop test and demonstration tool for the KVT-730 family of motorised card
readers and dispensers on a serial line: card movement, status and sensors,
unit information, contact and contactless cards, command scripts, and a PC/SC
window for readers known to the smart-card service. Every byte sent and
received goes into a communication log.
.
Also in the package: kvt730ctl, the same operations from a terminal (and a
protocol monitor between another application and its reader), kvt730-sim, a
simulated reader on a pseudo-terminal, and a Wireshark dissector for the
monitor's captures.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link (Qt 6, pcsc-lite, the C++ runtime) are read off the
# binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pcscd")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "vsmartcard-vpcd, tshark | wireshark")
set(CPACK_STRIP_FILES ON)
include(CPack)
