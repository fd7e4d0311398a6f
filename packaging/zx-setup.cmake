# Installs the program like a desktop program: menu entry, icon, the polkit
# action that lets the user start the port helper, and a .deb through CPack.
include(${CMAKE_CURRENT_LIST_DIR}/InstallPaths.cmake)

set(ZX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

# The binary keeps its name; the menu entry and a terminal user start it by a
# name that says what it is.
file(CREATE_LINK Settings ${PROJECT_BINARY_DIR}/zx-setup SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/zx-setup DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${ZX_PACKAGING_DIR}/zx-setup.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZX_PACKAGING_DIR}/zx-setup.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# polkit reads actions from this one directory only, whatever the prefix.
configure_file(${ZX_PACKAGING_DIR}/org.zxsetup.porthelper.policy.in
  ${PROJECT_BINARY_DIR}/org.zxsetup.porthelper.policy @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/org.zxsetup.porthelper.policy DESTINATION /usr/share/polkit-1/actions)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zx-setup)
set(CPACK_PACKAGE_VENDOR "ZX Setup")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Setup utility for the ZX-SER8 and ZX-BAL8 eight-port serial cards")
set(CPACK_PACKAGE_DESCRIPTION
  "Shows the jumper settings of the ZX-SER8 / ZX-BAL8 PC/104 serial card for each choice and\n\
writes the COM ports' I/O addresses and IRQ into the card's control registers. The window\n\
runs as the user; a small helper started through pkexec performs the port accesses.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZX Setup developers <zx-setup@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec | policykit-1")
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  message(WARNING "The package's helper path follows CMAKE_INSTALL_PREFIX (${CMAKE_INSTALL_PREFIX}); "
                  "configure with -DCMAKE_INSTALL_PREFIX=/usr for a .deb")
endif()
include(CPack)
